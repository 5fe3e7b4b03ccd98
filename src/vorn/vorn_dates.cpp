#include "vorn/vorn_dates.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr SQLUINTEGER nanoseconds_per_second = 1'000'000'000;
constexpr SQLUINTEGER nanoseconds_per_millisecond = 1'000'000;

bool is_leap_year(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month)
{
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : days[month - 1];
}

bool is_real_date(const TIMESTAMP_STRUCT& date)
{
    return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 && date.day >= 1 &&
           date.day <= days_in_month(date.year, date.month) && date.hour <= 23 && date.minute <= 59 &&
           date.second <= 59 && date.fraction < nanoseconds_per_second;
}

std::wstring stored_text(const TIMESTAMP_STRUCT& date)
{
    wchar_t text[32];
    int length = std::swprintf(text, std::size(text), L"%04d-%02u-%02u %02u:%02u:%02u", date.year, date.month,
                               date.day, date.hour, date.minute, date.second);
    if (date.fraction != 0)
        length += std::swprintf(text + length, std::size(text) - length, L".%09lu",
                                static_cast<unsigned long>(date.fraction));
    return std::wstring(text, static_cast<size_t>(length));
}

std::wstring shown_text(const TIMESTAMP_STRUCT& date)
{
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = date.month;
    time.wDay = date.day;
    time.wHour = date.hour;
    time.wMinute = date.minute;
    time.wSecond = date.second;
    wchar_t day_text[128];
    wchar_t time_text[128];
    if (!GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, day_text,
                         static_cast<int>(std::size(day_text)), nullptr) ||
        !GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, time_text, static_cast<int>(std::size(time_text))))
        return {};
    return std::wstring(day_text) + L" " + time_text;
}

// Exactly `count` decimal digits at `text`, advancing it.
bool read_digits(const wchar_t*& text, int count, unsigned long& value)
{
    value = 0;
    for (int i = 0; i < count; ++i, ++text) {
        if (*text < L'0' || *text > L'9')
            return false;
        value = value * 10 + static_cast<unsigned long>(*text - L'0');
    }
    return true;
}

bool read_separator(const wchar_t*& text, wchar_t separator)
{
    if (*text != separator)
        return false;
    ++text;
    return true;
}

bool parse_stored(const wchar_t* text, TIMESTAMP_STRUCT& date)
{
    unsigned long year, month, day, hour, minute, second, fraction = 0;
    if (!read_digits(text, 4, year) || !read_separator(text, L'-') || !read_digits(text, 2, month) ||
        !read_separator(text, L'-') || !read_digits(text, 2, day) || !read_separator(text, L' ') ||
        !read_digits(text, 2, hour) || !read_separator(text, L':') || !read_digits(text, 2, minute) ||
        !read_separator(text, L':') || !read_digits(text, 2, second))
        return false;
    if (*text == L'.' && (!read_separator(text, L'.') || !read_digits(text, 9, fraction)))
        return false;
    if (*text != L'\0')
        return false;
    date.year = static_cast<SQLSMALLINT>(year);
    date.month = static_cast<SQLUSMALLINT>(month);
    date.day = static_cast<SQLUSMALLINT>(day);
    date.hour = static_cast<SQLUSMALLINT>(hour);
    date.minute = static_cast<SQLUSMALLINT>(minute);
    date.second = static_cast<SQLUSMALLINT>(second);
    date.fraction = static_cast<SQLUINTEGER>(fraction);
    return is_real_date(date);
}

}  // namespace

int dbc_formatDate(const TIMESTAMP_STRUCT* date, wchar_t* buffer, int size, int style)
{
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = L'\0';
    if (!date || !is_real_date(*date))
        return 0;
    std::wstring text;
    if (style == dbc_date_style_stored)
        text = stored_text(*date);
    else if (style == dbc_date_style_shown)
        text = shown_text(*date);
    if (text.empty() || text.size() >= static_cast<size_t>(size))
        return 0;
    std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

int dbc_assignDate(const wchar_t* text, TIMESTAMP_STRUCT* date)
{
    if (!date)
        return 0;
    *date = TIMESTAMP_STRUCT{};
    TIMESTAMP_STRUCT parsed = {};
    if (!text || !parse_stored(text, parsed))
        return 0;
    *date = parsed;
    return 1;
}

void dbc_getTimeNow(TIMESTAMP_STRUCT* date)
{
    if (!date)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    date->year = static_cast<SQLSMALLINT>(now.wYear);
    date->month = now.wMonth;
    date->day = now.wDay;
    date->hour = now.wHour;
    date->minute = now.wMinute;
    date->second = now.wSecond;
    date->fraction = static_cast<SQLUINTEGER>(now.wMilliseconds) * nanoseconds_per_millisecond;
}

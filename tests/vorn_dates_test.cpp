#include "vorn/vorn_dates.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool same(const TIMESTAMP_STRUCT& a, const TIMESTAMP_STRUCT& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second && a.fraction == b.fraction;
}

std::wstring stored(const TIMESTAMP_STRUCT& date)
{
    wchar_t text[260];
    dbc_formatDate(&date, text, 260, dbc_date_style_stored);
    return text;
}

TEST(Dates, StoredFormReadsBackExactly)
{
    const TIMESTAMP_STRUCT dates[] = {
        {2024, 3, 7, 14, 5, 9, 0}, {2024, 2, 29, 0, 0, 0, 0}, {1, 1, 1, 0, 0, 0, 0},
        {9999, 12, 31, 23, 59, 59, 999'999'999}, {2023, 11, 5, 8, 30, 0, 123'000'000},
    };
    for (const TIMESTAMP_STRUCT& date : dates) {
        const std::wstring text = stored(date);
        TIMESTAMP_STRUCT back = {7, 7, 7, 7, 7, 7, 7};
        EXPECT_NE(dbc_assignDate(text.c_str(), &back), 0) << text;
        EXPECT_TRUE(same(back, date)) << text;
    }
    EXPECT_EQ(stored(TIMESTAMP_STRUCT{2024, 3, 7, 14, 5, 9, 0}), L"2024-03-07 14:05:09");
    EXPECT_EQ(stored(TIMESTAMP_STRUCT{2023, 11, 5, 8, 30, 0, 123'000'000}), L"2023-11-05 08:30:00.123000000");

    TIMESTAMP_STRUCT now;
    dbc_getTimeNow(&now);
    TIMESTAMP_STRUCT back;
    ASSERT_NE(dbc_assignDate(stored(now).c_str(), &back), 0);
    EXPECT_TRUE(same(back, now));
    EXPECT_GE(now.year, 2020);
}

TEST(Dates, BadTextLeavesTheDateCleared)
{
    const wchar_t* bad[] = {L"",
                            L"yesterday",
                            L"2024-02-30 10:00:00",
                            L"2023-02-29 10:00:00",
                            L"2024-13-01 10:00:00",
                            L"2024-03-07 24:00:00",
                            L"2024-03-07 10:60:00",
                            L"0000-01-01 00:00:00",
                            L"2024-03-07",
                            L"2024-03-07 10:00:00 ",
                            L"2024-03-07 10:00:00.12",
                            L"07/03/2024 10:00:00",
                            L"2024-3-7 10:00:00"};
    for (const wchar_t* text : bad) {
        TIMESTAMP_STRUCT date = {2001, 2, 3, 4, 5, 6, 7};
        EXPECT_EQ(dbc_assignDate(text, &date), 0) << text;
        EXPECT_TRUE(same(date, TIMESTAMP_STRUCT{})) << text;
    }
}

TEST(Dates, ShownFormIsTheUsersShortDateAndTimeWithinTheBuffer)
{
    const TIMESTAMP_STRUCT date = {2024, 3, 7, 14, 5, 9, 0};
    SYSTEMTIME time = {2024, 3, 0, 7, 14, 5, 9, 0};
    wchar_t day[128], clock[128];
    ASSERT_GT(GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, day, 128, nullptr), 0);
    ASSERT_GT(GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, clock, 128), 0);
    const std::wstring expected = std::wstring(day) + L" " + clock;

    wchar_t text[260];
    EXPECT_NE(dbc_formatDate(&date, text, 260, dbc_date_style_shown), 0);
    EXPECT_EQ(text, expected);

    // A buffer one short, a year of 0 and an unknown style give empty text, never a partial one.
    wchar_t small[64];
    ASSERT_LT(expected.size(), std::size(small));
    EXPECT_EQ(dbc_formatDate(&date, small, static_cast<int>(expected.size()), dbc_date_style_shown), 0);
    EXPECT_STREQ(small, L"");
    const TIMESTAMP_STRUCT none = {};
    EXPECT_EQ(dbc_formatDate(&none, text, 260, dbc_date_style_stored), 0);
    EXPECT_STREQ(text, L"");
    EXPECT_EQ(dbc_formatDate(&date, text, 260, 4), 0);
    EXPECT_STREQ(text, L"");
}

}  // namespace

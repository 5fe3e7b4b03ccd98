// The Win32 calls that the fuzzed sources make, for the Linux build (see windows.h here).
#include "bcrypt.h"
#include "windows.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <ctime>
#include <string>

namespace {

constexpr char32_t replacement = 0xFFFD;

void put_utf8(std::string& out, char32_t point)
{
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | point >> 6);
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | point >> 12);
        out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | point >> 18);
        out += static_cast<char>(0x80 | (point >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

// UTF-16 code units (in 32-bit wchar_t) to UTF-8; a lone surrogate becomes U+FFFD, as on Windows.
std::string encode(const wchar_t* wide, int length)
{
    std::string out;
    for (int i = 0; i < length; ++i) {
        char32_t unit = static_cast<char32_t>(wide[i]);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF)
            unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(wide[++i]) - 0xDC00);
        else if ((unit >= 0xD800 && unit <= 0xDFFF) || unit > 0x10FFFF)
            unit = replacement;
        put_utf8(out, unit);
    }
    return out;
}

// UTF-8 to UTF-16 code units; each byte of an invalid sequence becomes U+FFFD.
std::u32string decode(const char* narrow, int length)
{
    std::u32string out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(narrow);
    for (int i = 0; i < length;) {
        const unsigned char lead = bytes[i];
        const int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2
                                                                          : lead >= 0xF0 && lead <= 0xF4 ? 3 : -1;
        char32_t point = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = extra >= 0 && i + extra < length;
        for (int k = 1; valid && k <= extra; ++k) {
            valid = (bytes[i + k] & 0xC0) == 0x80;
            point = point << 6 | (bytes[i + k] & 0x3F);
        }
        const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (!valid || point < least[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            out += replacement;
            ++i;
            continue;
        }
        if (point >= 0x10000) {
            out += static_cast<char32_t>(0xD800 + ((point - 0x10000) >> 10));
            out += static_cast<char32_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            out += point;
        }
        i += extra + 1;
    }
    return out;
}

}  // namespace

int WideCharToMultiByte(UINT, DWORD, const wchar_t* wide, int wide_length, char* narrow, int narrow_size, const char*,
                        BOOL*)
{
    const std::string text = encode(wide, wide_length);
    if (narrow_size == 0)
        return static_cast<int>(text.size());
    if (static_cast<int>(text.size()) > narrow_size)
        return 0;
    std::copy(text.begin(), text.end(), narrow);
    return static_cast<int>(text.size());
}

int MultiByteToWideChar(UINT, DWORD, const char* narrow, int narrow_length, wchar_t* wide, int wide_size)
{
    const std::u32string text = decode(narrow, narrow_length);
    if (wide_size == 0)
        return static_cast<int>(text.size());
    if (static_cast<int>(text.size()) > wide_size)
        return 0;
    std::transform(text.begin(), text.end(), wide, [](char32_t unit) { return static_cast<wchar_t>(unit); });
    return static_cast<int>(text.size());
}

void GetLocalTime(SYSTEMTIME* time)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    *time = {static_cast<WORD>(local.tm_year + 1900), static_cast<WORD>(local.tm_mon + 1), static_cast<WORD>(local.tm_wday),
             static_cast<WORD>(local.tm_mday), static_cast<WORD>(local.tm_hour), static_cast<WORD>(local.tm_min),
             static_cast<WORD>(local.tm_sec), 0};
}

// en-US: "3/7/2024" and "2:05:09 PM"; 0 when the buffer is too small, as the platform gives.
int GetDateFormatEx(LPCWSTR, DWORD, const SYSTEMTIME* date, LPCWSTR, LPWSTR text, int size, LPCWSTR)
{
    const int length = std::swprintf(text, static_cast<size_t>(size), L"%u/%u/%u", date->wMonth, date->wDay, date->wYear);
    return length < 0 || length >= size ? 0 : length + 1;
}

int GetTimeFormatEx(LPCWSTR, DWORD, const SYSTEMTIME* time, LPCWSTR, LPWSTR text, int size)
{
    const unsigned hour = time->wHour % 12 == 0 ? 12 : time->wHour % 12;
    const int length = std::swprintf(text, static_cast<size_t>(size), L"%u:%02u:%02u %ls", hour, time->wMinute,
                                     time->wSecond, time->wHour < 12 ? L"AM" : L"PM");
    return length < 0 || length >= size ? 0 : length + 1;
}

// The cipher: see bcrypt.h here.
NTSTATUS BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE* algorithm, LPCWSTR, LPCWSTR, ULONG)
{
    static int provider;
    *algorithm = &provider;
    return 0;
}

NTSTATUS BCryptSetProperty(BCRYPT_HANDLE, LPCWSTR, PUCHAR, ULONG, ULONG) { return 0; }
NTSTATUS BCryptCloseAlgorithmProvider(BCRYPT_ALG_HANDLE, ULONG) { return 0; }

NTSTATUS BCryptGenerateSymmetricKey(BCRYPT_ALG_HANDLE algorithm, BCRYPT_KEY_HANDLE* key, PUCHAR, ULONG, PUCHAR, ULONG,
                                    ULONG)
{
    *key = algorithm;
    return 0;
}

NTSTATUS BCryptDestroyKey(BCRYPT_KEY_HANDLE) { return 0; }

NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE, PUCHAR buffer, ULONG size, ULONG)
{
    for (ULONG i = 0; i < size; ++i)
        buffer[i] = static_cast<UCHAR>(i * 37 + 11);
    return 0;
}

NTSTATUS BCryptEncrypt(BCRYPT_KEY_HANDLE, PUCHAR input, ULONG input_size, void*, PUCHAR, ULONG, PUCHAR output,
                       ULONG output_size, ULONG* result, ULONG)
{
    if (output_size < input_size)
        return static_cast<NTSTATUS>(0xC0000023);  // STATUS_BUFFER_TOO_SMALL
    std::copy(input, input + input_size, output);
    *result = input_size;
    return 0;
}

NTSTATUS BCryptDecrypt(BCRYPT_KEY_HANDLE key, PUCHAR input, ULONG input_size, void* padding, PUCHAR iv, ULONG iv_size,
                       PUCHAR output, ULONG output_size, ULONG* result, ULONG flags)
{
    return BCryptEncrypt(key, input, input_size, padding, iv, iv_size, output, output_size, result, flags);
}

int CompareStringOrdinal(const wchar_t* first, int first_length, const wchar_t* second, int second_length,
                         BOOL ignore_case)
{
    const std::wstring a(first, first_length < 0 ? std::wcslen(first) : static_cast<size_t>(first_length));
    const std::wstring b(second, second_length < 0 ? std::wcslen(second) : static_cast<size_t>(second_length));
    const auto unit = [&](wchar_t ch) { return ignore_case ? static_cast<wchar_t>(std::towupper(ch)) : ch; };
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (unit(a[i]) != unit(b[i]))
            return unit(a[i]) < unit(b[i]) ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    return a.size() == b.size() ? CSTR_EQUAL : a.size() < b.size() ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}

// The client library's own parts: its string, path helpers, dates and password cipher.

#include "vorn/vorn_buffer.h"
#include "vorn/vorn_crypt.h"
#include "vorn/vorn_dates.h"
#include "vorn/vorn_paths.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

std::wstring text(const vorn_buffer& buffer) { return buffer.as_const_w_buffer(); }

TEST(VornBuffer, BuildsCopiesAndDerivesTexts)
{
    EXPECT_TRUE(vorn_buffer(static_cast<const wchar_t*>(nullptr)).is_empty());
    vorn_buffer original(L"abc"), copy(original);
    copy += L"def";
    EXPECT_EQ(text(original), L"abc");
    EXPECT_EQ(copy.length(), 6);
    copy = original;
    copy += original;
    EXPECT_EQ(text(copy), L"abcabc");
    copy = static_cast<const wchar_t*>(nullptr);
    EXPECT_TRUE(copy.is_empty());

    vorn_buffer lowered(L"AcMe Ltd\u00C4"), long_format, empty_format(L"x");
    lowered.lower();
    long_format.format(L"[%ls]", std::wstring(5000, L'x').c_str());
    empty_format.format(L"");
    vorn_buffer both_spellings;  // %s takes wide text too, as in the Windows CRT
    both_spellings.format(L"%s|%ls|%ld", L"C:\\f", L"HKCU", 12L);
    const vorn_buffer fields(L"a;;b;c"), host(L"www.acme.com");
    const std::pair<vorn_buffer, std::wstring> derived[] = {
        {vorn_buffer(-42L), L"-42"}, {vorn_buffer(16384L), L"16384"}, {lowered, L"acme ltd\u00E4"},
        {long_format, L"[" + std::wstring(5000, L'x') + L"]"}, {empty_format, L""}, {both_spellings, L"C:\\f|HKCU|12"},
        {fields.get_element(0, L';'), L"a"}, {fields.get_element(1, L';'), L""}, {fields.get_element(3, L';'), L"c"},
        {fields.get_element(4, L';'), L""}, {fields.get_element(-1, L';'), L""},
        {host.right(4), L"acme.com"}, {host.right(12), L""}, {host.right(-3), L"www.acme.com"},
    };
    for (const auto& [buffer, expected] : derived)
        EXPECT_EQ(text(buffer), expected);
    EXPECT_TRUE(vorn_buffer(L"ABC_Locator").compare_no_case(vorn_buffer(L"abc_locator")));
    EXPECT_FALSE(vorn_buffer(L"abc").compare_no_case(vorn_buffer(L"abcd")));
    EXPECT_TRUE(vorn_buffer().compare_no_case(vorn_buffer(L"")));
}

TEST(VornBuffer, IndexesWithinTheTextOnly)
{
    vorn_buffer buffer(L"ab");
    EXPECT_EQ(buffer[0], L'a');
    EXPECT_EQ(buffer[2], L'\0');
    EXPECT_EQ(buffer[-1], L'\0');
    buffer[1] = L'z';
    buffer[5] = L'q';  // dropped, never written past the end
    static_cast<wchar_t*>(buffer)[0] = L'Y';
    EXPECT_EQ(text(buffer), L"Yz");
}

TEST(VornBuffer, ConvertsToAndFromTheAnsiCodePage)
{
    vorn_buffer back;
    back.makeFrom(vorn_buffer(L"p\u00E4ss w\u00F6rd").convert_to_ansi(), 0);
    EXPECT_EQ(text(back), L"p\u00E4ss w\u00F6rd");
    back.makeFrom(nullptr, 0);
    EXPECT_TRUE(back.is_empty());
    back.makeFrom("\xC3\xA4", CP_UTF8);
    EXPECT_EQ(text(back), L"\u00E4");
    EXPECT_STREQ(vorn_buffer().convert_to_ansi(), "");
}

TEST(VornPaths, StayWithinTheLengthAndTheTerminator)
{
    test::temp_folder folder;
    const std::filesystem::path file = folder.path() / L"acad.exe";
    EXPECT_EQ(fileExists(file.c_str()), 0);
    std::ofstream(file) << "x";
    EXPECT_NE(fileExists(file.c_str()), 0);
    for (const wchar_t* not_a_file : {folder.path().c_str(), L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_EQ(fileExists(not_a_file), 0);

    EXPECT_EQ(findFirstTime(L"www.acme.com", L'.', 12), 3);
    EXPECT_EQ(findFirstTime(L"www.acme.com", L'.', 3), -1);
    EXPECT_EQ(findFirstTime(L".x", L'.', 2), 0);
    EXPECT_EQ(findFirstTime(L"a", L'.', 100), -1);  // stops at the terminator

    wchar_t path[] = L"C:\\Program Files\\PLAXOR\\ConfigurePLAXOR.exe", kept[] = L"C:\\a\\b.exe", none[] = L"plain";
    removeLast(path, L'\\', 0);
    removeLast(kept, L'\\', 1);
    removeLast(none, L'\\', 0);
    EXPECT_STREQ(path, L"C:\\Program Files\\PLAXOR");
    EXPECT_STREQ(kept, L"C:\\a\\");
    EXPECT_STREQ(none, L"plain");

    wchar_t slashes[] = L"C:/tools/plaxor/x.exe";
    changeDelimiters(slashes, L'/', L'\\', 9);
    EXPECT_STREQ(slashes, L"C:\\tools\\plaxor/x.exe");
    changeDelimiters(slashes, L'/', L'\\', 1000);  // stops at the terminator
    EXPECT_STREQ(slashes, L"C:\\tools\\plaxor\\x.exe");
}

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
    TIMESTAMP_STRUCT now;
    dbc_getTimeNow(&now);
    EXPECT_GE(now.year, 2020);
    const TIMESTAMP_STRUCT dates[] = {
        {2024, 3, 7, 14, 5, 9, 0}, {2024, 2, 29, 0, 0, 0, 0}, {1, 1, 1, 0, 0, 0, 0},
        {9999, 12, 31, 23, 59, 59, 999'999'999}, {2023, 11, 5, 8, 30, 0, 123'000'000}, now,
    };
    for (const TIMESTAMP_STRUCT& date : dates) {
        const std::wstring text = stored(date);
        TIMESTAMP_STRUCT back = {7, 7, 7, 7, 7, 7, 7};
        EXPECT_NE(dbc_assignDate(text.c_str(), &back), 0) << text;
        EXPECT_TRUE(same(back, date)) << text;
    }
    EXPECT_EQ(stored(dates[0]), L"2024-03-07 14:05:09");
    EXPECT_EQ(stored(dates[4]), L"2023-11-05 08:30:00.123000000");
}

TEST(Dates, BadTextLeavesTheDateCleared)
{
    for (const wchar_t* text : {L"", L"yesterday", L"2024-02-30 10:00:00", L"2023-02-29 10:00:00", L"2024-13-01 10:00:00",
                                L"2024-03-07 24:00:00", L"2024-03-07 10:60:00", L"0000-01-01 00:00:00", L"2024-03-07",
                                L"2024-03-07 10:00:00 ", L"2024-03-07 10:00:00.12", L"07/03/2024 10:00:00",
                                L"2024-3-7 10:00:00"}) {
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
    const TIMESTAMP_STRUCT none = {};
    const struct {
        const TIMESTAMP_STRUCT* date;
        int size, style;
    } refused[] = {{&date, static_cast<int>(expected.size()), dbc_date_style_shown},
                   {&none, 260, dbc_date_style_stored}, {&date, 260, 4}};
    for (const auto& r : refused) {
        EXPECT_EQ(dbc_formatDate(r.date, text, r.size, r.style), 0) << r.size << " " << r.style;
        EXPECT_STREQ(text, L"");
    }
}

struct crypt_deleter {
    void operator()(char* text) const { dbcCrypt_free(text); }
};
using crypt_text = std::unique_ptr<char, crypt_deleter>;

std::string encrypt(const std::string& plain)
{
    crypt_text cipher(dbcCrypt_encrypt(nullptr, plain.c_str()));
    EXPECT_NE(cipher, nullptr);
    return cipher ? cipher.get() : "";
}

// Null for a text that does not decipher.
std::unique_ptr<std::string> decrypt(const std::string& cipher)
{
    crypt_text plain(dbcCrypt_decrypt(nullptr, cipher.c_str()));
    return plain ? std::make_unique<std::string>(plain.get()) : nullptr;
}

TEST(Crypt, RoundTripsWithAFreshNonceInPlainAscii)
{
    for (const std::string& plain : {std::string("s3cret"), std::string(), std::string("p\xe4ss w\xf6rd=;\"[x]"), std::string(1023, 'x')}) {
        const std::string cipher = encrypt(plain);
        EXPECT_TRUE(cipher.starts_with("VC1:")) << cipher;
        for (const char ch : cipher)
            EXPECT_TRUE(ch > ' ' && ch < 127) << cipher;
        const auto back = decrypt(cipher);
        ASSERT_NE(back, nullptr) << cipher;
        EXPECT_EQ(*back, plain);
        EXPECT_NE(encrypt(plain), cipher) << "the same text must not encipher the same way twice";
    }
}

TEST(Crypt, TextThatDoesNotAuthenticateGivesNull)
{
    const std::string cipher = encrypt("s3cret");
    std::string flipped = cipher, other_version = cipher;
    flipped[10] = flipped[10] == 'A' ? 'B' : 'A';
    other_version[2] = '2';
    for (const std::string& text : {flipped, other_version, cipher.substr(0, cipher.size() - 4), cipher + "AAAA",
                                    std::string("VC1:"), std::string("VC1:AAAA"), "VC1:" + std::string(64, 'A'),
                                    std::string("s3cret"), std::string(), "VC1:!!!!" + cipher.substr(8), cipher.substr(4)})
        EXPECT_EQ(decrypt(text), nullptr) << text;

    EXPECT_EQ(dbcCrypt_encrypt(&cipher, "s3cret"), nullptr) << "only the library's own key exists";
    EXPECT_EQ(dbcCrypt_decrypt(&cipher, cipher.c_str()), nullptr);
    EXPECT_EQ(dbcCrypt_decrypt(nullptr, nullptr), nullptr);
    dbcCrypt_free(nullptr);
}

}  // namespace

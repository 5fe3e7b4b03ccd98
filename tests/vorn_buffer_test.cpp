#include "vorn/vorn_buffer.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

std::wstring text(const vorn_buffer& buffer)
{
    return buffer.as_const_w_buffer();
}

TEST(VornBuffer, BuildsFromTextNumbersAndCopies)
{
    EXPECT_TRUE(vorn_buffer().is_empty());
    EXPECT_TRUE(vorn_buffer(static_cast<const wchar_t*>(nullptr)).is_empty());
    EXPECT_EQ(text(vorn_buffer(-42L)), L"-42");
    EXPECT_EQ(text(vorn_buffer(16384L)), L"16384");

    vorn_buffer original(L"abc");
    vorn_buffer copy(original);
    copy += L"def";
    EXPECT_EQ(text(original), L"abc");
    EXPECT_EQ(text(copy), L"abcdef");
    EXPECT_EQ(copy.length(), 6);

    copy = original;
    copy += original;
    EXPECT_EQ(text(copy), L"abcabc");
    copy = static_cast<const wchar_t*>(nullptr);
    EXPECT_TRUE(copy.is_empty());
    copy = L"x";
    copy.empty();
    EXPECT_TRUE(copy.is_empty());
}

TEST(VornBuffer, IndexesWithinTheTextOnly)
{
    vorn_buffer buffer(L"ab");
    EXPECT_EQ(buffer[0], L'a');
    EXPECT_EQ(buffer[2], L'\0');
    EXPECT_EQ(buffer[-1], L'\0');
    buffer[1] = L'z';
    buffer[5] = L'q';  // dropped, never written past the end
    EXPECT_EQ(text(buffer), L"az");
    wchar_t* raw = buffer;
    raw[0] = L'Y';
    EXPECT_EQ(text(buffer), L"Yz");
}

TEST(VornBuffer, LowersAndComparesIgnoringCase)
{
    vorn_buffer name(L"AcMe Ltd\u00C4");
    name.lower();
    EXPECT_EQ(text(name), L"acme ltd\u00E4");
    EXPECT_TRUE(vorn_buffer(L"ABC_Locator").compare_no_case(vorn_buffer(L"abc_locator")));
    EXPECT_FALSE(vorn_buffer(L"abc").compare_no_case(vorn_buffer(L"abcd")));
    EXPECT_TRUE(vorn_buffer().compare_no_case(vorn_buffer(L"")));
}

TEST(VornBuffer, FormatsWideTextWithBothSpellings)
{
    vorn_buffer buffer;
    buffer.format(L"Key '%ls', SubKey '%ls' does not exist!", L"HKEY_CURRENT_USER", L"Software\\Autodesk\\AutoCAD");
    EXPECT_EQ(text(buffer), L"Key 'HKEY_CURRENT_USER', SubKey 'Software\\Autodesk\\AutoCAD' does not exist!");
    buffer.format(L"Can't create connection! File '%s' already exists!", L"C:\\f\\acme_locator.ini");
    EXPECT_EQ(text(buffer), L"Can't create connection! File 'C:\\f\\acme_locator.ini' already exists!");
    buffer.format(L"%ld Instance(s)", 12L);
    EXPECT_EQ(text(buffer), L"12 Instance(s)");

    const std::wstring long_text(5000, L'x');
    buffer.format(L"[%ls]", long_text.c_str());
    EXPECT_EQ(buffer.length(), 5002);
    buffer.format(L"");
    EXPECT_TRUE(buffer.is_empty());
}

TEST(VornBuffer, SplitsIntoElementsAndTakesTheRest)
{
    const vorn_buffer path(L"a;;b;c");
    EXPECT_EQ(text(path.get_element(0, L';')), L"a");
    EXPECT_EQ(text(path.get_element(1, L';')), L"");
    EXPECT_EQ(text(path.get_element(3, L';')), L"c");
    EXPECT_EQ(text(path.get_element(4, L';')), L"");
    EXPECT_EQ(text(path.get_element(-1, L';')), L"");

    const vorn_buffer host(L"www.acme.com");
    EXPECT_EQ(text(host.right(4)), L"acme.com");
    EXPECT_EQ(text(host.right(12)), L"");
    EXPECT_EQ(text(host.right(-3)), L"www.acme.com");
}

TEST(VornBuffer, ConvertsToAndFromTheAnsiCodePage)
{
    const vorn_buffer password(L"p\u00E4ss w\u00F6rd");
    const std::string narrow = password.convert_to_ansi();
    vorn_buffer back;
    back.makeFrom(narrow.c_str(), 0);
    EXPECT_EQ(text(back), L"p\u00E4ss w\u00F6rd");

    back.makeFrom(nullptr, 0);
    EXPECT_TRUE(back.is_empty());
    back.makeFrom("\xC3\xA4", CP_UTF8);
    EXPECT_EQ(text(back), L"\u00E4");
    EXPECT_STREQ(vorn_buffer().convert_to_ansi(), "");
}

}  // namespace

#include "host/registry.h"

#include "support/created_key.h"
#include "support/reg_fixture.h"
#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/system_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using host::find_registry_value;
using host::set_string_value;

class RegistryTest : public ::testing::Test {
protected:
    test::registry_sandbox sandbox;
    test::scripted_seam seam;

    win::unique_hkey open(const wchar_t* path, REGSAM access = KEY_ALL_ACCESS)
    {
        win::unique_hkey key;
        EXPECT_EQ(host::open_key(HKEY_CURRENT_USER, path, access, key), ERROR_SUCCESS) << "open " << path;
        return key;
    }

    // The value's text with its type and size in bytes as stored.
    std::wstring stored(const wchar_t* name, DWORD* type = nullptr, DWORD* size = nullptr)
    {
        wchar_t data[64] = {};
        DWORD data_size = sizeof data, data_type = 0;
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Profile\\General", name, RRF_RT_ANY, &data_type, data, &data_size),
                  ERROR_SUCCESS);
        if (type)
            *type = data_type;
        if (size)
            *size = data_size;
        return data;
    }
};

std::wstring error_text(LONG status, HKEY hive, const wchar_t* subkey)
{
    host::registry_error_text text;
    text[0] = L'?';
    host::format_registry_error(status, text, hive, subkey);
    return text;
}

TEST(RegistryErrorText, NamesHiveAndSubkeyOrGivesTheSystemTextWithinTheBuffer)
{
    ASSERT_NE(test::system_text(ERROR_MORE_DATA), L"");
    const std::wstring long_path(2000, L'k'), long_head = L"Key 'HKEY_CURRENT_USER', SubKey '";
    const struct {
        LONG status;
        HKEY hive;
        const wchar_t* subkey;
        std::wstring text;
    } rows[] = {
        {ERROR_FILE_NOT_FOUND, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD\\R24.1\\ACAD-5101:409",
         L"Key 'HKEY_LOCAL_MACHINE', SubKey 'SOFTWARE\\Autodesk\\AutoCAD\\R24.1\\ACAD-5101:409' does not exist!"},
        {ERROR_FILE_NOT_FOUND, HKEY_CURRENT_USER, nullptr, L"Key 'HKEY_CURRENT_USER', SubKey '(null)' does not exist!"},
        // Any hive but the current user's is named the machine's.
        {ERROR_ACCESS_DENIED, HKEY_CLASSES_ROOT, L"x", L"Key 'HKEY_LOCAL_MACHINE', SubKey 'x' cannat to opened for writting!"},
        {ERROR_SUCCESS, HKEY_CURRENT_USER, L"x", L""},
        {ERROR_MORE_DATA, HKEY_CURRENT_USER, L"x", test::system_text(ERROR_MORE_DATA)},
        {0x7FFFFFF0, HKEY_CURRENT_USER, L"x", L""},
        {ERROR_FILE_NOT_FOUND, HKEY_CURRENT_USER, long_path.c_str(),
         long_head + std::wstring(host::registry_error_size - 1 - long_head.size(), L'k')},
    };
    for (const auto& row : rows)
        EXPECT_EQ(error_text(row.status, row.hive, row.subkey), row.text) << row.status;
}

TEST_F(RegistryTest, FindsValuesByExactNameAndReadsOnlyText)
{
    test::load_reg_text(LR"(
[HKEY_CURRENT_USER\Profile\General]
@="default text"
"ACAD"="C:\\support;D:\\more;"
"Expand"=hex(2):25,00,41,00,50,00,50,00,44,00,41,00,54,00,41,00,25,00,00,00
"Count"=dword:00000007
"List"=hex(7):61,00,00,00,62,00,00,00,00,00
"Odd"=hex(20):41,00,42,00,00,00
[HKEY_CURRENT_USER\Empty]
[HKEY_CURRENT_USER\Named]
"x"="1"
)");
    auto key = open(L"Profile\\General", KEY_READ);
    vorn_buffer data(L"unchanged");
    EXPECT_FALSE(find_registry_value(key.get(), L"acad", &data));  // case counts
    EXPECT_FALSE(find_registry_value(key.get(), L"ACA", &data));
    EXPECT_TRUE(find_registry_value(key.get(), L"Count", &data));  // found, but not text
    EXPECT_TRUE(find_registry_value(key.get(), L"List", &data));
    EXPECT_EQ(data.str(), L"unchanged");
    EXPECT_TRUE(find_registry_value(key.get(), L"ACAD", nullptr));

    const std::pair<const wchar_t*, const wchar_t*> texts[] = {
        {L"ACAD", L"C:\\support;D:\\more;"}, {L"", L"default text"},
        {L"Expand", L"%APPDATA%"},  // never expanded
        {L"Odd", L"AB"},            // types past the known ones read as text
    };
    for (const auto& [name, text] : texts) {
        EXPECT_TRUE(find_registry_value(key.get(), name, &data)) << name;
        EXPECT_EQ(data.str(), text);
    }
    EXPECT_FALSE(find_registry_value(open(L"Empty", KEY_READ).get(), L"", nullptr));
    EXPECT_FALSE(find_registry_value(open(L"Named", KEY_READ).get(), L"", nullptr));
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(RegistryTest, ValueOverTheDataBufferIsFoundButNotRead)
{
    const std::wstring fits(2047, L'q');  // 4096 bytes with its NUL: exactly the buffer
    const test::created_key written(HKEY_CURRENT_USER, L"Big");
    written.set(L"ACAD", std::wstring(3000, L'p'));  // 6002 bytes
    written.set(L"Fits", fits);
    auto key = open(L"Big");

    vorn_buffer data(L"before");
    EXPECT_TRUE(find_registry_value(key.get(), L"ACAD", nullptr));
    EXPECT_FALSE(find_registry_value(key.get(), L"ACAD", &data));
    EXPECT_EQ(data.str(), L"before");
    EXPECT_TRUE(seam.showed_errors({error_text(ERROR_MORE_DATA, HKEY_CURRENT_USER, nullptr)}));
    EXPECT_TRUE(find_registry_value(key.get(), L"Fits", &data));
    EXPECT_EQ(data.str(), fits);
}

TEST_F(RegistryTest, WritesTextAsRegSzWithItsTerminatorOrShowsTheRefusal)
{
    test::load_reg_text(L"[HKEY_CURRENT_USER\\Profile\\General]\n\"ACAD\"=\"old\"\n");
    EXPECT_FALSE(set_string_value(open(L"Profile\\General", KEY_READ).get(), L"ACAD", L"new"));
    EXPECT_EQ(stored(L"ACAD"), L"old");
    EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey '(null)' cannat to opened for writting!"}));

    seam.clear();
    auto key = open(L"Profile\\General");
    for (const std::wstring text : {L"D:\\Tool\\A2022;D:\\Tool", L""}) {
        EXPECT_TRUE(set_string_value(key.get(), L"ACAD", text.c_str()));
        DWORD type = 0, size = 0;
        EXPECT_EQ(stored(L"ACAD", &type, &size), text);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(size, (text.size() + 1) * 2);
    }
    EXPECT_TRUE(seam.boxes().empty());
}

}  // namespace

// The registry rules the program shares (error texts, finding and writing values) and its own
// settings, kept in the registry or in a Portable.ini beside the program.

#include "host/registry.h"
#include "host/settings_store.h"

#include "ui/show_error.h"
#include "support/created_key.h"
#include "support/denied_key_rights.h"
#include "support/program_copy.h"
#include "support/reg_fixture.h"
#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/system_text.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <tuple>

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

    // "text type/size": the value as stored, its size in bytes.
    std::wstring stored(const wchar_t* name)
    {
        wchar_t data[64] = {};
        DWORD size = sizeof data, type = 0;
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Profile\\General", name, RRF_RT_ANY, &type, data, &size), ERROR_SUCCESS);
        return std::wstring(data) + L" " + std::to_wstring(type) + L"/" + std::to_wstring(size);
    }
};

TEST(RegistryErrorText, NamesHiveAndSubkeyOrGivesTheSystemTextWithinTheBuffer)
{
    ASSERT_NE(test::system_text(ERROR_MORE_DATA), L"");
    const std::wstring long_path(2000, L'k'), long_head = L"Key 'HKEY_CURRENT_USER', SubKey '";
    // A missing key of the machine's is named as the discovery tests show it.
    const std::tuple<LONG, HKEY, const wchar_t*, std::wstring> rows[] = {
        {ERROR_FILE_NOT_FOUND, HKEY_CURRENT_USER, nullptr, L"Key 'HKEY_CURRENT_USER', SubKey '(null)' does not exist!"},
        // Any hive but the current user's is named the machine's.
        {ERROR_ACCESS_DENIED, HKEY_CLASSES_ROOT, L"x", L"Key 'HKEY_LOCAL_MACHINE', SubKey 'x' cannat to opened for writting!"},
        {ERROR_SUCCESS, HKEY_CURRENT_USER, L"x", L""},
        {ERROR_MORE_DATA, HKEY_CURRENT_USER, L"x", test::system_text(ERROR_MORE_DATA)},
        {0x7FFFFFF0, HKEY_CURRENT_USER, L"x", L""},
        {ERROR_FILE_NOT_FOUND, HKEY_CURRENT_USER, long_path.c_str(),
         long_head + std::wstring(host::registry_error_size - 1 - long_head.size(), L'k')},
    };
    for (const auto& [status, hive, subkey, text] : rows) {
        host::registry_error_text formatted;
        formatted[0] = L'?';  // an empty text is written, not left as it was
        host::format_registry_error(status, formatted, hive, subkey);
        EXPECT_EQ(std::wstring(formatted), text) << status;
    }
}

TEST_F(RegistryTest, FindsValuesByExactNameAndReadsOnlyText)
{
    test::load_reg_text(LR"(
[HKEY_CURRENT_USER\Profile\General]
@="default text"
"ACAD"="C:\\support;D:\\more;"
"Count"=dword:00000007
"Odd"=hex(20):41,00,42,00,00,00
[HKEY_CURRENT_USER\Empty]
[HKEY_CURRENT_USER\Named]
"x"="1"
)");
    // A value that fills the 4,096-byte buffer with its NUL is read; one past it is found but not
    // read (the discovery tests show its box).
    const std::wstring fits(2047, L'q');
    const test::created_key written(HKEY_CURRENT_USER, L"Profile\\General");
    written.set(L"Fits", fits);
    written.set(L"Big", std::wstring(3000, L'p'));
    // Names differing in case, values of other types and REG_EXPAND_SZ come with the discovery tests.
    auto key = open(L"Profile\\General", KEY_READ);
    vorn_buffer data(L"unchanged");
    EXPECT_FALSE(find_registry_value(key.get(), L"ACA", &data));
    EXPECT_TRUE(find_registry_value(key.get(), L"Count", &data));  // found, but not text
    EXPECT_EQ(data.str(), L"unchanged");
    EXPECT_TRUE(find_registry_value(key.get(), L"ACAD", nullptr));
    EXPECT_TRUE(find_registry_value(key.get(), L"Big", nullptr));

    const std::pair<const wchar_t*, const wchar_t*> texts[] = {
        {L"ACAD", L"C:\\support;D:\\more;"}, {L"", L"default text"},
        {L"Odd", L"AB"},  // types past the known ones read as text
        {L"Fits", fits.c_str()},
    };
    for (const auto& [name, text] : texts) {
        EXPECT_TRUE(find_registry_value(key.get(), name, &data)) << name;
        EXPECT_EQ(data.str(), text);
    }
    EXPECT_FALSE(find_registry_value(open(L"Empty", KEY_READ).get(), L"", nullptr));
    EXPECT_FALSE(find_registry_value(open(L"Named", KEY_READ).get(), L"", nullptr));
    EXPECT_TRUE(seam.boxes().empty());
}

// A key that refuses the write is among the failures as values below.
TEST_F(RegistryTest, WritesTextAsRegSzWithItsTerminator)
{
    test::load_reg_text(L"[HKEY_CURRENT_USER\\Profile\\General]\n\"ACAD\"=\"old\"\n");
    auto key = open(L"Profile\\General");
    for (const std::wstring text : {L"D:\\Tool\\A2022;D:\\Tool", L""}) {
        EXPECT_TRUE(show_failures(set_string_value(key.get(), L"ACAD", text.c_str())));
        EXPECT_EQ(stored(L"ACAD"), text + L" 1/" + std::to_wstring((text.size() + 1) * 2));  // REG_SZ, its NUL counted
    }
    EXPECT_TRUE(seam.boxes().empty());
}

namespace fs = std::filesystem;

constexpr wchar_t settings_key[] = L"SOFTWARE\\VORN\\PLAXOR";
// Set for a copy of this program that runs the portable case from its own folder.
constexpr wchar_t child_variable[] = L"PLAXOR_PORTABLE_CASE";

// "registry C:\Factory": where the value came from and what it is; "failed registry given" when
// the read failed and left the value as given.
std::wstring read(const wchar_t* name, bool machine_wide = false)
{
    bool is_portable = true;
    std::wstring value = L"given";
    const bool ok = show_failures(host::read_setting(is_portable, name, value, machine_wide));
    return (ok ? L"" : L"failed ") + std::wstring(is_portable ? L"portable " : L"registry ") + value;
}

std::wstring user_text(const wchar_t* name) { return test::registry_text(HKEY_CURRENT_USER, settings_key, name); }

fs::path portable_ini() { return test::program_folder() / L"Portable.ini"; }

class SettingsStore : public RegistryTest {
protected:
    void SetUp() override
    {
        test::load_reg_text(LR"(
[HKEY_LOCAL_MACHINE\SOFTWARE\VORN\PLAXOR]
"Version"="5.2.1"
[HKEY_CURRENT_USER\SOFTWARE\VORN\PLAXOR]
"Version"="per-user copy"
"InsFactory"="C:\\Factory"
"CachedBase"=dword:00000001
)");
    }
};

TEST_F(SettingsStore, RegistryGivesVersionMachineWideAndTheRestPerUser)
{
    // A missing value is left as given, one not text read as empty.
    EXPECT_EQ(read(L"Version", true) + L" | " + read(L"InsFactory") + L" | " + read(L"Updater") + L" | " + read(L"CachedBase"),
              L"registry 5.2.1 | registry C:\\Factory | registry given | registry ");
    EXPECT_TRUE(show_failures(host::write_setting(L"InsFactory", L"E:\\New")));
    EXPECT_EQ(user_text(L"InsFactory"), L"E:\\New");
    EXPECT_EQ(test::registry_text(HKEY_LOCAL_MACHINE, settings_key, L"InsFactory"), L"(none)");
    EXPECT_TRUE(seam.boxes().empty());
}

// What a missing key shows when read is left to the main window's tests of the same boxes.
TEST_F(SettingsStore, KeyThatCannotBeOpenedShowsItsBox)
{
    {
        test::denied_key_rights locked(HKEY_CURRENT_USER, settings_key, KEY_QUERY_VALUE | KEY_SET_VALUE);
        EXPECT_EQ(read(L"InsFactory"), L"failed registry given");
        EXPECT_FALSE(show_failures(host::write_setting(L"InsFactory", L"E:\\New")));
    }
    const std::wstring refused = L"Key 'HKEY_CURRENT_USER', SubKey 'SOFTWARE\\VORN\\PLAXOR' cannat to opened for writting!";
    EXPECT_TRUE(seam.showed_errors({refused, refused}));
    EXPECT_EQ(user_text(L"InsFactory"), L"C:\\Factory");
}

// Below the windows a failure is a value: its texts and flags as the window will show them, the
// operation done or not, and no box shown meanwhile. (The settings key missing when read or
// written is the working folders' case: the window shows each failure's box once.)
TEST_F(SettingsStore, FailuresComeBackAsValuesWithoutABox)
{
    const test::created_key settings(HKEY_CURRENT_USER, settings_key);
    settings.set(L"Updater", std::wstring(3000, L'u'));
    struct row {
        const char* name;
        std::function<win::outcome()> operation;
        bool done;
        std::vector<std::wstring> texts;
    };
    const auto read_user = [](const wchar_t* name) {
        bool is_portable = false;
        std::wstring value;
        return host::read_setting(is_portable, name, value, false);
    };
    const row rows[] = {
        {"a value too long to read is gone past", [&] { return read_user(L"Updater"); }, true,
         {test::system_text(ERROR_MORE_DATA)}},
        {"a refused write",
         [&] { return set_string_value(open(L"SOFTWARE\\VORN\\PLAXOR", KEY_READ).get(), L"x", L"y"); }, false,
         {L"Key 'HKEY_CURRENT_USER', SubKey '(null)' cannat to opened for writting!"}},
        {"a missing machine key",
         [] {
             win::unique_hkey key;
             return host::open_key_or_fail(HKEY_CURRENT_USER, L"Nowhere", KEY_READ, key, HKEY_LOCAL_MACHINE);
         },
         false, {L"Key 'HKEY_LOCAL_MACHINE', SubKey 'Nowhere' does not exist!"}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const win::outcome result = r.operation();
        EXPECT_EQ(static_cast<bool>(result), r.done);
        std::vector<std::wstring> texts;
        for (const win::failure& each : result.failures()) {
            texts.push_back(each.text);
            EXPECT_EQ(each.flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
        }
        EXPECT_EQ(texts, r.texts);
    }
    EXPECT_TRUE(seam.boxes().empty());
}

// The portable case runs in a copy of this program in a folder of its own, because the place of
// Portable.ini lies beside the executable and is kept for the whole run once found.
TEST(PortableSettings, FileBesideTheProgramTakesOverWhileItExists)
{
    test::temp_folder folder;
    EXPECT_TRUE(test::passes_in_copy(folder.path(), L"PortableCase.*", child_variable));
}

class PortableCase : public SettingsStore {
protected:
    void SetUp() override
    {
        if (!test::is_copy(child_variable))
            GTEST_SKIP() << "runs in a copy of this program started by PortableSettings";
        SettingsStore::SetUp();
    }
};

TEST_F(PortableCase, FileCreatedWhileRunningTakesOverUntilItIsDeleted)
{
    vorn_buffer path(L"left over");
    EXPECT_FALSE(host::find_portable_ini(path));
    EXPECT_TRUE(path.is_empty());
    EXPECT_EQ(read(L"InsFactory"), L"registry C:\\Factory");  // not found: looked for again next time

    std::ofstream(portable_ini()) << "[General]\nVersion=7.1 portable\nInsFactory=C:\\Portable\\Factory\nLong="
                                  << std::string(600, 'x') << "\n";
    EXPECT_TRUE(host::find_portable_ini(path));
    EXPECT_EQ(fs::path(path.str()), portable_ini());
    EXPECT_EQ(read(L"Version", true), L"portable 7.1 portable");
    EXPECT_EQ(read(L"InsFactory"), L"portable C:\\Portable\\Factory");
    EXPECT_EQ(read(L"Updater"), L"portable ");  // missing key: empty
    EXPECT_EQ(read(L"Long"), L"portable " + std::wstring(511, L'x'));
    EXPECT_TRUE(show_failures(host::write_setting(L"CachedBase", L"E:\\Cache")));
    EXPECT_EQ(test::ini_text(portable_ini(), L"General", L"CachedBase"), L"E:\\Cache");
    EXPECT_EQ(user_text(L"CachedBase"), L"(none)");  // the registry still holds its DWORD

    ASSERT_TRUE(fs::remove(portable_ini()));
    EXPECT_EQ(read(L"InsFactory"), L"registry C:\\Factory");
    EXPECT_TRUE(show_failures(host::write_setting(L"InsFactory", L"E:\\New")));
    EXPECT_EQ(user_text(L"InsFactory"), L"E:\\New");
    EXPECT_FALSE(host::find_portable_ini(path));
    EXPECT_TRUE(path.is_empty());
    EXPECT_TRUE(seam.boxes().empty());
}

}  // namespace

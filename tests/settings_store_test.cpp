#include "host/settings_store.h"

#include "support/denied_key_rights.h"
#include "support/program_copy.h"
#include "support/reg_fixture.h"
#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

namespace {

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
    const bool ok = host::read_setting(is_portable, name, value, machine_wide);
    return (ok ? L"" : L"failed ") + std::wstring(is_portable ? L"portable " : L"registry ") + value;
}

std::wstring user_text(const wchar_t* name) { return test::registry_text(HKEY_CURRENT_USER, settings_key, name); }

fs::path portable_ini() { return test::program_folder() / L"Portable.ini"; }

class SettingsStore : public ::testing::Test {
protected:
    test::registry_sandbox sandbox;
    test::scripted_seam seam;

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
    EXPECT_EQ(read(L"Version", true), L"registry 5.2.1");
    EXPECT_EQ(read(L"InsFactory"), L"registry C:\\Factory");
    EXPECT_EQ(read(L"Updater"), L"registry given");  // missing: left as given
    EXPECT_EQ(read(L"CachedBase"), L"registry ");    // not text: empty
    EXPECT_TRUE(host::write_setting(L"InsFactory", L"E:\\New"));
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
        EXPECT_FALSE(host::write_setting(L"InsFactory", L"E:\\New"));
    }
    const std::wstring refused = L"Key 'HKEY_CURRENT_USER', SubKey 'SOFTWARE\\VORN\\PLAXOR' cannat to opened for writting!";
    EXPECT_TRUE(seam.showed_errors({refused, refused}));
    EXPECT_EQ(user_text(L"InsFactory"), L"C:\\Factory");

    // Only the machine-wide key left: writing fails and creates nothing.
    seam.clear();
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\VORN"), ERROR_SUCCESS);
    EXPECT_FALSE(host::write_setting(L"InsFactory", L"E:\\New"));
    EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey 'SOFTWARE\\VORN\\PLAXOR' does not exist!"}));
    EXPECT_EQ(user_text(L"InsFactory"), L"(none)");
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

    const std::wstring ini = portable_ini().wstring();
    WritePrivateProfileStringW(L"General", L"Version", L"7.1 portable", ini.c_str());
    WritePrivateProfileStringW(L"General", L"InsFactory", L"C:\\Portable\\Factory", ini.c_str());
    WritePrivateProfileStringW(L"General", L"Long", std::wstring(600, L'x').c_str(), ini.c_str());
    EXPECT_TRUE(host::find_portable_ini(path));
    EXPECT_EQ(fs::path(path.str()), portable_ini());
    EXPECT_EQ(read(L"Version", true), L"portable 7.1 portable");
    EXPECT_EQ(read(L"InsFactory"), L"portable C:\\Portable\\Factory");
    EXPECT_EQ(read(L"Updater"), L"portable ");  // missing key: empty
    EXPECT_EQ(read(L"Long"), L"portable " + std::wstring(511, L'x'));
    EXPECT_TRUE(host::write_setting(L"CachedBase", L"E:\\Cache"));
    wchar_t written[64] = {};
    GetPrivateProfileStringW(L"General", L"CachedBase", L"(none)", written, 64, ini.c_str());
    EXPECT_STREQ(written, L"E:\\Cache");
    EXPECT_EQ(user_text(L"CachedBase"), L"(none)");  // the registry still holds its DWORD

    ASSERT_TRUE(fs::remove(portable_ini()));
    EXPECT_EQ(read(L"InsFactory"), L"registry C:\\Factory");
    EXPECT_TRUE(host::write_setting(L"InsFactory", L"E:\\New"));
    EXPECT_EQ(user_text(L"InsFactory"), L"E:\\New");
    EXPECT_FALSE(host::find_portable_ini(path));
    EXPECT_TRUE(path.is_empty());
    EXPECT_TRUE(seam.boxes().empty());
}

}  // namespace

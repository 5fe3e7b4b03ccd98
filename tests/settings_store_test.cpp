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
using texts = std::vector<std::wstring>;

constexpr wchar_t settings_key[] = L"SOFTWARE\\VORN\\PLAXOR";
// Set for a copy of this program that runs one portable case from its own folder.
constexpr wchar_t child_variable[] = L"PLAXOR_PORTABLE_CASE";

struct read_result {
    bool ok;
    bool is_portable;
    std::wstring value;
};

read_result read(const wchar_t* name, bool machine_wide = false, const wchar_t* given = L"given")
{
    read_result result{false, true, given};
    result.ok = host::read_setting(result.is_portable, name, result.value, machine_wide);
    return result;
}

bool operator==(const read_result& a, const read_result& b)
{
    return a.ok == b.ok && a.is_portable == b.is_portable && a.value == b.value;
}

void PrintTo(const read_result& r, std::ostream* out)
{
    *out << (r.ok ? "ok" : "failed") << (r.is_portable ? " portable " : " registry ")
         << testing::PrintToString(r.value);
}

std::wstring registry_text(HKEY hive, const wchar_t* name)
{
    return test::registry_text(hive, settings_key, name);
}

std::wstring file_text(const fs::path& file, const wchar_t* name)
{
    wchar_t data[64] = {};
    GetPrivateProfileStringW(L"General", name, L"(none)", data, 64, file.c_str());
    return data;
}

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
    vorn_buffer path(L"left over");
    EXPECT_FALSE(host::find_portable_ini(path));
    EXPECT_TRUE(path.is_empty());

    EXPECT_EQ(read(L"Version", true), (read_result{true, false, L"5.2.1"}));
    EXPECT_EQ(read(L"InsFactory"), (read_result{true, false, L"C:\\Factory"}));
    EXPECT_EQ(read(L"Updater"), (read_result{true, false, L"given"}));  // missing: left as given
    EXPECT_EQ(read(L"CachedBase"), (read_result{true, false, L""}));    // not text: empty

    EXPECT_TRUE(host::write_setting(L"InsFactory", L"E:\\New"));
    EXPECT_EQ(registry_text(HKEY_CURRENT_USER, L"InsFactory"), L"E:\\New");
    EXPECT_EQ(registry_text(HKEY_LOCAL_MACHINE, L"InsFactory"), L"(none)");
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(SettingsStore, KeyThatCannotBeOpenedShowsItsBox)
{
    {
        test::denied_key_rights locked(HKEY_CURRENT_USER, settings_key, KEY_QUERY_VALUE | KEY_SET_VALUE);
        EXPECT_EQ(read(L"InsFactory"), (read_result{false, false, L"given"}));
        EXPECT_FALSE(host::write_setting(L"InsFactory", L"E:\\New"));
    }
    const std::wstring refused =
        L"Key 'HKEY_CURRENT_USER', SubKey 'SOFTWARE\\VORN\\PLAXOR' cannat to opened for writting!";
    EXPECT_TRUE(seam.showed_errors({refused, refused}));
    EXPECT_EQ(registry_text(HKEY_CURRENT_USER, L"InsFactory"), L"C:\\Factory");

    // Only the machine-wide key left: reading per user and writing fail, nothing is created.
    seam.clear();
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\VORN"), ERROR_SUCCESS);
    EXPECT_EQ(read(L"InsFactory"), (read_result{false, false, L"given"}));
    EXPECT_FALSE(host::write_setting(L"InsFactory", L"E:\\New"));
    EXPECT_EQ(read(L"Version", true), (read_result{true, false, L"5.2.1"}));
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN"), ERROR_SUCCESS);
    EXPECT_EQ(read(L"Version", true), (read_result{false, false, L"given"}));
    const std::wstring missing = L"Register Key 'SOFTWARE\\VORN\\PLAXOR' doesn't exist!";
    EXPECT_TRUE(seam.showed_errors(
        {missing, L"Key 'HKEY_CURRENT_USER', SubKey 'SOFTWARE\\VORN\\PLAXOR' does not exist!", missing}));
    EXPECT_EQ(registry_text(HKEY_CURRENT_USER, L"InsFactory"), L"(none)");
}

// The portable cases run in copies of this program, each in a folder of its own, because the
// place of Portable.ini is kept for the whole run and lies beside the executable.
TEST(PortableSettings, FileBesideTheProgramTakesOverWhileItExists)
{
    test::temp_folder folder;
    const fs::path ini = folder.path() / L"Portable.ini";
    WritePrivateProfileStringW(L"General", L"Version", L"7.1 portable", ini.c_str());
    WritePrivateProfileStringW(L"General", L"InsFactory", L"C:\\Portable\\Factory", ini.c_str());
    WritePrivateProfileStringW(L"General", L"Long", std::wstring(600, L'x').c_str(), ini.c_str());
    EXPECT_TRUE(test::passes_in_copy(folder.path(), L"PortableCase.FileTakesOverUntilItIsDeleted", child_variable));
}

TEST(PortableSettings, FileCreatedWhileRunningIsFound)
{
    test::temp_folder folder;
    EXPECT_TRUE(test::passes_in_copy(folder.path(), L"PortableCase.FileCreatedWhileRunningIsFound", child_variable));
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

TEST_F(PortableCase, FileTakesOverUntilItIsDeleted)
{
    vorn_buffer path;
    EXPECT_TRUE(host::find_portable_ini(path));
    EXPECT_EQ(fs::path(path.str()), portable_ini());

    EXPECT_EQ(read(L"Version", true), (read_result{true, true, L"7.1 portable"}));
    EXPECT_EQ(read(L"InsFactory"), (read_result{true, true, L"C:\\Portable\\Factory"}));
    EXPECT_EQ(read(L"Updater"), (read_result{true, true, L""}));  // missing key: empty
    EXPECT_EQ(read(L"Long"), (read_result{true, true, std::wstring(511, L'x')}));
    EXPECT_TRUE(host::write_setting(L"CachedBase", L"E:\\Cache"));
    EXPECT_EQ(file_text(portable_ini(), L"CachedBase"), L"E:\\Cache");
    EXPECT_EQ(registry_text(HKEY_CURRENT_USER, L"CachedBase"), L"(none)");  // the registry holds a DWORD

    ASSERT_TRUE(fs::remove(portable_ini()));
    EXPECT_EQ(read(L"InsFactory"), (read_result{true, false, L"C:\\Factory"}));
    EXPECT_TRUE(host::write_setting(L"InsFactory", L"E:\\New"));
    EXPECT_EQ(registry_text(HKEY_CURRENT_USER, L"InsFactory"), L"E:\\New");
    EXPECT_FALSE(host::find_portable_ini(path));
    EXPECT_TRUE(path.is_empty());
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(PortableCase, FileCreatedWhileRunningIsFound)
{
    EXPECT_EQ(read(L"InsFactory"), (read_result{true, false, L"C:\\Factory"}));
    WritePrivateProfileStringW(L"General", L"InsFactory", L"C:\\Portable\\Factory", portable_ini().c_str());
    EXPECT_EQ(read(L"InsFactory"), (read_result{true, true, L"C:\\Portable\\Factory"}));
    EXPECT_EQ(read(L"Version", true), (read_result{true, true, L""}));
    EXPECT_TRUE(seam.boxes().empty());
}

}  // namespace

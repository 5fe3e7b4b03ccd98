// The AutoCAD releases of the workstation: how they are found in the registry, which of them
// are running, and connecting their current profiles to PLAXOR.

#include "host/acad_discovery.h"
#include "host/profile_connection.h"
#include "host/release_rows.h"
#include "host/running_acads.h"

#include "ui/show_error.h"
#include "support/moved_local_data.h"
#include "support/created_key.h"
#include "support/denied_key_rights.h"
#include "support/reg_fixture.h"
#include "support/registry_sandbox.h"
#include "support/running_acad.h"
#include "support/scripted_seam.h"
#include "support/system_text.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

using entries = std::vector<std::wstring>;

// A release of the current user whose current profile has every key discovery opens.
std::wstring user_release(const std::wstring& release)
{
    std::wstring text = LR"(
[HKEY_CURRENT_USER\Software\Autodesk\AutoCAD\RELEASE]
"CurVer"="ACAD-5101:409"
[HKEY_CURRENT_USER\Software\Autodesk\AutoCAD\RELEASE\ACAD-5101:409\Profiles]
@="Site"
[HKEY_CURRENT_USER\Software\Autodesk\AutoCAD\RELEASE\ACAD-5101:409\Profiles\Site\General]
"ACAD"="D:\\Site;"
[HKEY_CURRENT_USER\Software\Autodesk\AutoCAD\RELEASE\ACAD-5101:409\Profiles\Site\Variables]
)";
    for (size_t at; (at = text.find(L"RELEASE")) != std::wstring::npos;)
        text.replace(at, 7, release);
    return text;
}

// A release key of the user with its current product and, when given, the current profile; and
// with an install folder, the machine's key of that product, with its ProductName when given.
struct release_keys {
    const wchar_t* release;
    const wchar_t* product;
    const wchar_t* profile;  // null: no Profiles key
    const wchar_t* folder;   // null: no machine key
    const wchar_t* name;     // null: no ProductName
};

void add_release_keys(std::initializer_list<release_keys> releases)
{
    const std::wstring user = L"Software\\Autodesk\\AutoCAD\\", machine_keys = L"SOFTWARE\\Autodesk\\AutoCAD\\";
    for (const auto& [release, product, profile, folder, name] : releases) {
        test::created_key(HKEY_CURRENT_USER, user + release).set(L"CurVer", product);
        if (profile)
            test::created_key(HKEY_CURRENT_USER, user + release + L"\\" + product + L"\\Profiles").set(L"", profile);
        if (!folder)
            continue;
        const test::created_key machine(HKEY_LOCAL_MACHINE, machine_keys + release + L"\\" + product);
        machine.set(L"AcadLocation", folder);
        if (name)
            machine.set(L"ProductName", name);
    }
}

class DiscoveryTest : public ::testing::Test {
protected:
    test::registry_sandbox sandbox;
    test::scripted_seam seam;
    host::acad_install_list list;

    // "folder | product | key | profile | ACAD length/entries | TRUSTEDPATHS length/entries | icon"
    std::wstring summary(const wchar_t* release) const
    {
        const host::acad_install& r = list.at(release);
        return r.install_folder + L" | " + r.product_name + L" | " + r.product_key + L" | " + r.profile + L" | " +
               std::to_wstring(r.support_path_text.size()) + L"/" + std::to_wstring(r.support_paths.size()) + L" | " +
               std::to_wstring(r.trusted_paths_text.size()) + L"/" + std::to_wstring(r.trusted_paths.size()) + L" | " +
               (r.icon ? L"icon " : L"no icon ") + std::to_wstring(r.icon_width) + L"x" + std::to_wstring(r.icon_height);
    }
};

// Five listed releases from every real profile export kept with the tests (no two hold the same
// key); the values no export holds are added here.
TEST_F(DiscoveryTest, ReadsARealWorkstationAsStored)
{
    for (const auto& file : std::filesystem::directory_iterator(test::program_folder() / L"real-profiles"))
        if (file.path().extension() == L".reg")
            test::load_reg_file(file.path());
    // Each release's current product and profile, and its machine key: 2015 has two profiles of one
    // product and "2015 -  With Menus" is not the current one; only TRUSTEDPATHS is known for 2016
    // (its profile has no General key); of English and Chinese 2024 the Chinese is current; 2025 was
    // removed from the machine but the user's profile stayed.
    test::created_key(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD").set(L"CurVer", L"R25.0");
    add_release_keys({
        {L"R16.2", L"ACAD-4001:409", nullptr, nullptr, nullptr},
        {L"R19.1", L"ACAD-D004:409", L"RAMSA 2014", L"C:\\Program Files\\Autodesk\\AutoCAD 2014", L"AutoCAD Architecture 2014 - English"},
        {L"R20.0", L"ACAD-E001:409", L"<<Unnamed Profile>>", L"C:\\Program Files\\Autodesk\\AutoCAD 2015\\", L""},
        {L"R20.1", L"ACAD-F001:804", L"<<未命名配置>>", L"C:\\Program Files\\Autodesk\\AutoCAD 2016", L"AutoCAD 2016 - 简体中文 (Simplified Chinese)"},
        {L"R24.3", L"ACAD-7101:804", nullptr, L"D:\\Program Files\\Autodesk\\AutoCAD 2024", L"AutoCAD 2024 - 简体中文 (Simplified Chinese)"},
        {L"R25.0", L"ACAD-8101:409", L"<<Unnamed Profile>>", nullptr, nullptr}});

    ASSERT_TRUE(show_failures(host::discover_acad_installs(list)));
    EXPECT_EQ(list.size(), 5u);  // those summed up below
    EXPECT_TRUE(seam.showed_errors(
        {L"Key 'HKEY_CURRENT_USER', SubKey 'R20.1\\ACAD-F001:804\\Profiles\\<<未命名配置>>\\General' does not exist!",
         L"Key 'HKEY_LOCAL_MACHINE', SubKey 'SOFTWARE\\Autodesk\\AutoCAD\\R25.0\\ACAD-8101:409' does not exist!"}));

    // Variables without TRUSTEDPATHS; present and empty; its Variables after the missing General.
    EXPECT_EQ(summary(L"R19.1"), L"C:\\Program Files\\Autodesk\\AutoCAD 2014\\ | AutoCAD Architecture 2014 - English | "
                                 L"ACAD-D004:409 | RAMSA 2014 | 830/19 | 0/0 | no icon 0x0");
    EXPECT_EQ(summary(L"R20.0"),
              L"C:\\Program Files\\Autodesk\\AutoCAD 2015\\ |  | ACAD-E001:409 | <<Unnamed Profile>> | 714/14 | 0/0 | no icon 0x0");
    EXPECT_EQ(summary(L"R20.1"), L"C:\\Program Files\\Autodesk\\AutoCAD 2016\\ | AutoCAD 2016 - 简体中文 (Simplified Chinese) | "
                                 L"ACAD-F001:804 | <<未命名配置>> | 0/0 | 0/0 | no icon 0x0");
    // ACAD is REG_EXPAND_SZ here, taken unexpanded.
    EXPECT_EQ(summary(L"R24.3"), L"D:\\Program Files\\Autodesk\\AutoCAD 2024\\ | AutoCAD 2024 - 简体中文 (Simplified Chinese) | "
                                 L"ACAD-7101:804 | <<未命名配置>> | 359/7 | 0/0 | no icon 0x0");
    EXPECT_EQ(summary(L"R25.0"), L" | AutoCAD 2025 | ACAD-8101:409 | <<Unnamed Profile>> | 359/7 | 573/19 | no icon 0x0");
    // Entries of another shape than a plain folder: a share, a variable, the expandable text unexpanded.
    const host::acad_install& ramsa = list.at(L"R19.1");
    EXPECT_EQ(ramsa.support_path_text.back(), L';');
    EXPECT_EQ(ramsa.support_paths.at(8), L"\\\\ramsacfs\\project\\reference\\autocad\\2014");
    EXPECT_EQ(ramsa.support_paths.at(18), L"%InstallFolder%\\bin\\fdo");
    EXPECT_EQ(list.at(L"R24.3").support_paths.at(0), L"%UserProfile%\\AppData\\Roaming\\Autodesk\\AutoCAD 2024\\R24.3\\chs\\Support");
}

// No machine keys here, so every record keeps the table's product name and shows one box.
TEST_F(DiscoveryTest, ListsOnlyTableReleasesInCharacterOrder)
{
    std::wstring registry = L"Windows Registry Editor Version 5.00\n";
    // A small r is no release key, whatever its number.
    for (const wchar_t* release : {L"R25.0", L"R24.1", L"R24", L"R18.0", L"R24.10", L"R17.2", L"R26.0", L"Recent", L"r24.2"})
        registry += user_release(release);
    test::load_reg_text(registry);

    ASSERT_TRUE(show_failures(host::discover_acad_installs(list)));
    entries releases, names, boxes;
    for (const auto& [name, record] : list) {
        EXPECT_EQ(record.release, name);
        releases.push_back(name);
        names.push_back(record.product_name);
        boxes.push_back(L"Key 'HKEY_LOCAL_MACHINE', SubKey 'SOFTWARE\\Autodesk\\AutoCAD\\" + name +
                        L"\\ACAD-5101:409' does not exist!");
    }
    EXPECT_EQ(releases, (entries{L"R18.0", L"R24", L"R24.1", L"R24.10", L"R25.0"}));
    EXPECT_EQ(names, (entries{L"AutoCAD 2010", L"AutoCAD 2021", L"AutoCAD 2022", L"AutoCAD 2022", L"AutoCAD 2025"}));
    EXPECT_TRUE(seam.showed_errors(boxes));
}

TEST_F(DiscoveryTest, KeepsWhatWasReadWhenKeysOrValuesFail)
{
    // No Profiles key; no Variables key nor ProductName; values of the wrong type, and names that
    // differ only in case; an ACAD too long for the read, written below.
    add_release_keys({{L"R22.0", L"ACAD-1001:409", nullptr, L"D:\\Acad", L"AutoCAD 2018"},
                      {L"R23.0", L"ACAD-2001:409", L"Site", L"D:\\Acad\\", nullptr},
                      {L"R23.1", L"ACAD-3001:409", L"Site", nullptr, nullptr},
                      {L"R24.2", L"ACAD-6101:409", L"Site", L"D:\\Acad 2023", L"AutoCAD 2023"}});
    test::load_reg_text(LR"reg(
[HKEY_CURRENT_USER\Software\Autodesk\AutoCAD\R23.0\ACAD-2001:409\Profiles\Site\General]
"ACAD"="x;y;"
[HKEY_CURRENT_USER\Software\Autodesk\AutoCAD\R23.1\ACAD-3001:409\Profiles\Site\General]
"ACAD"=hex(7):78,00,00,00,00,00
[HKEY_CURRENT_USER\Software\Autodesk\AutoCAD\R23.1\ACAD-3001:409\Profiles\Site\Variables]
"trustedpaths"="D:\\Lower"
[HKEY_CURRENT_USER\Software\Autodesk\AutoCAD\R24.2\ACAD-6101:409\Profiles\Site\Variables]
"TRUSTEDPATHS"="D:\\Kept"
[HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:409]
"AcadLocation"=dword:00000001
"productname"="AutoCAD 2020"
)reg");
    // Built, not found: #1's network entries repeated past 2,047 characters, beyond the 4096-byte read.
    std::wstring long_acad;
    while (long_acad.size() < 2048)
        long_acad += L"\\\\ramsacfs\\project\\reference\\autocad\\2014\\support;";
    test::created_key(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD\\R24.2\\ACAD-6101:409\\Profiles\\Site\\General")
        .set(L"ACAD", long_acad);

    ASSERT_TRUE(show_failures(host::discover_acad_installs(list)));
    EXPECT_EQ(list.size(), 4u);  // those summed up below
    EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey 'R22.0\\ACAD-1001:409\\Profiles' does not exist!",
                                    L"Key 'HKEY_CURRENT_USER', SubKey 'R23.0\\ACAD-2001:409\\Profiles\\Site\\Variables' does not exist!",
                                    test::system_text(ERROR_MORE_DATA)}));

    // No Profiles key; no Variables key nor ProductName; values of the wrong type; ACAD too long.
    EXPECT_EQ(summary(L"R22.0"), L"D:\\Acad\\ | AutoCAD 2018 | ACAD-1001:409 |  | 0/0 | 0/0 | no icon 0x0");
    EXPECT_EQ(summary(L"R23.0"), L"D:\\Acad\\ |  | ACAD-2001:409 | Site | 4/2 | 0/0 | no icon 0x0");
    EXPECT_EQ(summary(L"R23.1"), L"\\ |  | ACAD-3001:409 | Site | 0/0 | 0/0 | no icon 0x0");
    EXPECT_EQ(summary(L"R24.2"), L"D:\\Acad 2023\\ | AutoCAD 2023 | ACAD-6101:409 | Site | 0/0 | 7/1 | no icon 0x0");
}

// Only an AutoCAD key of the user that cannot be opened fails the discovery.
TEST_F(DiscoveryTest, WithoutReleasesListsNothingAndWithoutAutoCadShowsOneBox)
{
    // Another Autodesk product, and AutoCAD only for the machine.
    test::load_reg_text(L"[HKEY_CURRENT_USER\\Software\\Autodesk\\Inventor]\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Autodesk\\AutoCAD\\R24.1\\"
                        L"ACAD-5101:409]\n\"AcadLocation\"=\"D:\\\\Acad\"\n" + user_release(L"r24.1"));
    EXPECT_TRUE(show_failures(host::discover_acad_installs(list)));
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(seam.boxes().empty());
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD"), ERROR_SUCCESS);
    EXPECT_FALSE(show_failures(host::discover_acad_installs(list)));
    EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey 'Software\\Autodesk\\AutoCAD' does not exist!"}));
}

// Without acad.exe a release has no icon: the main window's item heights show it. An acad.exe
// without an icon of its own has the one the shell shows for it, as large.
TEST_F(DiscoveryTest, TakesTheLargeIconOfAcadExe)
{
    test::load_reg_text(user_release(L"R24.1"));
    for (const wchar_t* copied : {L"acad.exe", L"host_tests.exe"}) {
        list.clear();
        test::temp_folder installed;
        std::filesystem::copy_file(test::program_folder() / copied, installed.path() / L"acad.exe");
        test::created_key(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD\\R24.1\\ACAD-5101:409").set(L"AcadLocation", installed.path());
        ASSERT_TRUE(show_failures(host::discover_acad_installs(list)));
        EXPECT_TRUE(seam.boxes().empty());
        EXPECT_EQ(summary(L"R24.1"), installed.with_backslash() + L" |  | ACAD-5101:409 | Site | 8/1 | 0/0 | icon 32x32")
            << copied;
    }
}

TEST(SplitPathList, KeepsEmptyEntriesButNotATrailingOne)
{
    const std::pair<const wchar_t*, entries> cases[] = {{L"", {}}, {L"a;;b", {L"a", L"", L"b"}}, {L"a;", {L"a"}},
                                                        {L";a", {L"", L"a"}}, {L";", {L""}}, {L" A ;b", {L" A ", L"b"}}};
    for (const auto& [text, split] : cases)
        EXPECT_EQ(host::split_path_list(text), split) << text;
}


fs::path install(const fs::path& folder, const wchar_t* exe_name)
{
    fs::create_directories(folder);
    fs::copy_file(test::program_folder() / L"acad.exe", folder / exe_name);
    return folder / exe_name;
}

entries running(const host::acad_install_list& list)
{
    entries found{L"not emptied"};
    EXPECT_TRUE(host::find_running_acads(list, found));
    std::sort(found.begin(), found.end());
    return found;
}

TEST(RunningAcads, ReportsEachCopyStartedFromAListedInstallFolder)
{
    test::temp_folder root;
    const fs::path acad2022 = install(root.path() / L"AutoCAD 2022", L"acad.exe");
    const fs::path upper = install(root.path() / L"AutoCAD 2020", L"ACAD.EXE");
    const fs::path elsewhere = install(root.path() / L"Elsewhere", L"acad.exe");
    fs::create_directories(root.path() / L"AutoCAD 2025");

    // The folders as discovery gives them, one in another case than on disk.
    std::wstring upper_folder_lower = upper.parent_path().wstring() + L"\\";
    std::transform(upper_folder_lower.begin(), upper_folder_lower.end(), upper_folder_lower.begin(), ::towlower);
    host::acad_install_list list;
    for (const auto& [release, folder, name] : {std::tuple{L"R23.1", upper_folder_lower, L"AutoCAD 2020"},
                                                std::tuple{L"R24.1", acad2022.parent_path().wstring() + L"\\", L"AutoCAD 2022"},
                                                std::tuple{L"R25.0", (root.path() / L"AutoCAD 2025").wstring() + L"\\", L"AutoCAD 2025"}}) {
        list[release].install_folder = folder;
        list[release].product_name = name;
    }
    EXPECT_EQ(running(list), entries{});
    // Each copy started, with the names found running after it.
    const std::pair<fs::path, entries> starts[] = {
        {elsewhere, {}}, {acad2022, {L"AutoCAD 2022"}}, {acad2022, {L"AutoCAD 2022", L"AutoCAD 2022"}},
        {upper, {L"AutoCAD 2020", L"AutoCAD 2022", L"AutoCAD 2022"}}};
    std::vector<std::unique_ptr<test::running_acad>> copies;
    for (const auto& [exe, names] : starts) {
        copies.push_back(std::make_unique<test::running_acad>(exe));
        EXPECT_EQ(running(list), names) << exe;
    }
    EXPECT_EQ(running(host::acad_install_list{}), entries{});
}


using host::acad_install;

constexpr wchar_t tool_folder[] = L"D:\\Tool\\";  // where the tool's executable lies

std::wstring profile_path(const std::wstring& release)
{
    return L"Software\\Autodesk\\AutoCAD\\" + release + L"\\ACAD-5101:409\\Profiles\\<<Unnamed Profile>>";
}

// "ACAD | TRUSTEDPATHS" of the profile in the registry.
std::wstring stored(const std::wstring& release = L"R24.1")
{
    return test::registry_text(HKEY_CURRENT_USER, profile_path(release) + L"\\General", L"ACAD") + L" | " +
           test::registry_text(HKEY_CURRENT_USER, profile_path(release) + L"\\Variables", L"TRUSTEDPATHS");
}

// The same of a record: the texts it takes as stored.
std::wstring texts_of(const acad_install& record)
{
    return record.support_path_text + L" | " + record.trusted_paths_text;
}

void set_stored(const std::wstring& release, const wchar_t* subkey, const wchar_t* name, const std::wstring& text)
{
    test::created_key(HKEY_CURRENT_USER, profile_path(release) + subkey).set(name, text);
}

bool key_exists(const std::wstring& path)
{
    HKEY key = nullptr;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS && RegCloseKey(key) == 0;
}

class ProfileConnection : public DiscoveryTest {
protected:
    test::scratch_local_data local_data;  // where the connects keep their restore points
    const std::wstring general = profile_path(L"R24.1") + L"\\General";
    const std::wstring variables = profile_path(L"R24.1") + L"\\Variables";

    // The profile in the registry (only the keys asked for) and the record discovery makes of it.
    acad_install profile(const std::wstring& acad, const std::wstring& trusted, const std::wstring& release = L"R24.1",
                         bool with_general = true, bool with_variables = true)
    {
        if (with_general)
            set_stored(release, L"\\General", L"ACAD", acad);
        if (with_variables)
            set_stored(release, L"\\Variables", L"TRUSTEDPATHS", trusted);
        acad_install record;
        record.release = release;
        record.product_key = L"ACAD-5101:409";
        record.profile = L"<<Unnamed Profile>>";
        record.support_path_text = acad;
        record.support_paths = host::split_path_list(acad);
        record.trusted_paths_text = trusted;
        record.trusted_paths = host::split_path_list(trusted);
        return record;
    }

    // The registry and the record agree on both values.
    void expect_written(const acad_install& record, const std::wstring& acad, const std::wstring& trusted)
    {
        EXPECT_EQ(stored(record.release), acad + L" | " + trusted);
        EXPECT_EQ(texts_of(record), acad + L" | " + trusted);
        EXPECT_EQ(record.support_paths, host::split_path_list(acad));
        EXPECT_EQ(record.trusted_paths, host::split_path_list(trusted));
    }
};

TEST(ReleaseFolders, FollowTheSuffixTableWithoutTheTrailingBackslash)
{
    // The release, the base folder, whether the release is known, its folder. R24.1 under a base
    // with its backslash and R24.0 come with the connect cases below.
    const std::tuple<const wchar_t*, const wchar_t*, bool, const wchar_t*> rows[] = {
        {L"R24.1", L"D:\\Tool", true, L"D:\\Tool\\A2022"}, {L"R24", L"D:\\Tool\\", true, L"D:\\Tool\\A2021"},
        {L"R22.0", L"D:\\Tool\\", true, L"D:\\Tool\\A2018"}, {L"r24.1", L"D:\\Tool\\", false, L"D:\\Tool"}};
    for (const auto& [release, base, known, folder] : rows) {
        acad_install record;
        record.release = release;
        std::wstring release_folder, client_folder;
        EXPECT_EQ(host::release_folders(record, base, release_folder, client_folder), known) << release;
        EXPECT_EQ(release_folder + L" " + client_folder, folder + std::wstring(L" D:\\Tool")) << release;
    }
}

TEST_F(ProfileConnection, ConnectsAndDisconnectsInTheRegistryAndTheRecord)
{
    // ACAD and TRUSTEDPATHS, whether connected already; both connected, then disconnected.
    const std::tuple<const wchar_t*, const wchar_t*, bool, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*> rows[] = {
        {L"x;y", L"t", false, L"D:\\Tool\\A2022;D:\\Tool;x;y", L"t;D:\\Tool;D:\\Tool\\A2022", L"x;y", L"t"},
        {L"", L"", false, L"D:\\Tool\\A2022;D:\\Tool", L"D:\\Tool;D:\\Tool\\A2022", L"", L""},
        // Case is ignored: already connected, so connecting writes nothing.
        {L"d:\\tool\\a2022;D:\\TOOL;x", L"D:\\TOOL;d:\\tool\\A2022", true, L"d:\\tool\\a2022;D:\\TOOL;x",
         L"D:\\TOOL;d:\\tool\\A2022", L"x", L""},
        // The folders further down stay, so each stands twice, and disconnecting takes the front two.
        {L"x;D:\\Tool\\A2022;D:\\Tool", L"t", false, L"D:\\Tool\\A2022;D:\\Tool;x;D:\\Tool\\A2022;D:\\Tool",
         L"t;D:\\Tool;D:\\Tool\\A2022", L"x;D:\\Tool\\A2022;D:\\Tool", L"t"},
        {L"x;", L"t;", false, L"D:\\Tool\\A2022;D:\\Tool;x", L"t;D:\\Tool;D:\\Tool\\A2022", L"x", L"t"},
    };
    for (const auto& [acad, trusted, connected_before, acad_on, trusted_on, acad_off, trusted_off] : rows) {
        SCOPED_TRACE(testing::Message() << "ACAD " << acad);
        acad_install record = profile(acad, trusted);
        EXPECT_EQ(host::is_profile_connected(record, tool_folder), connected_before);
        EXPECT_TRUE(show_failures(host::set_profile_connection(true, record, tool_folder)));
        expect_written(record, acad_on, trusted_on);
        EXPECT_TRUE(host::is_profile_connected(record, tool_folder));
        EXPECT_TRUE(show_failures(host::set_profile_connection(false, record, tool_folder)));
        expect_written(record, acad_off, trusted_off);
        EXPECT_FALSE(host::is_profile_connected(record, tool_folder));
    }
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(ProfileConnection, WritesOnlyTheValuesWhoseJoinedTextChanged)
{
    // Markers that any further write would overwrite.
    const auto mark = [] {
        set_stored(L"R24.1", L"\\General", L"ACAD", L"marker");
        set_stored(L"R24.1", L"\\Variables", L"TRUSTEDPATHS", L"marker");
    };
    acad_install record = profile(L"x;y", L"t");
    ASSERT_TRUE(show_failures(host::set_profile_connection(true, record, tool_folder)));
    mark();
    EXPECT_TRUE(show_failures(host::set_profile_connection(true, record, tool_folder)));
    EXPECT_EQ(stored(), L"marker | marker");

    // Support path already connected, trusted paths not: only "TRUSTEDPATHS" is written.
    record = profile(L"D:\\Tool\\A2022;D:\\Tool;x", L"t");
    mark();
    EXPECT_TRUE(show_failures(host::set_profile_connection(true, record, tool_folder)));
    EXPECT_EQ(stored(), L"marker | t;D:\\Tool;D:\\Tool\\A2022");

    // Entries compare without case, the joined text with it: a text differing only in case is written.
    record = profile(L"d:\\tool\\a2022;d:\\tool", L"D:\\Tool;D:\\Tool\\A2022");
    record.support_paths = {L"D:\\Tool\\A2022", L"D:\\Tool"};
    EXPECT_TRUE(show_failures(host::set_profile_connection(true, record, tool_folder)));
    EXPECT_EQ(stored(), L"D:\\Tool\\A2022;D:\\Tool | D:\\Tool;D:\\Tool\\A2022");
    EXPECT_TRUE(seam.boxes().empty());
}

TEST(ProfileConnectedState, TrustedPathsHoldBothFoldersExactlyTwiceBetweenThem)
{
    // Support path, trusted paths, whether connected.
    const std::tuple<entries, entries, bool> rows[] = {
        {{L"D:\\Tool\\A2022", L"D:\\Tool"}, {L"D:\\Tool", L"D:\\Tool"}, true},
        {{L"D:\\Tool\\A2022", L"D:\\Tool"}, {L"D:\\Tool", L"D:\\Tool\\A2022", L"D:\\Tool"}, false},
        {{L"D:\\Tool\\A2022", L"D:\\Tool"}, {L"D:\\Tool\\A2022", L"t", L"D:\\Tool"}, true},
        {{L"D:\\Tool\\A2022", L"D:\\Tool"}, {}, false},
        {{L"D:\\Tool\\A2022"}, {L"D:\\Tool", L"D:\\Tool\\A2022"}, true},
        {{L"D:\\Tool\\A2022", L"x", L"D:\\Tool"}, {L"D:\\Tool", L"D:\\Tool\\A2022"}, false},
        {{}, {L"D:\\Tool", L"D:\\Tool\\A2022"}, false},
    };
    for (const auto& [support, trusted, connected] : rows) {
        acad_install record;
        record.release = L"R24.1";
        record.support_paths = support;
        record.trusted_paths = trusted;
        EXPECT_EQ(host::is_profile_connected(record, tool_folder), connected)
            << support.size() << " support, " << trusted.size() << " trusted";
    }
}

TEST_F(ProfileConnection, ReleasesWithoutASuffixAreNeverConnectedNorTouched)
{
    for (const wchar_t* release : {L"R24.0", L"R25.0", L"R21.0"}) {
        SCOPED_TRACE(testing::Message() << release);
        // Lists that would count as connected if "D:\Tool" were the release folder.
        acad_install record = profile(L"D:\\Tool;D:\\Tool", L"D:\\Tool;D:\\Tool", release);
        EXPECT_FALSE(host::is_profile_connected(record, tool_folder));
        EXPECT_FALSE(show_failures(host::set_profile_connection(true, record, tool_folder)));
        EXPECT_FALSE(show_failures(host::set_profile_connection(false, record, tool_folder)));
        expect_written(record, L"D:\\Tool;D:\\Tool", L"D:\\Tool;D:\\Tool");
    }
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(ProfileConnection, MissingKeyShowsItsBoxAndCreatesNothing)
{
    acad_install record = profile(L"x;y", L"t", L"R24.1", false, true);
    EXPECT_FALSE(show_failures(host::set_profile_connection(true, record, tool_folder)));
    EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey '" + general + L"' does not exist!"}));
    EXPECT_FALSE(key_exists(general));
    EXPECT_EQ(record.support_paths, (entries{L"D:\\Tool\\A2022", L"D:\\Tool", L"x", L"y"}));  // changed in memory
    EXPECT_EQ(texts_of(record), L"x;y | t");
    EXPECT_EQ(stored(), L"(none) | t");

    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, variables.c_str()), ERROR_SUCCESS);
    seam.clear();
    record = profile(L"x;y", L"t", L"R24.1", true, false);
    EXPECT_FALSE(show_failures(host::set_profile_connection(true, record, tool_folder)));
    EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey '" + variables + L"' does not exist!"}));
    EXPECT_FALSE(key_exists(variables));
    EXPECT_EQ(stored(), L"D:\\Tool\\A2022;D:\\Tool;x;y | (none)");  // written before
    EXPECT_EQ(texts_of(record), L"D:\\Tool\\A2022;D:\\Tool;x;y | t");
    EXPECT_EQ(record.trusted_paths, (entries{L"t", L"D:\\Tool", L"D:\\Tool\\A2022"}));
}

TEST_F(ProfileConnection, KeyThatRefusesWritingKeepsItsValueAndTheNextConnectWrites)
{
    const std::wstring refused = L"' cannat to opened for writting!";
    acad_install record = profile(L"x;y", L"t");
    {
        test::denied_key_rights locked(HKEY_CURRENT_USER, general, KEY_SET_VALUE);
        EXPECT_FALSE(show_failures(host::set_profile_connection(true, record, tool_folder)));
        EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey '" + general + refused}));
        EXPECT_EQ(stored(), L"x;y | t");
        EXPECT_EQ(texts_of(record), L"x;y | t");
        EXPECT_TRUE(host::is_profile_connected(record, tool_folder));  // the lists went ahead
    }
    seam.clear();
    {
        test::denied_key_rights locked(HKEY_CURRENT_USER, variables, KEY_SET_VALUE);
        EXPECT_FALSE(show_failures(host::set_profile_connection(true, record, tool_folder)));
        EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey '" + variables + refused}));
        EXPECT_EQ(stored(), L"D:\\Tool\\A2022;D:\\Tool;x;y | t");
        EXPECT_EQ(texts_of(record), L"D:\\Tool\\A2022;D:\\Tool;x;y | t");
    }
    seam.clear();
    // The stored texts followed only what was written, so the lists still differ and go out now.
    EXPECT_TRUE(show_failures(host::set_profile_connection(true, record, tool_folder)));
    expect_written(record, L"D:\\Tool\\A2022;D:\\Tool;x;y", L"t;D:\\Tool;D:\\Tool\\A2022");
    EXPECT_TRUE(seam.boxes().empty());
}

// Rows of the program's settings add releases and suffixes; a built-in row stays as it is, and a
// row that is malformed, or names a release a row before it names, is left out.
TEST_F(DiscoveryTest, AdministratorsRowsAddToTheBuiltInTablesAndMalformedOnesAreLeftOut)
{
    const test::scratch_local_data local_data;  // where the connect keeps its restore point
    const test::temp_folder client;              // the client folder, without release folders
    // Keys without a machine key are looked at without a box, and not listed.
    test::load_reg_text(user_release(L"R24.1") + user_release(L"R25.1") + user_release(L"R26.0") + user_release(L"R27.0") +
                        user_release(L"Recent"));
    add_release_keys({{L"R24.1", L"ACAD-5101:409", L"Site", L"D:\\Acad 2022", L"AutoCAD 2022"},
                      {L"R25.1", L"ACAD-5101:409", L"Site", L"D:\\Acad 2026", L"AutoCAD 2026"},
                      {L"R26.0", L"ACAD-5101:409", L"Site", L"D:\\Acad 2027", L"AutoCAD 2027"}});
    const test::created_key settings(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN\\PLAXOR");
    const std::tuple<const wchar_t*, std::wstring, const wchar_t*> values[] = {
        {L"AcadRelease1", L"R26.0|AutoCAD 2027|\\Custom\\R26", nullptr},
        {L"AcadRelease2", L"R26.0|AutoCAD 2027|\\A2027", L"R26.0 has a row already"},
        {L"AcadRelease3", L"R24.1|AutoCAD 2022|\\Other", nullptr},
        {L"AcadRelease4", L"R25.1|AutoCAD 2026", L"not three fields \"release|product name|suffix\""},
        {L"AcadRelease5", L"R25.1|AutoCAD 2026|", L"the suffix is no folder name such as \\A2027"},
        {L"AcadRelease6", L"R25.1|" + std::wstring(300, L'n') + L"|\\A2026", L"the product name is empty or longer than 200 characters"},
        {L"AcadRelease7", L"R25.1|AutoCAD 2026|\\A2026;D:\\Elsewhere", L"the suffix is no folder name such as \\A2027"},
        {L"AcadRelease8", L"R25.1|AutoCAD 2026|\\..\\..", L"the suffix is no folder name such as \\A2027"},
        {L"AcadRelease9", L"r25.1|AutoCAD 2026|\\A2026", L"\"r25.1\" is no release key such as R26.0"},
        {L"AcadRelease20", L"R25.1|" + std::wstring(5000, L'n') + L"|\\A2026", L"longer than 318 characters"},
        {L"AcadRelease21", L"R25.1|AutoCAD 2026|\\A2026", nullptr},  // past the last one read
    };
    entries reasons;
    for (const auto& [name, text, reason] : values) {
        settings.set(name, text);
        if (reason)
            reasons.push_back(name + std::wstring(L" is ignored: ") + reason);
    }
    entries ignored;
    ASSERT_TRUE(show_failures(host::discover_acad_installs(list, host::discovery_mode::window,
                                                           {host::read_release_rows(&ignored), client.with_backslash()})));
    EXPECT_EQ(ignored, reasons);
    EXPECT_TRUE(seam.boxes().empty());

    // Listed by its row, connected with the row's folder, which need not exist; R25.1 has no row.
    EXPECT_EQ(list.count(L"R25.1"), 0u);
    std::wstring release_folder, client_without_backslash;
    ASSERT_TRUE(host::release_folders(list.at(L"R26.0"), client.with_backslash(), release_folder, client_without_backslash));
    EXPECT_EQ(release_folder, client.path().wstring() + L"\\Custom\\R26");
    ASSERT_TRUE(show_failures(host::set_profile_connection(true, list.at(L"R26.0"), client.with_backslash())));
    EXPECT_TRUE(host::is_profile_connected(list.at(L"R26.0"), client.with_backslash()));
    ASSERT_TRUE(host::release_folders(list.at(L"R24.1"), client.with_backslash(), release_folder, client_without_backslash));
    EXPECT_EQ(release_folder, client.path().wstring() + L"\\A2022");
}

}  // namespace

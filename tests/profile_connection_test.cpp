#include "host/profile_connection.h"

#include "host/acad_discovery.h"
#include "support/created_key.h"
#include "support/denied_key_rights.h"
#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/workstation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using host::acad_install;
using list = std::vector<std::wstring>;

constexpr wchar_t tool_folder[] = L"D:\\Tool\\";  // where the tool's executable lies

std::wstring profile_path(const std::wstring& release)
{
    return L"Software\\Autodesk\\AutoCAD\\" + release + L"\\ACAD-5101:409\\Profiles\\<<Unnamed Profile>>";
}

std::wstring stored(const std::wstring& release, const wchar_t* subkey, const wchar_t* name)
{
    return test::registry_text(HKEY_CURRENT_USER, profile_path(release) + subkey, name);
}

void set_stored(const std::wstring& release, const wchar_t* subkey, const wchar_t* name, const wchar_t* text)
{
    test::created_key(HKEY_CURRENT_USER, profile_path(release) + subkey).set(name, text);
}

bool key_exists(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class ProfileConnection : public ::testing::Test {
protected:
    test::registry_sandbox sandbox;
    test::scripted_seam seam;
    const std::wstring general = profile_path(L"R24.1") + L"\\General";
    const std::wstring variables = profile_path(L"R24.1") + L"\\Variables";

    // The profile in the registry (only the keys asked for) and the record discovery makes of it.
    acad_install profile(const std::wstring& acad, const std::wstring& trusted, const std::wstring& release = L"R24.1",
                         bool with_general = true, bool with_variables = true)
    {
        if (with_general)
            set_stored(release, L"\\General", L"ACAD", acad.c_str());
        if (with_variables)
            set_stored(release, L"\\Variables", L"TRUSTEDPATHS", trusted.c_str());
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
        EXPECT_EQ(stored(record.release, L"\\General", L"ACAD"), acad);
        EXPECT_EQ(record.support_path_text, acad);
        EXPECT_EQ(record.support_paths, host::split_path_list(acad));
        EXPECT_EQ(stored(record.release, L"\\Variables", L"TRUSTEDPATHS"), trusted);
        EXPECT_EQ(record.trusted_paths_text, trusted);
        EXPECT_EQ(record.trusted_paths, host::split_path_list(trusted));
    }
};

TEST(ReleaseFolders, FollowTheSuffixTableWithoutTheTrailingBackslash)
{
    struct row {
        const wchar_t *release, *base;
        bool known;
        const wchar_t* release_folder;
    } rows[] = {
        {L"R24.1", L"D:\\Tool\\", true, L"D:\\Tool\\A2022"}, {L"R24.1", L"D:\\Tool", true, L"D:\\Tool\\A2022"},
        {L"R24", L"D:\\Tool\\", true, L"D:\\Tool\\A2021"},   {L"R22.0", L"D:\\Tool\\", true, L"D:\\Tool\\A2018"},
        {L"R24.0", L"D:\\Tool\\", false, L"D:\\Tool"},         {L"r24.1", L"D:\\Tool\\", false, L"D:\\Tool"},
    };
    for (const row& r : rows) {
        acad_install record;
        record.release = r.release;
        std::wstring release_folder, client_folder;
        EXPECT_EQ(host::release_folders(record, r.base, release_folder, client_folder), r.known) << r.release;
        EXPECT_EQ(release_folder, r.release_folder) << r.release;
        EXPECT_EQ(client_folder, L"D:\\Tool");
    }
}

TEST_F(ProfileConnection, ConnectsAndDisconnectsInTheRegistryAndTheRecord)
{
    struct row {
        const wchar_t *acad, *trusted;
        bool connected_before;
        const wchar_t *connected_acad, *connected_trusted, *disconnected_acad, *disconnected_trusted;
    } rows[] = {
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
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "ACAD " << r.acad);
        acad_install record = profile(r.acad, r.trusted);
        EXPECT_EQ(host::is_profile_connected(record, tool_folder), r.connected_before);

        EXPECT_TRUE(host::set_profile_connection(true, record, tool_folder));
        expect_written(record, r.connected_acad, r.connected_trusted);
        EXPECT_TRUE(host::is_profile_connected(record, tool_folder));

        EXPECT_TRUE(host::set_profile_connection(false, record, tool_folder));
        expect_written(record, r.disconnected_acad, r.disconnected_trusted);
        EXPECT_FALSE(host::is_profile_connected(record, tool_folder));
    }
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(ProfileConnection, WritesOnlyTheValuesWhoseJoinedTextChanged)
{
    acad_install record = profile(L"x;y", L"t");
    ASSERT_TRUE(host::set_profile_connection(true, record, tool_folder));
    // Markers that any further write would overwrite.
    set_stored(L"R24.1", L"\\General", L"ACAD", L"marker");
    set_stored(L"R24.1", L"\\Variables", L"TRUSTEDPATHS", L"marker");
    EXPECT_TRUE(host::set_profile_connection(true, record, tool_folder));
    EXPECT_EQ(stored(L"R24.1", L"\\General", L"ACAD"), L"marker");
    EXPECT_EQ(stored(L"R24.1", L"\\Variables", L"TRUSTEDPATHS"), L"marker");

    // Support path already connected, trusted paths not: only "TRUSTEDPATHS" is written.
    record = profile(L"D:\\Tool\\A2022;D:\\Tool;x", L"t");
    set_stored(L"R24.1", L"\\General", L"ACAD", L"marker");
    EXPECT_TRUE(host::set_profile_connection(true, record, tool_folder));
    EXPECT_EQ(stored(L"R24.1", L"\\General", L"ACAD"), L"marker");
    EXPECT_EQ(stored(L"R24.1", L"\\Variables", L"TRUSTEDPATHS"), L"t;D:\\Tool;D:\\Tool\\A2022");

    // Entries compare without case, the joined text with it: a text differing only in case is written.
    record = profile(L"d:\\tool\\a2022;d:\\tool", L"D:\\Tool;D:\\Tool\\A2022");
    record.support_paths = {L"D:\\Tool\\A2022", L"D:\\Tool"};
    EXPECT_TRUE(host::set_profile_connection(true, record, tool_folder));
    EXPECT_EQ(stored(L"R24.1", L"\\General", L"ACAD"), L"D:\\Tool\\A2022;D:\\Tool");
    EXPECT_TRUE(seam.boxes().empty());
}

TEST(ProfileConnectedState, TrustedPathsHoldBothFoldersExactlyTwiceBetweenThem)
{
    struct row {
        list support, trusted;
        bool connected;
    } rows[] = {
        {{L"D:\\Tool\\A2022", L"D:\\Tool"}, {L"D:\\Tool", L"D:\\Tool"}, true},
        {{L"D:\\Tool\\A2022", L"D:\\Tool"}, {L"D:\\Tool", L"D:\\Tool\\A2022", L"D:\\Tool"}, false},
        {{L"D:\\Tool\\A2022", L"D:\\Tool"}, {L"D:\\Tool\\A2022", L"t", L"D:\\Tool"}, true},
        {{L"D:\\Tool\\A2022", L"D:\\Tool"}, {}, false},
        {{L"D:\\Tool\\A2022"}, {L"D:\\Tool", L"D:\\Tool\\A2022"}, true},
        {{L"D:\\Tool\\A2022", L"x", L"D:\\Tool"}, {L"D:\\Tool", L"D:\\Tool\\A2022"}, false},
        {{}, {L"D:\\Tool", L"D:\\Tool\\A2022"}, false},
    };
    for (const row& r : rows) {
        acad_install record;
        record.release = L"R24.1";
        record.support_paths = r.support;
        record.trusted_paths = r.trusted;
        EXPECT_EQ(host::is_profile_connected(record, tool_folder), r.connected)
            << r.support.size() << " support, " << r.trusted.size() << " trusted";
    }
}

TEST_F(ProfileConnection, ReleasesWithoutASuffixAreNeverConnectedNorTouched)
{
    for (const wchar_t* release : {L"R24.0", L"R25.0", L"R21.0"}) {
        SCOPED_TRACE(testing::Message() << release);
        // Lists that would count as connected if "D:\Tool" were the release folder.
        acad_install record = profile(L"D:\\Tool;D:\\Tool", L"D:\\Tool;D:\\Tool", release);
        EXPECT_FALSE(host::is_profile_connected(record, tool_folder));
        EXPECT_FALSE(host::set_profile_connection(true, record, tool_folder));
        EXPECT_FALSE(host::set_profile_connection(false, record, tool_folder));
        EXPECT_EQ(record.support_paths, (list{L"D:\\Tool", L"D:\\Tool"}));
        EXPECT_EQ(record.trusted_paths, (list{L"D:\\Tool", L"D:\\Tool"}));
        EXPECT_EQ(stored(release, L"\\General", L"ACAD"), L"D:\\Tool;D:\\Tool");
        EXPECT_EQ(stored(release, L"\\Variables", L"TRUSTEDPATHS"), L"D:\\Tool;D:\\Tool");
    }
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(ProfileConnection, MissingKeyShowsItsBoxAndCreatesNothing)
{
    acad_install record = profile(L"x;y", L"t", L"R24.1", false, true);
    EXPECT_FALSE(host::set_profile_connection(true, record, tool_folder));
    EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey '" + general + L"' does not exist!"}));
    EXPECT_FALSE(key_exists(general));
    EXPECT_EQ(record.support_paths, (list{L"D:\\Tool\\A2022", L"D:\\Tool", L"x", L"y"}));  // changed in memory
    EXPECT_EQ(record.support_path_text, L"x;y");
    EXPECT_EQ(record.trusted_paths_text, L"t");
    EXPECT_EQ(stored(L"R24.1", L"\\Variables", L"TRUSTEDPATHS"), L"t");

    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, variables.c_str()), ERROR_SUCCESS);
    seam.clear();
    record = profile(L"x;y", L"t", L"R24.1", true, false);
    EXPECT_FALSE(host::set_profile_connection(true, record, tool_folder));
    EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey '" + variables + L"' does not exist!"}));
    EXPECT_FALSE(key_exists(variables));
    EXPECT_EQ(stored(L"R24.1", L"\\General", L"ACAD"), L"D:\\Tool\\A2022;D:\\Tool;x;y");  // written before
    EXPECT_EQ(record.support_path_text, L"D:\\Tool\\A2022;D:\\Tool;x;y");
    EXPECT_EQ(record.trusted_paths, (list{L"t", L"D:\\Tool", L"D:\\Tool\\A2022"}));
    EXPECT_EQ(record.trusted_paths_text, L"t");
}

TEST_F(ProfileConnection, KeyThatRefusesWritingKeepsItsValueAndTheNextConnectWrites)
{
    acad_install record = profile(L"x;y", L"t");
    {
        test::denied_key_rights locked(HKEY_CURRENT_USER, general, KEY_SET_VALUE);
        EXPECT_FALSE(host::set_profile_connection(true, record, tool_folder));
        EXPECT_TRUE(seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey '" + general + L"' cannat to opened for writting!"}));
        EXPECT_EQ(stored(L"R24.1", L"\\General", L"ACAD"), L"x;y");
        EXPECT_EQ(stored(L"R24.1", L"\\Variables", L"TRUSTEDPATHS"), L"t");
        EXPECT_EQ(record.support_path_text, L"x;y");
        EXPECT_TRUE(host::is_profile_connected(record, tool_folder));  // the lists went ahead
    }
    seam.clear();
    {
        test::denied_key_rights locked(HKEY_CURRENT_USER, variables, KEY_SET_VALUE);
        EXPECT_FALSE(host::set_profile_connection(true, record, tool_folder));
        EXPECT_TRUE(
            seam.showed_errors({L"Key 'HKEY_CURRENT_USER', SubKey '" + variables + L"' cannat to opened for writting!"}));
        EXPECT_EQ(stored(L"R24.1", L"\\General", L"ACAD"), L"D:\\Tool\\A2022;D:\\Tool;x;y");
        EXPECT_EQ(stored(L"R24.1", L"\\Variables", L"TRUSTEDPATHS"), L"t");
        EXPECT_EQ(record.trusted_paths_text, L"t");
    }
    seam.clear();
    // The stored texts followed only what was written, so the lists still differ and go out now.
    EXPECT_TRUE(host::set_profile_connection(true, record, tool_folder));
    expect_written(record, L"D:\\Tool\\A2022;D:\\Tool;x;y", L"t;D:\\Tool;D:\\Tool\\A2022");
    EXPECT_TRUE(seam.boxes().empty());
}

}  // namespace

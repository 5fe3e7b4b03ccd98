// plaxorcfg across every user of a workstation, in this process on the sandboxed registry: the
// profile list lies in the sandbox's HKEY_LOCAL_MACHINE; the running user (whose SID is this
// process's) is the sandbox's HKEY_CURRENT_USER; a logged-on user is keys under
// HKEY_USERS\<SID>, where what the program writes stays and is checked; a user who is not logged
// on has an NTUSER.DAT saved from prepared keys, which the program loads. Wine drops what was
// written to a loaded hive when it unloads it, so for those users the program's own read-back
// (it prints "connected" only after it) and its output while the hive is loaded are what count.

#include "cli/plaxorcfg.h"
#include "host/user_hive.h"

#include "support/created_key.h"
#include "support/moved_local_data.h"
#include "support/reg_fixture.h"
#include "support/registry_sandbox.h"
#include "support/running_acad.h"
#include "support/system_text.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <memory>

namespace {

namespace fs = std::filesystem;

const std::wstring profile_key = L"Software\\Autodesk\\AutoCAD\\R24.1\\ACAD-5101:409\\Profiles\\<<Unnamed Profile>>";
const std::wstring profile_list = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

struct run_result {
    int code;
    std::wstring out, err;
};

run_result run(const std::vector<std::wstring>& args)
{
    cli::string_sink out, err;
    const int code = cli::plaxorcfg_main(args, out, err);
    return {code, out.text(), err.text()};
}

// Whether a hive this process loaded is still there under HKEY_USERS.
bool hive_left_loaded()
{
    const std::wstring ours = L"plaxorcfg-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    wchar_t name[256];
    DWORD length = 256;
    for (DWORD i = 0; RegEnumKeyExW(HKEY_USERS, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 256)
        if (std::wstring(name).rfind(ours, 0) == 0)
            return true;
    return false;
}

// Saving a key as a hive file takes the privilege that loading one takes.
void enable_backup_privilege()
{
    HANDLE token = nullptr;
    TOKEN_PRIVILEGES wanted{1, {{{}, SE_PRIVILEGE_ENABLED}}};
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token) &&
        LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &wanted.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &wanted, sizeof wanted, nullptr, nullptr);
    CloseHandle(token);
}

enum class kind { running, logged_on, hive_file, no_hive, damaged };

struct user {
    kind how;
    std::wstring sid;
    fs::path folder;  // the profile folder; its name is the user's, as the system knows none
};

class Fleet : public ::testing::Test {
protected:
    test::registry_sandbox sandbox;
    test::temp_folder root;
    test::moved_local_data local_data{root.path() / L"SystemLocal"};
    test::workstation station{root.path()};
    fs::path install;
    std::vector<user> users;

    void SetUp() override
    {
        station.add_settings_keys(L"5.2.1");
        install = station.add_release({L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022", L"<<Unnamed Profile>>", L"x", L"t"});
        fs::create_directories(root.path() / L"client" / L"A2022");
    }
    void TearDown() override
    {
        forget_users();
        EXPECT_FALSE(hive_left_loaded());
    }
    // Only the logged-on users' keys: under Wine the running user's SID names the prefix's own
    // HKEY_CURRENT_USER.
    void forget_users()
    {
        for (const user& each : users)
            if (each.how == kind::logged_on)
                RegDeleteTreeW(HKEY_USERS, each.sid.c_str());
        users.clear();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, profile_list.c_str());
    }

    // A real AutoCAD 2024 export (its "ACAD" expandable), moved under R24.1, which the client
    // connects, into a scratch key; then where that kind of user keeps it.
    void add_user(kind how, const std::wstring& name)
    {
        const std::wstring sid = how == kind::running ? host::running_user_sid()
                                                      : L"S-1-5-21-" + std::to_wstring(GetCurrentProcessId()) + L"-7-" +
                                                            std::to_wstring(users.size()) + L"-1001";
        const fs::path folder = root.path() / L"Users" / name;
        fs::remove_all(folder);
        fs::create_directories(folder);
        users.push_back({how, sid, folder});
        test::created_key(HKEY_LOCAL_MACHINE, profile_list + L"\\" + sid).set(L"ProfileImagePath", folder.wstring(), REG_EXPAND_SZ);

        const std::wstring scratch = L"Prepared\\" + name, from = L"\\Software\\Autodesk\\AutoCAD\\R24.3\\ACAD-7101:409\\";
        std::wstring text = test::read_reg_file(test::program_folder() / L"real-profiles" /
                                                L"r24.3_acad2024_iaso2h_enu_acad-reg-expand-sz.reg");
        for (size_t at = 0; (at = text.find(from, at)) != std::wstring::npos;)
            text.replace(at, from.size(), L"\\" + scratch + L"\\Software\\Autodesk\\AutoCAD\\R24.1\\ACAD-5101:409\\");
        test::load_reg_text(text);
        test::created_key(HKEY_CURRENT_USER, scratch + L"\\Software\\Autodesk\\AutoCAD\\R24.1").set(L"CurVer", L"ACAD-5101:409");
        if (how == kind::running) {
            EXPECT_EQ(RegCopyTreeW(HKEY_CURRENT_USER, scratch.c_str(), HKEY_CURRENT_USER), ERROR_SUCCESS);
        } else if (how == kind::logged_on) {
            HKEY target = nullptr;
            RegCreateKeyExW(HKEY_USERS, sid.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr);
            EXPECT_EQ(RegCopyTreeW(HKEY_CURRENT_USER, scratch.c_str(), target), ERROR_SUCCESS);
            RegCloseKey(target);
        } else if (how == kind::hive_file) {
            HKEY prepared = nullptr;
            RegOpenKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, KEY_READ, &prepared);
            enable_backup_privilege();
            EXPECT_EQ(RegSaveKeyW(prepared, (folder / L"NTUSER.DAT").c_str(), nullptr), ERROR_SUCCESS);
            RegCloseKey(prepared);
        } else if (how == kind::damaged) {
            std::ofstream(folder / L"NTUSER.DAT") << "regf, cut short by a full disk";
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
    }

    std::wstring shown(size_t index) const { return users[index].folder.filename().wstring() + L" (" + users[index].sid + L")"; }
    // The user's "ACAD" where it stays, with its type.
    std::wstring support_path(size_t index) const
    {
        const bool running = users[index].how == kind::running;
        wchar_t data[1024] = {};
        DWORD size = sizeof data, type = 0;
        RegGetValueW(running ? HKEY_CURRENT_USER : HKEY_USERS,
                     ((running ? L"" : users[index].sid + L"\\") + profile_key + L"\\General").c_str(), L"ACAD",
                     RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size);
        return std::to_wstring(type) + L": " + data;
    }
    fs::path points(size_t index) const { return users[index].folder / L"AppData\\Local\\VORN\\PLAXOR\\Restore Points"; }
    std::wstring client() const { return (root.path() / L"client").wstring() + L"\\"; }
};

// A running, a logged-on and a not logged-on user and a profile without a hive, in one run after
// another: each worked on in its own registry, with its own restore points, chosen by name or SID.
// The logged-on user's --check after the connect reads what stayed; the restore puts the running
// user's value back exactly, its type included; the disconnect leaves the logged-on user's list as
// connect found it (written back without its closing semicolon).
TEST_F(Fleet, EveryUserIsWorkedOnInItsOwnRegistry)
{
    add_user(kind::running, L"runner");
    add_user(kind::logged_on, L"present");
    add_user(kind::hive_file, L"absent");
    add_user(kind::no_hive, L"gone");
    const std::wstring original = support_path(0);
    struct step {
        std::vector<std::wstring> args;  // "POINT": the running user's first restore point
        int code;
        std::wstring out;  // a part of the output
        std::wstring err = {};
    };
    const std::wstring client_folder = client(), not_connected = L":\nR24.1 AutoCAD 2022: not connected\n";
    const step steps[] = {
        {{L"status", L"--check", L"--all-users", L"--client-folder", client_folder}, 1, L"User " + shown(2) + not_connected,
         L"plaxorcfg: 3 releases that can be connected are not connected\n"},
        {{L"status", L"--user", L"ABSENT", L"--client-folder", client_folder}, 0,
         L"\nUser " + shown(2) + L":\nInstance Factory: \nCached Base:      \nR24.1 AutoCAD 2022: not connected\n"},
        {{L"status", L"--json", L"--all-users"}, 0,
         L"      \"sid\": \"" + users[2].sid + L"\",\n      \"instance_factory\": \"\",\n      \"cached_base\": \"\",\n      \"releases\": [",
         L"plaxorcfg: warning: " + shown(3) + L": skipped: no " + (users[3].folder / L"NTUSER.DAT").wstring() + L"\n"},
        {{L"connect", L"--all", L"--all-users", L"--client-folder", client_folder}, 0,
         L"User " + shown(2) + L":\nR24.1 AutoCAD 2022: connected\nRestore point: " + points(2).wstring() + L"\\"},
        {{L"status", L"--check", L"--user", users[1].sid, L"--client-folder", client_folder}, 0,
         L"User " + shown(1) + L":\nEvery release that can be connected is connected.\n"},
        {{L"restore", L"--list", L"--all-users"}, 0, L"User " + shown(3) + L":\n  skipped: no " + (users[3].folder / L"NTUSER.DAT").wstring()},
        {{L"restore", L"--list", L"--all-users"}, 0, L"User " + shown(2) + L":\nRestore points in " + points(2).wstring()},
        {{L"restore", L"--user", users[0].sid, L"POINT"}, 0, L"Put back 2 values from " + points(0).wstring()},
        {{L"disconnect", L"--all", L"--user", L"present", L"--client-folder", client_folder}, 0, L": disconnected\n"},
        {{L"status", L"--user", L"nobody"}, 1, L"", L"plaxorcfg: no user profile of this machine is nobody (users: "},
        {{L"status", L"--all-users", L"--user", L"present"}, 2, L"", L"plaxorcfg: status takes either --all-users or --user"},
        {{L"status", L"--check", L"--json"}, 2, L"", L"plaxorcfg: --json is not an option of status --check"},
        {{L"restore", L"2025-01-01_00-00-00", L"--all-users"}, 2, L"", L"plaxorcfg: restore puts a point back for one user"},
    };
    for (const step& s : steps) {
        std::vector<std::wstring> args = s.args;
        if (args.back() == L"POINT")
            args.back() = fs::directory_iterator(points(0))->path().stem().wstring();
        SCOPED_TRACE(testing::PrintToString(args));
        const run_result result = run(args);
        EXPECT_EQ(result.code, s.code) << result.err;
        EXPECT_NE(result.out.find(s.out), std::wstring::npos) << result.out;
        EXPECT_EQ(result.err.substr(0, s.err.size()), s.err);
    }
    EXPECT_EQ(support_path(0), original);
    EXPECT_EQ(support_path(1), original.substr(0, original.size() - 1));
    EXPECT_FALSE(fs::exists(root.path() / L"SystemLocal")) << "a point went to the running process's own folder";
}

// Each user's folders come from that user's own settings; the account the run works as (SYSTEM,
// which has none) neither lends its folders nor warns that it has none, and a user who never ran
// AutoCAD is said to have no release, without a warning. A user whose release is another product
// of it is shown with that product's install folder, not with the one read for another user.
TEST_F(Fleet, EachUserShowsItsOwnFolders)
{
    add_user(kind::running, L"runner");
    add_user(kind::logged_on, L"present");
    add_user(kind::logged_on, L"newcomer");
    const test::created_key present_settings(HKEY_USERS, users[1].sid + L"\\SOFTWARE\\VORN\\PLAXOR");
    present_settings.set(L"InsFactory", L"D:\\Present\\Factory\\");
    present_settings.set(L"CachedBase", L"D:\\Present\\Cached\\");
    const std::wstring release = users[1].sid + L"\\Software\\Autodesk\\AutoCAD\\R24.1";
    HKEY other_product = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_USERS, (release + L"\\ACAD-5102:409").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &other_product, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCopyTreeW(HKEY_USERS, (release + L"\\ACAD-5101:409").c_str(), other_product), ERROR_SUCCESS);
    RegCloseKey(other_product);
    test::created_key(HKEY_USERS, release).set(L"CurVer", L"ACAD-5102:409");
    test::created_key(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD\\R24.1\\ACAD-5102:409").set(L"AcadLocation", L"D:\\Other\\AutoCAD 2022");
    ASSERT_EQ(RegDeleteTreeW(HKEY_USERS, (users[2].sid + L"\\Software\\Autodesk").c_str()), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR"), ERROR_SUCCESS);

    const run_result text = run({L"status", L"--all-users", L"--client-folder", client()});
    EXPECT_EQ(text.code, 0);
    EXPECT_EQ(text.err, L"");
    EXPECT_EQ(text.out.find(L"Instance Factory: \nCached Base:      \nClient folder:"), std::wstring::npos) << text.out;
    for (const std::wstring& part : {L"User " + shown(0) + L":\nInstance Factory: \nCached Base:      \nR24.1",
                                     L"User " + shown(1) + L":\nInstance Factory: D:\\Present\\Factory\\\nCached Base:      D:\\Present\\Cached\\\nR24.1",
                                     std::wstring(L"product ACAD-5102:409, profile <<Unnamed Profile>>\n  installed in D:\\Other\\AutoCAD 2022\\\n"),
                                     L"User " + shown(2) + L":\nInstance Factory: \nCached Base:      \nNo AutoCAD release of this user.\n"})
        EXPECT_NE(text.out.find(part), std::wstring::npos) << text.out;
    EXPECT_EQ(text.out.find(L"ACAD-5101:409, profile <<Unnamed Profile>>\n  installed in D:\\Other"), std::wstring::npos) << text.out;
    for (const wchar_t* which : {L"--all", L"--release"}) {
        std::vector<std::wstring> args = {L"connect", which, L"--all-users", L"--client-folder", client()};
        if (which == std::wstring(L"--release"))
            args.insert(args.begin() + 2, L"R24.1");
        const run_result connect = run(args);
        EXPECT_EQ(connect.code, 0) << which;
        EXPECT_EQ(connect.err, L"") << which;
        EXPECT_NE(connect.out.find(L"User " + shown(2) + L":\nNo AutoCAD release of this user.\n"), std::wstring::npos) << connect.out;
    }

    const run_result json = run({L"status", L"--json", L"--user", L"present"});
    EXPECT_EQ(json.err, L"");
    EXPECT_NE(json.out.find(L"\"sid\": \"" + users[1].sid + L"\",\n      \"instance_factory\": \"D:\\\\Present\\\\Factory\\\\\",\n"),
              std::wstring::npos)
        << json.out;
    EXPECT_EQ(json.out.find(L"\"instance_factory\"", json.out.find(L"\"users\"")) - json.out.find(L"\"instance_factory\""), 0u)
        << "the run's own folders are not given beside the users'";
}

// Users skipped: the exit code says what kept them, the others are done all the same, and no hive
// stays loaded, also when a user's work fails while its hive is loaded.
TEST_F(Fleet, SkippedUsersSetTheExitCodeAndLeaveNoHiveLoaded)
{
    struct row {
        const char* name;
        bool acad_running;   // for the running user: under Wine every process is that user's
        kind last;
        bool point_blocked;  // the last user's restore points cannot be written
        int code;
        std::wstring err;    // the start of the line on standard error
    };
    const std::wstring incomplete = L"plaxorcfg: not done for every user: last (";
    const row rows[] = {
        {"damaged hive", false, kind::damaged, false, 1, incomplete},
        {"AutoCAD running", true, kind::no_hive, false, 1618, L"plaxorcfg: "},
        {"running and damaged", true, kind::damaged, false, 1, incomplete},
        {"refused write", false, kind::hive_file, true, 1, incomplete},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        forget_users();
        add_user(kind::running, L"runner");
        add_user(kind::logged_on, L"present");
        add_user(kind::hive_file, L"absent");
        add_user(r.last, L"last");
        const std::wstring original = support_path(0);
        if (r.point_blocked)
            std::ofstream(users[3].folder / L"AppData") << "a file where the local application data would go";
        const auto acad = r.acad_running ? std::make_unique<test::running_acad>(install / L"acad.exe") : nullptr;

        const run_result result = run({L"connect", L"--all", L"--all-users", L"--client-folder", client()});
        EXPECT_EQ(result.code, r.code) << result.err;
        EXPECT_EQ(result.err.substr(0, r.err.size()), r.err);
        EXPECT_NE(support_path(1), original);
        EXPECT_NE(result.out.find(L"User " + shown(2) + L":\nR24.1 AutoCAD 2022: connected\n"), std::wstring::npos)
            << result.out;
        EXPECT_EQ(support_path(0) == original, r.acad_running);
        EXPECT_EQ(result.err.find(users[0].sid + L"): AutoCAD 2022 is running") != std::wstring::npos, r.acad_running);
        const std::wstring damaged = shown(3) + L": the hive cannot be loaded: " +
                                     (users[3].folder / L"NTUSER.DAT").wstring() + L": " +
                                     test::system_line(ERROR_NOT_REGISTRY_FILE);
        EXPECT_EQ(result.err.find(damaged) != std::wstring::npos, r.last == kind::damaged) << result.err;
        EXPECT_FALSE(hive_left_loaded());
        if (r.last == kind::damaged) {  // without the users' headings: named once, in the last line
            const run_result json = run({L"status", L"--json", L"--all-users"});
            EXPECT_EQ(json.code, 1);
            const std::wstring reason = L"the hive cannot be loaded: " + (users[3].folder / L"NTUSER.DAT").wstring();
            EXPECT_EQ(json.err.find(reason), json.err.rfind(reason)) << json.err;
        }
    }
}

}  // namespace

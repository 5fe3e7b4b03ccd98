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
    std::wstring out;
    std::wstring err;
};

run_result run(const std::vector<std::wstring>& args)
{
    cli::string_sink out, err;
    const int code = cli::plaxorcfg_main(args, out, err);
    return {code, out.text(), err.text()};
}

enum class kind { running, logged_on, hive_file, no_hive, damaged };

struct user {
    kind how;
    std::wstring sid;
    fs::path folder;  // the profile folder; its name is the user's, as the system knows none
};

// Whether the text shows that a hive of this process is still loaded under HKEY_USERS.
bool hive_left_loaded()
{
    const std::wstring ours = L"plaxorcfg-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(HKEY_USERS, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        if (std::wstring(name).rfind(ours, 0) == 0)
            return true;
    }
}

// Saving a key as a hive file takes it, as loading one does.
void enable_backup_privilege()
{
    HANDLE token = nullptr;
    TOKEN_PRIVILEGES wanted{1, {{{}, SE_PRIVILEGE_ENABLED}}};
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token) &&
        LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &wanted.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &wanted, sizeof wanted, nullptr, nullptr);
    CloseHandle(token);
}

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
    // Only the keys of the logged-on users made here: under Wine the running user's SID names the
    // prefix's own HKEY_CURRENT_USER.
    void forget_users()
    {
        for (const user& each : users)
            if (each.how == kind::logged_on)
                RegDeleteTreeW(HKEY_USERS, each.sid.c_str());
        users.clear();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, profile_list.c_str());
    }

    // The user's AutoCAD 2024 export, moved under R24.1 (which the client connects), first in a
    // scratch key; then where that kind of user keeps it.
    void add_user(kind how, const std::wstring& name)
    {
        const std::wstring sid = how == kind::running ? host::running_user_sid()
                                                      : L"S-1-5-21-" + std::to_wstring(GetCurrentProcessId()) + L"-7-" +
                                                            std::to_wstring(users.size()) + L"-1001";
        const fs::path folder = root.path() / L"Users" / name;
        fs::remove_all(folder);
        fs::create_directories(folder);
        users.push_back({how, sid, folder});
        test::created_key(HKEY_LOCAL_MACHINE, profile_list + L"\\" + sid)
            .set(L"ProfileImagePath", folder.wstring(), REG_EXPAND_SZ);

        const std::wstring scratch = L"Prepared\\" + name;
        std::wstring text = test::read_reg_file(test::program_folder() / L"real-profiles" /
                                                L"r24.3_acad2024_iaso2h_enu_acad-reg-expand-sz.reg");
        const std::wstring from = L"HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD\\R24.3\\ACAD-7101:409\\";
        const std::wstring to = L"HKEY_CURRENT_USER\\" + scratch + L"\\Software\\Autodesk\\AutoCAD\\R24.1\\ACAD-5101:409\\";
        for (size_t at = 0; (at = text.find(from, at)) != std::wstring::npos;)
            text.replace(at, from.size(), to);
        test::load_reg_text(text);
        test::created_key(HKEY_CURRENT_USER, scratch + L"\\Software\\Autodesk\\AutoCAD\\R24.1").set(L"CurVer", L"ACAD-5101:409");

        HKEY prepared = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, KEY_ALL_ACCESS, &prepared), ERROR_SUCCESS);
        HKEY target = nullptr;
        if (how == kind::running || how == kind::logged_on) {
            const HKEY hive = how == kind::running ? HKEY_CURRENT_USER : HKEY_USERS;
            ASSERT_EQ(RegCreateKeyExW(hive, how == kind::running ? L"" : sid.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                      nullptr, &target, nullptr),
                      ERROR_SUCCESS);
            EXPECT_EQ(RegCopyTreeW(prepared, nullptr, target), ERROR_SUCCESS);
            RegCloseKey(target);
        } else if (how == kind::hive_file) {
            enable_backup_privilege();
            EXPECT_EQ(RegSaveKeyW(prepared, (folder / L"NTUSER.DAT").c_str(), nullptr), ERROR_SUCCESS);
        } else if (how == kind::damaged) {
            std::ofstream(folder / L"NTUSER.DAT") << "regf, cut short by a full disk";
        }
        RegCloseKey(prepared);
        RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
    }

    std::wstring shown(size_t index) const
    {
        return users[index].folder.filename().wstring() + L" (" + users[index].sid + L")";
    }
    // What the user's "ACAD" holds now, where it stays.
    std::wstring support_path(size_t index) const
    {
        const HKEY hive = users[index].how == kind::running ? HKEY_CURRENT_USER : HKEY_USERS;
        const std::wstring under = users[index].how == kind::running ? L"" : users[index].sid + L"\\";
        wchar_t data[1024] = {};
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegGetValueW(hive, (under + profile_key + L"\\General").c_str(), L"ACAD", RRF_RT_ANY | RRF_NOEXPAND, &type,
                         data, &size) != ERROR_SUCCESS)
            return L"(none)";
        return (type == REG_EXPAND_SZ ? L"expandable: " : L"") + std::wstring(data);
    }
    std::vector<fs::path> points_of(size_t index) const
    {
        std::vector<fs::path> points;
        const fs::path folder = users[index].folder / L"AppData\\Local\\VORN\\PLAXOR\\Restore Points";
        if (fs::exists(folder))
            for (const auto& entry : fs::directory_iterator(folder))
                points.push_back(entry.path());
        return points;
    }
    std::wstring client() const { return (root.path() / L"client").wstring() + L"\\"; }
};

const std::wstring original =
    L"expandable: %UserProfile%\\AppData\\Roaming\\Autodesk\\AutoCAD 2024\\R24.3\\enu\\Support;D:\\Program Files\\"
    L"Autodesk\\AutoCAD 2024\\Support;D:\\Program Files\\Autodesk\\AutoCAD 2024\\Support\\en-US;D:\\Program Files\\"
    L"Autodesk\\AutoCAD 2024\\Fonts;D:\\Program Files\\Autodesk\\AutoCAD 2024\\help;D:\\Program Files\\Autodesk\\"
    L"AutoCAD 2024\\express;D:\\Program Files\\Autodesk\\AutoCAD 2024\\Support\\Color;";

// Connect, check, disconnect and restore across a running, a logged-on, a not logged-on user and
// a profile without a hive: each in its own registry, with its own restore points.
TEST_F(Fleet, EveryUserIsWorkedOnInItsOwnRegistry)
{
    add_user(kind::running, L"runner");
    add_user(kind::logged_on, L"present");
    add_user(kind::hive_file, L"absent");
    add_user(kind::no_hive, L"gone");
    // A path list is written back without the empty entry after its last semicolon.
    const std::wstring connected = L"expandable: " + client() + L"A2022;" + root.path().wstring() + L"\\client;" +
                                   original.substr(12, original.size() - 13);

    const run_result before = run({L"status", L"--check", L"--all-users", L"--client-folder", client()});
    EXPECT_EQ(before.code, 1) << before.err;
    EXPECT_NE(before.out.find(L"User " + shown(2) + L":\nR24.1 AutoCAD 2022: not connected\n"), std::wstring::npos)
        << before.out;
    EXPECT_EQ(before.err, L"plaxorcfg: 3 releases that can be connected are not connected\n");

    const run_result connect = run({L"connect", L"--all", L"--all-users", L"--client-folder", client()});
    EXPECT_EQ(connect.code, 0) << connect.err;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NE(connect.out.find(L"User " + shown(i) + L":\nR24.1 AutoCAD 2022: connected\nRestore point: " +
                                   points_of(i).at(0).wstring()),
                  std::wstring::npos)
            << connect.out;
    }
    EXPECT_NE(connect.out.find(L"User " + shown(3) + L":\n  skipped: no " + (users[3].folder / L"NTUSER.DAT").wstring()),
              std::wstring::npos);
    EXPECT_EQ(support_path(0), connected);
    EXPECT_EQ(support_path(1), connected);
    EXPECT_FALSE(fs::exists(root.path() / L"SystemLocal")) << "a point went to the running process's own folder";

    const run_result check = run({L"status", L"--check", L"--user", users[1].sid, L"--client-folder", client()});
    EXPECT_EQ(check.code, 0) << check.err;
    EXPECT_EQ(check.out, L"User " + shown(1) + L":\nEvery release that can be connected is connected.\n");

    const run_result list = run({L"restore", L"--list", L"--all-users"});
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_NE(list.out.find(L"User " + shown(2) + L":\nRestore points in " + points_of(2)[0].parent_path().wstring() +
                            L":\n  " + points_of(2)[0].stem().wstring() + L"  2 values\n"),
              std::wstring::npos)
        << list.out;

    const run_result restored = run({L"restore", L"--user", L"runner", points_of(0)[0].stem().wstring()});
    EXPECT_EQ(restored.code, 0) << restored.err;
    EXPECT_EQ(support_path(0), original);
    EXPECT_EQ(support_path(1), connected);

    const run_result disconnect = run({L"disconnect", L"--all", L"--user", L"present", L"--client-folder", client()});
    EXPECT_EQ(disconnect.code, 0) << disconnect.err;
    EXPECT_EQ(support_path(1), original.substr(0, original.size() - 1));
}

// Users skipped: the exit code says what kept them, the others are done all the same, and no hive
// stays loaded, also when a user's work fails while its hive is loaded.
TEST_F(Fleet, SkippedUsersSetTheExitCodeAndLeaveNoHiveLoaded)
{
    struct row {
        const char* name;
        bool acad_running;  // for the running user: under Wine every process is that user's
        kind last;
        bool point_blocked;  // the last user's restore points cannot be written
        int code;
        std::wstring err;  // the start of the line on standard error
    };
    const std::wstring damaged_reason = L": the hive cannot be loaded: ";
    const row rows[] = {
        {"damaged hive", false, kind::damaged, false, 1, L"plaxorcfg: not done for every user: "},
        {"AutoCAD running", true, kind::no_hive, false, 1618, L"plaxorcfg: runner ("},
        {"running and damaged", true, kind::damaged, false, 1, L"plaxorcfg: not done for every user: "},
        {"refused write", false, kind::hive_file, true, 1, L"plaxorcfg: not done for every user: "},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        forget_users();
        add_user(kind::running, L"runner");
        add_user(kind::logged_on, L"present");
        add_user(kind::hive_file, L"absent");
        add_user(r.last, L"last");
        if (r.point_blocked)
            std::ofstream(users[3].folder / L"AppData") << "a file where the local application data would go";
        const auto acad = r.acad_running ? std::make_unique<test::running_acad>(install / L"acad.exe") : nullptr;

        const run_result result = run({L"connect", L"--all", L"--all-users", L"--client-folder", client()});
        EXPECT_EQ(result.code, r.code) << result.err;
        EXPECT_EQ(result.err.rfind(r.err, 0), 0u) << result.err;
        EXPECT_NE(support_path(1), original);
        EXPECT_NE(result.out.find(L"User " + shown(2) + L":\nR24.1 AutoCAD 2022: connected\n"), std::wstring::npos)
            << result.out;
        EXPECT_EQ(support_path(0) == original, r.acad_running);
        if (r.last == kind::damaged) {
            EXPECT_NE(result.err.find(shown(3) + damaged_reason + (users[3].folder / L"NTUSER.DAT").wstring() + L": " +
                                      test::system_line(ERROR_NOT_REGISTRY_FILE)),
                      std::wstring::npos)
                << result.err;
        }
        EXPECT_FALSE(hive_left_loaded());
    }
}

TEST_F(Fleet, UsersAreChosenByNameOrSid)
{
    add_user(kind::logged_on, L"present");
    add_user(kind::hive_file, L"absent");
    struct row {
        std::vector<std::wstring> args;
        int code;
        std::wstring out;  // a line the output holds
    };
    const row rows[] = {
        {{L"status", L"--user", L"ABSENT"}, 0, L"\nUser " + shown(1) + L":\nR24.1 AutoCAD 2022: not connected\n"},
        {{L"status", L"--user", users[0].sid}, 0, L"User " + shown(0) + L":\n"},
        {{L"status", L"--json", L"--all-users"}, 0, L"      \"sid\": \"" + users[1].sid + L"\",\n      \"releases\": ["},
        {{L"status", L"--user", L"nobody"}, 1, L""},
        {{L"status", L"--all-users", L"--user", L"present"}, 2, L""},
        {{L"status", L"--check", L"--json"}, 2, L""},
        {{L"restore", L"2025-01-01_00-00-00", L"--all-users"}, 2, L""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.args.back()));
        const run_result result = run(r.args);
        EXPECT_EQ(result.code, r.code) << result.err;
        EXPECT_NE(result.out.find(r.out), std::wstring::npos) << result.out;
        EXPECT_EQ(result.err.empty(), r.code == 0) << result.err;
    }
}

}  // namespace

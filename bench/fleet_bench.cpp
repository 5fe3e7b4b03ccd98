// Times `plaxorcfg connect --all --all-users` as a process of its own over the 20 users of
// fleet_hives.h, none logged on: each user's hive is loaded from its file, four releases are
// connected, and it is unloaded again. In the same run, taking turns with it, the floor:
// bare_fleet.exe, a console program built alike that does with the bare calls what the command
// must do by contract: the same loads, discovery reads, restore point files, writes, read-backs
// and unloads. Beside it, for comparison, the same program without the restore points: the hive
// calls alone. Under Wine an unloaded hive is not written back to its file, so every round finds
// the same unconnected profiles.
//
// A started program does not see a registry sandbox, so the profile list entries and the machine's
// keys go into the Wine prefix's own registry under keys that were not there before, and are
// removed afterwards. The hive files are written from keys prepared in a sandbox.

#include "bench_prefix_keys.h"
#include "bench_releases.h"
#include "bench_timing.h"
#include "fleet_hives.h"

#include "support/created_key.h"
#include "support/program_copy.h"
#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int rounds = 31;  // a process run takes a fifth of a second: enough for a steady median
constexpr int warm_up_rounds = 3;

std::wstring sid_of(int user)
{
    return fleet::sid_prefix + std::to_wstring(fleet::first_rid + user);
}

void enable_backup_privilege()
{
    HANDLE token = nullptr;
    TOKEN_PRIVILEGES wanted{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token) ||
        !LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &wanted.Privileges[0].Luid) ||
        !AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr))
        throw std::runtime_error("the backup privilege cannot be enabled");
    CloseHandle(token);
}

// One user's keys as AutoCAD and the program leave them, saved as a hive file: the program's
// folders for the user and the four releases' current profiles with a full install's paths.
fs::path write_hive_file(const fs::path& folder)
{
    const test::registry_sandbox sandbox;
    const test::workstation station(folder / L"station");
    station.add_settings_keys(L"5.2.1");
    const std::vector<test::installed_release> table = bench::table_releases(false);
    for (const fleet::release& row : fleet::releases) {
        const auto stock = std::find_if(table.begin(), table.end(), [&](const auto& setup) { return setup.release == row.release; });
        if (stock == table.end())
            throw std::runtime_error("a release of the fleet is not in the product table");
        station.add_release({row.release, row.product_key, row.product_name, fleet::profile, stock->support_path,
                             stock->trusted_paths, false});
    }
    const fs::path file = folder / L"NTUSER.DAT";
    enable_backup_privilege();
    if (RegSaveKeyW(HKEY_CURRENT_USER, file.c_str(), nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("the user's keys cannot be saved as a hive file");
    return file;
}

// The machine's side: the program's Version, the releases' install keys and a profile list entry
// with a profile folder and its hive file for each user.
void add_users(const fs::path& root, const fs::path& hive_file)
{
    test::created_key(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN\\PLAXOR").set(L"Version", L"5.2.1");
    for (const fleet::release& row : fleet::releases) {
        const test::created_key machine(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\Autodesk\\AutoCAD\\") + row.release +
                                                                L"\\" + row.product_key);
        machine.set(L"AcadLocation", std::wstring(L"C:\\Program Files\\Autodesk\\") + row.product_name);
        machine.set(L"ProductName", row.product_name);
    }
    for (int user = 0; user < fleet::user_count; ++user) {
        const fs::path profile = root / L"Users" / (L"fleet" + std::to_wstring(user + 1));
        fs::create_directories(profile / L"AppData\\Local");
        fs::copy_file(hive_file, profile / L"NTUSER.DAT");
        const test::created_key entry(HKEY_LOCAL_MACHINE, std::wstring(fleet::profile_list) + L"\\" + sid_of(user));
        entry.set(L"ProfileImagePath", profile.wstring(), REG_EXPAND_SZ);
        entry.set_number(L"Flags", 0);
        entry.set_number(L"State", 0);
        PSID sid = nullptr;
        if (ConvertStringSidToSidW(sid_of(user).c_str(), &sid)) {
            entry.set_bytes(L"Sid", REG_BINARY, std::string(static_cast<const char*>(sid), GetLengthSid(sid)));
            LocalFree(sid);
        }
    }
}

size_t count(const std::string& text, const std::string& part)
{
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

// Started and waited for; Wine now and then refuses a start that comes this fast (error 1359),
// and the next attempt starts it.
int run_started(const std::wstring& command, const fs::path& output)
{
    int code = test::run_program(command, output);
    if (code == -1)
        code = test::run_program(command, output);
    return code;
}

bool ended_well(const char* name, int code, const fs::path& output, size_t wanted_connected)
{
    const std::string text = test::read_file(output);
    if (code == 0 && count(text, "connected") >= wanted_connected)
        return true;
    std::fprintf(stderr, "%s ended with %d and printed:\n%s%s\n", name, code, text.c_str(),
                 test::read_file(output.wstring() + L".err").c_str());
    return false;
}

int run()
{
    std::vector<bench::prefix_key> wanted = {{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD"},
                                             {HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN\\PLAXOR"}};
    for (int user = 0; user < fleet::user_count; ++user)
        wanted.push_back({HKEY_LOCAL_MACHINE, std::wstring(fleet::profile_list) + L"\\" + sid_of(user)});
    const bench::added_keys keys(wanted);
    test::scripted_seam seam;  // a box while the workstation is written would block the run
    const test::temp_folder root;
    add_users(root.path(), write_hive_file(root.path()));

    const fs::path programs = test::program_folder();
    const std::wstring plaxorcfg = L"\"" + (programs / L"plaxorcfg.exe").wstring() + L"\"";
    const std::wstring connect = plaxorcfg + L" connect --all --all-users --client-folder \"" + fleet::client_folder + L"\"";
    const std::wstring bare = L"\"" + (programs / L"bare_fleet.exe").wstring() + L"\"";
    const fs::path connect_out = root.path() / L"connect.txt";
    const std::wstring hive_calls = bare + L" --hive-calls-only";
    const fs::path bare_out = root.path() / L"bare.txt";
    const fs::path hive_calls_out = root.path() / L"hive_calls.txt";
    int connect_code = 0, bare_code = 0, hive_calls_code = 0;
    const auto times = bench::time_rounds(
        warm_up_rounds, rounds, bench::order::taking_turns,
        {{[&] { connect_code = run_started(connect, connect_out); },
          [&] {
              return ended_well("plaxorcfg.exe connect --all --all-users", connect_code, connect_out,
                                fleet::user_count * std::size(fleet::releases));
          }},
         {[&] { bare_code = run_started(bare, bare_out); }, [&] { return ended_well("bare_fleet.exe", bare_code, bare_out, 0); }},
         {[&] { hive_calls_code = run_started(hive_calls, hive_calls_out); },
          [&] { return ended_well("bare_fleet.exe --hive-calls-only", hive_calls_code, hive_calls_out, 0); }}});
    if (!times)
        return 1;

    const double connect_ms = bench::median((*times)[0]);
    const double floor_ms = bench::median((*times)[1]);
    bench::print_milliseconds("fleet_connect_all_users_20_hives", connect_ms, 1);
    bench::print_milliseconds("fleet_floor_bare_process", floor_ms, 1);
    const double hive_calls_ms = bench::median((*times)[2]);
    bench::print_ratio("fleet_ratio_to_floor", connect_ms / floor_ms);
    bench::print_milliseconds("fleet_hive_calls_alone_process", hive_calls_ms, 1);
    bench::print_ratio("fleet_ratio_to_hive_calls_alone", connect_ms / hive_calls_ms);
    return 0;
}

}  // namespace

int main()
{
    return bench::run_guarded("fleet_bench", run);
}

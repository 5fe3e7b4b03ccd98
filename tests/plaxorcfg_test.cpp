// The command line and the restore points: most cases run plaxorcfg's commands in this process on
// the sandboxed registry; a few start plaxorcfg.exe, reg.exe and Python as processes of their
// own, which see the Wine prefix's real registry, so those cases build their keys there and
// remove them again.

#include "cli/plaxorcfg.h"
#include "connections/connection.h"
#include "host/acad_discovery.h"
#include "host/profile_connection.h"
#include "host/restore_point.h"

#include "ui/show_error.h"
#include "support/moved_local_data.h"
#include "support/program_copy.h"
#include "support/created_key.h"
#include "support/denied_key_rights.h"
#include "support/reg_fixture.h"
#include "support/registry_sandbox.h"
#include "support/running_acad.h"
#include "support/scripted_seam.h"
#include "support/temp_folder.h"
#include "support/unix_service.h"
#include "support/workstation.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <thread>

namespace {

namespace fs = std::filesystem;
using registry_map = std::map<std::wstring, host::stored_value>;

const std::wstring autocad = L"Software\\Autodesk\\AutoCAD";
const std::wstring machine_2022 = L"SOFTWARE\\Autodesk\\AutoCAD\\R24.1\\ACAD-5101:409";
const std::wstring tool = L"D:\\Tool";
const std::wstring active_setup_key =
    L"SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{EBC89940-9232-4A31-8419-832FC4A194C9}";

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

// Every key (as "path\") and value ("path\name") under the key, exactly as stored.
void snapshot(HKEY hive, const std::wstring& path, registry_map& into)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    into[path + L"\\"] = {};
    wchar_t name[512];
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD length = 512;
        if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        host::read_stored_value(key, name, into[path + L"\\" + name]);
    }
    for (DWORD i = 0;; ++i) {
        DWORD length = 512;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.push_back(path.empty() ? name : path + L"\\" + name);
    }
    RegCloseKey(key);
    for (const std::wstring& subkey : subkeys)
        snapshot(hive, subkey, into);
}

registry_map snapshot(HKEY hive, const std::wstring& path)
{
    registry_map values;
    snapshot(hive, path, values);
    return values;
}

host::stored_value stored(const std::wstring& key, const wchar_t* name)
{
    host::stored_value value;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS) {
        host::read_stored_value(opened, name, value);
        RegCloseKey(opened);
    }
    return value;
}

// The line of the output that starts so, without the start.
std::wstring line_after(const std::wstring& text, const std::wstring& start)
{
    const size_t at = text.find(start);
    return at == std::wstring::npos ? L"" : text.substr(at + start.size(), text.find(L'\n', at) - at - start.size());
}

bool one_line(const std::wstring& text) { return !text.empty() && text.find(L'\n') == text.size() - 1; }

// Standard error after the warnings of what the run went past, which come first.
std::wstring after_warnings(const std::wstring& err)
{
    constexpr std::wstring_view warning = L"plaxorcfg: warning: ";
    size_t start = 0;
    while (err.compare(start, warning.size(), warning) == 0 && err.find(L'\n', start) != std::wstring::npos)
        start = err.find(L'\n', start) + 1;
    return err.substr(start);
}

// A real profile export, moved under R24.1 (a release that can be connected), with what no export
// holds: CurVer, the current profile, the machine's install keys and a Variables key.
struct real_profile {
    const wchar_t* file;        // null: ACAD is the built 5,000-character support path
    const wchar_t* moved_from;  // the export's "\<release>\<product key>\"
    const wchar_t* profile;
};

const real_profile real_profiles[] = {
    {L"r20.0_acad2015_lendres_double-space-profile_mixed-case.reg", L"\\R20.0\\ACAD-E001:409\\", L"2015 -  With Menus"},
    {L"r20.0_acad2015_lendres_unnamed_empty-trustedpaths.reg", L"\\R20.0\\ACAD-E001:409\\", L"<<Unnamed Profile>>"},
    {L"r24.3_acad2024_iaso2h_enu_acad-reg-expand-sz.reg", L"\\R24.3\\ACAD-7101:409\\", L"<<Unnamed Profile>>"},
    {L"r24.3_acad2024_iaso2h_chs_non-ascii-profile-name.reg", L"\\R24.3\\ACAD-7101:804\\",
     L"<<\u672a\u547d\u540d\u914d\u7f6e>>"},
    {L"r19.1_aca2014_ramsa_unc-network-paths.reg", L"\\R19.1\\ACAD-D004:409\\", L"RAMSA 2014"},
    {nullptr, nullptr, L"<<Unnamed Profile>>"},
};

// No real value is that long: this one is built from UNC entries like the RAMSA export's.
std::wstring long_support_path()
{
    std::wstring text;
    for (int i = 0; text.size() < 5000; ++i)
        text += (i ? L";" : L"") + std::wstring(L"\\\\ramsacfs\\project\\standards\\support ") + std::to_wstring(i);
    return text.substr(0, 5000);
}

std::wstring install_profile(const real_profile& row)
{
    const std::wstring profile = autocad + L"\\R24.1\\ACAD-5101:409\\Profiles\\" + row.profile;
    if (row.file) {
        std::wstring text = test::read_reg_file((test::program_folder() / L"real-profiles") / row.file);
        for (size_t at = 0; (at = text.find(row.moved_from, at)) != std::wstring::npos;)
            text.replace(at, std::wcslen(row.moved_from), L"\\R24.1\\ACAD-5101:409\\");
        test::load_reg_text(text);
    } else {
        test::created_key(HKEY_CURRENT_USER, profile + L"\\General").set(L"ACAD", long_support_path());
        test::created_key(HKEY_CURRENT_USER, profile + L"\\Variables").set(L"TRUSTEDPATHS", L"t");
    }
    test::created_key(HKEY_CURRENT_USER, autocad + L"\\R24.1").set(L"CurVer", L"ACAD-5101:409");
    test::created_key(HKEY_CURRENT_USER, autocad + L"\\R24.1\\ACAD-5101:409\\Profiles").set(L"", row.profile);
    test::created_key(HKEY_CURRENT_USER, profile + L"\\Variables");
    const test::created_key machine(HKEY_LOCAL_MACHINE, machine_2022);
    machine.set(L"AcadLocation", L"C:\\Program Files\\Autodesk\\AutoCAD 2022");
    machine.set(L"ProductName", L"AutoCAD 2022");
    return profile;
}

std::string utf8(const std::wstring& text)
{
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                         bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

// Python's json module, a strict parser from outside the project, run on the Linux side of Wine
// on a file's bytes: "ok", or what it found wrong. Wine hands out no handle of a Linux process,
// so the verdict comes back in a file.
std::string python_verdict(const fs::path& json_file)
{
    const fs::path script = json_file.parent_path() / L"check_json.py";
    const fs::path verdict = json_file.parent_path() / L"verdict.txt";
    std::ofstream(script) << "import json, os, sys\n"
                             "data = open(sys.argv[1], 'rb').read()\n"
                             "try:\n"
                             "    assert not data.startswith(b'\\xef\\xbb\\xbf'), 'a byte-order mark'\n"
                             "    json.loads(data.decode('utf-8'), parse_constant=lambda word: 1 / 0)\n"
                             "    result = 'ok'\n"
                             "except Exception as problem:\n"
                             "    result = repr(problem)\n"
                             "open(sys.argv[2] + '.part', 'w').write(result)\n"
                             "os.rename(sys.argv[2] + '.part', sys.argv[2])\n";
    fs::remove(verdict);
    std::wstring command = L"\"" + test::dos_path("/usr/bin/python3") + L"\"";
    for (const fs::path& file : {script, json_file, verdict}) {
        const std::string path = test::unix_path(file);
        command += L" \"" + std::wstring(path.begin(), path.end()) + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "python3 could not be started";
    for (const HANDLE handle : {process.hProcess, process.hThread})
        if (handle)
            CloseHandle(handle);
    for (int wait = 0; wait < 600 && !fs::exists(verdict); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return fs::exists(verdict) ? test::read_file(verdict) : "no verdict from python3";
}

class CommandLine : public ::testing::Test {
protected:
    test::registry_sandbox sandbox;
    test::temp_folder root;
    test::workstation station{root.path()};
    test::moved_local_data local_data{root.path() / L"Local"};

    void SetUp() override { station.add_settings_keys(L"5.2.1"); }

    bool made_restore_points() const { return fs::exists(root.path() / L"Local" / L"VORN"); }

    registry_map whole_registry() const
    {
        registry_map both = snapshot(HKEY_CURRENT_USER, L"");
        for (auto& [name, value] : snapshot(HKEY_LOCAL_MACHINE, L""))
            both[L"HKLM\\" + name] = value;
        return both;
    }
};

TEST_F(CommandLine, RealProfilesGoBackExactlyAfterConnectDisconnectAndRestore)
{
    for (const real_profile& row : real_profiles) {
        SCOPED_TRACE(testing::Message() << (row.file ? row.file : L"5,000 characters"));
        RegDeleteTreeW(HKEY_CURRENT_USER, autocad.c_str());
        const std::wstring profile = install_profile(row);
        const registry_map before = snapshot(HKEY_CURRENT_USER, autocad);
        const host::stored_value acad = stored(profile + L"\\General", L"ACAD");
        const std::wstring joined = host::join_path_list(host::split_path_list(host::stored_text(acad)));

        const run_result connected = run({L"connect", L"--release", L"R24.1", L"--client-folder", tool});
        ASSERT_EQ(connected.code, 0) << connected.err;
        const host::stored_value acad_connected = stored(profile + L"\\General", L"ACAD");
        EXPECT_EQ(acad_connected.type, acad.type);  // REG_EXPAND_SZ stays
        EXPECT_EQ(host::stored_text(acad_connected), L"D:\\Tool\\A2022;D:\\Tool;" + joined);
        EXPECT_EQ(line_after(run({L"status", L"--client-folder", tool}).out, L"R24.1 AutoCAD 2022: "), L"connected");

        const run_result disconnected = run({L"disconnect", L"--release", L"R24.1", L"--client-folder", tool});
        ASSERT_EQ(disconnected.code, 0) << disconnected.err;
        const host::stored_value acad_disconnected = stored(profile + L"\\General", L"ACAD");
        EXPECT_EQ(acad_disconnected.type, acad.type);
        EXPECT_EQ(host::stored_text(acad_disconnected), joined);  // whole, whatever its length

        const std::wstring point = line_after(connected.out, L"Restore point: ");
        const run_result restored = run({L"restore", point});
        ASSERT_EQ(restored.code, 0) << restored.err;
        EXPECT_EQ(snapshot(HKEY_CURRENT_USER, autocad), before);
    }
}

TEST_F(CommandLine, NothingIsWrittenWhenNothingMayBe)
{
    const fs::path install = station.add_release({L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022", L"<<Unnamed Profile>>", L"x;y", L"t"});
    station.add_release({L"R25.0", L"ACAD-8101:409", L"AutoCAD 2025", L"<<Unnamed Profile>>", L"x", L"", false});
    const fs::path blocked = root.path() / L"blocked";
    std::ofstream(blocked) << "a file where the folder of the restore points would go";
    struct row {
        std::vector<std::wstring> args;
        bool acad_running;
        bool point_blocked;
        int code;
        const wchar_t* says;  // in the output, or on the line on standard error
    } rows[] = {
        {{L"connect", L"--all", L"--dry-run", L"--client-folder", tool}, false, false, 0,
         L"R24.1 AutoCAD 2022: would be connected\n  ACAD before: x;y\n  ACAD after:  D:\\Tool\\A2022;D:\\Tool;x;y\n"
         L"  TRUSTEDPATHS before: t\n  TRUSTEDPATHS after:  t;D:\\Tool;D:\\Tool\\A2022\n"},
        {{L"disconnect", L"--release", L"r24.1", L"--dry-run"}, true, false, 0, L"R24.1 AutoCAD 2022: already disconnected\n"},
        {{L"connect", L"--all"}, true, false, 1618,
         L"plaxorcfg: AutoCAD 2022 is running: nothing was written; run again once AutoCAD is closed\n"},
        {{L"connect", L"--all", L"--client-folder", tool}, false, true, 1,
         L"plaxorcfg: warning: R25.0 AutoCAD 2025 skipped: cannot be connected (no row names R25.0, and no release "
         L"folder D:\\Tool\\A2025)\nplaxorcfg: R24.1 AutoCAD 2022 not connected: The restore point '"},
        {{L"connect", L"--release", L"R24.9"}, false, false, 1,
         L"plaxorcfg: R24.9 is not an AutoCAD release of this user (installed: R24.1, R25.0); nothing was written\n"},
        {{L"disconnect", L"--release", L"R25.0"}, false, false, 1,
         L"plaxorcfg: R25.0 AutoCAD 2025 cannot be connected to PLAXOR (no row names R25.0, and no release folder "},
    };
    const registry_map before = whole_registry();
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.args[0] << " " << r.args[1] << " " << r.args.back());
        const auto running = r.acad_running ? std::make_unique<test::running_acad>(install / L"acad.exe") : nullptr;
        const auto moved = r.point_blocked ? std::make_unique<test::moved_local_data>(blocked) : nullptr;
        const run_result result = run(r.args);
        EXPECT_EQ(result.code, r.code);
        EXPECT_NE((r.code ? result.err : result.out).find(r.says), std::wstring::npos) << result.out << result.err;
        EXPECT_TRUE(r.code == 0 || one_line(after_warnings(result.err))) << result.err;
        EXPECT_EQ(whole_registry(), before);
        EXPECT_FALSE(made_restore_points());
    }
}

TEST_F(CommandLine, TheWindowsWriteStopsWhenItsRestorePointCannotBeWritten)
{
    const fs::path blocked = root.path() / L"blocked";
    std::ofstream(blocked) << "a file where the folder of the restore points would go";
    // The folder cannot be made; a profile name with a line end cannot be held by the export's lines.
    const std::pair<std::wstring, bool> rows[] = {{L"<<Unnamed Profile>>", true}, {L"Two\r\nLines", false}};
    for (const auto& [profile, point_blocked] : rows) {
        SCOPED_TRACE(testing::Message() << point_blocked);
        station.add_release({L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022", profile, L"x;y", L"t"});
        const auto moved = point_blocked ? std::make_unique<test::moved_local_data>(blocked) : nullptr;
        test::scripted_seam seam;
        host::begin_restore_run();
        host::acad_install_list list;
        show_failures(host::discover_acad_installs(list));
        const registry_map before = whole_registry();

        EXPECT_FALSE(show_failures(host::set_profile_connection(true, list.at(L"R24.1"), tool)));
        ASSERT_EQ(seam.boxes().size(), 1u);
        EXPECT_EQ(seam.boxes()[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
        const fs::path local = point_blocked ? blocked : root.path() / L"Local";
        EXPECT_EQ(seam.texts()[0].rfind(L"The restore point '" + local.wstring() + L"\\VORN\\PLAXOR\\Restore Points' cannot be written (", 0), 0u);
        EXPECT_NE(seam.texts()[0].find(L"), so \"ACAD\" of HKEY_CURRENT_USER\\" + autocad + L"\\R24.1\\ACAD-5101:409\\Profiles\\" +
                                       profile + L"\\General is left as it is."),
                  std::wstring::npos) << seam.texts()[0];
        EXPECT_EQ(whole_registry(), before);
        EXPECT_FALSE(made_restore_points());
    }
}

TEST_F(CommandLine, DefinitionsAreListedAndTestedWithoutShowingACredential)
{
    const fs::path config = root.path() / L"gateway.ini";
    std::ofstream(config) << "[users]\ntester = pl@xor-Secret\n[vars]\nPLX2_SEED = LAB\nPLX2_HTTP_SERVER = localhost\n"
                             "PLX2_HTTP_PORT = 8080\nPLX2_HTTP_PROCESS = /lab/dbclient.php\n"
                             "PLX2_HTTP_PROCESS_BLOBS = /lab/blobs.php\nPLX2_HTTP_SSL = 0\n";
    const test::unix_service gateway(test::gateway_command(config));
    ASSERT_TRUE(gateway.started());
    station.add_definition({L"lab_locator", L"Test Server", L"LAB", L"localhost", L"tester"});
    station.add_definition({L"site_locator", L"Site Office", L"SITE", L"site.example.com", L"ann"});
    station.set_default_definition(L"lab_locator");
    const auto store_password = [&](const wchar_t* password) {
        connection definition{vorn_buffer((station.factory() + L"lab_locator.ini").c_str())};
        definition.read_ini();
        definition.m_port = static_cast<int>(gateway.port());
        definition.m_remember_password = true;
        definition.m_password = password;
        EXPECT_TRUE(definition.write_ini());
    };
    store_password(L"pl@xor-Secret");

    const run_result listed = run({L"definitions", L"list", L"--json"});
    ASSERT_EQ(listed.code, 0) << listed.err;
    for (const wchar_t* member : {L"\"name\": \"Test Server\"", L"\"file\": \"lab_locator.ini\"", L"\"type\": \"HTTP\"",
                                  L"\"default\": true", L"\"name\": \"Site Office\"", L"\"last_login\": null"})
        EXPECT_NE(listed.out.find(member), std::wstring::npos) << member << listed.out;
    const fs::path json = root.path() / L"definitions.json";
    std::ofstream(json, std::ios::binary) << utf8(listed.out);
    EXPECT_EQ(python_verdict(json), "ok");

    const run_result passed = run({L"definitions", L"test", L"test server"});
    EXPECT_EQ(passed.code, 0) << passed.err;
    EXPECT_EQ(line_after(passed.out, L"Test Server: logged in; seed "), L"LAB, gateway localhost/lab/dbclient.php port 8080");
    store_password(L"wrong-Secret");
    const run_result failed = run({L"definitions", L"test", L"lab_locator"});
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.err, L"plaxorcfg: Test Server: the test login failed: Failed to dbc_LoginUser because: Invalid user "
                          L"name or password.\n");
    for (const run_result* result : {&listed, &passed, &failed})
        for (const wchar_t* secret : {L"pl@xor-Secret", L"wrong-Secret"})
            EXPECT_EQ((result->out + result->err).find(secret), std::wstring::npos);
}

// What status and connect --all report of each release as the client folder's release folders
// and the administrator's rows make it.
TEST_F(CommandLine, StatusAndConnectAllTellWhyAReleaseCannotBeConnected)
{
    const fs::path client = root.path() / L"client";
    const std::wstring folder = client.wstring();
    std::wstring lines, skipped, all_connected;  // status lines ("R24.0 not connected"), warnings
    const std::pair<std::wstring, int> releases[] = {{L"R22.0", 2018}, {L"R24.0", 2021}, {L"R24.1", 2022}, {L"R24.2", 2023},
                                                     {L"R24.3", 2024}, {L"R25.0", 2025}, {L"R25.1", 2026}, {L"R26.0", 2027}};
    for (const auto& [release, year] : releases) {
        const std::wstring name = L"AutoCAD " + std::to_wstring(year);
        station.add_release({release, L"ACAD-1001:409", name, L"<<Unnamed Profile>>", L"x", L"t", false});
        const std::wstring why = L"cannot be connected (no row names " + release + L", and no release folder " + folder +
                                 L"\\A" + std::to_wstring(year) + L")";
        const bool built_in = year == 2018 || year == 2022;
        lines += year > 2025 ? L"" : release + L" " + name + L": " + (built_in ? L"not connected" : why) + L"\n";
        skipped += built_in || year > 2025 ? L"" : L"plaxorcfg: warning: " + release + L" " + name + L" skipped: " + why + L"\n";
        all_connected += release + L" " + name + L": connected\n";
    }
    const auto status_lines = [&] {
        const std::wstring text = run({L"status", L"--client-folder", folder}).out;
        std::wstring found;
        for (size_t at = 0; (at = text.find(L"\nR", at)) != std::wstring::npos; ++at)
            found += text.substr(at + 1, text.find(L'\n', at + 1) - at);
        return found;
    };

    // The built-in tables alone: R25.1 and R26.0 are not listed, and four cannot be connected.
    fs::create_directories(client);
    EXPECT_EQ(status_lines(), lines);
    run_result all = run({L"connect", L"--all", L"--client-folder", folder});
    EXPECT_EQ(all.code, 0);
    EXPECT_EQ(all.out.substr(0, all.out.find(L"Restore point")), L"R22.0 AutoCAD 2018: connected\nR24.1 AutoCAD 2022: connected\n");
    EXPECT_EQ(all.err, skipped);

    // A client installation that ships A2021 to A2027: every release connects.
    for (int year = 2021; year <= 2027; ++year)
        fs::create_directories(client / (L"A" + std::to_wstring(year)));
    all = run({L"connect", L"--all", L"--client-folder", folder});
    EXPECT_EQ(all.code, 0);
    EXPECT_EQ(all.err, L"");
    EXPECT_EQ(status_lines(), all_connected);

    // An administrator's row gives R26.0 another folder; a malformed one is named on standard error.
    const test::created_key settings(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN\\PLAXOR");
    settings.set(L"AcadRelease1", L"R26.0|AutoCAD 2027|\\Custom");
    settings.set(L"AcadRelease2", L"R25.1|AutoCAD 2026");
    fs::remove(client / L"A2025");
    const run_result json = run({L"status", L"--json", L"--client-folder", folder});
    EXPECT_EQ(json.err, L"plaxorcfg: warning: AcadRelease2 is ignored: not three fields \"release|product name|suffix\"\n");
    for (const wchar_t* member : {L"\\\\Custom\",\n      \"reason\": null", L"\\\\A2025\",\n      \"reason\": \"no release folder\""})
        EXPECT_NE(json.out.find(member), std::wstring::npos) << member << json.out;
    const std::wstring now = status_lines();
    EXPECT_EQ(line_after(now, L"R26.0 AutoCAD 2027: "), L"not connected");
    EXPECT_EQ(line_after(now, L"R25.0 AutoCAD 2025: "), line_after(lines, L"R25.0 AutoCAD 2025: "));
}

// A restore point may come from anywhere (a share, a mail), and a support path is where AutoCAD
// loads code from: a point that holds anything but a profile's "ACAD" or "TRUSTEDPATHS" as text
// (or their absence) is refused whole, though a good value comes first; a dry run writes nothing.
TEST_F(CommandLine, ARestorePointPutsBackOnlyWhatOursHold)
{
    station.add_release({L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022", L"<<Unnamed Profile>>", L"x;y", L"t", false});
    const std::wstring profile = L"[HKEY_CURRENT_USER\\" + autocad + L"\\R24.1\\ACAD-5101:409\\Profiles\\";
    const std::wstring variables = profile + L"<<Unnamed Profile>>\\Variables]\r\n\"TRUSTEDPATHS\"=";
    std::wstring huge = L"hex(2):";
    for (int i = 0; i <= 64 * 1024; ++i)
        huge += L"41,";
    struct row {
        const char* name;
        std::wstring more;  // after a good "ACAD"
        bool dry_run;
        const wchar_t* says;  // on standard error, or the output of a dry run
    } rows[] = {
        {"another key of the profile", profile + L"<<Unnamed Profile>>\\Dialogs]\r\n\"ACAD\"=\"C:\\\\evil\"\r\n", false, L"never writes"},
        {"a DWORD", variables + L"dword:00000001\r\n", false, L"as a value of type 4, not as text"},
        {"binary", variables + L"hex:43,00,3a,00,00,00\r\n", false, L"as a value of type 3, not as text"},
        {"a link", variables + L"hex(6):43,00,3a,00\r\n", false, L"as a value of type 6, not as text"},
        {"over 64 KB", variables + huge + L"00\r\n", false, L"of 65538 bytes, more than the 65536"},
        {"a key path that leads elsewhere", profile + L"..\\General]\r\n\"ACAD\"=\"C:\\\\evil\"\r\n", false, L"never writes"},
        {"another hive", L"[HKEY_LOCAL_MACHINE\\" + autocad + L"\\R24.1\\ACAD-5101:409\\Profiles\\P\\General]\r\n\"ACAD\"=\"x\"\r\n",
         false, L"not a key of the current user"},
        {"a dry run", variables + L"-\r\n", true,
         L"HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD\\R24.1\\ACAD-5101:409\\Profiles\\<<Unnamed Profile>>: would be put back\n"
         L"  ACAD before: x;y\n  ACAD after:  C:\\restored\n  TRUSTEDPATHS before: t\n  TRUSTEDPATHS after:  (no value)\n"},
    };
    const registry_map before = whole_registry();
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const fs::path file = root.path() / L"point.reg";
        const std::wstring text = L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n" + profile +
                                  L"<<Unnamed Profile>>\\General]\r\n\"ACAD\"=\"C:\\\\restored\"\r\n\r\n" + r.more;
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
        const run_result result = r.dry_run ? run({L"restore", file.wstring(), L"--dry-run"}) : run({L"restore", file.wstring()});
        EXPECT_EQ(result.code, r.dry_run ? 0 : 1);
        EXPECT_NE((r.dry_run ? result.out : result.err).find(r.says), std::wstring::npos) << result.out << result.err;
        EXPECT_TRUE(r.dry_run || one_line(result.err)) << result.err;
        EXPECT_EQ(whole_registry(), before);
        EXPECT_FALSE(made_restore_points());
    }
}

// Fleet tools read the plain output line by line: text from the registry, files and the command
// line shows its control characters escaped, so that it forges no line.
TEST_F(CommandLine, OutsideTextShowsItsControlCharactersEscaped)
{
    const std::wstring hostile = L"x\r\nR24.1 AutoCAD 2022: connected\t\x1b[2J\x7f\u0085\u2028";
    const std::wstring shown = L"x\\r\\nR24.1 AutoCAD 2022: connected\\t\\x1b[2J\\x7f\\u0085\\u2028";
    station.add_release({L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022", hostile, L"C:\\ok;" + hostile, L"t", false});
    test::created_key(HKEY_LOCAL_MACHINE, machine_2022).set(L"ProductName", hostile);
    test::created_key(HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR").set(L"CachedBase", hostile);
    station.add_definition({L"evil_locator", L"Evil\x1b[2J\x7fName", L"EVIL"});
    const fs::path points = root.path() / L"Local\\VORN\\PLAXOR\\Restore Points";
    fs::create_directories(points);
    std::ofstream(points / L"2025\u2028x.reg") << "no restore point";
    const std::pair<std::vector<std::wstring>, std::wstring> rows[] = {
        {{L"status"}, L"Cached Base:      " + shown + L"\n"},
        {{L"status"}, L"R24.1 " + shown + L": not connected\n  product ACAD-5101:409, profile " + shown + L"\n"},
        {{L"connect", L"--all", L"--dry-run", L"--client-folder", tool}, L"  ACAD before: C:\\ok;" + shown + L"\n"},
        {{L"connect", L"--release", hostile}, L"plaxorcfg: " + shown + L" is not an AutoCAD release"},
        {{L"definitions", L"list"}, L" Evil\\x1b[2J\\x7fName  HTTP "},
        {{L"restore", L"--list"}, L"  2025\\u2028x  unreadable: '" + points.wstring() + L"\\2025\\u2028x.reg' is not"},
    };
    for (const auto& [args, says] : rows) {
        SCOPED_TRACE(testing::Message() << args[0] << " " << args.back());
        const run_result result = run(args);
        const std::wstring all = result.out + result.err;
        EXPECT_NE(all.find(says), std::wstring::npos) << all;
        const auto raw = std::find_if(all.begin(), all.end(), [](wchar_t ch) {
            return (ch < 0x20 && ch != L'\n') || (ch >= 0x7F && ch <= 0x9F) || ch == 0x2028 || ch == 0x2029;
        });
        EXPECT_EQ(raw - all.begin(), all.end() - all.begin()) << all;
    }
}

// Windows runs the step again for every user only when the machine's Version passes the user's.
TEST_F(CommandLine, ActiveSetupRaisesItsVersionAtEachInstall)
{
    const fs::path client = root.path() / L"PLAXOR Client";
    fs::create_directories(client);
    const struct row {
        const wchar_t* stored;  // null: no key yet
        std::vector<std::wstring> args;
        bool denied;  // the key refuses writes
        int code;
        const wchar_t* version;  // afterwards, or what standard error says
    } rows[] = {
        {nullptr, {L"active-setup", L"remove"}, false, 0, L"(none)"},
        {nullptr, {L"active-setup", L"install"}, false, 0, L"1,0,0,1"},
        {L"1,0,0,1", {L"active-setup", L"install", L"--client-folder", client.wstring()}, false, 0, L"1,0,0,2"},
        {L"2.4.0.9", {L"active-setup", L"install"}, false, 0, L"2,4,0,10"},
        {L"1,0,7,65535", {L"active-setup", L"install"}, false, 0, L"1,0,8,0"},
        {L"1,0,0,-3", {L"active-setup", L"install"}, false, 0, L"1,0,0,1"},
        {L"1,0,0,4", {L"active-setup", L"install", L"--client-folder", (root.path() / L"none").wstring()}, false, 1,
         L"plaxorcfg: the client folder "},
        {L"1,0,0,4", {L"active-setup", L"install"}, true, 1, L"plaxorcfg: Active Setup cannot be registered (HKEY_LOCAL_MACHINE\\SOFTWARE"},
        {L"1,0,0,4", {L"active-setup", L"remove"}, true, 1, L"plaxorcfg: Active Setup cannot be retired (HKEY_LOCAL_MACHINE\\SOFTWARE"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << (r.stored ? r.stored : L"no key") << " " << r.args.back());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft");
        if (r.stored)
            test::created_key(HKEY_LOCAL_MACHINE, active_setup_key).set(L"Version", r.stored);
        const auto locked = r.denied ? std::make_unique<test::denied_key_rights>(HKEY_LOCAL_MACHINE, active_setup_key, KEY_SET_VALUE) : nullptr;
        const run_result result = run(r.args);
        EXPECT_EQ(result.code, r.code) << result.err;
        if (r.code) {
            EXPECT_EQ(result.err.rfind(r.version, 0), 0u) << result.err;
            EXPECT_EQ(test::registry_text(HKEY_LOCAL_MACHINE, active_setup_key, L"Version"), r.stored);
            continue;
        }
        EXPECT_EQ(test::registry_text(HKEY_LOCAL_MACHINE, active_setup_key, L"Version"), r.version);
        const std::wstring stub = test::registry_text(HKEY_LOCAL_MACHINE, active_setup_key, L"StubPath");
        EXPECT_EQ(r.args.size() == 4 ? stub.substr(stub.find(L" connect")) : L"", r.args.size() == 4
            ? L" connect --all --client-folder \"" + client.wstring() + L"\"" : L"") << stub;
    }
}

// Each line of a machine log record: text, time with the zone's bias, date, type, thread.
const std::wregex log_record(L"<!\\[LOG\\[(.*)\\]LOG\\]!><time=\"\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d{3}\" "
                             L"date=\"(\\d\\d-\\d\\d-\\d{4})\" component=\"plaxorcfg\" context=\"\" type=\"([123])\" "
                             L"thread=\"\\d+\" file=\"\">");

// The log's records as "type text" lines; "unparsed: ..." for a line that is no record.
std::wstring log_records(const fs::path& file, std::wstring* date = nullptr)
{
    const std::string bytes = test::read_file(file);
    if (bytes.rfind("\xEF\xBB\xBF", 0) != 0)
        return L"no byte-order mark";
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, static_cast<int>(bytes.size() - 3),
                                                        text.data(), static_cast<int>(text.size()))));
    std::wstring records;
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = text.find(L"\r\n", start);
        const std::wstring line = text.substr(start, end - start);
        std::wsmatch parts;
        if (!std::regex_match(line, parts, log_record))
            return records + L"unparsed: " + line;
        records += parts[3].str() + L" " + parts[1].str() + L"\n";
        if (date)
            *date = parts[2];
    }
    return records;
}

TEST_F(CommandLine, TheMachineLogHoldsEachRunAndNoCredential)
{
    station.add_release({L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022", L"<<Unnamed Profile>>", L"x;y", L"t", false});
    station.add_release({L"R25.0", L"ACAD-8101:409", L"AutoCAD 2025", L"<<Unnamed Profile>>", L"x", L"", false});
    const fs::path log = root.path() / L"Logs\\made\\plaxorcfg.log";  // no such folder yet
    const std::wstring secret = L"pl@xor-Secret";
    const std::wstring address = L"https://ann:" + secret + L"@plaxor.example.com/db";
    struct row {
        std::vector<std::wstring> args;
        const wchar_t* records;  // each "type text", the run's restore point left out
    } rows[] = {
        {{L"connect", L"--all", L"--client-folder", tool, L"--log", log.wstring()},
         L"1 start: plaxorcfg connect --all --client-folder D:\\Tool --log LOG\n1 R24.1 AutoCAD 2022: connected\n"
         L"1 Restore point: \n2 plaxorcfg: warning: R25.0 AutoCAD 2025 skipped: cannot be connected (no row names R25.0, "
         L"and no release folder D:\\Tool\\A2025)\n1 exit code 0\n"},
        {{L"definitions", L"test", address, L"--log", log.wstring(), L"--token=" + secret, L"--password", secret, L"/pwd:" + secret},
         L"1 start: plaxorcfg definitions test https://****@plaxor.example.com/db --log LOG --token=**** --password **** /pwd:****\n"
         L"3 plaxorcfg: --token=**** is not an option of definitions (plaxorcfg --help lists the commands)\n3 exit code 2\n"},
        {{L"definitions", L"test", address, L"--log", log.wstring()},
         L"1 start: plaxorcfg definitions test https://****@plaxor.example.com/db --log LOG\n"
         L"3 plaxorcfg: no definition is named https://****@plaxor.example.com/db\n3 exit code 1\n"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.args[0] << " " << r.args[1]);
        fs::remove(log);
        const run_result result = run(r.args);
        std::wstring date, records = log_records(log, &date);
        for (const std::wstring& part : {log.wstring(), line_after(result.out, L"Restore point: ")})
            if (const size_t at = records.find(part); !part.empty() && at != std::wstring::npos)
                records.replace(at, part.size(), part == log.wstring() ? L"LOG" : L"");
        EXPECT_EQ(records, r.records);
        EXPECT_EQ(records.find(secret), std::wstring::npos);
        SYSTEMTIME today{};
        GetLocalTime(&today);
        wchar_t expected[16] = {};
        std::swprintf(expected, 16, L"%02u-%02u-%04u", today.wMonth, today.wDay, today.wYear);
        EXPECT_EQ(date, expected);
    }
    // Without --log a run as another user than SYSTEM keeps no log.
    run({L"status"});
    wchar_t data[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramData", data, MAX_PATH);
    EXPECT_FALSE(fs::exists(fs::path(data) / L"VORN\\PLAXOR\\Logs\\plaxorcfg.log"));
    // A log that cannot be written costs the run nothing but a warning, also before a usage error.
    for (const std::wstring command : {L"status", L"--bogus"}) {
        const run_result unlogged = run({command, L"--log", root.path().wstring()});
        EXPECT_EQ(unlogged.code, command == L"status" ? 0 : 2);
        EXPECT_EQ(unlogged.err.rfind(L"plaxorcfg: warning: the machine log " + root.path().wstring() + L" cannot be written: ", 0), 0u)
            << unlogged.err;
    }
}

// Past 1 MB the log becomes the one older file (.lo_, replacing the one before) and a new one begins.
TEST_F(CommandLine, TheMachineLogKeepsOneOlderFile)
{
    const fs::path log = root.path() / L"plaxorcfg.log";
    const fs::path older = root.path() / L"plaxorcfg.lo_";
    for (const char filler : {'a', 'b'}) {
        std::ofstream(log, std::ios::binary) << "\xEF\xBB\xBF" << std::string(1024 * 1024 - 100, filler);
        EXPECT_EQ(run({L"status", L"--log", log.wstring()}).code, 0);
        const std::string moved = test::read_file(older);
        EXPECT_EQ(moved.size(), 1024u * 1024 - 97);
        EXPECT_EQ(moved.substr(0, 4), "\xEF\xBB\xBF" + std::string(1, filler));
        EXPECT_EQ(log_records(log).substr(0, 24), L"1 start: plaxorcfg statu");
        EXPECT_LT(fs::file_size(log), 4096u);
    }
}

// A comment that looks like a hexadecimal value going on ends with its line all the same.
TEST(RestorePoints, ACommentLineHidesNoValue)
{
    test::temp_folder folder;
    const fs::path file = folder.path() / L"point.reg";
    const std::wstring text = L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n; was \"ACAD\"=hex(2):00,\\\r\n[HKEY_CURRENT_USER\\" +
                              autocad + L"\\R24.1\\ACAD-5101:409\\Profiles\\P\\General]\r\n\"ACAD\"=\"C:\\\\x\"\r\n";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    std::vector<host::exported_value> values;
    std::wstring error;
    ASSERT_TRUE(host::read_restore_point(file.wstring(), values, error)) << error;
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(host::stored_text(values[0].value), L"C:\\x");
}

TEST(CommandLineUsage, MistakesExitWithTwoAndOneLine)
{
    const std::vector<std::vector<std::wstring>> mistakes = {
        {},
        {L"conect", L"--all"},
        {L"connect"},
        {L"connect", L"--all", L"--release", L"R24.1"},
        {L"disconnect", L"--release"},
        {L"status", L"--dry-run"},
        {L"status", L"extra"},
        {L"restore"},
        {L"restore", L"--list", L"2024-01-01_00-00-00"},
        {L"restore", L"--list", L"--dry-run"},
        {L"definitions"},
        {L"definitions", L"show"},
        {L"definitions", L"test"},
        {L"definitions", L"test", L"Lab", L"--json"},
        {L"status", L"--log"},
        {L"active-setup"},
        {L"active-setup", L"add"},
        {L"active-setup", L"remove", L"--client-folder", L"C:\\PLAXOR"},
    };
    for (const std::vector<std::wstring>& args : mistakes) {
        SCOPED_TRACE(testing::Message() << args.size() << " arguments");
        const run_result result = run(args);
        EXPECT_EQ(result.code, 2);
        EXPECT_TRUE(result.out.empty());
        EXPECT_EQ(result.err.rfind(L"plaxorcfg: ", 0), 0u);
        EXPECT_TRUE(one_line(result.err)) << result.err;
    }
    const run_result help = run({L"connect", L"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find(L"Exit codes: 0 done"), std::wstring::npos);
    EXPECT_TRUE(help.err.empty());
}

// Programs started from here see the Wine prefix's own registry: the keys they need are made there,
// where they must not be yet (they would belong to someone else), and removed afterwards.
class ThePrefix : public ::testing::Test {
protected:
    test::temp_folder root;
    test::moved_local_data local_data{root.path() / L"Local"};
    test::scripted_seam seam;

    void SetUp() override
    {
        for (const auto& [hive, path] : m_keys) {
            HKEY key = nullptr;
            ASSERT_NE(RegOpenKeyExW(hive, path, 0, KEY_READ, &key), ERROR_SUCCESS) << "in the prefix already";
        }
        m_owned = true;
        test::workstation(root.path()).add_settings_keys(L"5.2.1");
    }
    void TearDown() override
    {
        for (const auto& [hive, path] : m_keys)
            if (m_owned)
                RegDeleteTreeW(hive, path);
    }

private:
    const std::pair<HKEY, const wchar_t*> m_keys[5] = {{HKEY_CURRENT_USER, L"Software\\Autodesk"},
                                                       {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk"},
                                                       {HKEY_CURRENT_USER, L"SOFTWARE\\VORN"},
                                                       {HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN"},
                                                       {HKEY_LOCAL_MACHINE, active_setup_key.c_str()}};
    bool m_owned = false;
};

TEST_F(ThePrefix, RegImportOfTheRestorePointUndoesTheWindowsConnect)
{
    // The window reads through its 4,096-byte buffer and writes REG_SZ: the long path is lost and
    // the expandable one frozen, until the restore point puts them back.
    for (const real_profile* row : {&real_profiles[2], &real_profiles[5]}) {
        SCOPED_TRACE(testing::Message() << (row->file ? row->file : L"5,000 characters"));
        RegDeleteTreeW(HKEY_CURRENT_USER, autocad.c_str());
        const std::wstring general = install_profile(*row) + L"\\General";
        const registry_map before = snapshot(HKEY_CURRENT_USER, autocad);
        host::begin_restore_run();
        host::acad_install_list list;
        show_failures(host::discover_acad_installs(list));
        ASSERT_TRUE(show_failures(host::set_profile_connection(true, list.at(L"R24.1"), tool)));
        EXPECT_EQ(stored(general, L"ACAD").type, static_cast<DWORD>(REG_SZ));
        EXPECT_NE(snapshot(HKEY_CURRENT_USER, autocad), before);

        EXPECT_EQ(test::run_program(L"reg.exe import \"" + host::restore_run_file() + L"\"", root.path() / L"reg.txt"), 0);
        EXPECT_EQ(snapshot(HKEY_CURRENT_USER, autocad), before);
    }
}

TEST_F(ThePrefix, TheProgramKeepsTheTypeAndPrintsJsonThatPythonAccepts)
{
    const std::wstring general = install_profile(real_profiles[3]) + L"\\General";  // non-ASCII, expandable
    const std::wstring program = L"\"" + (test::program_folder() / L"plaxorcfg.exe").wstring() + L"\" ";
    const fs::path out = root.path() / L"out.txt";

    EXPECT_EQ(test::run_program(program + L"connect --release R24.1 --client-folder D:\\Tool", out), 0) << test::read_file(out);
    EXPECT_EQ(stored(general, L"ACAD").type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(test::run_program(program + L"status --json --client-folder D:\\Tool", out), 0);
    EXPECT_EQ(python_verdict(out), "ok");
    const std::string json = test::read_file(out);
    EXPECT_NE(json.find(utf8(L"\"profile\": \"<<\u672a\u547d\u540d\u914d\u7f6e>>\",\r\n")), std::string::npos) << json;
    EXPECT_NE(json.find("\"connected\": true"), std::string::npos);

    EXPECT_EQ(test::run_program(program + L"restore --list", out), 0);
    EXPECT_NE(test::read_file(out).find(" 2 values\r\n"), std::string::npos) << test::read_file(out);
    EXPECT_EQ(test::run_program(program + L"connect", out), 2);
    EXPECT_EQ(test::read_file(out.wstring() + L".err"),
              "plaxorcfg: connect takes either --all or --release (plaxorcfg --help lists the commands)\r\n");
}

// Windows runs StubPath at a user's next logon as it stands, through CreateProcess: run so, it
// connects that user, with a client folder whose name holds a blank and ends in a backslash.
TEST_F(ThePrefix, ActiveSetupsStepConnectsTheUserAsWindowsRunsIt)
{
    const fs::path client = root.path() / L"PLAXOR Client";
    fs::create_directories(client / L"A2022");
    test::workstation(root.path()).add_release({L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022", L"<<Unnamed Profile>>", L"x;y", L"t", false});
    const std::wstring program = L"\"" + (test::program_folder() / L"plaxorcfg.exe").wstring() + L"\" ";
    const std::wstring folder_argument = L" --client-folder \"" + client.wstring() + L"\\\\\"";
    const fs::path out = root.path() / L"out.txt";
    const auto installed = [&] {
        DWORD value = 2, size = sizeof value;
        RegGetValueW(HKEY_LOCAL_MACHINE, active_setup_key.c_str(), L"IsInstalled", RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    };
    for (const wchar_t* version : {L"1,0,0,1", L"1,0,0,2"}) {
        ASSERT_EQ(test::run_program(program + L"active-setup install" + folder_argument, out), 0) << test::read_file(out);
        EXPECT_EQ(test::registry_text(HKEY_LOCAL_MACHINE, active_setup_key, L"Version"), version);
    }
    EXPECT_EQ(test::registry_text(HKEY_LOCAL_MACHINE, active_setup_key, L""), L"Configure PLAXOR");
    EXPECT_EQ(installed(), 1u);
    const std::wstring stub = test::registry_text(HKEY_LOCAL_MACHINE, active_setup_key, L"StubPath");
    EXPECT_EQ(stub, program + L"connect --all" + folder_argument);

    EXPECT_EQ(test::run_program(stub, out), 0) << test::read_file(out.wstring() + L".err");
    const std::wstring general = autocad + L"\\R24.1\\ACAD-5101:409\\Profiles\\<<Unnamed Profile>>\\General";
    EXPECT_EQ(host::stored_text(stored(general, L"ACAD")).find(client.wstring() + L"\\A2022;"), 0u);
    EXPECT_EQ(test::run_program(program + L"status" + folder_argument, out), 0);
    EXPECT_NE(test::read_file(out).find("R24.1 AutoCAD 2022: connected\r\n"), std::string::npos) << test::read_file(out);

    // Retired: Windows starts it for nobody, and the Version stays for the next install to pass.
    EXPECT_EQ(test::run_program(program + L"active-setup remove", out), 0);
    EXPECT_EQ(installed(), 0u);
    EXPECT_EQ(test::registry_text(HKEY_LOCAL_MACHINE, active_setup_key, L"Version"), L"1,0,0,2");
}

}  // namespace

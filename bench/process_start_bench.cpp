// Times the start of ConfigurePLAXOR.exe as a process of its own, as the user meets it: from
// CreateProcessW until its main window is visible, painted and answering, on a workstation of
// four AutoCAD releases whose profiles come from real exports (the demo's, each with its
// stand-in acad.exe) and 20 connection definitions in the Instance Factory folder. In the same
// run, two floors, started and timed alike, both built as the program is with its template and
// resources:
//   1. the contract floor, bare_start.exe: a dialog program that makes the platform calls the
//      program must make before its window shows (discovery's, the settings', the per-key reads
//      of the 20 definitions, the process snapshot), bare; bare_start.cpp lists them;
//   2. bare_dialog.exe, which opens the template and does nothing else.
// The three take turns; each is closed with WM_CLOSE and waited for, untimed, before the next
// start.
//
// A started program does not see this process's registry redirection, so the workstation goes
// into the Wine prefix's own registry, under keys that were not there before; they are removed
// again afterwards. A run killed halfway leaves a record of them, and the next run removes them
// first.

#include "app/main_window_ids.h"
#include "bench_definitions.h"
#include "bench_prefix_keys.h"
#include "bench_timing.h"

#include "support/created_key.h"
#include "support/reg_fixture.h"
#include "support/scripted_seam.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int definition_count = 20;
constexpr int rounds = 31;
constexpr int warm_up_rounds = 2;
constexpr DWORD patience_ms = 30000;  // for each wait of a start or a close
constexpr int start_attempts = 3;

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

void replace_all(std::wstring& text, const std::wstring& from, const std::wstring& to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::wstring::npos; at += to.size())
        text.replace(at, from.size(), to);
}

// ---- The workstation

// The demo's releases (scripts/demo.sh): real profile exports, moved under releases this tool
// lists where their own is not one of them.
struct real_release {
    const wchar_t* year;
    const wchar_t* release;
    const wchar_t* product_key;
    const wchar_t* profile;
    const wchar_t* moved_from;  // the exports' "\<release>\<product key>\", or null where they stay
    std::vector<const wchar_t*> exports;
};

const real_release real_releases[] = {
    {L"2020", L"R23.1", L"ACAD-3001:409", L"2015 -  With Menus", L"\\R20.0\\ACAD-E001:409\\",
     {L"r20.0_acad2015_lendres_double-space-profile_mixed-case.reg"}},
    {L"2021", L"R24", L"ACAD-4101:409", L"<<Unnamed Profile>>", L"\\R20.0\\ACAD-E001:409\\",
     {L"r20.0_acad2015_lendres_unnamed_empty-trustedpaths.reg"}},
    {L"2022", L"R24.1", L"ACAD-5101:409", L"<<Unnamed Profile>>", L"\\R24.3\\ACAD-7101:409\\",
     {L"r24.3_acad2024_iaso2h_enu_acad-reg-expand-sz.reg"}},
    {L"2025", L"R25.0", L"ACAD-8101:409", L"<<Unnamed Profile>>", nullptr,
     {L"r25.0_acad2025_easycut_stock-acad-trailing-semicolon.reg",
      L"r25.0_acad2025_i52-record_trustedpaths-19-entries_PROVENANCE-INCOMPLETE.reg"}},
};

// Adds to a text value on both sides, keeping its type (the 2024 exports' "ACAD" is expandable).
void extend_text(const std::wstring& key_path, const wchar_t* name, const std::wstring& before,
                 const std::wstring& after)
{
    wchar_t data[4096] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key_path.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     &type, data, &size) != ERROR_SUCCESS)
        throw std::runtime_error("the profile lacks " + narrow(name));
    test::created_key(HKEY_CURRENT_USER, key_path).set(name, before + data + after, type);
}

// Installs the releases under `root`, the first of them connected to the program in
// `program_folder` as connecting leaves a profile: the release's folder and the program's folder
// first on the support path, both among the trusted paths.
void add_real_releases(const fs::path& root, const fs::path& program_folder)
{
    const std::wstring autocad = L"Software\\Autodesk\\AutoCAD";
    test::created_key(HKEY_CURRENT_USER, autocad).set(L"CurVer", L"R25.0");
    for (const real_release& release : real_releases) {
        for (const wchar_t* file : release.exports) {
            std::wstring text = test::read_reg_file(test::program_folder() / L"real-profiles" / file);
            if (release.moved_from)
                replace_all(text, release.moved_from,
                            L"\\" + std::wstring(release.release) + L"\\" + release.product_key + L"\\");
            test::load_reg_text(text);
        }
        const std::wstring user_release = autocad + L"\\" + release.release;
        const std::wstring profiles = user_release + L"\\" + release.product_key + L"\\Profiles";
        test::created_key(HKEY_CURRENT_USER, user_release).set(L"CurVer", release.product_key);
        test::created_key(HKEY_CURRENT_USER, profiles).set(L"", release.profile);

        const std::wstring product = L"AutoCAD " + std::wstring(release.year);
        const fs::path folder = root / product;
        fs::create_directories(folder);
        fs::copy_file(program_folder / L"acad.exe", folder / L"acad.exe", fs::copy_options::overwrite_existing);
        const test::created_key machine(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD\\" + std::wstring(release.release) +
                                                                L"\\" + release.product_key);
        machine.set(L"AcadLocation", folder.wstring());
        machine.set(L"ProductName", product);
    }

    const real_release& connected = real_releases[0];
    const std::wstring client = program_folder.wstring();
    const std::wstring release_folder = client + L"\\A" + connected.year;
    const std::wstring profile = autocad + L"\\" + connected.release + L"\\" + connected.product_key + L"\\Profiles\\" +
                                 connected.profile;
    extend_text(profile + L"\\General", L"ACAD", release_folder + L";" + client + L";", L"");
    extend_text(profile + L"\\Variables", L"TRUSTEDPATHS", L"", L";" + client + L";" + release_folder);
}

// ---- Starting, timing and closing a program

struct window_search {
    DWORD process_id;
    HWND found;
};

BOOL CALLBACK find_visible_dialog(HWND hwnd, LPARAM search_address)
{
    auto& search = *reinterpret_cast<window_search*>(search_address);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t class_name[16] = {};
    if (owner != search.process_id || !IsWindowVisible(hwnd) || !GetClassNameW(hwnd, class_name, 16) ||
        std::wcscmp(class_name, L"#32770") != 0)
        return TRUE;
    search.found = hwnd;
    return FALSE;
}

// A message box's text, which Windows and Wine keep in a static control of id 0xFFFF.
std::string box_text(HWND box)
{
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    if (const HWND label = GetDlgItem(box, 0xFFFF))
        SendMessageTimeoutW(label, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, patience_ms, &length);
    return narrow(text);
}

class program_start {
public:
    // The main window's lists must hold `installed` releases and `instances` definitions, and the
    // process must end with `exit_code`.
    program_start(fs::path exe, int installed, int instances, DWORD exit_code = 0)
        : m_exe(std::move(exe)), m_name(narrow(m_exe.filename().wstring())), m_installed(installed),
          m_instances(instances), m_exit_code(exit_code)
    {
    }
    ~program_start() { end(); }
    program_start(const program_start&) = delete;
    program_start& operator=(const program_start&) = delete;

    // Timed: from CreateProcessW until the window is visible, painted and answers. WaitForInputIdle
    // alone is not enough: a dialog box shows its window only once its first messages are done.
    void start()
    {
        m_failure.clear();
        m_window = nullptr;
        std::wstring command = L"\"" + m_exe.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        // Wine now and then refuses a start with an internal error (1359) when starts come this
        // fast; the next attempt starts it.
        BOOL started = FALSE;
        for (int attempt = 0; attempt < start_attempts && !started; ++attempt)
            started = CreateProcessW(m_exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     m_exe.parent_path().c_str(), &startup, &m_process);
        if (!started) {
            m_failure = "could not be started (error " + std::to_string(GetLastError()) + ")";
            return;
        }
        if (WaitForInputIdle(m_process.hProcess, patience_ms) != 0) {
            m_failure = "never became idle";
            return;
        }
        window_search search{m_process.dwProcessId, nullptr};
        const ULONGLONG deadline = GetTickCount64() + patience_ms;
        for (;;) {
            EnumWindows(&find_visible_dialog, reinterpret_cast<LPARAM>(&search));
            if (search.found)
                break;
            // Waiting on the process is the pause between looks, cut short if it ends.
            if (WaitForSingleObject(m_process.hProcess, 1) == WAIT_OBJECT_0) {
                m_failure = "ended before it showed a window";
                return;
            }
            if (GetTickCount64() > deadline) {
                m_failure = "showed no window";
                return;
            }
        }
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, patience_ms, &answer)) {
            m_failure = "does not answer";
            return;
        }
        // What is still to be painted once it shows, painted now in its own thread.
        RedrawWindow(search.found, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        m_window = search.found;
    }

    // Untimed: what showed is the main window with both lists as full as the workstation (a box
    // instead, such as the refusal while an AutoCAD runs, would have timed something else); it
    // closes on WM_CLOSE and the process ends with its exit code. Says on standard error what
    // went wrong.
    bool close()
    {
        if (m_failure.empty())
            check_and_close();
        end();
        if (m_failure.empty())
            return true;
        std::fprintf(stderr, "%s %s\n", m_name.c_str(), m_failure.c_str());
        return false;
    }

private:
    int count(int list_id) const
    {
        DWORD_PTR items = 0;
        const HWND list = GetDlgItem(m_window, list_id);
        if (!list || !SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, patience_ms, &items))
            return -1;
        return static_cast<int>(items);
    }

    void check_and_close()
    {
        if (!GetDlgItem(m_window, IDC_INSTALLED_LIST)) {
            m_failure = "showed a box instead of its main window: " + box_text(m_window);
            return;
        }
        const int installed = count(IDC_INSTALLED_LIST);
        const int instances = count(IDC_INSTANCE_LIST);
        if (installed != m_installed || instances != m_instances) {
            m_failure = "listed " + std::to_string(installed) + " releases and " + std::to_string(instances) +
                        " definitions, not " + std::to_string(m_installed) + " and " + std::to_string(m_instances);
            return;
        }
        PostMessageW(m_window, WM_CLOSE, 0, 0);
        DWORD exit_code = m_exit_code + 1;
        if (WaitForSingleObject(m_process.hProcess, patience_ms) != WAIT_OBJECT_0)
            m_failure = "did not end on WM_CLOSE";
        else if (!GetExitCodeProcess(m_process.hProcess, &exit_code) || exit_code != m_exit_code)
            m_failure = "ended with " + std::to_string(exit_code) + ", not " + std::to_string(m_exit_code);
    }

    // Whatever is still running of this start goes: a failed start must not outlive the run.
    void end()
    {
        if (!m_process.hProcess)
            return;
        if (WaitForSingleObject(m_process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(m_process.hProcess, 1);
            WaitForSingleObject(m_process.hProcess, patience_ms);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
        m_process = {};
    }

    fs::path m_exe;
    std::string m_name;
    int m_installed;
    int m_instances;
    DWORD m_exit_code;
    PROCESS_INFORMATION m_process{};
    HWND m_window = nullptr;
    std::string m_failure;
};

int run()
{
    const fs::path programs = test::program_folder();
    const bench::added_keys keys({{HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD"},
                           {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD"},
                           {HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR"},
                           {HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN\\PLAXOR"}});
    test::scripted_seam seam;  // a box while the definitions are written would block the run
    const test::temp_folder root;
    const test::workstation station(root.path());
    station.add_settings_keys(L"5.2.1");
    add_real_releases(root.path(), programs);
    bench::write_definitions(station.factory(), definition_count);
    station.set_default_definition(L"site0_locator");

    const int releases = static_cast<int>(std::size(real_releases));
    program_start program(programs / L"ConfigurePLAXOR.exe", releases, definition_count);
    // It ends with the releases it found and the definitions it read (bare_start.cpp).
    program_start contract_floor(programs / L"bare_start.exe", 0, 0, releases * 100 + definition_count);
    program_start bare_floor(programs / L"bare_dialog.exe", 0, 0);
    const auto times = bench::time_rounds(warm_up_rounds, rounds, bench::order::taking_turns,
                                          {{[&] { program.start(); }, [&] { return program.close(); }},
                                           {[&] { contract_floor.start(); }, [&] { return contract_floor.close(); }},
                                           {[&] { bare_floor.start(); }, [&] { return bare_floor.close(); }}});
    if (!times)
        return 1;

    const double program_ms = bench::median((*times)[0]);
    const double contract_ms = bench::median((*times)[1]);
    const double bare_ms = bench::median((*times)[2]);
    bench::print_milliseconds("process_start_4_releases_20_definitions", program_ms, 1);
    bench::print_milliseconds("process_start_floor_contract", contract_ms, 1);
    bench::print_milliseconds("process_start_floor_bare_dialog", bare_ms, 1);
    bench::print_ratio("process_start_ratio_to_floor", program_ms / contract_ms);
    bench::print_ratio("process_start_ratio_to_bare_dialog", program_ms / bare_ms);
    return 0;
}

}  // namespace

int main()
{
    return bench::run_guarded("process_start_bench", run);
}

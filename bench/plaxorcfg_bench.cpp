// Times `plaxorcfg status --json` as a process of its own, from CreateProcessW until it has ended,
// on a workstation of the 16 releases of the product table, each as full as real ones (as
// discovery_bench installs them). In the same run, the floor: bare_discovery.exe, an empty console
// program built alike that makes the platform calls of the same discovery bare in its one process,
// timed alike; and, to show what the floor is made of, an empty console program's start alone.
// The three take turns. Discovery's calls cost more in a process that has just started than in a
// warm loop of this one, so the floor makes them in a process of its own as the program does.
//
// A started program does not see a registry sandbox, so the workstation goes into the Wine
// prefix's own registry under keys that were not there before, and is removed afterwards.

#include "bench_prefix_keys.h"
#include "bench_releases.h"
#include "bench_timing.h"

#include "support/scripted_seam.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int rounds = 61;
constexpr int warm_up_rounds = 3;
constexpr DWORD patience_ms = 30000;
constexpr int start_attempts = 3;

class console_run {
public:
    // `output` receives the program's standard output.
    console_run(const fs::path& exe, const std::wstring& arguments, fs::path output)
        : m_command(L"\"" + exe.wstring() + L"\" " + arguments), m_exe(exe), m_output(std::move(output))
    {
    }

    // Timed: from CreateProcessW until the process has ended.
    void run()
    {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        const HANDLE out =
            CreateFileW(m_output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::wstring command = m_command;
        PROCESS_INFORMATION process{};
        m_failure.clear();
        // Wine now and then refuses a start with an internal error (1359) when starts come this
        // fast; the next attempt starts it.
        BOOL started = FALSE;
        for (int attempt = 0; attempt < start_attempts && !started; ++attempt)
            started = CreateProcessW(m_exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                     &startup, &process);
        if (!started) {
            m_failure = "could not be started (error " + std::to_string(GetLastError()) + ")";
        } else {
            DWORD exit_code = 0;
            if (WaitForSingleObject(process.hProcess, patience_ms) != WAIT_OBJECT_0) {
                TerminateProcess(process.hProcess, 1);
                WaitForSingleObject(process.hProcess, patience_ms);
                m_failure = "did not end in time";
            } else if (!GetExitCodeProcess(process.hProcess, &exit_code) || exit_code != 0) {
                m_failure = "ended with " + std::to_string(exit_code);
            }
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        CloseHandle(out);
    }

    // Untimed: it ended with 0 and printed what `whole` accepts.
    template <typename Check>
    bool ended_well(Check whole) const
    {
        const std::string output = test::read_file(m_output);
        if (m_failure.empty() && whole(output))
            return true;
        std::fprintf(stderr, "%ls %s and printed:\n%s\n", m_command.c_str(),
                     m_failure.empty() ? "ended with 0" : m_failure.c_str(), output.c_str());
        return false;
    }

private:
    std::wstring m_command;
    fs::path m_exe;
    fs::path m_output;
    std::string m_failure;
};

size_t count(const std::string& text, const std::string& part)
{
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

int run()
{
    const bench::added_keys keys({{HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD"},
                                  {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD"},
                                  {HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR"},
                                  {HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN\\PLAXOR"}});
    test::scripted_seam seam;  // a box while the workstation is written would block the run
    const test::temp_folder root;
    const test::workstation station(root.path());
    station.add_settings_keys(L"5.2.1");
    bench::add_full_releases(station);

    const fs::path programs = test::program_folder();
    console_run status(programs / L"plaxorcfg.exe", L"status --json", root.path() / L"status.json");
    console_run bare(programs / L"bare_discovery.exe", L"", root.path() / L"bare.txt");
    console_run empty(programs / L"empty_console.exe", L"", root.path() / L"empty.txt");
    const auto times = bench::time_rounds(
        warm_up_rounds, rounds, bench::order::taking_turns,
        {{[&] { status.run(); },
          [&] {
              return status.ended_well([](const std::string& json) {
                  return count(json, "\"release\": ") == 16 && count(json, "\"connected\": false") == 16;
              });
          }},
         {[&] { bare.run(); }, [&] { return bare.ended_well([](const std::string& text) { return text.empty(); }); }},
         {[&] { empty.run(); }, [&] { return empty.ended_well([](const std::string& text) { return text.empty(); }); }}});
    if (!times)
        return 1;

    const double status_ms = bench::median((*times)[0]);
    const double floor_ms = bench::median((*times)[1]);
    const double start_ms = bench::median((*times)[2]);
    bench::print_milliseconds("plaxorcfg_status_json_16_releases", status_ms, 1);
    bench::print_milliseconds("plaxorcfg_floor_bare_discovery_process", floor_ms, 1);
    bench::print_milliseconds("plaxorcfg_floor_part_empty_console_start", start_ms, 1);
    bench::print_ratio("plaxorcfg_ratio_to_floor", status_ms / floor_ms);
    return 0;
}

}  // namespace

int main()
{
    return bench::run_guarded("plaxorcfg_bench", run);
}

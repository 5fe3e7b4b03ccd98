// Times multi_conn::rebuild_list on an Instance Factory folder of 1,000 definitions written by the
// program itself (every key set, both passwords enciphered), and in the same run two floors:
//   1. the platform calls the rebuild makes for the definitions, done bare: the folder listing
//      and the 33 private-profile reads of each file, with no objects, no texts kept and no
//      deciphering;
//   2. a plain read of the same files: the listing, and each file opened and read whole.

#include "bench_definitions.h"
#include "bench_timing.h"
#include "connections/multi_conn.h"

#include "support/registry_sandbox.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int definition_count = 1000;
constexpr int rounds = 9;
constexpr int warm_up_rounds = 1;

// Floor 2.
char file_buffer[8192];

int plain_reads(const std::wstring& folder)
{
    int files = 0;
    bench::list_definitions(folder, [&](const wchar_t* path) {
        const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        DWORD read = 0;
        while (ReadFile(file, file_buffer, sizeof file_buffer, &read, nullptr) && read != 0) {
        }
        CloseHandle(file);
        ++files;
    });
    return files;
}

// A rebuild that read less than every definition whole would time the wrong thing.
bool read_everything(const multi_conn& set, const win::outcome& rebuilt)
{
    if (set.total() != definition_count || !rebuilt.clean())
        return false;
    for (int i = 0; i < set.total(); ++i) {
        const connection* conn = set.get_nth(i);
        if (conn->m_password.str() != L"correct horse battery" || conn->getServerPassword().str() != L"staple 42" ||
            conn->get_name().str() != conn->file_stem.str() || conn->m_last_login.year != 2024 || conn->m_port != 443)
            return false;
    }
    return true;
}

}  // namespace

int main()
{
    test::registry_sandbox sandbox;
    const test::temp_folder root;
    const test::workstation station(root.path());
    station.add_settings_keys(L"5.2.1");
    const std::wstring folder = station.factory();
    bench::write_definitions(folder, definition_count);

    multi_conn set;
    win::outcome rebuilt;
    int files = 0;
    const auto times = bench::time_rounds(
        warm_up_rounds, rounds, bench::order::taking_turns,
        {{[&] { rebuilt = set.rebuild_list(); }, [&] { return read_everything(set, rebuilt); }},
         {[&] { files = bench::rebuild_profile_calls(folder); }, [&] { return files == definition_count; }},
         {[&] { files = plain_reads(folder); }, [&] { return files == definition_count; }}});
    if (!times) {
        std::fprintf(stderr, "a measurement did not read every definition\n");
        return 1;
    }

    const double rebuild_ms = bench::median((*times)[0]);
    const double profile_calls_ms = bench::median((*times)[1]);
    const double plain_ms = bench::median((*times)[2]);
    bench::print_milliseconds("rebuild_list_1000_definitions", rebuild_ms, 1);
    bench::print_milliseconds("rebuild_list_floor_profile_calls", profile_calls_ms, 1);
    bench::print_milliseconds("rebuild_list_floor_plain_reads", plain_ms, 1);
    bench::print_ratio("rebuild_list_ratio_to_profile_calls", rebuild_ms / profile_calls_ms);
    bench::print_ratio("rebuild_list_ratio_to_plain_reads", rebuild_ms / plain_ms);
    return 0;
}

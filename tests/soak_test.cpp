// A thousand connects and disconnects over sixteen releases through the host layer, each after a
// fresh discovery as plaxorcfg makes one: afterwards every value is as it was, byte for byte,
// the run's restore point has stopped growing, and the process holds no more handles or memory.

#include "host/acad_discovery.h"
#include "host/profile_connection.h"
#include "host/restore_point.h"

#include "ui/show_error.h"
#include "support/created_key.h"
#include "support/hostile.h"
#include "support/moved_local_data.h"
#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/workstation.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace {

struct process_use {
    DWORD handles = 0;          // as the process reports them (Wine reports none)
    uintptr_t next_handle = 0;  // the value a new handle gets: handles take the lowest free slot
    SIZE_T private_bytes = 0;
    SIZE_T working_set = 0;
};

process_use measured()
{
    process_use use;
    GetProcessHandleCount(GetCurrentProcess(), &use.handles);
    const HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    use.next_handle = reinterpret_cast<uintptr_t>(probe);
    CloseHandle(probe);
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        use.private_bytes = counters.PagefileUsage;
        use.working_set = counters.WorkingSetSize;
    }
    return use;
}

TEST(Soak, ThousandConnectsAndDisconnectsLeaveValuesHandlesAndMemoryAsTheyWere)
{
    const test::registry_sandbox sandbox;
    const test::scripted_seam seam;
    const test::temp_folder root;
    const test::scratch_local_data local_data;
    const test::workstation station(root.path());
    // The sixteen releases the tool knows; five of them can be connected.
    const wchar_t* const releases[] = {L"R18.0", L"R18.1", L"R18.2", L"R19.0", L"R19.1", L"R20.0", L"R20.1", L"R21.0",
                                       L"R22.0", L"R23.0", L"R23.1", L"R24",   L"R24.1", L"R24.2", L"R24.3", L"R25.0"};
    for (int i = 0; i < 16; ++i) {
        const std::wstring n = std::to_wstring(i);
        station.add_release({releases[i], L"ACAD-" + n + L":409", L"AutoCAD " + n, L"Profile " + n,
                             L"C:\\Support " + n + L";%AppData%\\Fonts;;D:\\Shared", i % 3 ? L"C:\\Trusted " + n : L""});
    }
    // Some written back as expandable text, which they must stay.
    test::created_key(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD\\R24.1\\ACAD-12:409\\Profiles\\Profile 12\\General")
        .set(L"ACAD", L"%ProgramFiles%\\Acme;C:\\Support", REG_EXPAND_SZ);
    const std::wstring tool_folder = root.with_backslash() + L"PLAXOR\\";

    const auto cycles = [&](int count) {
        for (int i = 0; i < count; ++i) {
            host::acad_install_list list;
            ASSERT_TRUE(show_failures(host::discover_acad_installs(list, host::discovery_mode::whole_values)));
            ASSERT_EQ(list.size(), 16u);
            auto& record = std::next(list.begin(), i % 16)->second;
            const bool connectable = show_failures(host::set_profile_connection(true, record, tool_folder));
            EXPECT_EQ(host::is_profile_connected(record, tool_folder), connectable) << record.release;
            EXPECT_EQ(host::first_value_not_written(record), nullptr) << record.release;
            EXPECT_EQ(show_failures(host::set_profile_connection(false, record, tool_folder)), connectable);
            EXPECT_FALSE(host::is_profile_connected(record, tool_folder)) << record.release;
        }
    };
    const std::string values = test::registry_snapshot(HKEY_CURRENT_USER) + test::registry_snapshot(HKEY_LOCAL_MACHINE);
    cycles(16);  // every release once: the restore point holds each value, lazy allocations are made
    const std::wstring point = host::restore_run_file();
    const auto point_size = std::filesystem::file_size(point);
    const process_use start = measured();
    const auto started = std::chrono::steady_clock::now();
    cycles(1000);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    const process_use end = measured();

    EXPECT_EQ(test::registry_snapshot(HKEY_CURRENT_USER) + test::registry_snapshot(HKEY_LOCAL_MACHINE), values);
    EXPECT_EQ(host::restore_run_file(), point);
    EXPECT_EQ(std::filesystem::file_size(point), point_size);
    EXPECT_TRUE(seam.texts().empty());
    EXPECT_LE(end.handles, start.handles + 2);
    EXPECT_LE(end.next_handle, start.next_handle + 2 * 4);  // handle values step by 4
    EXPECT_LE(end.private_bytes, start.private_bytes + 1024 * 1024);
    const auto count = [&](char c) { return std::count(values.begin(), values.end(), c); };
    std::printf("soak: 1000 cycles in %lld ms; %td values (%zu bytes) compared; handle count %lu -> %lu, next handle "
                "%#zx -> %#zx; private bytes %zu -> %zu; working set %zu -> %zu\n",
                static_cast<long long>(took.count()), count('\n') - count('['), values.size(), start.handles, end.handles,
                static_cast<size_t>(start.next_handle), static_cast<size_t>(end.next_handle), start.private_bytes,
                end.private_bytes, start.working_set, end.working_set);
}

}  // namespace

// Times discover_acad_installs on a workstation of 16 releases whose keys are as full as real
// ones, and in the same run two floors:
//   1. the platform calls that the lookup rules make (the same opens, RegQueryInfoKeyW,
//      enumerations by name up to the match, data reads, closes and the acad.exe file test),
//      done bare: no strings, no records;
//   2. direct reads of the same values: RegOpenKeyExW and RegQueryValueExW (and the closes).
// No install folder holds an acad.exe, so icon extraction is not measured; its file test is,
// in the discovery and in floor 1 alike.

#include "bench_releases.h"
#include "bench_timing.h"
#include "host/acad_discovery.h"

#include "support/registry_sandbox.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int rounds = 101;
constexpr int warm_up_rounds = 5;
constexpr wchar_t autocad_path[] = L"Software\\Autodesk\\AutoCAD";

// Floor 2: each value read straight by name.
BYTE value_data[4096];

void query(HKEY key, const wchar_t* name)
{
    DWORD type = 0;
    DWORD size = sizeof value_data;
    RegQueryValueExW(key, name, nullptr, &type, value_data, &size);
}

void open_and_query(HKEY parent, const std::wstring& path, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    query(key, name);
    RegCloseKey(key);
}

void direct_reads(const bench::release_set& set)
{
    HKEY autocad = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, autocad_path, 0, KEY_READ, &autocad);
    for (const bench::release_keys& keys : set.releases) {
        open_and_query(autocad, keys.release, L"CurVer");
        open_and_query(autocad, keys.profiles, L"");
        open_and_query(autocad, keys.general, L"ACAD");
        open_and_query(autocad, keys.variables, L"TRUSTEDPATHS");
    }
    RegCloseKey(autocad);
    for (const bench::release_keys& keys : set.releases) {
        HKEY machine = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keys.machine.c_str(), 0, KEY_READ, &machine) == ERROR_SUCCESS) {
            query(machine, L"AcadLocation");
            query(machine, L"ProductName");
            RegCloseKey(machine);
        }
    }
}

// A discovery that read less than the whole workstation would time the wrong thing.
bool read_everything(const host::acad_install_list& list, const win::outcome& found)
{
    if (list.size() != 16 || !found.clean())
        return false;
    for (const auto& [release, record] : list)
        if (record.install_folder.empty() || record.support_paths.size() != 10 || record.trusted_paths.size() != 3 ||
            record.product_name.empty())
            return false;
    return true;
}

}  // namespace

int main()
{
    test::registry_sandbox sandbox;
    const test::temp_folder root;
    const test::workstation station(root.path());
    const bench::release_set releases = bench::add_full_releases(station);

    host::acad_install_list list;
    win::outcome found;
    const auto times = bench::time_rounds(warm_up_rounds, rounds, bench::order::as_listed,
                                          {{[&] { found = host::discover_acad_installs(list); },
                                            [&] {
                                                const bool whole = read_everything(list, found);
                                                list.clear();
                                                return whole;
                                            }},
                                           {[&] { bench::discovery_platform_calls(releases); }},
                                           {[&] { direct_reads(releases); }}});
    if (!times) {
        std::fprintf(stderr, "discovery did not read the whole workstation\n");
        return 1;
    }

    const double discovery_ms = bench::median((*times)[0]);
    const double platform_ms = bench::median((*times)[1]);
    const double direct_ms = bench::median((*times)[2]);
    bench::print_milliseconds("discovery_16_releases_no_icon", discovery_ms, 3);
    bench::print_milliseconds("discovery_floor_platform_calls", platform_ms, 3);
    bench::print_milliseconds("discovery_floor_direct_reads", direct_ms, 3);
    bench::print_ratio("discovery_ratio_to_platform_calls", discovery_ms / platform_ms);
    bench::print_ratio("discovery_ratio_to_direct_reads", discovery_ms / direct_ms);
    return 0;
}

#pragma once
// The 16 AutoCAD releases of the product table as benchmarks install them on a test workstation,
// and the bare platform calls of discovering them, which a benchmark takes as its floor.

#include "support/workstation.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// One release per row of the product table: "R<number>", product key "ACAD-<n>001:409", the
// current profile "<<Unnamed Profile>>" with the support path of a full install (10 entries) and
// three trusted paths.
std::vector<test::installed_release> table_releases(bool with_acad_exe);

// The keys and the file of one release that the floor touches, prepared before timing so that
// the floor builds no strings. Paths under the user's AutoCAD key, and under HKEY_LOCAL_MACHINE.
struct release_keys {
    std::wstring release;
    std::wstring profiles;
    std::wstring general;
    std::wstring variables;
    std::wstring machine;
    std::wstring acad_exe;
};

release_keys keys_of(const test::installed_release& setup, const std::filesystem::path& install_folder);

struct release_set {
    std::vector<release_keys> releases;  // in the order of discovery's list
    std::vector<size_t> by_index;        // per index of the release keys under the user's AutoCAD key
};

// Once the releases are in the registry: in discovery's order, and as the registry lists them.
release_set index_releases(std::vector<release_keys> releases);

// The table's releases installed as full as real ones (bench_releases.cpp says how), none with an
// acad.exe, under Software\Autodesk\AutoCAD whose own CurVer is set: indexed as above.
release_set add_full_releases(const test::workstation& station);

// The calls discovery makes for the releases, done bare (no strings, no records): the opens,
// RegQueryInfoKeyW, the value enumerations by name up to the match, the data reads, the closes,
// the acad.exe file test and, where an acad.exe is there, its icon extraction.
void discovery_platform_calls(const release_set& set);

}  // namespace bench

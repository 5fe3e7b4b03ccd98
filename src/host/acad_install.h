#pragma once
// One installed AutoCAD release of the current user, and the list of them the main window
// keeps for the whole run.

#include "host/registry.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace host {

// Where the suffix of a release without a row in release_suffix_table comes from.
enum class suffix_source {
    none,           // nowhere: the release cannot be connected
    administrator,  // a row of the program's settings
    client_folder,  // "\A" and the product's year: counts while the client folder holds that folder
};

struct acad_install {
    std::wstring install_folder;  // holds acad.exe; ends with a backslash once read
    std::wstring release;         // release key, for example "R24.1"
    std::wstring product_name;
    std::wstring product_key;     // "CurVer" of the release
    std::wstring profile;         // the product's current profile
    std::wstring support_path_text;
    std::vector<std::wstring> support_paths;
    std::wstring trusted_paths_text;
    std::vector<std::wstring> trusted_paths;
    // The types the two values are written back with: REG_SZ, unless discovery read the values
    // whole and found another text type.
    DWORD support_path_type = REG_SZ;
    DWORD trusted_paths_type = REG_SZ;
    // The two values as discovery read them whole (type and bytes, or their absence): what a
    // restore point keeps of them. Empty when they were read as text only, or not at all.
    std::optional<stored_value> support_path_stored;
    std::optional<stored_value> trusted_paths_stored;
    // Set by discovery for a release that release_suffix_table has no row for.
    suffix_source extra_suffix_source = suffix_source::none;
    std::wstring extra_suffix;
    win::unique_hicon icon;
    int icon_width = 0;
    int icon_height = 0;
};

// The values of a profile that the program writes, reads back and keeps in restore points, in the
// order it writes them: each under its key below the profile's key, with the record's members
// that hold its stored text, its list, the type it is written back with and the value read whole.
struct profile_value {
    const wchar_t* key;
    const wchar_t* name;
    std::wstring acad_install::*text;
    std::vector<std::wstring> acad_install::*paths;
    DWORD acad_install::*type;
    std::optional<stored_value> acad_install::*stored;
};

inline constexpr profile_value profile_values[] = {
    {L"General", L"ACAD", &acad_install::support_path_text, &acad_install::support_paths,
     &acad_install::support_path_type, &acad_install::support_path_stored},
    {L"Variables", L"TRUSTEDPATHS", &acad_install::trusted_paths_text, &acad_install::trusted_paths,
     &acad_install::trusted_paths_type, &acad_install::trusted_paths_stored},
};

// Ordered by the plain 16-bit character codes of the release key. Records keep their place in
// memory while the list lives: the Installed CAD list points at them.
using acad_install_list = std::map<std::wstring, acad_install>;

struct product_name_row {
    double release_number;
    const wchar_t* product_name;
};

// The releases the tool knows; a release key is listed only when its number equals one exactly.
extern const product_name_row product_name_table[16];

// The table's product name for the number, or null when the number has no row.
const wchar_t* product_name_for(double release_number);

}  // namespace host

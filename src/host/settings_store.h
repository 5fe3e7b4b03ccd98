#pragma once
// The program's settings (their names below): in Portable.ini beside the executable, section "General", when that file exists, else in the
// registry key SOFTWARE\VORN\PLAXOR. The place is decided again at every access. Neither the
// file nor the key is ever created here.

#include "vorn/vorn_buffer.h"
#include "win/outcome.h"

#include <windows.h>

#include <string>

namespace host {

// The names of the settings, here alone.
inline constexpr wchar_t version_setting[] = L"Version";  // machine-wide
inline constexpr wchar_t instance_factory_setting[] = L"InsFactory";
inline constexpr wchar_t cached_base_setting[] = L"CachedBase";
inline constexpr wchar_t updater_setting[] = L"Updater";
// An administrator's release row, machine-wide: "AcadRelease1" for 1.
std::wstring release_row_setting(int number);

// Empties the path; true with the full path of Portable.ini when it lies beside the executable.
// Once found, the path is kept for the rest of the run and never searched for again.
bool find_portable_ini(vorn_buffer& path);

// Reads one setting. `is_portable` tells whether it came from Portable.ini. In the registry the
// machine-wide key is read when `machine_wide`, else the current user's; a missing value leaves
// `value` as given. Fails only when the registry key cannot be opened; a value too long to read
// is left as given, and its failure gone past.
win::outcome read_setting(bool& is_portable, const wchar_t* name, std::wstring& value, bool machine_wide);

// Reads one setting from the same place as read_setting, but tells no failure: false when the
// registry key cannot be opened. A registry value is read whole; one that is not text reads as
// empty text. A user's setting comes from `user`, the root of that user's registry.
bool read_optional_setting(const wchar_t* name, std::wstring& value, bool machine_wide, HKEY user = HKEY_CURRENT_USER);

// The settings the window shows when it opens and the command line reports: "Version"
// machine-wide, the folders for the user, from Portable.ini beside the executable when it is
// there.
struct program_settings {
    bool portable = false;
    std::wstring version;
    std::wstring instance_factory;
    std::wstring cached_base;
    bool folders_read = false;  // the Instance Factory folder could be read
};

// Fails when the version cannot be read: the window closes then, before it shows anything. The
// failures of the folders are gone past, in the order they were read.
win::outcome read_program_settings(program_settings& settings);

// The two folders of one user of many (`user`: the root of that user's registry), as
// read_optional_setting reads them: empty where that user has none, which is no failure.
void read_user_folders(HKEY user, program_settings& settings);

// Stores one setting, in the registry always for the current user. Fails whenever it is not
// stored: with the registry's own text when the key cannot be opened or the write is refused,
// with one naming the setting and the file when Portable.ini keeps its old text.
win::outcome write_setting(const wchar_t* name, const std::wstring& value);

}  // namespace host

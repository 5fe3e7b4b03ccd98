#pragma once
// The program's four settings ("Version", "InsFactory", "CachedBase", "Updater"): in
// Portable.ini beside the executable, section "General", when that file exists, else in the
// registry key SOFTWARE\VORN\PLAXOR. The place is decided again at every access. Neither the
// file nor the key is ever created here.

#include "vorn/vorn_buffer.h"
#include "win/outcome.h"

#include <string>

namespace host {

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
// empty text.
bool read_optional_setting(const wchar_t* name, std::wstring& value, bool machine_wide);

// Stores one setting, in the registry always for the current user. Fails whenever it is not
// stored: with the registry's own text when the key cannot be opened or the write is refused,
// with one naming the setting and the file when Portable.ini keeps its old text.
win::outcome write_setting(const wchar_t* name, const std::wstring& value);

}  // namespace host

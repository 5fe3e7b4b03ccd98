#pragma once
// Restore points: before a run of the program first writes an AutoCAD profile value, the value as
// it stands (whole, with its type, or its absence) is saved in one file per run, a regedit export
// (UTF-16 with a byte-order mark) named by the date and time the run first wrote. Importing the
// file with the platform's `reg import` puts every saved value back exactly.
// They live in %LOCALAPPDATA%\VORN\PLAXOR\Restore Points, those of another user in that user's own
// local application data, where the user reads them.

#include "host/reg_export.h"
#include "win/outcome.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace host {

// %LOCALAPPDATA% first, so that a process (a test, a deployment) can move the points; the shell's
// local application data folder when the variable is missing.
std::wstring restore_point_folder();

// The restore points of the user whose profile lies in that folder: below it, the folder
// "AppData\Local\VORN\PLAXOR\Restore Points". An empty profile folder is the running user's: restore_point_folder.
std::wstring restore_point_folder(const std::wstring& profile_folder);

// A process is one run unless it starts another, as the command line's entry point does each
// time it is called: the next value kept goes into a new file, in that folder of restore points
// (empty: restore_point_folder()).
void begin_restore_run(const std::wstring& folder = {});

// The file of this run's restore point; empty until the run has kept a value.
const std::wstring& restore_run_file();

// Keeps the value `name` of the open key at `key_path` (below the user's root) as it stands,
// unless this run kept it already. Fails when the point cannot be written: the value must then
// not be written either.
win::outcome keep_before_write(HKEY key, const std::wstring& key_path, const wchar_t* name);

// Keeps the values that are about to be written, as discovery read them whole (key path below the
// user's root, name and value), in one write of the point: a run that writes many values need not
// write its point again for each. Whatever cannot be kept so is left to keep_before_write, which
// then tells why.
void keep_before_writes(const std::vector<exported_value>& values);

// The restore points in the folder (by default restore_point_folder()), full paths, oldest first.
std::vector<std::wstring> list_restore_points(const std::wstring& folder = restore_point_folder());

// Reads a restore point. It may hold only what this program writes: the "ACAD" of a profile's
// General key and the "TRUSTEDPATHS" of its Variables key under the current user's AutoCAD
// profiles, as text (REG_SZ or REG_EXPAND_SZ, at most 64 KB) or as their absence. Anything else
// refuses the whole point: false with `error` saying why.
bool read_restore_point(const std::wstring& file, std::vector<exported_value>& values, std::wstring& error);

// Puts each value back, keeping first its present state in this run's restore point, and reads it
// back. Fails at the first key that cannot be opened for writing or point or value that cannot
// be written, with its text; or, without a text, when a value reads back otherwise (`mismatch`
// names it). `user` is the root of the registry the profiles lie in.
win::outcome apply_restore_point(const std::vector<exported_value>& values, std::wstring& mismatch,
                                 HKEY user = HKEY_CURRENT_USER);

}  // namespace host

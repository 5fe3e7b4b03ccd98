#pragma once
// Connecting an AutoCAD profile to PLAXOR: the client folder and its release-specific subfolder
// at the front of the profile's support path ("ACAD") and among its trusted paths
// ("TRUSTEDPATHS"); disconnecting takes them out again. The record is the working copy; its
// stored texts follow what the registry holds.

#include "host/acad_install.h"
#include "host/profile_text.h"
#include "host/reg_export.h"
#include "win/outcome.h"

#include <string>
#include <utility>
#include <vector>

namespace host {

struct release_suffix_row {
    const wchar_t* release;  // matched whole, case counting
    const wchar_t* suffix;
};

// The releases that can be connected. "R24" has no decimal part: a key named R24.0 matches nothing.
extern const release_suffix_row release_suffix_table[5];

// The suffix table's suffix for the release key (matched whole, case counting), or null.
const wchar_t* built_in_suffix(const std::wstring& release);

// Why a release cannot be connected to a client folder.
enum class connect_obstacle {
    none,               // it can
    no_row,             // no suffix row, and no year to name a release folder by
    no_release_folder,  // the release folder its year names is not in the client folder
};

// The suffix table's row first, then what discovery chose for the record: an administrator's
// row, or the release folder of its year when the client folder (the base folder) holds it.
connect_obstacle connect_obstacle_of(const acad_install& record, const std::wstring& base_folder);

// The client folder (the base folder without its trailing backslash) followed by the release's
// suffix: the release folder the record is connected with, or would be once the client folder
// held it. Empty when the release has no suffix at all.
std::wstring release_folder_of(const acad_install& record, const std::wstring& base_folder);

// The client folder is the base folder without its trailing backslash; the release folder is
// release_folder_of. False (release folder = client folder) when
// the release cannot be connected (connect_obstacle_of).
bool release_folders(const acad_install& record, const std::wstring& base_folder, std::wstring& release_folder,
                     std::wstring& client_folder);

// The support path starts with the release folder and, when it has a second entry, the client
// folder; the trusted paths hold the two folders exactly twice between them. Case is ignored.
bool is_profile_connected(const acad_install& record, const std::wstring& base_folder);

// Connects (true) or disconnects (false) the record's lists in memory only. False when the
// release has no row (nothing changed).
bool plan_profile_connection(bool connect, acad_install& record, const std::wstring& base_folder);

// plan_profile_connection, then write_profile_paths. Fails without a failure to show when the
// release has no row (nothing changed); else as write_profile_paths.
win::outcome set_profile_connection(bool connect, acad_install& record, const std::wstring& base_folder);

// Writes "ACAD" and "TRUSTEDPATHS" where the joined list differs from the stored text, with the
// record's types, and takes a written text as the stored one. Each value is kept in the run's
// restore point before it is first written. Fails when the General or Variables key cannot be
// opened for writing or the restore point cannot be written (nothing more is written then); a
// refused write is gone past: its failure is kept and the other value still written. `user` is
// the root of the registry the profile lies in. With `not_read_back` given, each value is then
// read back through the key it was written with, as first_value_not_written reads it, and the
// name of the first that does not hold the record's list goes there (else null).
win::outcome write_profile_paths(acad_install& record, HKEY user = HKEY_CURRENT_USER,
                                 const wchar_t** not_read_back = nullptr);

// The values write_profile_paths would write now, as discovery read them whole (key path below the
// user's root, name and value): what a restore point must keep first. A value discovery read as
// text only is not among them; write_profile_paths keeps it itself.
std::vector<exported_value> values_to_write(const acad_install& record);

// Reads both values back whole: the name of the first that does not hold the record's joined
// list with the record's type, or null when both do (an absent value holds an empty list).
const wchar_t* first_value_not_written(const acad_install& record, HKEY user = HKEY_CURRENT_USER);

}  // namespace host

#pragma once
// Which of the listed AutoCAD installations run at this moment: the tool refuses to change
// profiles while one does.

#include "host/acad_install.h"

#include <windows.h>

#include <string>
#include <vector>

namespace host {

// The product name of the listed installation for each running acad.exe started from its
// install folder (case ignored), in the system's process order; one running copy, one name.
// False only when the process list cannot be had. Processes the tool may not read are skipped.
bool find_running_acads(const acad_install_list& list, std::vector<std::wstring>& names);

// A running acad.exe: its executable and the SID (string form) of its user, empty when unknown.
struct running_acad {
    std::wstring path;
    std::wstring owner_sid;
};

// The running acad.exe processes, from one look at the process list, which is what costs: a run
// over many users looks once. False only when the process list cannot be had.
bool list_running_acads(std::vector<running_acad>& running);

// As find_running_acads, for processes listed before; with an owner, only that user's processes
// count (one whose owner is unknown counts for nobody).
std::vector<std::wstring> installs_running(const acad_install_list& list, const std::vector<running_acad>& running,
                                           const std::wstring& owner_sid = {});

// The SID, in its string form, of the user the process runs as; empty when it cannot be read.
std::wstring process_owner_sid(HANDLE process);

}  // namespace host

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
// With an owner (a SID in its string form), only the processes of that user count; one whose
// owner cannot be read counts for nobody.
bool find_running_acads(const acad_install_list& list, std::vector<std::wstring>& names,
                        const std::wstring& owner_sid = {});

// The SID, in its string form, of the user the process runs as; empty when it cannot be read.
std::wstring process_owner_sid(HANDLE process);

}  // namespace host

#pragma once
// Which of the listed AutoCAD installations run at this moment: the tool refuses to change
// profiles while one does.

#include "host/acad_install.h"

#include <string>
#include <vector>

namespace host {

// The product name of the listed installation for each running acad.exe started from its
// install folder (case ignored), in the system's process order; one running copy, one name.
// False only when the process list cannot be had. Processes the tool may not read are skipped.
bool find_running_acads(const acad_install_list& list, std::vector<std::wstring>& names);

}  // namespace host

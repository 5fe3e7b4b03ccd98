#pragma once
// Finds the AutoCAD releases of a user (the current one unless another's registry is given): for each, the current product and profile,
// where it is installed, and what its support path and trusted paths hold.

#include "host/acad_install.h"
#include "host/profile_text.h"
#include "host/release_rows.h"
#include "win/outcome.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace host {

enum class discovery_mode {
    // The window's: every value through a 4,096-byte buffer (a longer one fails and reads as
    // empty), and the icon of each acad.exe for the list.
    window,
    // Every value whole, whatever its length, with its type, found by the registry's own lookup
    // (case ignored) as a write of the name finds it; no icon (nothing shows one).
    whole_values,
};

// What read_install_details found for a release's product key, kept for the next users of a run
// over many: the machine's keys are the same for each of them. Without icons: for whole_values.
struct machine_install {
    std::wstring install_folder;
    std::wstring product_name;
    win::outcome read;
};
using machine_installs = std::map<std::wstring, machine_install>;  // by "<release>\<product key>"

// Fills the (empty) list. Fails only when Software\Autodesk\AutoCAD of the user (`user`: the root
// of that user's registry) cannot be opened; the discovery goes past every other failing key or value, each failure kept in
// the outcome in the order it happened. Besides the
// releases of product_name_table it lists those the administrator's rows name, and those whose
// machine-wide "ProductName" carries a year whose release folder the client folder holds; each
// record without a built-in suffix row learns where its suffix may come from. With `machine`
// given, the machine's side of a release is read only when it holds none for it yet.
win::outcome discover_acad_installs(acad_install_list& list, discovery_mode mode = discovery_mode::window,
                                    const release_extensions& extensions = {}, HKEY user = HKEY_CURRENT_USER,
                                    machine_installs* machine = nullptr);

// Reads CurVer, the current profile, "ACAD" and "TRUSTEDPATHS" of one release; stops at the
// first key that cannot be opened, keeping what it read so far. The outcome holds the failures
// of keys and values, and fails when it stopped.
win::outcome read_release_profile(HKEY autocad_key, const std::wstring& release, acad_install_list& list,
                          discovery_mode mode = discovery_mode::window);

// Reads the machine-wide install folder and product name, and in the window's mode the icon of
// acad.exe. Fails when the key cannot be opened; holds the failures of values read.
win::outcome read_install_details(acad_install& record, discovery_mode mode = discovery_mode::window);

}  // namespace host

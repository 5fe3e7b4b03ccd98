#pragma once
// One user's registry for the time of the work on it. The running user's is HKEY_CURRENT_USER; a
// logged-on user's hive is worked on in place under HKEY_USERS\<SID>; any other user's NTUSER.DAT
// is loaded under a temporary name of HKEY_USERS, and unloaded again when the owner goes, after a
// failure too. A Ctrl+C, or a console closed, logged off or shut down, never leaves a hive loaded.

#include "host/user_profiles.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <string>

namespace host {

enum class hive_state {
    open,
    no_hive_file,  // the profile has no NTUSER.DAT: nobody to work on
    not_loadable,  // the file is there, but the system refuses to load it (in use, damaged)
};

class user_hive {
public:
    user_hive() = default;
    ~user_hive() { close(); }
    user_hive(const user_hive&) = delete;
    user_hive& operator=(const user_hive&) = delete;

    // Opens the user's registry. For a state other than open, `reason` says why in the system's
    // words (no_hive_file: the file it looked for).
    hive_state open(const user_profile& user, std::wstring& reason);
    // Closes the root and unloads what open loaded.
    void close();

    HKEY root() const { return m_root; }
    // The temporary name under HKEY_USERS while loaded, else empty.
    const std::wstring& loaded_name() const { return m_loaded; }

private:
    HKEY m_root = nullptr;
    win::unique_hkey m_opened;  // the root, unless it is HKEY_CURRENT_USER
    std::wstring m_loaded;
};

// The SID of the user this process runs as; empty when it cannot be read.
std::wstring running_user_sid();

// Installs, once, the console handler that stops the work and unloads every loaded hive: a Ctrl+C
// or Ctrl+Break asks the work to stop (stop_requested), a close, logoff or shutdown also waits a
// little for it and then unloads what is left.
void unload_hives_on_console_events();

// Whether a console event asked the work to stop: nothing more may be loaded then.
bool stop_requested();

}  // namespace host

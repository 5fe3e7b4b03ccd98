#include "host/user_hive.h"

#include "host/running_acads.h"
#include "win/same_text.h"
#include "win/system_text.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace host {
namespace {

// The console handler runs on a thread of its own: what it reads of the loaded hives is guarded.
struct loaded_hives {
    std::mutex guard;
    std::vector<std::wstring> names;
    std::atomic<bool> stopping{false};
    HANDLE none_loaded = CreateEventW(nullptr, TRUE, TRUE, nullptr);  // set while nothing is loaded
};

loaded_hives& hives()
{
    static loaded_hives state;
    return state;
}

// Loading and unloading another user's hive need these privileges, which an administrator's or
// SYSTEM's token holds but does not enable; without them the load fails and says so.
void enable_hive_privileges()
{
    static const bool enabled = [] {
        win::unique_handle_null token;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
            return false;
        for (const wchar_t* privilege : {SE_BACKUP_NAME, SE_RESTORE_NAME}) {
            TOKEN_PRIVILEGES wanted{};
            wanted.PrivilegeCount = 1;
            wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            if (LookupPrivilegeValueW(nullptr, privilege, &wanted.Privileges[0].Luid))
                AdjustTokenPrivileges(token.get(), FALSE, &wanted, sizeof wanted, nullptr, nullptr);
        }
        return true;
    }();
    (void)enabled;
}

std::wstring temporary_name()
{
    static int counter = 0;
    return L"plaxorcfg-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

BOOL WINAPI on_console_event(DWORD event)
{
    loaded_hives& state = hives();
    state.stopping = true;
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;  // the work stops before the next user, unloading as it goes
    // The process ends when this returns: give the work a moment to close its keys first.
    WaitForSingleObject(state.none_loaded, 3000);
    const std::lock_guard lock(state.guard);
    for (const std::wstring& name : state.names)
        RegUnLoadKeyW(HKEY_USERS, name.c_str());
    state.names.clear();
    return FALSE;
}

}  // namespace

std::wstring running_user_sid()
{
    static const std::wstring sid = process_owner_sid(GetCurrentProcess());
    return sid;
}

hive_state user_hive::open(const user_profile& user, std::wstring& reason)
{
    close();
    reason.clear();
    if (!user.sid.empty() && win::same_text(user.sid, running_user_sid())) {
        m_root = HKEY_CURRENT_USER;
        return hive_state::open;
    }
    if (RegOpenKeyExW(HKEY_USERS, user.sid.c_str(), 0, KEY_ALL_ACCESS, m_opened.put()) == ERROR_SUCCESS) {
        m_root = m_opened.get();
        return hive_state::open;
    }

    const std::wstring file = user.folder + L"\\NTUSER.DAT";
    if (user.folder.empty() || GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD status = user.folder.empty() ? ERROR_PATH_NOT_FOUND : GetLastError();
        if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) {
            reason = user.folder.empty() ? L"the profile names no folder" : L"no " + file;
            return hive_state::no_hive_file;
        }
        reason = file + L": " + win::system_text(status);
        return hive_state::not_loadable;
    }

    enable_hive_privileges();
    loaded_hives& state = hives();
    const std::wstring name = temporary_name();
    {
        const std::lock_guard lock(state.guard);
        if (state.stopping) {
            reason = L"stopped before it was loaded";
            return hive_state::not_loadable;
        }
        const LONG status = RegLoadKeyW(HKEY_USERS, name.c_str(), file.c_str());
        if (status != ERROR_SUCCESS) {
            // Wine leaves the key it meant to load into; Windows refuses this unload harmlessly.
            RegUnLoadKeyW(HKEY_USERS, name.c_str());
            reason = file + L": " + win::system_text(static_cast<DWORD>(status));
            return hive_state::not_loadable;
        }
        state.names.push_back(name);
        ResetEvent(state.none_loaded);
    }
    m_loaded = name;
    const LONG status = RegOpenKeyExW(HKEY_USERS, name.c_str(), 0, KEY_ALL_ACCESS, m_opened.put());
    if (status != ERROR_SUCCESS) {
        close();
        reason = file + L": " + win::system_text(static_cast<DWORD>(status));
        return hive_state::not_loadable;
    }
    m_root = m_opened.get();
    return hive_state::open;
}

void user_hive::close()
{
    m_opened.reset();
    m_root = nullptr;
    if (m_loaded.empty())
        return;
    loaded_hives& state = hives();
    const std::lock_guard lock(state.guard);
    // The console handler may have unloaded it already.
    if (const auto found = std::find(state.names.begin(), state.names.end(), m_loaded); found != state.names.end()) {
        RegUnLoadKeyW(HKEY_USERS, m_loaded.c_str());
        state.names.erase(found);
    }
    if (state.names.empty())
        SetEvent(state.none_loaded);
    m_loaded.clear();
}

void unload_hives_on_console_events()
{
    static const bool installed = SetConsoleCtrlHandler(on_console_event, TRUE) != FALSE;
    (void)installed;
}

bool stop_requested()
{
    return hives().stopping;
}

}  // namespace host

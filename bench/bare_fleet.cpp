// The floor of fleet_bench: what connecting every release of every user of fleet_hives.h must do
// at the least, with the bare calls and no strings built on the way but the values written. It
// enables the backup and restore privileges, reads the profile list, and for each user loads the
// hive file, reads and writes "ACAD" and "TRUSTEDPATHS" of the four releases' profiles, closes
// every key and unloads the hive. Exit code 0 only when every call succeeded for every user.

#include "fleet_hives.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr DWORD name_size = 256;     // wide characters, enough for a SID
constexpr DWORD data_size = 16384;   // bytes of a value read
constexpr wchar_t hive_name[] = L"PLAXOR bare fleet";

wchar_t sid[name_size];
wchar_t text[data_size / sizeof(wchar_t) + 1];
wchar_t expanded[MAX_PATH];

bool enable_privileges()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    bool enabled = true;
    for (const wchar_t* name : {SE_BACKUP_NAME, SE_RESTORE_NAME}) {
        TOKEN_PRIVILEGES wanted{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        enabled = enabled && LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid) &&
                  AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr);
    }
    CloseHandle(token);
    return enabled;
}

// Reads the text value and writes it back with the client's folders added, as a connect does.
bool read_and_write(HKEY hive, const std::wstring& path, const wchar_t* name, bool in_front, const fleet::release& row)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = data_size;
    bool done = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS;
    if (done) {
        text[size / sizeof(wchar_t)] = L'\0';
        const std::wstring folders = std::wstring(fleet::client_folder) + row.suffix + L";" + fleet::client_folder;
        const std::wstring value = in_front ? folders + L";" + text : std::wstring(text) + L";" + folders;
        done = RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return done;
}

bool connect_user(const std::wstring& hive_file)
{
    if (RegLoadKeyW(HKEY_USERS, hive_name, hive_file.c_str()) != ERROR_SUCCESS)
        return false;
    HKEY hive = nullptr;
    bool done = RegOpenKeyExW(HKEY_USERS, hive_name, 0, KEY_READ, &hive) == ERROR_SUCCESS;
    for (const fleet::release& row : fleet::releases) {
        const std::wstring profile = std::wstring(L"Software\\Autodesk\\AutoCAD\\") + row.release + L"\\" +
                                     row.product_key + L"\\Profiles\\" + fleet::profile;
        done = done && read_and_write(hive, profile + L"\\General", L"ACAD", true, row) &&
               read_and_write(hive, profile + L"\\Variables", L"TRUSTEDPATHS", false, row);
    }
    if (hive)
        RegCloseKey(hive);
    return RegUnLoadKeyW(HKEY_USERS, hive_name) == ERROR_SUCCESS && done;
}

}  // namespace

int wmain()
{
    if (!enable_privileges())
        return 1;
    HKEY list = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, fleet::profile_list, 0, KEY_READ, &list) != ERROR_SUCCESS)
        return 1;
    int connected = 0;
    bool done = true;
    const size_t prefix_length = std::wcslen(fleet::sid_prefix);
    for (DWORD index = 0;; ++index) {
        DWORD length = name_size;
        if (RegEnumKeyExW(list, index, sid, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (std::wcsncmp(sid, fleet::sid_prefix, prefix_length) != 0)
            continue;
        DWORD size = data_size;
        const bool read = RegGetValueW(list, sid, L"ProfileImagePath", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                                       nullptr, text, &size) == ERROR_SUCCESS;
        const DWORD expanded_length = read ? ExpandEnvironmentStringsW(text, expanded, MAX_PATH) : 0;
        if (expanded_length == 0 || expanded_length > MAX_PATH) {
            done = false;
            continue;
        }
        const bool user_done = connect_user(std::wstring(expanded) + L"\\NTUSER.DAT");
        done = done && user_done;
        connected += user_done ? 1 : 0;
    }
    RegCloseKey(list);
    return done && connected == fleet::user_count ? 0 : 1;
}

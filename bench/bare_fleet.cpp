// The floor of fleet_bench: what connecting every release of every user of fleet_hives.h must do
// at the least, with the bare calls and no strings built on the way but the
// key paths and the values written. It enables the backup and restore privileges, reads the
// profile list, and for each user loads the hive file, finds the user's releases (each one's
// "CurVer" and current profile), reads "ACAD" and "TRUSTEDPATHS" of each release's profile, keeps
// them in a new restore point file in the user's profile folder, flushed, then writes them and
// reads them back, closes every key and unloads the hive. With --hive-calls-only it leaves the
// restore points out: the hive calls alone. Exit code 0 only when every call succeeded for every
// user.

#include "fleet_hives.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr DWORD name_size = 256;     // wide characters, enough for a SID or a key's name
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

// The text value of the open key, into `text`.
bool read_text(HKEY key, const wchar_t* name, DWORD& type)
{
    DWORD size = data_size;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return false;
    text[size / sizeof(wchar_t)] = L'\0';
    return true;
}

// The default or named text value of the key below `parent`, into `found`.
bool read_key_text(HKEY parent, const std::wstring& path, const wchar_t* name, std::wstring& found)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    const bool done = read_text(key, name, type);
    RegCloseKey(key);
    if (done)
        found = text;
    return done;
}

// One of the two values of a release's current profile, with its key kept open from its read to
// its read-back.
struct profile_value {
    HKEY key = nullptr;
    const wchar_t* name = nullptr;
    std::wstring path;  // below the user's root, for the restore point
    DWORD type = REG_SZ;
    std::wstring before, after;
};

constexpr size_t value_count = std::size(fleet::releases) * 2;
profile_value values[value_count];

bool open_and_read(HKEY autocad, profile_value& value, const std::wstring& path, const wchar_t* name)
{
    value.name = name;
    value.path = L"Software\\Autodesk\\AutoCAD\\" + path;
    if (RegOpenKeyExW(autocad, path.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &value.key) != ERROR_SUCCESS ||
        !read_text(value.key, name, value.type))
        return false;
    value.before = text;
    return true;
}

// The release's product ("CurVer") and current profile, then its two values read and what a
// connect makes of them.
bool read_release(HKEY autocad, const wchar_t* release, const fleet::release& row, profile_value* pair)
{
    std::wstring product, profile;
    if (!read_key_text(autocad, release, L"CurVer", product) ||
        !read_key_text(autocad, std::wstring(release) + L"\\" + product + L"\\Profiles", L"", profile))
        return false;
    const std::wstring path = std::wstring(release) + L"\\" + product + L"\\Profiles\\" + profile;
    if (!open_and_read(autocad, pair[0], path + L"\\General", L"ACAD") ||
        !open_and_read(autocad, pair[1], path + L"\\Variables", L"TRUSTEDPATHS"))
        return false;
    const std::wstring folders = std::wstring(fleet::client_folder) + row.suffix + L";" + fleet::client_folder;
    pair[0].after = folders + L";" + pair[0].before;
    pair[1].after = pair[1].before + L";" + folders;
    return true;
}

// A text as a regedit export quotes it.
std::wstring quoted(const std::wstring& text)
{
    std::wstring result = L"\"";
    for (const wchar_t ch : text) {
        if (ch == L'\\' || ch == L'"')
            result += L'\\';
        result += ch;
    }
    return result + L'"';
}

// The values as they stood, in a new file of the user's restore points, before any is written.
bool write_restore_point(const std::wstring& profile_folder, size_t count)
{
    const std::wstring folder = profile_folder + L"\\AppData\\Local\\VORN\\PLAXOR\\Restore Points";
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() == ERROR_PATH_NOT_FOUND)
        for (size_t end = folder.find(L'\\', 3); end != std::wstring::npos; end = folder.find(L'\\', end + 1))
            CreateDirectoryW(folder.substr(0, end).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring point = L"\xFEFFWindows Registry Editor Version 5.00\r\n";
    for (size_t i = 0; i < count; ++i)
        point += L"\r\n[HKEY_CURRENT_USER\\" + values[i].path + L"]\r\n" + quoted(values[i].name) + L"=" + quoted(values[i].before) + L"\r\n";
    static int serial = 0;
    const std::wstring name = folder + L"\\" + std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++serial) + L".reg";
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(point.size() * sizeof(wchar_t));
    const bool done = WriteFile(file, point.data(), size, &written, nullptr) && written == size && FlushFileBuffers(file);
    CloseHandle(file);
    return done;
}

bool write_and_read_back(profile_value& value)
{
    DWORD type = 0;
    return RegSetValueExW(value.key, value.name, 0, value.type, reinterpret_cast<const BYTE*>(value.after.c_str()),
                          static_cast<DWORD>((value.after.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS &&
           read_text(value.key, value.name, type) && value.after == text;
}

bool connect_user(const std::wstring& profile_folder, bool restore_points)
{
    if (RegLoadKeyW(HKEY_USERS, hive_name, (profile_folder + L"\\NTUSER.DAT").c_str()) != ERROR_SUCCESS)
        return false;
    HKEY autocad = nullptr;
    bool done = RegOpenKeyExW(HKEY_USERS, (std::wstring(hive_name) + L"\\Software\\Autodesk\\AutoCAD").c_str(), 0,
                              KEY_READ, &autocad) == ERROR_SUCCESS;
    size_t count = 0;
    wchar_t release[name_size];
    for (DWORD index = 0; done; ++index) {
        DWORD length = name_size;
        if (RegEnumKeyExW(autocad, index, release, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        for (const fleet::release& row : fleet::releases)
            if (std::wcscmp(row.release, release) == 0 && count < value_count) {
                done = read_release(autocad, release, row, values + count);
                count += 2;
            }
    }
    done = done && count == value_count && (!restore_points || write_restore_point(profile_folder, count));
    for (size_t i = 0; i < count; ++i) {
        done = done && write_and_read_back(values[i]);
        if (values[i].key)
            RegCloseKey(values[i].key);
        values[i].key = nullptr;
    }
    if (autocad)
        RegCloseKey(autocad);
    return RegUnLoadKeyW(HKEY_USERS, hive_name) == ERROR_SUCCESS && done;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const bool restore_points = !(argc == 2 && std::wcscmp(argv[1], L"--hive-calls-only") == 0);
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
        const bool user_done = connect_user(expanded, restore_points);
        done = done && user_done;
        connected += user_done ? 1 : 0;
    }
    RegCloseKey(list);
    return done && connected == fleet::user_count ? 0 : 1;
}

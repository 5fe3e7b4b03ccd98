#include "host/running_acads.h"

#include "win/same_text.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <psapi.h>
#include <sddl.h>
#include <tlhelp32.h>

namespace host {
namespace {

// The system's process list is looked at as far as a list of 4,096 bytes of process ids reaches.
constexpr DWORD max_processes = 4096 / sizeof(DWORD);
constexpr DWORD module_text_size = 256;  // wide characters, terminator included
constexpr wchar_t acad_exe[] = L"acad.exe";

const acad_install* installation_of(const acad_install_list& list, const wchar_t* executable_path)
{
    for (const auto& [release, record] : list)
        if (win::same_text(record.install_folder + acad_exe, executable_path))
            return &record;
    return nullptr;
}

// The running program's executable as its module list names it: its base name and full path. A
// name or path that does not fit arrives cut and then matches nothing; older systems leave a cut
// text unterminated, hence the last character is set here. False when the process may not be
// read, which skips it.
bool read_executable(DWORD process_id, wchar_t (&base_name)[module_text_size], wchar_t (&full_path)[module_text_size],
                     std::wstring& owner_sid)
{
    win::unique_handle_null process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id));
    if (!process)
        return false;
    owner_sid = process_owner_sid(process.get());
    HMODULE executable = nullptr;
    DWORD needed = 0;
    if (!K32EnumProcessModules(process.get(), &executable, sizeof executable, &needed))
        return false;
    K32GetModuleBaseNameW(process.get(), executable, base_name, module_text_size);
    K32GetModuleFileNameExW(process.get(), executable, full_path, module_text_size);
    base_name[module_text_size - 1] = L'\0';
    full_path[module_text_size - 1] = L'\0';
    return true;
}

}  // namespace

std::wstring process_owner_sid(HANDLE process)
{
    win::unique_handle_null token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put()))
        return {};
    // A TOKEN_USER and the SID it points to; a SID is at most 68 bytes.
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size))
        return {};
    win::unique_local_memory text;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, reinterpret_cast<wchar_t**>(text.put())))
        return {};
    return static_cast<const wchar_t*>(text.get());
}

// One snapshot of the process list names every process's executable, so only the processes named
// acad.exe are opened and their module list read: opening and reading every process of the system
// would cost tens of milliseconds at each start. What is matched is what the module list says.
bool list_running_acads(std::vector<running_acad>& running)
{
    running.clear();
    const win::unique_file snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    if (!Process32FirstW(snapshot.get(), &entry))
        return GetLastError() == ERROR_NO_MORE_FILES;

    DWORD seen = 0;
    do {
        if (entry.th32ProcessID == 0 ||
            CompareStringOrdinal(entry.szExeFile, -1, acad_exe, -1, TRUE) != CSTR_EQUAL)
            continue;
        wchar_t base_name[module_text_size] = {};
        wchar_t full_path[module_text_size] = {};
        std::wstring owner_sid;
        if (read_executable(entry.th32ProcessID, base_name, full_path, owner_sid) &&
            CompareStringOrdinal(base_name, -1, acad_exe, -1, TRUE) == CSTR_EQUAL)
            running.push_back({full_path, std::move(owner_sid)});
    } while (++seen < max_processes && Process32NextW(snapshot.get(), &entry));
    return true;
}

std::vector<std::wstring> installs_running(const acad_install_list& list, const std::vector<running_acad>& running,
                                           const std::wstring& owner_sid)
{
    std::vector<std::wstring> names;
    for (const running_acad& process : running)
        if (owner_sid.empty() || win::same_text(process.owner_sid, owner_sid))
            if (const acad_install* record = installation_of(list, process.path.c_str()))
                names.push_back(record->product_name);
    return names;
}

bool find_running_acads(const acad_install_list& list, std::vector<std::wstring>& names)
{
    std::vector<running_acad> running;
    names.clear();
    if (!list_running_acads(running))
        return false;
    names = installs_running(list, running);
    return true;
}

}  // namespace host

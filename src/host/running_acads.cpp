#include "host/running_acads.h"

#include "win/unique_handle.h"

#include <windows.h>
#include <psapi.h>

namespace host {
namespace {

constexpr DWORD max_process_ids = 4096 / sizeof(DWORD);
constexpr DWORD module_text_size = 256;  // wide characters, terminator included

bool equal_ignoring_case(const std::wstring& a, const wchar_t* b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

const acad_install* installation_of(const acad_install_list& list, const wchar_t* executable_path)
{
    for (const auto& [release, record] : list)
        if (equal_ignoring_case(record.install_folder + L"acad.exe", executable_path))
            return &record;
    return nullptr;
}

}  // namespace

bool find_running_acads(const acad_install_list& list, std::vector<std::wstring>& names)
{
    names.clear();
    DWORD ids[max_process_ids] = {};
    DWORD bytes = 0;
    if (!K32EnumProcesses(ids, sizeof ids, &bytes))
        return false;

    const DWORD count = bytes / sizeof(DWORD);
    for (DWORD i = 0; i < count; ++i) {
        if (ids[i] == 0)
            continue;
        win::unique_handle_null process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
        if (!process)
            continue;
        HMODULE executable = nullptr;
        DWORD needed = 0;
        if (!K32EnumProcessModules(process.get(), &executable, sizeof executable, &needed))
            continue;

        // A name or path that does not fit arrives cut and then matches nothing; older systems
        // leave a cut text unterminated, hence the last character is set here.
        wchar_t base_name[module_text_size] = {};
        wchar_t full_path[module_text_size] = {};
        K32GetModuleBaseNameW(process.get(), executable, base_name, module_text_size);
        K32GetModuleFileNameExW(process.get(), executable, full_path, module_text_size);
        base_name[module_text_size - 1] = L'\0';
        full_path[module_text_size - 1] = L'\0';
        if (!equal_ignoring_case(L"acad.exe", base_name))
            continue;
        if (const acad_install* record = installation_of(list, full_path))
            names.push_back(record->product_name);
    }
    return true;
}

}  // namespace host

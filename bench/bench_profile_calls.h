#pragma once
// The bare platform calls of the set's rebuild reading an Instance Factory folder, which
// benchmarks take as their floor: in a warm loop (multi_conn_bench) and in a process of its own
// (bare_start.exe). Nothing here depends on the program's code.

#include <windows.h>

#include <cwchar>
#include <string>

namespace bench {

// Calls `each` with the full path of every "*.ini" file of the folder (with its trailing
// backslash), from a fixed buffer.
template <typename Each>
void list_definitions(const std::wstring& folder, Each each)
{
    static wchar_t path[MAX_PATH];
    const std::wstring pattern = folder + L"*.ini";
    WIN32_FIND_DATAW entry;
    const HANDLE listing = FindFirstFileW(pattern.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (folder.size() + std::wcslen(entry.cFileName) >= MAX_PATH)
            continue;
        std::wmemcpy(path, folder.c_str(), folder.size());
        wcscpy_s(path + folder.size(), MAX_PATH - folder.size(), entry.cFileName);
        each(path);
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
}

// The calls of the rebuild for the definitions of the folder, done bare: the listing and the 33
// private-profile reads of each file, with no objects, no texts kept and no deciphering. Returns
// the number of files read.
int rebuild_profile_calls(const std::wstring& folder);

}  // namespace bench

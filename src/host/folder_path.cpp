#include "host/folder_path.h"

#include <windows.h>

#include <algorithm>

namespace host {

std::wstring with_one_backslash(const std::wstring& folder)
{
    if (folder.empty())
        return folder;
    const size_t last_kept = folder.find_last_not_of(L"\\/");
    if (last_kept == std::wstring::npos)
        return L"\\";
    return folder.substr(0, last_kept + 1) + L'\\';
}

std::wstring program_path()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring program_folder()
{
    std::wstring path = program_path();
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

}  // namespace host

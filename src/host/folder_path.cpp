#include "host/folder_path.h"

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

}  // namespace host

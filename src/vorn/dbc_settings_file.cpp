#include "vorn/dbc_settings_file.h"

#include <windows.h>

#include <shlobj.h>

#include <string>

namespace {

constexpr wchar_t settings_folder[] = L"\\VORN\\PLAXOR";
constexpr wchar_t settings_name[] = L"\\dbclient.ini";

// %APPDATA% first, so that a process (a test, a portable set-up) can move the file; the
// shell's roaming folder when the variable is missing.
std::wstring application_data_folder()
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return buffer;
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return buffer;
    return {};
}

}  // namespace

int dbc_getIniFilePath(wchar_t* buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = L'\0';
    const std::wstring folder = application_data_folder();
    if (folder.empty())
        return 0;
    const std::wstring path = folder + settings_folder + settings_name;
    if (path.size() + 1 > static_cast<size_t>(size))
        return 0;
    path.copy(buffer, path.size());
    buffer[path.size()] = L'\0';
    return 1;
}

int dbc_createIniFolder()
{
    const std::wstring folder = application_data_folder();
    if (folder.empty())
        return 0;
    const std::wstring vorn = folder + L"\\VORN";
    const std::wstring plaxor = folder + settings_folder;
    CreateDirectoryW(vorn.c_str(), nullptr);
    CreateDirectoryW(plaxor.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(plaxor.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

#include "host/settings_store.h"

#include "host/folder_path.h"
#include "host/registry.h"
#include "vorn/vorn_paths.h"
#include "vorn/vorn_profile_draft.h"

#include <windows.h>

#include <cwchar>

namespace host {
namespace {

constexpr wchar_t settings_key_path[] = L"SOFTWARE\\VORN\\PLAXOR";
constexpr wchar_t portable_section[] = L"General";
constexpr wchar_t portable_file_name[] = L"Portable.ini";
constexpr DWORD path_size = 512;         // wide characters, terminator included
constexpr DWORD file_value_size = 512;   // wide characters, terminator included
constexpr int message_size = 512;        // wide characters, terminator included

// The process-wide place of Portable.ini; empty until it is first found.
wchar_t s_portable_ini_path[path_size] = {};

bool cached_portable_ini(vorn_buffer& path)
{
    if (!fileExists(s_portable_ini_path))
        return false;
    path = s_portable_ini_path;
    return true;
}

win::outcome missing_key()
{
    wchar_t text[message_size] = {};
    _snwprintf(text, message_size - 1, L"Register Key '%ls' doesn't exist!", settings_key_path);
    return win::outcome::failed(text);
}

}  // namespace

bool find_portable_ini(vorn_buffer& path)
{
    path.empty();
    if (s_portable_ini_path[0] != L'\0')
        return cached_portable_ini(path);

    const std::wstring folder = program_folder();
    if (folder.empty())
        return false;
    const std::wstring candidate = folder + portable_file_name;
    if (candidate.size() >= path_size || !fileExists(candidate.c_str()))  // a longer one is never kept
        return false;

    std::wmemcpy(s_portable_ini_path, candidate.c_str(), candidate.size() + 1);
    path = s_portable_ini_path;
    return true;
}

win::outcome read_setting(bool& is_portable, const wchar_t* name, std::wstring& value, bool machine_wide)
{
    is_portable = false;
    vorn_buffer ini_path;
    if (find_portable_ini(ini_path)) {
        wchar_t text[file_value_size] = {};
        GetPrivateProfileStringW(portable_section, name, L"", text, file_value_size, ini_path.as_const_w_buffer());
        value = text;
        is_portable = true;
        return {};
    }

    const HKEY hive = machine_wide ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    win::unique_hkey key;
    const LONG status = open_key(hive, settings_key_path, read_access, key);
    if (status == ERROR_FILE_NOT_FOUND)
        return missing_key();
    if (status != ERROR_SUCCESS)
        return registry_failure(status, hive, settings_key_path);
    vorn_buffer data;
    win::outcome unread;
    if (find_registry_value(key.get(), name, &data, &unread))
        value = data.str();
    return win::outcome().went_past(std::move(unread));
}

bool read_optional_setting(const wchar_t* name, std::wstring& value, bool machine_wide, HKEY user)
{
    vorn_buffer ini_path;
    if (find_portable_ini(ini_path)) {
        wchar_t text[file_value_size] = {};
        GetPrivateProfileStringW(portable_section, name, L"", text, file_value_size, ini_path.as_const_w_buffer());
        value = text;
        return true;
    }
    win::unique_hkey key;
    if (open_key(machine_wide ? HKEY_LOCAL_MACHINE : user, settings_key_path, read_access, key) != ERROR_SUCCESS)
        return false;
    stored_value stored;
    if (read_stored_value(key.get(), name, stored) != ERROR_SUCCESS)
        return false;
    value = stored.exists && is_text_type(stored.type) ? stored_text(stored) : std::wstring();
    return true;
}

std::wstring release_row_setting(int number)
{
    return L"AcadRelease" + std::to_wstring(number);
}

win::outcome read_program_settings(program_settings& settings)
{
    bool portable = false;
    win::outcome read = read_setting(portable, version_setting, settings.version, true);
    if (!read)
        return read;
    read.went_past(read_setting(portable, cached_base_setting, settings.cached_base, false));
    win::outcome factory = read_setting(portable, instance_factory_setting, settings.instance_factory, false);
    settings.folders_read = static_cast<bool>(factory);
    settings.portable = portable;
    return read.went_past(std::move(factory));
}

void read_user_folders(HKEY user, program_settings& settings)
{
    settings.instance_factory.clear();
    settings.cached_base.clear();
    settings.folders_read = read_optional_setting(instance_factory_setting, settings.instance_factory, false, user);
    read_optional_setting(cached_base_setting, settings.cached_base, false, user);
}

win::outcome write_setting(const wchar_t* name, const std::wstring& value)
{
    vorn_buffer ini_path;
    if (find_portable_ini(ini_path)) {
        // Through a draft: on a full disk the platform's profile write cuts the file short and
        // still reports success, and every other setting would go with it.
        vorn_profile_draft draft(ini_path.str());
        if (draft.write(portable_section, name, value.c_str()) && draft.replace_file())
            return {};
        vorn_buffer text;
        text.format(L"The setting \"%ls\" could not be saved in '%ls'.", name, ini_path.as_const_w_buffer());
        return win::outcome::failed(text.str());
    }

    win::unique_hkey key;
    if (win::outcome opened = open_key_or_fail(HKEY_CURRENT_USER, settings_key_path, write_access, key, HKEY_CURRENT_USER);
        !opened)
        return opened;
    return set_string_value(key.get(), name, value.c_str());
}

}  // namespace host

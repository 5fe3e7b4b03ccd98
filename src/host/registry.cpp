#include "host/registry.h"

#include <array>
#include <cstring>
#include <cwchar>
#include <vector>

namespace host {
namespace {

constexpr DWORD value_name_size = 512;  // wide characters
constexpr DWORD value_data_size = 4096; // bytes

void copy_bounded(registry_error_text& text, const wchar_t* source)
{
    wcsncpy(text, source, registry_error_size - 1);
    text[registry_error_size - 1] = L'\0';
}

}  // namespace

const wchar_t* hive_name(HKEY hive)
{
    return hive == HKEY_CURRENT_USER ? L"HKEY_CURRENT_USER" : L"HKEY_LOCAL_MACHINE";
}

void format_registry_error(LONG status, registry_error_text& text, HKEY hive, const wchar_t* subkey)
{
    text[0] = L'\0';
    const wchar_t* hive_text = hive_name(hive);
    const wchar_t* subkey_text = subkey ? subkey : L"(null)";
    if (status == ERROR_SUCCESS)
        return;
    if (status == ERROR_FILE_NOT_FOUND) {
        _snwprintf(text, registry_error_size - 1, L"Key '%ls', SubKey '%ls' does not exist!", hive_text, subkey_text);
        text[registry_error_size - 1] = L'\0';
        return;
    }
    if (status == ERROR_ACCESS_DENIED) {
        _snwprintf(text, registry_error_size - 1, L"Key '%ls', SubKey '%ls' cannat to opened for writting!", hive_text,
                   subkey_text);
        text[registry_error_size - 1] = L'\0';
        return;
    }
    win::unique_local_memory system_text;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        static_cast<DWORD>(status), 0x400, reinterpret_cast<wchar_t*>(system_text.put()), 0, nullptr);
    if (length != 0 && system_text)
        copy_bounded(text, static_cast<const wchar_t*>(system_text.get()));
}

win::outcome registry_failure(LONG status, HKEY hive, const wchar_t* subkey)
{
    registry_error_text text;
    format_registry_error(status, text, hive, subkey);
    return win::outcome::failed(text);
}

LONG open_key(HKEY hive, const std::wstring& path, REGSAM access, win::unique_hkey& key)
{
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExW(hive, path.c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS)
        key.reset(opened);
    return status;
}

win::outcome open_key_or_fail(HKEY hive, const std::wstring& path, REGSAM access, win::unique_hkey& key,
                              HKEY named_hive)
{
    const LONG status = open_key(hive, path, access, key);
    if (status != ERROR_SUCCESS)
        return registry_failure(status, named_hive, path.c_str());
    return {};
}

bool find_registry_value(HKEY key, const wchar_t* name, vorn_buffer* data, win::outcome* unread)
{
    DWORD value_count = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &value_count, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS ||
        value_count == 0)
        return false;

    const size_t wanted_length = std::wcslen(name);
    std::array<wchar_t, value_name_size> found_name;
    DWORD found_index = 0;
    bool found = false;
    for (DWORD index = 0; index < value_count && !found; ++index) {
        found_name.fill(L'\0');
        DWORD name_length = value_name_size;
        if (RegEnumValueW(key, index, found_name.data(), &name_length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        if (name_length == wanted_length && std::wmemcmp(found_name.data(), name, wanted_length) == 0) {
            found = true;
            found_index = index;
        }
    }
    if (!found)
        return false;
    if (!data)
        return true;

    std::array<wchar_t, value_name_size> read_name{};
    // One wide character more than the registry may fill, so the text always ends in a NUL.
    std::vector<wchar_t> value(value_data_size / sizeof(wchar_t) + 1, L'\0');
    DWORD name_length = value_name_size;
    DWORD type = 0;
    DWORD size = value_data_size;
    const LONG status = RegEnumValueW(key, found_index, read_name.data(), &name_length, nullptr, &type,
                                      reinterpret_cast<BYTE*>(value.data()), &size);
    if (status != ERROR_SUCCESS) {
        if (unread)
            *unread += registry_failure(status, HKEY_CURRENT_USER, nullptr);
        return false;
    }
    if (is_text_type(type))
        *data = value.data();
    return true;
}

win::outcome set_string_value(HKEY key, const wchar_t* name, const wchar_t* value, DWORD type)
{
    const DWORD length = static_cast<DWORD>(std::wcslen(value));
    std::vector<wchar_t> data(length + 1, L'\0');
    std::wmemcpy(data.data(), value, length);
    const LONG status = RegSetKeyValueW(key, nullptr, name, type, data.data(), length * 2 + 2);
    if (status != ERROR_SUCCESS)
        return registry_failure(status, HKEY_CURRENT_USER, nullptr);
    return {};
}

LONG read_stored_value(HKEY key, const wchar_t* name, stored_value& value)
{
    // Most values fit the first buffer; a larger one is read again at the size the registry
    // gives, and again if it grew meanwhile.
    std::vector<BYTE> data(value_data_size);
    DWORD type = REG_NONE;
    DWORD size = value_data_size;
    LONG status = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
    while (status == ERROR_MORE_DATA) {
        data.resize(size);
        status = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
    }
    if (status == ERROR_SUCCESS)
        data.resize(size);
    if (status == ERROR_FILE_NOT_FOUND) {
        value = {};
        return ERROR_SUCCESS;
    }
    if (status == ERROR_SUCCESS)
        value = {true, type, std::move(data)};
    return status;
}

LONG write_stored_value(HKEY key, const wchar_t* name, const stored_value& value)
{
    if (!value.exists) {
        const LONG status = RegDeleteValueW(key, name);
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    return RegSetValueExW(key, name, 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
}

}  // namespace host

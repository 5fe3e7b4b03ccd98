#include "bench_prefix_keys.h"

#include "support/created_key.h"

#include <algorithm>
#include <stdexcept>

namespace bench {
namespace {

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// One value per added key, named "HKCU\<path>" or "HKLM\<path>".
constexpr wchar_t record_path[] = L"Software\\ConfigurePLAXOR bench";

std::wstring record_name(const prefix_key& key)
{
    return (key.hive == HKEY_LOCAL_MACHINE ? L"HKLM\\" : L"HKCU\\") + key.path;
}

prefix_key from_record_name(const std::wstring& name)
{
    return {name.rfind(L"HKLM\\", 0) == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, name.substr(5)};
}

bool is_missing(const prefix_key& key)
{
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExW(key.hive, key.path.c_str(), 0, KEY_READ, &opened);
    if (status == ERROR_SUCCESS)
        RegCloseKey(opened);
    return status == ERROR_FILE_NOT_FOUND;
}

// The outermost key of the path that is not there yet: removing it removes all that writing the
// path creates. Empty when the whole path is there.
prefix_key first_missing(const prefix_key& key)
{
    for (size_t end = key.path.find(L'\\');; end = key.path.find(L'\\', end + 1)) {
        const prefix_key part{key.hive, key.path.substr(0, end)};
        if (is_missing(part))
            return part;
        if (end == std::wstring::npos)
            return {key.hive, {}};
    }
}

void remove_recorded()
{
    std::vector<std::wstring> names;
    HKEY record = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, record_path, 0, KEY_READ, &record) == ERROR_SUCCESS) {
        wchar_t name[512];
        for (DWORD index = 0;; ++index) {
            DWORD length = 512;
            if (RegEnumValueW(record, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, length);
        }
        RegCloseKey(record);
    }
    for (const std::wstring& name : names) {
        const prefix_key key = from_record_name(name);
        RegDeleteTreeW(key.hive, key.path.c_str());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, record_path);
}

}  // namespace

added_keys::added_keys(const std::vector<prefix_key>& wanted)
{
    remove_recorded();
    std::vector<prefix_key> added;
    for (const prefix_key& key : wanted) {
        const prefix_key outermost = first_missing(key);
        if (outermost.path.empty())
            throw std::runtime_error(narrow(record_name(key)) + " is in the Wine prefix's registry already");
        if (std::find(added.begin(), added.end(), outermost) == added.end())
            added.push_back(outermost);
    }
    // Recorded before anything is written under them.
    const test::created_key record(HKEY_CURRENT_USER, record_path);
    for (const prefix_key& key : added)
        record.set(record_name(key), L"");
}

added_keys::~added_keys()
{
    remove_recorded();
}

}  // namespace bench

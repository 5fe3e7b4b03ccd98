#include "bench_releases.h"

#include "host/acad_install.h"
#include "support/created_key.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace bench {
namespace {

constexpr wchar_t autocad_path[] = L"Software\\Autodesk\\AutoCAD";
constexpr DWORD name_size = 512;  // wide characters

std::wstring stock_support_path(const std::wstring& year, const std::wstring& release)
{
    const std::wstring folder = L"C:\\Program Files\\Autodesk\\AutoCAD " + year;
    return L"%UserProfile%\\AppData\\Roaming\\Autodesk\\AutoCAD " + year + L"\\" + release + L"\\enu\\support;" + folder +
           L"\\support;" + folder + L"\\support\\en-US;" + folder + L"\\fonts;" + folder + L"\\help;" + folder +
           L"\\Express;" + folder + L"\\support\\color;\\\\cadserver\\standards\\" + year + L"\\support;" +
           L"\\\\cadserver\\standards\\" + year + L"\\lisp;c:\\programdata\\autodesk\\applicationplugins\\"
           L"autodesk appmanager.bundle\\contents\\resources;";
}

wchar_t enum_name[name_size];
wchar_t read_name[name_size];
BYTE value_data[4096];

void enumerate_and_read(HKEY key, const wchar_t* wanted)
{
    DWORD count = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return;
    const size_t wanted_length = std::wcslen(wanted);
    for (DWORD index = 0; index < count; ++index) {
        DWORD name_length = name_size;
        if (RegEnumValueW(key, index, enum_name, &name_length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        if (name_length == wanted_length && std::wmemcmp(enum_name, wanted, wanted_length) == 0) {
            DWORD read_length = name_size;
            DWORD type = 0;
            DWORD size = sizeof value_data;
            RegEnumValueW(key, index, read_name, &read_length, nullptr, &type, value_data, &size);
            return;
        }
    }
}

void open_enumerate_and_read(HKEY parent, const std::wstring& path, const wchar_t* wanted)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    enumerate_and_read(key, wanted);
    RegCloseKey(key);
}

void extract_icon(const std::wstring& acad_exe)
{
    SHFILEINFOW info{};
    const auto images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(acad_exe.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_ICON));
    if (info.hIcon)
        DestroyIcon(info.hIcon);
    const HICON icon = images ? ImageList_GetIcon(images, info.iIcon, ILD_NORMAL) : nullptr;
    ICONINFO parts{};
    if (icon && GetIconInfo(icon, &parts)) {
        BITMAP mask{};
        GetObjectW(parts.hbmMask, sizeof mask, &mask);
        DeleteObject(parts.hbmMask);
        DeleteObject(parts.hbmColor);
    }
    if (icon)
        DestroyIcon(icon);
}

// Real keys hold many more values than the one discovery reads of each. A key is padded to
// `count` values with names that sort before and after the wanted one, written before and after
// the workstation writes it, so that the wanted value sits mid-way both in the order written (how
// Windows enumerates) and by name (how Wine does).
struct padding {
    std::wstring key;
    int count;
    const wchar_t* before;
    const wchar_t* after;
};

enum class half { first, second };

void pad(HKEY hive, const padding& padding, half which, const std::wstring& folder)
{
    const test::created_key key(hive, padding.key);
    const int middle = padding.count / 2;
    const int from = which == half::first ? 0 : middle;
    const int to = which == half::first ? middle : padding.count - 1;
    for (int i = from; i < to; ++i) {
        const std::wstring name = (i < middle ? padding.before : padding.after) + std::wstring(i < 10 ? L"0" : L"") +
                                  std::to_wstring(i);
        if (i % 3 == 0)
            key.set_number(name, static_cast<DWORD>(i));
        else
            key.set(name, folder + L"\\Support\\Setting " + std::to_wstring(i));
    }
}

// One release as AutoCAD leaves it: beside what discovery reads, the user's release key lists its
// products, the profile has its usual subkeys, a second profile is there, and the machine's
// product key holds the rest of the install's details.
release_keys add_full_release(const test::workstation& station, const test::installed_release& setup)
{
    const std::wstring folder = L"C:\\Program Files\\Autodesk\\" + setup.product_name;
    const std::wstring user_release = std::wstring(autocad_path) + L"\\" + setup.release;
    const std::wstring profiles = user_release + L"\\" + setup.product_key + L"\\Profiles";
    const std::wstring profile = profiles + L"\\" + setup.profile;
    const padding general{profile + L"\\General", 40, L"AAppSetting", L"BackgroundSetting"};
    const padding variables{profile + L"\\Variables", 60, L"SaveVariable", L"UserVariable"};
    const padding site_standards{profiles + L"\\Site Standards\\General", 20, L"AAppSetting", L"BackgroundSetting"};

    pad(HKEY_CURRENT_USER, general, half::first, folder);
    pad(HKEY_CURRENT_USER, variables, half::first, folder);
    const release_keys keys = keys_of(setup, station.add_release(setup));
    pad(HKEY_CURRENT_USER, general, half::second, folder);
    pad(HKEY_CURRENT_USER, variables, half::second, folder);

    test::created_key(HKEY_CURRENT_USER, user_release).set(L"InstalledProducts", setup.product_key);
    for (const wchar_t* sibling : {L"Dialogs", L"Drawing Window", L"Editor Configuration", L"File Navigation"})
        test::created_key(HKEY_CURRENT_USER, profile + L"\\" + sibling);
    pad(HKEY_CURRENT_USER, site_standards, half::first, folder);
    test::created_key(HKEY_CURRENT_USER, site_standards.key).set(L"ACAD", folder + L"\\support;");
    pad(HKEY_CURRENT_USER, site_standards, half::second, folder);

    const test::created_key machine(HKEY_LOCAL_MACHINE, keys.machine);
    machine.set(L"Location", folder);
    machine.set(L"Release", setup.release.substr(1) + L".50.0");
    machine.set(L"ProductId", setup.product_key.substr(5, 4));
    machine.set(L"SerialNumber", L"000-00000000");
    machine.set(L"Language", L"English");
    machine.set_number(L"LocaleId", 0x409);
    return keys;
}

}  // namespace

std::vector<test::installed_release> table_releases(bool with_acad_exe)
{
    std::vector<test::installed_release> setups;
    int number = 0;
    for (const host::product_name_row& row : host::product_name_table) {
        wchar_t release[16];
        std::swprintf(release, 16, L"R%.1f", row.release_number);
        wchar_t product[16];
        std::swprintf(product, 16, L"ACAD-%X001:409", ++number);
        const std::wstring year = std::wstring(row.product_name).substr(8);
        setups.push_back({release, product, row.product_name, L"<<Unnamed Profile>>", stock_support_path(year, release),
                          L"\\\\cadserver\\standards\\lisp;D:\\Tools\\Plot\\...;C:\\Users\\cad\\AppData\\Roaming\\Scripts",
                          with_acad_exe});
    }
    return setups;
}

release_keys keys_of(const test::installed_release& setup, const std::filesystem::path& install_folder)
{
    const std::wstring profiles = setup.release + L"\\" + setup.product_key + L"\\Profiles";
    const std::wstring profile = profiles + L"\\" + setup.profile;
    return {setup.release,
            profiles,
            profile + L"\\General",
            profile + L"\\Variables",
            L"SOFTWARE\\Autodesk\\AutoCAD\\" + setup.release + L"\\" + setup.product_key,
            (install_folder / L"acad.exe").wstring()};
}

release_set index_releases(std::vector<release_keys> releases)
{
    release_set set{std::move(releases), {}};
    std::sort(set.releases.begin(), set.releases.end(),
              [](const release_keys& a, const release_keys& b) { return a.release < b.release; });
    HKEY autocad = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, autocad_path, 0, KEY_READ, &autocad);
    wchar_t name[name_size];
    for (DWORD index = 0;; ++index) {
        DWORD length = name_size;
        if (RegEnumKeyExW(autocad, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const auto found = std::find_if(set.releases.begin(), set.releases.end(),
                                        [&](const release_keys& keys) { return keys.release == name; });
        set.by_index.push_back(static_cast<size_t>(found - set.releases.begin()));
    }
    RegCloseKey(autocad);
    return set;
}

void discovery_platform_calls(const release_set& set)
{
    HKEY autocad = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, autocad_path, 0, KEY_READ, &autocad);
    DWORD release_count = 0;
    RegQueryInfoKeyW(autocad, nullptr, nullptr, nullptr, &release_count, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    for (DWORD index = 0; index < release_count; ++index) {
        DWORD length = name_size;
        if (RegEnumKeyExW(autocad, index, enum_name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        const release_keys& keys = set.releases[set.by_index[index]];
        open_enumerate_and_read(autocad, keys.release, L"CurVer");
        open_enumerate_and_read(autocad, keys.profiles, L"");
        open_enumerate_and_read(autocad, keys.general, L"ACAD");
        open_enumerate_and_read(autocad, keys.variables, L"TRUSTEDPATHS");
    }
    RegCloseKey(autocad);
    for (const release_keys& keys : set.releases) {
        HKEY machine = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keys.machine.c_str(), 0, KEY_READ, &machine) == ERROR_SUCCESS) {
            enumerate_and_read(machine, L"AcadLocation");
            enumerate_and_read(machine, L"ProductName");
            RegCloseKey(machine);
        }
        if (GetFileAttributesW(keys.acad_exe.c_str()) != INVALID_FILE_ATTRIBUTES)
            extract_icon(keys.acad_exe);
    }
}

release_set add_full_releases(const test::workstation& station)
{
    test::created_key(HKEY_CURRENT_USER, autocad_path).set(L"CurVer", L"R25.0");
    std::vector<release_keys> releases;
    for (const test::installed_release& setup : table_releases(false))
        releases.push_back(add_full_release(station, setup));
    return index_releases(std::move(releases));
}

}  // namespace bench

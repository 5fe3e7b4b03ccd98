// The floor of plaxorcfg_bench: a console program built as plaxorcfg.exe is (same toolchain,
// runtime and link options) that makes the platform calls of plaxorcfg's discovery bare and
// nothing else: for each release key of the user, the opens, the straight reads of "CurVer", the
// current profile, "ACAD" and "TRUSTEDPATHS", the machine's "AcadLocation" and "ProductName", and
// the closes, each path built in a fixed buffer from what was read. Not a benchmark by its name.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <initializer_list>

namespace {

constexpr int text_size = 1024;  // wide characters
BYTE value_data[4096];
wchar_t product[text_size];
wchar_t profile[text_size];
wchar_t path[text_size];

// Reads the value straight into `text` when given, else into the shared buffer.
void open_and_read(HKEY parent, const wchar_t* key_path, const wchar_t* name, wchar_t* text = nullptr)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, key_path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD type = 0;
    DWORD size = text ? (text_size - 1) * sizeof(wchar_t) : sizeof value_data;
    RegQueryValueExW(key, name, nullptr, &type, text ? reinterpret_cast<BYTE*>(text) : value_data, &size);
    RegCloseKey(key);
}

}  // namespace

int wmain()
{
    HKEY autocad = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD", 0, KEY_READ, &autocad) != ERROR_SUCCESS) {
        std::fwprintf(stderr, L"bare_discovery: the AutoCAD key cannot be opened\n");
        return 1;
    }
    DWORD release_count = 0;
    RegQueryInfoKeyW(autocad, nullptr, nullptr, nullptr, &release_count, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    wchar_t releases[64][32] = {};
    wchar_t products[64][64] = {};
    for (DWORD index = 0; index < release_count && index < 64; ++index) {
        DWORD length = 32;
        if (RegEnumKeyExW(autocad, index, releases[index], &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        product[0] = profile[0] = L'\0';
        open_and_read(autocad, releases[index], L"CurVer", product);
        std::wcsncpy(products[index], product, 63);
        std::swprintf(path, text_size, L"%ls\\%ls\\Profiles", releases[index], product);
        open_and_read(autocad, path, L"", profile);
        std::swprintf(path, text_size, L"%ls\\%ls\\Profiles\\%ls\\General", releases[index], product, profile);
        open_and_read(autocad, path, L"ACAD");
        std::swprintf(path, text_size, L"%ls\\%ls\\Profiles\\%ls\\Variables", releases[index], product, profile);
        open_and_read(autocad, path, L"TRUSTEDPATHS");
    }
    RegCloseKey(autocad);
    for (DWORD index = 0; index < release_count && index < 64; ++index) {
        std::swprintf(path, text_size, L"SOFTWARE\\Autodesk\\AutoCAD\\%ls\\%ls", releases[index], products[index]);
        HKEY machine = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &machine) != ERROR_SUCCESS)
            continue;
        for (const wchar_t* name : {L"AcadLocation", L"ProductName"}) {
            DWORD type = 0;
            DWORD size = sizeof value_data;
            RegQueryValueExW(machine, name, nullptr, &type, value_data, &size);
        }
        RegCloseKey(machine);
    }
    return 0;
}

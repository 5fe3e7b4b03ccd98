// The contract floor of process_start_bench: bare_dialog.exe (the main window's template, built
// as ConfigurePLAXOR.exe is) that also makes, bare and in the order of the program's opening, the
// platform calls the program must make before its window shows:
//   - the common controls and the rich-edit library loaded, restart support asked for;
//   - the window's two fonts, its system-menu entry, its icon and the program's folder;
//   - discovery: for each release key of the user, the opens, the enumerations of each key's
//     values by name up to the wanted one and its read ("CurVer", the current profile, "ACAD",
//     "TRUSTEDPATHS"), the closes; then the machine's "AcadLocation" and "ProductName" alike, the
//     acad.exe file test and its large icon taken from the file with its pixel size;
//   - the settings "Version", "CachedBase" and "InsFactory" (the Portable.ini test first), and
//     the three texts shown;
//   - the rebuild's listing of the Instance Factory folder and the 33 private-profile reads of
//     each definition, and the recorded default;
//   - one snapshot of the running processes, looking for acad.exe.
// No objects, no texts kept, nothing deciphered; the lists stay empty. It ends with the number of
// releases it found times 100 plus the number of definitions it read, so that a floor that missed
// part of the workstation is known. Not a benchmark by its name.

#include "app/app_ids.h"
#include "app/main_window_ids.h"
#include "bench_profile_calls.h"

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdarg>
#include <cwchar>
#include <string>

namespace {

constexpr int text_size = 1024;  // wide characters
constexpr int max_releases = 64;
constexpr int release_name_size = 32;  // wide characters
constexpr int product_key_size = 64;   // wide characters

wchar_t enum_name[text_size];
wchar_t read_name[text_size];
wchar_t value[text_size];
wchar_t path[text_size];
wchar_t profile[text_size];
wchar_t folder[MAX_PATH];
wchar_t releases[max_releases][release_name_size];
wchar_t product_keys[max_releases][product_key_size];
int release_count = 0;
int definitions_read = 0;

// Formats into `path`; a path that does not fit is left empty, and nothing is read through it.
void make_path(const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vswprintf(path, text_size, format, arguments);
    va_end(arguments);
    if (length < 0 || length >= text_size)
        path[0] = L'\0';
}

// As the registry layer finds a value: the key's values enumerated by name up to the wanted one,
// which is then read into `value` (empty when it is not there).
void enumerate_and_read(HKEY key, const wchar_t* wanted)
{
    value[0] = L'\0';
    DWORD count = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return;
    const size_t wanted_length = std::wcslen(wanted);
    for (DWORD index = 0; index < count; ++index) {
        DWORD name_length = text_size;
        if (RegEnumValueW(key, index, enum_name, &name_length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        if (name_length != wanted_length || std::wmemcmp(enum_name, wanted, wanted_length) != 0)
            continue;
        DWORD read_length = text_size;
        DWORD type = 0;
        DWORD size = (text_size - 1) * sizeof(wchar_t);
        if (RegEnumValueW(key, index, read_name, &read_length, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
            ERROR_SUCCESS)
            value[size / sizeof(wchar_t)] = L'\0';  // at most text_size - 1
        else
            value[0] = L'\0';
        return;
    }
}

bool open_and_read(HKEY parent, const wchar_t* key_path, const wchar_t* wanted)
{
    HKEY key = nullptr;
    if (!key_path[0] || RegOpenKeyExW(parent, key_path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    enumerate_and_read(key, wanted);
    RegCloseKey(key);
    return true;
}

void take_icon(const wchar_t* exe)
{
    HICON icon = nullptr;
    UINT id = 0;
    if (PrivateExtractIconsW(exe, 0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), &icon, &id, 1, 0) != 1 ||
        !icon)
        return;
    ICONINFO parts{};
    if (GetIconInfo(icon, &parts)) {
        BITMAP mask{};
        GetObjectW(parts.hbmMask, sizeof mask, &mask);
        DeleteObject(parts.hbmMask);
        if (parts.hbmColor)
            DeleteObject(parts.hbmColor);
    }
    DestroyIcon(icon);
}

void discover()
{
    HKEY autocad = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD", 0, KEY_READ, &autocad) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 0;
    RegQueryInfoKeyW(autocad, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    for (DWORD index = 0; index < subkeys && release_count < max_releases; ++index) {
        wchar_t* release = releases[release_count];
        DWORD length = release_name_size;
        if (RegEnumKeyExW(autocad, index, release, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            release[0] != L'R')
            continue;
        wchar_t* product_key = product_keys[release_count++];
        if (!open_and_read(autocad, release, L"CurVer"))
            continue;
        wcsncpy_s(product_key, product_key_size, value, _TRUNCATE);
        make_path(L"%ls\\%ls\\Profiles", release, product_key);
        if (!open_and_read(autocad, path, L""))
            continue;
        wcsncpy_s(profile, text_size, value, _TRUNCATE);
        make_path(L"%ls\\%ls\\Profiles\\%ls\\General", release, product_key, profile);
        if (!open_and_read(autocad, path, L"ACAD"))
            continue;
        make_path(L"%ls\\%ls\\Profiles\\%ls\\Variables", release, product_key, profile);
        open_and_read(autocad, path, L"TRUSTEDPATHS");
    }
    RegCloseKey(autocad);

    for (int index = 0; index < release_count; ++index) {
        make_path(L"SOFTWARE\\Autodesk\\AutoCAD\\%ls\\%ls", releases[index], product_keys[index]);
        HKEY machine = nullptr;
        if (!path[0] || RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &machine) != ERROR_SUCCESS)
            continue;
        enumerate_and_read(machine, L"AcadLocation");
        make_path(L"%ls%lsacad.exe", value, value[0] && value[std::wcslen(value) - 1] == L'\\' ? L"" : L"\\");
        enumerate_and_read(machine, L"ProductName");
        RegCloseKey(machine);
        const DWORD attributes = GetFileAttributesW(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            take_icon(path);
    }
}

// One setting as the program reads it: Portable.ini beside the program looked for, then the key.
void read_setting(HKEY hive, const wchar_t* name)
{
    value[0] = L'\0';
    wchar_t exe[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || GetFileAttributesW(exe) == INVALID_FILE_ATTRIBUTES)
        return;
    if (wchar_t* last = std::wcsrchr(exe, L'\\'))
        *last = L'\0';
    make_path(L"%ls\\Portable.ini", exe);
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
        return;
    open_and_read(hive, L"SOFTWARE\\VORN\\PLAXOR", name);
}

void show_text(HWND hwnd, int id, const wchar_t* text, bool at_end)
{
    SetDlgItemTextW(hwnd, id, text);
    if (at_end) {
        SendDlgItemMessageW(hwnd, id, EM_SETSEL, 65535, 65535);
        SendDlgItemMessageW(hwnd, id, EM_SCROLLCARET, 0, 0);
    }
}

void find_running_acads()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        CompareStringOrdinal(entry.szExeFile, -1, L"acad.exe", -1, TRUE);
    CloseHandle(snapshot);
}

HFONT bold_font = nullptr;
HFONT title_font = nullptr;

void open_window(HWND hwnd)
{
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    bold_font = CreateFontIndirectW(&font);
    font.lfHeight = font.lfHeight * 12 / 10;
    title_font = CreateFontIndirectW(&font);
    if (const HMENU menu = GetSystemMenu(hwnd, FALSE)) {
        wchar_t entry[256] = {};
        LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, entry, 256);
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, entry);
    }
    const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    GetModuleFileNameW(nullptr, path, MAX_PATH);

    discover();

    read_setting(HKEY_LOCAL_MACHINE, L"Version");
    show_text(hwnd, IDC_VERSION_EDIT, value, false);
    read_setting(HKEY_CURRENT_USER, L"CachedBase");
    show_text(hwnd, IDC_CACHED_BASE_EDIT, value, true);
    read_setting(HKEY_CURRENT_USER, L"InsFactory");
    wcsncpy_s(folder, MAX_PATH, value, _TRUNCATE);
    show_text(hwnd, IDC_INS_FACTORY_EDIT, folder, true);

    if (folder[0]) {
        definitions_read = bench::rebuild_profile_calls(folder);
        make_path(L"%lsmulti_conn.config", folder);
        if (path[0])
            GetPrivateProfileStringW(L"General", L"LastDefault", L"", value, MAX_PATH, path);
    }

    find_running_acads();
}

INT_PTR CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        open_window(hwnd);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wparam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const HMODULE rich_edit = LoadLibraryW(L"riched20.dll");
    RegisterApplicationRestart(nullptr, 0);
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_CONFIGUREPLAXOR_DIALOG), nullptr, &procedure, 0);
    DeleteObject(bold_font);
    DeleteObject(title_font);
    if (rich_edit)
        FreeLibrary(rich_edit);
    return release_count * 100 + definitions_read;
}

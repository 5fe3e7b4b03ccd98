// Times opening the main window on a workstation of 16 AutoCAD releases (each with its stand-in
// acad.exe and icon) and 500 connection definitions: from the window object's construction to
// the end of the opening sequence, with both lists filled and painted. In the same run, the
// floor: an empty dialog of the same template opened and painted the same way, plus the bare
// platform work of discovery and of the set's rebuild at these sizes (the registry opens,
// enumerations and reads, the acad.exe tests and icon extraction, the folder listing and the
// 33 private-profile reads of each definition), with no objects and no texts kept.

#include "app/main_window.h"
#include "app/main_window_ids.h"
#include "connections/connection.h"
#include "host/acad_install.h"

#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int definition_count = 500;
constexpr int rounds = 11;
constexpr int warm_up_rounds = 2;

std::wstring stock_support_path(const std::wstring& folder, const std::wstring& year, const std::wstring& release)
{
    return L"%UserProfile%\\AppData\\Roaming\\Autodesk\\AutoCAD " + year + L"\\" + release + L"\\enu\\support;" + folder +
           L"\\support;" + folder + L"\\support\\en-US;" + folder + L"\\fonts;" + folder + L"\\help;" + folder +
           L"\\Express;" + folder + L"\\support\\color;\\\\cadserver\\standards\\" + year + L"\\support;";
}

// The keys and files the floor touches, prepared before timing so that it builds no strings.
struct release_paths {
    std::wstring release;
    std::wstring profiles;
    std::wstring general;
    std::wstring variables;
    std::wstring machine;
    std::wstring acad_exe;
};

std::vector<release_paths> build_releases(const test::workstation& station)
{
    std::vector<release_paths> paths;
    int number = 0;
    for (const host::product_name_row& row : host::product_name_table) {
        wchar_t release[16];
        std::swprintf(release, 16, L"R%.1f", row.release_number);
        wchar_t product[16];
        std::swprintf(product, 16, L"ACAD-%X001:409", ++number);
        const std::wstring year = std::wstring(row.product_name).substr(8);
        const std::wstring folder = L"C:\\Program Files\\Autodesk\\AutoCAD " + year;
        const std::filesystem::path install = station.add_release(
            {release, product, row.product_name, L"<<Unnamed Profile>>", stock_support_path(folder, year, release),
             L"\\\\cadserver\\standards\\lisp;D:\\Tools\\Plot;C:\\Users\\cad\\AppData\\Roaming\\Scripts"});
        const std::wstring profiles = std::wstring(release) + L"\\" + product + L"\\Profiles";
        paths.push_back({release, profiles, profiles + L"\\<<Unnamed Profile>>\\General",
                         profiles + L"\\<<Unnamed Profile>>\\Variables",
                         L"SOFTWARE\\Autodesk\\AutoCAD\\" + std::wstring(release) + L"\\" + product,
                         install.wstring() + L"acad.exe"});
    }
    return paths;
}

void write_definitions(const std::wstring& folder)
{
    for (int i = 0; i < definition_count; ++i) {
        const std::wstring seed = L"site" + std::to_wstring(i);
        connection conn;
        conn.m_name = (L"Site " + std::to_wstring(i)).c_str();
        conn.m_seed = seed.c_str();
        conn.m_last_login = {2024, 3, 7, 14, 5, 9, 0};
        conn.m_colour = RGB(i % 256, 128, 64);
        conn.m_user_name = L"ann.smith";
        conn.m_password = L"correct horse battery";
        conn.m_server_user_name = L"gateway";
        conn.m_server_password = L"staple 42";
        conn.m_host_name = (seed + L".plaxor.example.com").c_str();
        conn.m_ssl = true;
        conn.copy_to_file((folder + seed + L"_locator.ini").c_str());
    }
}

// Floor: discovery's platform calls, bare.
wchar_t name_buffer[512];
wchar_t read_name_buffer[512];
BYTE data_buffer[4096];

void enumerate_and_read(HKEY key, const wchar_t* wanted)
{
    DWORD count = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return;
    const size_t wanted_length = std::wcslen(wanted);
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = 512;
        if (RegEnumValueW(key, index, name_buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        if (length == wanted_length && std::wmemcmp(name_buffer, wanted, wanted_length) == 0) {
            DWORD read_length = 512;
            DWORD type = 0;
            DWORD size = sizeof data_buffer;
            RegEnumValueW(key, index, read_name_buffer, &read_length, nullptr, &type, data_buffer, &size);
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

void discovery_floor(const std::vector<release_paths>& releases)
{
    HKEY autocad = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD", 0, KEY_READ, &autocad);
    DWORD count = 0;
    RegQueryInfoKeyW(autocad, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = 512;
        RegEnumKeyExW(autocad, index, name_buffer, &length, nullptr, nullptr, nullptr, nullptr);
    }
    for (const release_paths& release : releases) {
        open_enumerate_and_read(autocad, release.release, L"CurVer");
        open_enumerate_and_read(autocad, release.profiles, L"");
        open_enumerate_and_read(autocad, release.general, L"ACAD");
        open_enumerate_and_read(autocad, release.variables, L"TRUSTEDPATHS");
    }
    RegCloseKey(autocad);
    for (const release_paths& release : releases) {
        HKEY machine = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, release.machine.c_str(), 0, KEY_READ, &machine) == ERROR_SUCCESS) {
            enumerate_and_read(machine, L"AcadLocation");
            enumerate_and_read(machine, L"ProductName");
            RegCloseKey(machine);
        }
        if (GetFileAttributesW(release.acad_exe.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        SHFILEINFOW info{};
        const auto images = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(
            release.acad_exe.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_ICON));
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
}

// Floor: the rebuild's listing and private-profile reads, bare.
struct profile_key {
    const wchar_t* section;
    const wchar_t* key;
    bool is_text;
};

constexpr profile_key definition_keys[] = {
    {L"General", L"logonex", false},        {L"General", L"conn_name", true},
    {L"General", L"conn_seed", true},       {L"General", L"conn_lastlogin", true},
    {L"General", L"conn_colour", false},    {L"General", L"conntype", true},
    {L"General", L"trusted", false},        {L"General", L"encrypted", false},
    {L"General", L"alwaysprompt", false},   {L"General", L"connformat", true},
    {L"General", L"connectionlen", false},  {L"General", L"timeout", false},
    {L"General", L"connection", true},      {L"General", L"dbtype", true},
    {L"General", L"server", true},          {L"General", L"database", true},
    {L"General", L"dbdriver", true},        {L"General", L"lastuser", true},
    {L"General", L"dsnname", true},         {L"httpConn", L"userName", true},
    {L"httpConn", L"remember password", false}, {L"httpConn", L"password", true},
    {L"httpConn", L"ssl", false},           {L"httpConn", L"user server logon", false},
    {L"httpConn", L"serverUserName", true}, {L"httpConn", L"server remember password", false},
    {L"httpConn", L"serverPassword", true}, {L"httpConn", L"NW user", true},
    {L"httpConn", L"hostName", true},       {L"httpConn", L"process", true},
    {L"httpConn", L"port", false},          {L"httpConn", L"readSize", false},
    {L"httpConn", L"plot only", false},
};
static_assert(std::size(definition_keys) == 33);

wchar_t path_buffer[MAX_PATH];
wchar_t text_buffer[1024];

void rebuild_floor(const std::wstring& folder)
{
    const std::wstring pattern = folder + L"*.ini";
    WIN32_FIND_DATAW entry;
    const HANDLE listing = FindFirstFileW(pattern.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::wmemcpy(path_buffer, folder.c_str(), folder.size());
        wcscpy_s(path_buffer + folder.size(), MAX_PATH - folder.size(), entry.cFileName);
        for (const profile_key& key : definition_keys)
            if (key.is_text)
                GetPrivateProfileStringW(key.section, key.key, L"", text_buffer, 1024, path_buffer);
            else
                GetPrivateProfileIntW(key.section, key.key, 0, path_buffer);
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
}

// Shown and painted, children included, as the modal loop does before the user sees it.
void show_and_paint(HWND hwnd)
{
    ShowWindow(hwnd, SW_SHOW);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

class stopwatch {
public:
    stopwatch()
    {
        QueryPerformanceFrequency(&m_frequency);
        QueryPerformanceCounter(&m_start);
    }
    double milliseconds() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(m_frequency.QuadPart);
    }

private:
    LARGE_INTEGER m_frequency;
    LARGE_INTEGER m_start;
};

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

int item_count(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, id, LB_GETCOUNT, 0, 0));
}

}  // namespace

int main()
{
    test::registry_sandbox sandbox;
    test::scripted_seam seam;  // any box would be an error; none may block the run
    test::temp_folder root;
    const test::workstation station(root.path());
    station.add_settings_keys(L"5.2.1");
    const std::vector<release_paths> releases = build_releases(station);
    write_definitions(station.factory());
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    std::vector<double> opening, floor, empty_dialog, discovery, rebuild;
    for (int round = 0; round < warm_up_rounds + rounds; ++round) {
        const stopwatch opening_time;
        auto* window = new CConfigurePLAXORDlg;
        window->create_modeless(nullptr);
        show_and_paint(window->hwnd());
        const double opening_ms = opening_time.milliseconds();
        const bool complete = item_count(window->hwnd(), IDC_INSTALLED_LIST) == 16 &&
                              item_count(window->hwnd(), IDC_INSTANCE_LIST) == definition_count && !window->ended();
        delete window;
        if (!complete || !seam.boxes().empty()) {
            std::fprintf(stderr, "the main window did not open on the whole workstation\n");
            return 1;
        }

        const stopwatch floor_time;
        auto* empty = new ui::dialog(IDD_CONFIGUREPLAXOR_DIALOG);
        empty->create_modeless(nullptr);
        show_and_paint(empty->hwnd());
        const double dialog_ms = floor_time.milliseconds();
        discovery_floor(releases);
        const double discovery_ms = floor_time.milliseconds() - dialog_ms;
        rebuild_floor(station.factory());
        const double floor_ms = floor_time.milliseconds();
        delete empty;

        if (round >= warm_up_rounds) {
            opening.push_back(opening_ms);
            floor.push_back(floor_ms);
            empty_dialog.push_back(dialog_ms);
            discovery.push_back(discovery_ms);
            rebuild.push_back(floor_ms - dialog_ms - discovery_ms);
        }
    }

    const double opening_ms = median(opening);
    const double floor_ms = median(floor);
    std::printf("main_window_open_16_releases_500_definitions: %.1f ms\n", opening_ms);
    std::printf("main_window_open_floor: %.1f ms\n", floor_ms);
    std::printf("main_window_open_ratio_to_floor: %.2f x\n", opening_ms / floor_ms);
    std::printf("main_window_open_floor_empty_dialog: %.1f ms\n", median(empty_dialog));
    std::printf("main_window_open_floor_discovery_calls: %.1f ms\n", median(discovery));
    std::printf("main_window_open_floor_rebuild_calls: %.1f ms\n", median(rebuild));
    return 0;
}

// Times discover_acad_installs on a workstation of 16 releases whose keys are as full as real
// ones, and in the same run two floors:
//   1. the platform calls that the lookup rules make (the same opens, RegQueryInfoKeyW,
//      enumerations by name up to the match, data reads, closes and the acad.exe file test),
//      done bare: no strings, no records;
//   2. direct reads of the same values: RegOpenKeyExW and RegQueryValueExW (and the closes).
// No install folder holds an acad.exe, so icon extraction is not measured; its file test is,
// in the discovery and in floor 1 alike.

#include "host/acad_discovery.h"

#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int rounds = 101;
constexpr int warm_up_rounds = 5;
constexpr int general_value_count = 40;
constexpr int variables_value_count = 60;
constexpr wchar_t autocad_path[] = L"Software\\Autodesk\\AutoCAD";

// The keys of one release, relative to the AutoCAD key of the user or to HKEY_LOCAL_MACHINE,
// prepared before timing so that the floors build no strings.
struct release_keys {
    std::wstring release;
    std::wstring profiles;
    std::wstring general;
    std::wstring variables;
    std::wstring machine;
    std::wstring acad_exe;
};

HKEY create_key(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

void set_text(HKEY key, const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ)
{
    RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void set_number(HKEY key, const std::wstring& name, DWORD number)
{
    RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

// `count` values with the wanted one in the middle: the others' names sort before and after it,
// so it sits mid-way both in the order written (how Windows enumerates) and by name (how Wine does).
void fill_around(HKEY key, int count, const std::wstring& before, const std::wstring& wanted,
                 const std::wstring& wanted_text, DWORD wanted_type, const std::wstring& after, const std::wstring& folder)
{
    for (int i = 0; i < count - 1; ++i) {
        if (i == count / 2)
            set_text(key, wanted, wanted_text, wanted_type);
        const std::wstring name = (i < count / 2 ? before : after) + (i < 10 ? L"0" : L"") + std::to_wstring(i);
        if (i % 3 == 0)
            set_number(key, name, static_cast<DWORD>(i));
        else
            set_text(key, name, folder + L"\\Support\\Setting " + std::to_wstring(i));
    }
}

std::wstring stock_support_path(const std::wstring& year, const std::wstring& release, const std::wstring& folder)
{
    return L"%UserProfile%\\AppData\\Roaming\\Autodesk\\AutoCAD " + year + L"\\" + release + L"\\enu\\support;" + folder +
           L"\\support;" + folder + L"\\support\\en-US;" + folder + L"\\fonts;" + folder + L"\\help;" + folder +
           L"\\Express;" + folder + L"\\support\\color;\\\\cadserver\\standards\\" + year + L"\\support;" +
           L"\\\\cadserver\\standards\\" + year + L"\\lisp;c:\\programdata\\autodesk\\applicationplugins\\"
           L"autodesk appmanager.bundle\\contents\\resources;";
}

// One release as AutoCAD leaves it: the user's release, product and two profiles with their
// usual subkeys, and the machine's product key.
release_keys add_release(HKEY user_autocad, const host::product_name_row& row, int number)
{
    wchar_t release_text[16];
    std::swprintf(release_text, 16, L"R%.1f", row.release_number);
    wchar_t product_text[16];
    std::swprintf(product_text, 16, L"ACAD-%X001:409", number);
    const std::wstring release = release_text;
    const std::wstring product = product_text;
    const std::wstring year = std::wstring(row.product_name).substr(8);
    const std::wstring folder = L"C:\\Program Files\\Autodesk\\AutoCAD " + year;

    release_keys keys;
    keys.release = release;
    keys.profiles = release + L"\\" + product + L"\\Profiles";
    const std::wstring profile = keys.profiles + L"\\<<Unnamed Profile>>";
    keys.general = profile + L"\\General";
    keys.variables = profile + L"\\Variables";
    keys.machine = L"SOFTWARE\\Autodesk\\AutoCAD\\" + release + L"\\" + product;
    keys.acad_exe = folder + L"\\acad.exe";

    HKEY key = create_key(user_autocad, release);
    set_text(key, L"CurVer", product);
    set_text(key, L"InstalledProducts", product);
    RegCloseKey(key);
    key = create_key(user_autocad, keys.profiles);
    set_text(key, L"", L"<<Unnamed Profile>>");
    RegCloseKey(key);
    for (const wchar_t* sibling : {L"Dialogs", L"Drawing Window", L"Editor Configuration", L"File Navigation"})
        RegCloseKey(create_key(user_autocad, profile + L"\\" + sibling));
    key = create_key(user_autocad, keys.general);
    fill_around(key, general_value_count, L"AAppSetting", L"ACAD", stock_support_path(year, release, folder),
                REG_EXPAND_SZ, L"BackgroundSetting", folder);
    RegCloseKey(key);
    key = create_key(user_autocad, keys.variables);
    fill_around(key, variables_value_count, L"SaveVariable", L"TRUSTEDPATHS",
                L"\\\\cadserver\\standards\\lisp;D:\\Tools\\Plot\\...;C:\\Users\\cad\\AppData\\Roaming\\Scripts",
                REG_SZ, L"UserVariable", folder);
    RegCloseKey(key);
    key = create_key(user_autocad, keys.profiles + L"\\Site Standards\\General");
    fill_around(key, general_value_count / 2, L"AAppSetting", L"ACAD", folder + L"\\support;", REG_SZ,
                L"BackgroundSetting", folder);
    RegCloseKey(key);

    key = create_key(HKEY_LOCAL_MACHINE, keys.machine);
    set_text(key, L"ProductName", row.product_name);
    set_text(key, L"AcadLocation", folder);
    set_text(key, L"Location", folder);
    set_text(key, L"Release", release.substr(1) + L".50.0");
    set_text(key, L"ProductId", product.substr(5, 4));
    set_text(key, L"SerialNumber", L"000-00000000");
    set_text(key, L"Language", L"English");
    set_number(key, L"LocaleId", 0x409);
    RegCloseKey(key);
    return keys;
}

struct workstation {
    std::vector<release_keys> releases;       // in the order of the list
    std::vector<const release_keys*> by_index;  // per release-key index of the AutoCAD key
};

workstation build_workstation()
{
    workstation station;
    HKEY user_autocad = create_key(HKEY_CURRENT_USER, autocad_path);
    set_text(user_autocad, L"CurVer", L"R25.0");
    int number = 0;
    for (const host::product_name_row& row : host::product_name_table)
        station.releases.push_back(add_release(user_autocad, row, ++number));
    std::sort(station.releases.begin(), station.releases.end(),
              [](const release_keys& a, const release_keys& b) { return a.release < b.release; });
    wchar_t name[512];
    for (DWORD index = 0;; ++index) {
        DWORD length = 512;
        if (RegEnumKeyExW(user_autocad, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const auto found = std::find_if(station.releases.begin(), station.releases.end(),
                                        [&](const release_keys& keys) { return keys.release == name; });
        station.by_index.push_back(found == station.releases.end() ? nullptr : &*found);
    }
    RegCloseKey(user_autocad);
    return station;
}

// Floor 1: the calls of the value lookup rule, bare.
wchar_t enum_name[512];
wchar_t read_name[512];
BYTE value_data[4096];

void enumerate_and_read(HKEY key, const wchar_t* wanted)
{
    DWORD count = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return;
    const size_t wanted_length = std::wcslen(wanted);
    for (DWORD index = 0; index < count; ++index) {
        DWORD name_length = 512;
        if (RegEnumValueW(key, index, enum_name, &name_length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        if (name_length == wanted_length && std::wmemcmp(enum_name, wanted, wanted_length) == 0) {
            DWORD read_length = 512;
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

void floor_platform_calls(const workstation& station)
{
    HKEY autocad = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, autocad_path, 0, KEY_READ, &autocad);
    DWORD release_count = 0;
    RegQueryInfoKeyW(autocad, nullptr, nullptr, nullptr, &release_count, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    for (DWORD index = 0; index < release_count; ++index) {
        wchar_t name[512];
        DWORD length = 512;
        if (RegEnumKeyExW(autocad, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        const release_keys* keys = station.by_index[index];
        open_enumerate_and_read(autocad, keys->release, L"CurVer");
        open_enumerate_and_read(autocad, keys->profiles, L"");
        open_enumerate_and_read(autocad, keys->general, L"ACAD");
        open_enumerate_and_read(autocad, keys->variables, L"TRUSTEDPATHS");
    }
    RegCloseKey(autocad);
    for (const release_keys& keys : station.releases) {
        HKEY machine = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keys.machine.c_str(), 0, KEY_READ, &machine) == ERROR_SUCCESS) {
            enumerate_and_read(machine, L"AcadLocation");
            enumerate_and_read(machine, L"ProductName");
            RegCloseKey(machine);
        }
        GetFileAttributesW(keys.acad_exe.c_str());
    }
}

// Floor 2: each value read straight by name.
void query(HKEY key, const wchar_t* name)
{
    DWORD type = 0;
    DWORD size = sizeof value_data;
    RegQueryValueExW(key, name, nullptr, &type, value_data, &size);
}

void open_and_query(HKEY parent, const std::wstring& path, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    query(key, name);
    RegCloseKey(key);
}

void floor_direct_reads(const workstation& station)
{
    HKEY autocad = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, autocad_path, 0, KEY_READ, &autocad);
    for (const release_keys& keys : station.releases) {
        open_and_query(autocad, keys.release, L"CurVer");
        open_and_query(autocad, keys.profiles, L"");
        open_and_query(autocad, keys.general, L"ACAD");
        open_and_query(autocad, keys.variables, L"TRUSTEDPATHS");
    }
    RegCloseKey(autocad);
    for (const release_keys& keys : station.releases) {
        HKEY machine = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keys.machine.c_str(), 0, KEY_READ, &machine) == ERROR_SUCCESS) {
            query(machine, L"AcadLocation");
            query(machine, L"ProductName");
            RegCloseKey(machine);
        }
    }
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

// A discovery that read less than the whole workstation would time the wrong thing.
bool read_everything(const host::acad_install_list& list, const test::scripted_seam& seam)
{
    if (list.size() != 16 || !seam.boxes().empty())
        return false;
    for (const auto& [release, record] : list)
        if (record.install_folder.empty() || record.support_paths.size() != 10 || record.trusted_paths.size() != 3 ||
            record.product_name.empty())
            return false;
    return true;
}

}  // namespace

int main()
{
    test::registry_sandbox sandbox;
    test::scripted_seam seam;  // any box would be an error; none may block the run
    const workstation station = build_workstation();

    std::vector<double> discovery, platform_calls, direct_reads;
    for (int round = 0; round < warm_up_rounds + rounds; ++round) {
        host::acad_install_list list;
        const stopwatch discovery_time;
        host::discover_acad_installs(list);
        const double discovery_ms = discovery_time.milliseconds();
        if (!read_everything(list, seam)) {
            std::fprintf(stderr, "discovery did not read the whole workstation\n");
            return 1;
        }

        const stopwatch platform_time;
        floor_platform_calls(station);
        const double platform_ms = platform_time.milliseconds();

        const stopwatch direct_time;
        floor_direct_reads(station);
        const double direct_ms = direct_time.milliseconds();

        if (round >= warm_up_rounds) {
            discovery.push_back(discovery_ms);
            platform_calls.push_back(platform_ms);
            direct_reads.push_back(direct_ms);
        }
    }

    const double discovery_ms = median(discovery);
    const double platform_ms = median(platform_calls);
    const double direct_ms = median(direct_reads);
    std::printf("discovery_16_releases_no_icon: %.3f ms\n", discovery_ms);
    std::printf("discovery_floor_platform_calls: %.3f ms\n", platform_ms);
    std::printf("discovery_floor_direct_reads: %.3f ms\n", direct_ms);
    std::printf("discovery_ratio_to_platform_calls: %.2f x\n", discovery_ms / platform_ms);
    std::printf("discovery_ratio_to_direct_reads: %.2f x\n", discovery_ms / direct_ms);
    return 0;
}

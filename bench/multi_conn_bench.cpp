// Times multi_conn::rebuild_list on an Instance Factory folder of 1,000 definitions written by the
// program itself (every key set, both passwords enciphered), and in the same run two floors:
//   1. the platform calls the rebuild makes for the definitions, done bare: the folder listing
//      and the 33 private-profile reads of each file, with no objects, no texts kept and no
//      deciphering;
//   2. a plain read of the same files: the listing, and each file opened and read whole.

#include "connections/multi_conn.h"

#include "support/reg_fixture.h"
#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/temp_folder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int definition_count = 1000;
constexpr int rounds = 9;
constexpr int warm_up_rounds = 1;

void point_instance_factory_at(const std::wstring& folder)
{
    std::wstring escaped;
    for (const wchar_t ch : folder)
        escaped += ch == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, ch);
    test::load_reg_text(L"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\SOFTWARE\\VORN\\PLAXOR]\n"
                        L"\"InsFactory\"=\"" + escaped + L"\"\n");
}

void write_definitions(const std::wstring& folder)
{
    for (int i = 0; i < definition_count; ++i) {
        const std::wstring seed = L"site" + std::to_wstring(i);
        connection conn;
        conn.m_seed = seed.c_str();
        conn.m_last_login = {2024, 3, 7, 14, 5, 9, 0};
        conn.m_colour = RGB(i % 256, 128, 64);
        conn.m_user_name = L"ann.smith";
        conn.m_password = L"correct horse battery";
        conn.m_server_user_name = L"gateway";
        conn.m_server_password = L"staple 42";
        conn.m_network_user = L"ANN-PC\\ann";
        conn.m_host_name = (seed + L".plaxor.example.com").c_str();
        conn.m_process = L"/drawing_management/dbclient.php";
        conn.m_port = 443;
        conn.m_ssl = true;
        conn.copy_to_file((folder + seed + L"_locator.ini").c_str());
    }
}

// Floor 1.
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
char file_buffer[8192];

// Calls `each` with the full path of every "*.ini" file of the folder, from a fixed buffer.
template <typename Each>
void list_definitions(const std::wstring& folder, Each each)
{
    const std::wstring pattern = folder + L"*.ini";
    WIN32_FIND_DATAW entry;
    const HANDLE listing = FindFirstFileW(pattern.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const size_t folder_length = folder.size();
        std::wmemcpy(path_buffer, folder.c_str(), folder_length);
        wcscpy_s(path_buffer + folder_length, MAX_PATH - folder_length, entry.cFileName);
        each(path_buffer);
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
}

int floor_platform_calls(const std::wstring& folder)
{
    int files = 0;
    list_definitions(folder, [&](const wchar_t* path) {
        for (const profile_key& key : definition_keys)
            if (key.is_text)
                GetPrivateProfileStringW(key.section, key.key, L"", text_buffer, 1024, path);
            else
                GetPrivateProfileIntW(key.section, key.key, 0, path);
        ++files;
    });
    return files;
}

// Floor 2.
int floor_plain_reads(const std::wstring& folder)
{
    int files = 0;
    list_definitions(folder, [&](const wchar_t* path) {
        const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        DWORD read = 0;
        while (ReadFile(file, file_buffer, sizeof file_buffer, &read, nullptr) && read != 0) {
        }
        CloseHandle(file);
        ++files;
    });
    return files;
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

// A rebuild that read less than every definition whole would time the wrong thing.
bool read_everything(const multi_conn& set, const test::scripted_seam& seam)
{
    if (set.total() != definition_count || !seam.boxes().empty())
        return false;
    for (int i = 0; i < set.total(); ++i) {
        const connection* conn = set.get_nth(i);
        if (conn->m_password.str() != L"correct horse battery" || conn->getServerPassword().str() != L"staple 42" ||
            conn->get_name().str() != conn->file_stem.str() || conn->m_last_login.year != 2024 || conn->m_port != 443)
            return false;
    }
    return true;
}

}  // namespace

int main()
{
    test::registry_sandbox sandbox;
    test::scripted_seam seam;  // any box would be an error; none may block the run
    const test::temp_folder folder;
    point_instance_factory_at(folder.with_backslash());
    write_definitions(folder.with_backslash());

    // The three measurements take turns at going first, so that whatever the one before leaves
    // behind (caches, a busy machine) falls on each of them alike.
    std::vector<double> rebuilds, platform_calls, plain_reads;
    multi_conn set;
    bool complete = true;
    const auto time_rebuild = [&] {
        const stopwatch time;
        set.rebuild_list();
        const double ms = time.milliseconds();
        complete = complete && read_everything(set, seam);
        return ms;
    };
    const auto time_platform_calls = [&] {
        const stopwatch time;
        const int files = floor_platform_calls(folder.with_backslash());
        const double ms = time.milliseconds();
        complete = complete && files == definition_count;
        return ms;
    };
    const auto time_plain_reads = [&] {
        const stopwatch time;
        const int files = floor_plain_reads(folder.with_backslash());
        const double ms = time.milliseconds();
        complete = complete && files == definition_count;
        return ms;
    };
    for (int round = 0; round < warm_up_rounds + rounds; ++round) {
        double rebuild_ms = 0, platform_ms = 0, plain_ms = 0;
        for (int turn = 0; turn < 3; ++turn) {
            switch ((round + turn) % 3) {
            case 0: rebuild_ms = time_rebuild(); break;
            case 1: platform_ms = time_platform_calls(); break;
            default: plain_ms = time_plain_reads(); break;
            }
        }
        if (!complete) {
            std::fprintf(stderr, "a measurement did not read every definition\n");
            return 1;
        }
        if (round >= warm_up_rounds) {
            rebuilds.push_back(rebuild_ms);
            platform_calls.push_back(platform_ms);
            plain_reads.push_back(plain_ms);
        }
    }

    const double rebuild_ms = median(rebuilds);
    const double platform_ms = median(platform_calls);
    const double plain_ms = median(plain_reads);
    std::printf("rebuild_list_1000_definitions: %.1f ms\n", rebuild_ms);
    std::printf("rebuild_list_floor_profile_calls: %.1f ms\n", platform_ms);
    std::printf("rebuild_list_floor_plain_reads: %.1f ms\n", plain_ms);
    std::printf("rebuild_list_ratio_to_profile_calls: %.2f x\n", rebuild_ms / platform_ms);
    std::printf("rebuild_list_ratio_to_plain_reads: %.2f x\n", rebuild_ms / plain_ms);
    return 0;
}

#include "host/restore_point.h"

#include "host/acad_install.h"
#include "host/folder_path.h"
#include "vorn/vorn_buffer.h"
#include "win/same_text.h"
#include "win/system_text.h"
#include "win/unique_handle.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <string_view>

namespace host {
namespace {

using win::same_text;

constexpr wchar_t points_folder[] = L"\\VORN\\PLAXOR\\Restore Points";
constexpr int name_attempts = 100;  // runs that begin writing in the same second
constexpr LONGLONG largest_point = 64 * 1024 * 1024;  // bytes; a larger file is no point of ours
constexpr size_t largest_value = 64 * 1024;            // bytes; no support path comes near it

struct restore_run {
    std::wstring folder;  // where its file goes; empty: restore_point_folder() when it is made
    std::wstring file;  // empty until the first value is kept
    std::vector<exported_value> kept;
};

restore_run& current_run()
{
    static restore_run run;
    return run;
}

std::wstring local_application_data()
{
    const DWORD size = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (size > 1) {
        std::wstring folder(size, L'\0');
        const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), size);
        if (length > 0 && length < size)
            return folder.substr(0, length);
    }
    wchar_t buffer[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return buffer;
    return {};
}

// Most runs find the folder made already: its parents are made only when it cannot be.
DWORD make_folders(const std::wstring& folder)
{
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return ERROR_SUCCESS;
    if (GetLastError() == ERROR_PATH_NOT_FOUND) {
        for (size_t end = folder.find(L'\\', 3); end != std::wstring::npos; end = folder.find(L'\\', end + 1))
            CreateDirectoryW(folder.substr(0, end).c_str(), nullptr);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return ERROR_SUCCESS;
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_SUCCESS;
    return attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
}

// The file's bytes: UTF-16 little-endian after its byte-order mark, as regedit writes them.
std::wstring file_text(const restore_run& run)
{
    const std::wstring program = program_path();
    const std::wstring program_name = program.substr(program.find_last_of(L'\\') + 1);
    return L"\xFEFF" + reg_export_text(run.kept, {L"Configure PLAXOR restore point: each value as it stood before " +
                                                      program_name + L" first wrote it in this run.",
                                                  L"Put them back with: reg import \"<this file>\""});
}

DWORD write_whole(HANDLE file, const std::wstring& text)
{
    const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    if (!WriteFile(file, text.data(), size, &written, nullptr) || written != size || !FlushFileBuffers(file))
        return GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    return ERROR_SUCCESS;
}

// The first write takes a new file named by the date and time; later writes replace it whole,
// through a second file, so that a failure never leaves half a point.
DWORD save(restore_run& run, std::wstring& place)
{
    const std::wstring text = file_text(run);
    if (!run.file.empty()) {
        place = run.file;
        const std::wstring next = run.file + L".new";
        win::unique_file file(CreateFileW(next.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!file)
            return GetLastError();
        DWORD status = write_whole(file.get(), text);
        file.reset();
        if (status == ERROR_SUCCESS &&
            !MoveFileExW(next.c_str(), run.file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            status = GetLastError();
        if (status != ERROR_SUCCESS)
            DeleteFileW(next.c_str());
        return status;
    }

    place = run.folder.empty() ? restore_point_folder() : run.folder;
    if (const DWORD status = make_folders(place); status != ERROR_SUCCESS)
        return status;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t stamp[32] = {};
    std::swprintf(stamp, 32, L"%04u-%02u-%02u_%02u-%02u-%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                  now.wSecond);
    for (int attempt = 1; attempt <= name_attempts; ++attempt) {
        const std::wstring candidate = place + L"\\" + stamp + (attempt > 1 ? L"_" + std::to_wstring(attempt) : L"") + L".reg";
        win::unique_file file(CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS)
                continue;
            return GetLastError();
        }
        place = candidate;
        const DWORD status = write_whole(file.get(), text);
        file.reset();
        if (status != ERROR_SUCCESS) {
            DeleteFileW(candidate.c_str());
            return status;
        }
        run.file = candidate;
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_EXISTS;
}

// Software\Autodesk\AutoCAD\<release>\<product>\Profiles\<profile>\<the key of a profile value>: the
// only keys a restore point of ours names.
bool is_profile_key(const std::wstring& path, const wchar_t* last)
{
    std::vector<std::wstring_view> parts;
    for (size_t start = 0;;) {
        const size_t end = path.find(L'\\', start);
        parts.push_back(std::wstring_view(path).substr(start, end == std::wstring::npos ? end : end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    const wchar_t* const fixed[] = {L"Software", L"Autodesk", L"AutoCAD", nullptr, nullptr, L"Profiles", nullptr, last};
    if (parts.size() != std::size(fixed))
        return false;
    for (size_t i = 0; i < parts.size(); ++i) {
        // An empty name, or one of dots and spaces alone, is no release, product or profile
        // AutoCAD makes: it can only be meant to lead somewhere else.
        if (parts[i].find_first_not_of(L". ") == std::wstring_view::npos || (fixed[i] && !same_text(parts[i], fixed[i])))
            return false;
    }
    return true;
}

// Why the value is none that a restore point of ours holds, or nothing. A point may come from
// anywhere (a share, a mail), and a support path is where AutoCAD loads code from: only a
// profile's "ACAD" and "TRUSTEDPATHS", as text or as their absence, may be put back.
std::wstring foreign_value(const exported_value& entry)
{
    const std::wstring where = L"\"" + entry.name + L"\" of HKEY_CURRENT_USER\\" + entry.key_path;
    const bool ours = std::any_of(std::begin(profile_values), std::end(profile_values), [&](const profile_value& value) {
        return same_text(entry.name, value.name) && is_profile_key(entry.key_path, value.key);
    });
    if (!ours)
        return L"it holds a value that Configure PLAXOR never writes: " + where;
    const stored_value& value = entry.value;
    if (value.exists && value.type != REG_SZ && value.type != REG_EXPAND_SZ)
        return L"it holds " + where + L" as a value of type " + std::to_wstring(value.type) + L", not as text";
    if (value.data.size() > largest_value)
        return L"it holds " + where + L" of " + std::to_wstring(value.data.size()) + L" bytes, more than the " +
               std::to_wstring(largest_value) + L" a restore point holds";
    return {};
}

// Reads the file into `values`: why it is no restore point that this program applies, or nothing.
std::wstring point_problem(const std::wstring& file, std::vector<exported_value>& values)
{
    win::unique_file handle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!handle || !GetFileSizeEx(handle.get(), &size) || size.QuadPart > largest_point)
        return L"'" + file + L"' cannot be read: " + win::system_text(GetLastError());
    std::wstring text(static_cast<size_t>(size.QuadPart) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!ReadFile(handle.get(), text.data(), wanted, &read, nullptr) || read != wanted)
        return L"'" + file + L"' cannot be read: " + win::system_text(GetLastError());
    if (text.empty() || text[0] != L'\xFEFF')
        return L"'" + file + L"' is not a regedit export in UTF-16";
    std::wstring error;
    if (!parse_reg_export(text.substr(1), values, error))
        return L"'" + file + L"' is not a restore point: " + error;
    for (const exported_value& entry : values)
        if (const std::wstring problem = foreign_value(entry); !problem.empty())
            return L"'" + file + L"' is refused: " + problem;
    return {};
}

}  // namespace

std::wstring restore_point_folder()
{
    const std::wstring base = local_application_data();
    return base.empty() ? base : base + points_folder;
}

std::wstring restore_point_folder(const std::wstring& profile_folder)
{
    return profile_folder.empty() ? restore_point_folder() : profile_folder + L"\\AppData\\Local" + points_folder;
}

void begin_restore_run(const std::wstring& folder)
{
    current_run() = {folder, {}, {}};
}

const std::wstring& restore_run_file()
{
    return current_run().file;
}

namespace {

bool kept_already(const restore_run& run, const std::wstring& key_path, const std::wstring& name)
{
    for (const exported_value& kept : run.kept)
        if (same_text(kept.key_path, key_path) && same_text(kept.name, name))
            return true;
    return false;
}

}  // namespace

void keep_before_writes(const std::vector<exported_value>& values)
{
    restore_run& run = current_run();
    const size_t had = run.kept.size();
    for (const exported_value& entry : values)
        if (!kept_already(run, entry.key_path, entry.name) && can_export(entry))
            run.kept.push_back(entry);
    std::wstring place;
    if (run.kept.size() != had && save(run, place) != ERROR_SUCCESS)
        run.kept.resize(had);
}

win::outcome keep_before_write(HKEY key, const std::wstring& key_path, const wchar_t* name)
{
    restore_run& run = current_run();
    if (kept_already(run, key_path, name))
        return {};

    exported_value entry{key_path, name, {}};
    std::wstring place = !run.file.empty() ? run.file : run.folder.empty() ? restore_point_folder() : run.folder;
    // A point that would not read back is no point: the value then stays as it is.
    DWORD status = can_export(entry) ? static_cast<DWORD>(read_stored_value(key, name, entry.value)) : ERROR_INVALID_DATA;
    if (status == ERROR_SUCCESS) {
        run.kept.push_back(std::move(entry));
        status = save(run, place);
        if (status != ERROR_SUCCESS)
            run.kept.pop_back();
    }
    if (status == ERROR_SUCCESS)
        return {};
    vorn_buffer text;
    text.format(L"The restore point '%ls' cannot be written (%ls), so \"%ls\" of HKEY_CURRENT_USER\\%ls is left as it is.",
                place.c_str(), win::system_text(status).c_str(), name, key_path.c_str());
    return win::outcome::failed(text.str());
}

std::vector<std::wstring> list_restore_points(const std::wstring& folder)
{
    std::vector<std::wstring> points;
    WIN32_FIND_DATAW found{};
    win::unique_find search(FindFirstFileW((folder + L"\\*.reg").c_str(), &found));
    if (!search)
        return points;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            points.push_back(folder + L"\\" + found.cFileName);
    } while (FindNextFileW(search.get(), &found));
    std::sort(points.begin(), points.end());
    return points;
}

bool read_restore_point(const std::wstring& file, std::vector<exported_value>& values, std::wstring& error)
{
    error = point_problem(file, values);
    return error.empty();
}

win::outcome apply_restore_point(const std::vector<exported_value>& values, std::wstring& mismatch, HKEY user)
{
    for (const exported_value& entry : values) {
        win::unique_hkey key;
        if (win::outcome kept = open_key_or_fail(user, entry.key_path, write_access, key, HKEY_CURRENT_USER);
            !kept || !(kept = keep_before_write(key.get(), entry.key_path, entry.name.c_str())))
            return kept;
        if (const LONG status = write_stored_value(key.get(), entry.name.c_str(), entry.value); status != ERROR_SUCCESS)
            return registry_failure(status, HKEY_CURRENT_USER, entry.key_path.c_str());
        stored_value now;
        if (read_stored_value(key.get(), entry.name.c_str(), now) != ERROR_SUCCESS || !(now == entry.value)) {
            mismatch = L"\"" + entry.name + L"\" of HKEY_CURRENT_USER\\" + entry.key_path;
            return win::outcome::failed(mismatch + L" does not read back as written");
        }
    }
    return {};
}

}  // namespace host

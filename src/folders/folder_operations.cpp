#include "folders/folder_operations.h"

#include "ui/modal_seam.h"
#include "ui/show_error.h"
#include "win/same_text.h"
#include "win/unique_handle.h"

#include <shlwapi.h>

#include <cwchar>

namespace folders {
namespace {

constexpr size_t pattern_size = 260;     // wide characters, terminator included
constexpr DWORD temp_path_size = 512;    // wide characters, terminator included

// A folder may look fine and still refuse files (a read-only share, a full disk, missing rights):
// only a real file, written and removed again, tells.
bool accepts_a_written_file(const std::wstring& folder)
{
    wchar_t temp_file[temp_path_size] = {};
    if (GetTempFileNameW(folder.c_str(), L"VORN", 0, temp_file) == 0)
        return false;
    bool written = false;
    {
        const win::unique_file file(
            CreateFileW(temp_file, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            static constexpr wchar_t test_data[] = L"This is some test data to write to the file.";
            constexpr DWORD size = sizeof test_data - sizeof test_data[0];
            DWORD done = 0;
            written = WriteFile(file.get(), test_data, size, &done, nullptr) && done == size;
        }
    }
    DeleteFileW(temp_file);
    return written;
}

}  // namespace

bool is_inside(const std::wstring& inner, const std::wstring& outer)
{
    const std::wstring inner_folder = host::with_one_backslash(inner), outer_folder = host::with_one_backslash(outer);
    return !inner_folder.empty() && !outer_folder.empty() && win::starts_with_text(inner_folder, outer_folder);
}

bool fits_path_limit(const std::wstring& folder)
{
    if (folder.size() <= folder_path_limit)
        return true;
    show_error(L"Folder path '%ls' is longer than %d characters!", folder.c_str(), static_cast<int>(folder_path_limit));
    return false;
}

// A drive root comes back with its backslash already: one more would make "C:\\".
bool pick_folder(HWND owner, const std::wstring& title, const std::wstring& start, std::wstring& chosen)
{
    std::wstring picked;
    if (!ui::modal().pick_folder(owner, title, start, picked))
        return false;
    picked = host::with_one_backslash(picked);
    if (is_inside(picked, start) && is_inside(start, picked))
        return false;
    chosen = picked;
    return true;
}

// The checks come first, all of them, so that a refused folder leaves both folders as they were.
relocation relocate_folder(const std::wstring& old_folder, const std::wstring& new_folder)
{
    if (new_folder.empty()) {
        show_error(L"No new folder given!");
        return relocation::refused;
    }
    if (!fits_path_limit(old_folder) || !fits_path_limit(new_folder))
        return relocation::refused;
    // Copying a folder into one inside it copies the copy again, and the delete that follows
    // takes the copy with the originals.
    if (is_inside(new_folder, old_folder)) {
        show_error(L"Folder '%ls' lies inside the original folder '%ls'!", new_folder.c_str(), old_folder.c_str());
        return relocation::refused;
    }
    if (is_inside(old_folder, new_folder)) {
        show_error(L"Folder '%ls' holds the original folder '%ls'!", new_folder.c_str(), old_folder.c_str());
        return relocation::refused;
    }
    const long old_count = count_entries(old_folder);
    if (PathIsNetworkPathW(new_folder.c_str())) {
        show_error(L"Folder '%ls' NOT on a local drive!", new_folder.c_str());
        return relocation::refused;
    }
    if (const long new_count = count_entries(new_folder); new_count != 0) {
        show_error(L"Folder '%ls' needs to be empty (%ld files deteched)!", new_folder.c_str(), new_count);
        return relocation::refused;
    }
    if (!accepts_a_written_file(new_folder)) {
        show_error(L"Folder '%ls' is not writable!", new_folder.c_str());
        return relocation::refused;
    }

    // Copying into a folder found empty loses nothing: Yes is preset.
    if (old_count == 0 ||
        !user_says_yes(preset_answer::yes, L"%ld files/folders found in original folder. Copy to new Folder?", old_count))
        return relocation::adopted;
    if (!copy_folder_contents(old_folder, new_folder)) {
        show_error(L"Failed to fully copy files!");
        return relocation::refused;
    }
    return relocation::copied;
}

void offer_to_delete_originals(const std::wstring& old_folder)
{
    if (user_says_yes(preset_answer::no, L"Copy Successfull! Delete Original Folder '%ls'?", old_folder.c_str()) &&
        !delete_folder_contents(old_folder))
        show_error(L"Failed to delete original folder. Continuing anyway!");
}

long count_entries(const std::wstring& folder)
{
    const std::wstring searched = host::with_one_backslash(folder);
    if (searched.empty() || searched.size() > folder_path_limit)
        return 0;
    wchar_t pattern[pattern_size] = {};
    swprintf_s(pattern, pattern_size, L"%ls*.*", searched.c_str());
    WIN32_FIND_DATAW entry{};
    const win::unique_find search(FindFirstFileW(pattern, &entry));
    if (!search)
        return 0;
    long count = 0;
    do {
        const bool dot_directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] == L'.';
        if (!dot_directory)
            ++count;
    } while (FindNextFileW(search.get(), &entry));
    return count;
}

// Without its backslash "C:\Factory*" would name the folder itself and every sibling whose name
// starts the same, "C:\Factory Backup" among them.
bool copy_folder_contents(const std::wstring& from, const std::wstring& to)
{
    if (from.empty() || to.empty())
        return false;
    return ui::modal().copy_items(host::with_one_backslash(from) + L"*", host::with_one_backslash(to)) == ui::shell_outcome::done;
}

bool delete_folder_contents(const std::wstring& folder)
{
    if (folder.empty())
        return false;
    return ui::modal().delete_items(host::with_one_backslash(folder) + L"*") == ui::shell_outcome::done;
}

}  // namespace folders

#pragma once
// The steps that choose, check, fill and empty a working folder. A folder is always written
// with its trailing backslash, as the settings hold it. A check that refuses a folder shows why in
// the program's error box before anything is touched.

#include "ui/modal_seam.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace folders {

// The longest folder the steps work in, terminator excluded: its entries are counted through the
// pattern "<folder>*.*" in a buffer of the platform's 260 characters. A folder this long also
// leaves room for the "*" of the shell's patterns.
constexpr size_t folder_path_limit = 256;

// The program's question with Yes and No, No the default. The printf-style text (%ls for wide
// text) must fit 511 characters, which it does while the folders it names are within
// folder_path_limit. True when the user said Yes.
template <typename... Args>
bool user_says_yes(const wchar_t* format, Args... args)
{
    constexpr size_t question_size = 512;  // wide characters, terminator included
    wchar_t question[question_size] = {};
    swprintf_s(question, question_size, format, args...);
    return ui::message_box(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

// True when the folder is short enough for every step; otherwise false after an error box.
bool fits_path_limit(const std::wstring& folder);

// The platform's folder picker owned by `owner`, starting in `start`. True with the picked folder
// and a backslash appended; false on Cancel and when the folder is `start` in any letter case.
bool pick_folder(HWND owner, const std::wstring& title, const std::wstring& start, std::wstring& chosen);

// Checks that `new_folder` can take the place of `old_folder` (local, empty, writable) and, when
// the user says so, copies the old folder's contents into it and deletes the originals. False
// when the new folder must not be saved as the setting.
bool relocate_folder(const std::wstring& old_folder, const std::wstring& new_folder);

// The entries at the top of the folder, dot-directories ("." and ".." among them) left out. An
// empty or over-long folder has none: it is never read (an empty one would mean the process's
// current directory).
long count_entries(const std::wstring& folder);

// The shell's recursive copy of everything in `from` into `to` (same-named files replaced), and
// its permanent delete of everything in `folder`, the folder itself kept. True only when the
// shell finished; an empty folder is refused unread.
bool copy_folder_contents(const std::wstring& from, const std::wstring& to);
bool delete_folder_contents(const std::wstring& folder);

}  // namespace folders

#pragma once
// The steps that choose, check, fill and empty a working folder. The steps take a folder as the
// settings hold it, written with or without its trailing backslash; every path they build from it
// ends in exactly one. A check that refuses a folder shows why in the program's error box before
// anything is touched.

#include "host/folder_path.h"
#include "ui/modal_seam.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace folders {

// The longest folder the steps work in, its one trailing backslash included and the terminator
// excluded: its entries are counted through the pattern "<folder>*.*" in a buffer of the
// platform's 260 characters. A folder this long also leaves room for the "*" of the shell's
// patterns.
constexpr size_t folder_path_limit = 256;

// The button a question presets, the one a hasty Enter chooses.
enum class preset_answer : UINT { yes = MB_DEFBUTTON1, no = MB_DEFBUTTON2 };

// The program's question with Yes and No. A question whose Yes destroys data presets No. The
// printf-style text (%ls for wide text) must fit 511 characters, which it does while the folders
// it names are within folder_path_limit. True when the user said Yes.
template <typename... Args>
bool user_says_yes(preset_answer preset, const wchar_t* format, Args... args)
{
    constexpr size_t question_size = 512;  // wide characters, terminator included
    wchar_t question[question_size] = {};
    swprintf_s(question, question_size, format, args...);
    return ui::message_box(question, MB_YESNO | MB_ICONQUESTION | static_cast<UINT>(preset)) == IDYES;
}

// True when `inner` is `outer` or lies anywhere inside it, letter case and trailing backslashes
// aside: "C:\A\B" is inside "c:\a\", "C:\AB\" is not inside "C:\A\". An empty folder is nowhere.
bool is_inside(const std::wstring& inner, const std::wstring& outer);

// True when the folder is short enough for every step; otherwise false after an error box.
bool fits_path_limit(const std::wstring& folder);

// The platform's folder picker owned by `owner`, starting in `start`. True with the picked folder
// ending in one backslash; false on Cancel and when the folder is `start` in any letter case.
bool pick_folder(HWND owner, const std::wstring& title, const std::wstring& start, std::wstring& chosen);

// How far a relocation went.
enum class relocation {
    refused,    // a check or the copy failed, its box shown: the new folder must not be saved
    adopted,    // nothing was copied: the new folder is to be saved
    copied,     // the contents are in both folders: once the new one is saved, the originals may go
};

// Checks that `new_folder` can take the place of `old_folder` (neither inside the other, local,
// empty, writable) and, when the user says so, copies the old folder's contents into it.
relocation relocate_folder(const std::wstring& old_folder, const std::wstring& new_folder);

// After a copy the caller has saved: asks whether the originals go, No preset, and deletes them
// for good on Yes. A failed delete shows its box; the new folder stays the one in use.
void offer_to_delete_originals(const std::wstring& old_folder);

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

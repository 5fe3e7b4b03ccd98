#pragma once
// Every modal interaction of the program goes through this one seam, so that tests can
// drive the real windows, script the answers and read the exact texts shown: message boxes,
// the folder picker, the colour dialog, the shell's copy and delete, starting another program,
// and the modal run of a dialog (the main window's and every nested one).

#include <windows.h>

#include <string>

namespace ui {

class dialog;

// How a shell copy or delete ended. The shell shows its own progress and error windows, in
// which the user may stop it.
enum class shell_outcome { done, failed, aborted };

// The longest path a shell operation takes, terminator excluded; a longer one fails unread.
constexpr size_t shell_path_limit = 259;

class modal_seam {
public:
    virtual ~modal_seam() = default;
    // Shows the text with the MB_ flags and returns the button chosen (IDOK, IDYES, ...).
    virtual int message_box(HWND owner, const std::wstring& text, UINT flags) = 0;
    // Runs the dialog modally and returns its result.
    virtual INT_PTR run_dialog(dialog& dlg, HWND owner) = 0;
    // A picker of file-system folders that must exist, starting in `start_folder`, titled
    // `title`. True with the chosen folder's full path (no backslash appended); false on Cancel.
    virtual bool pick_folder(HWND owner, const std::wstring& title, const std::wstring& start_folder,
                             std::wstring& chosen) = 0;
    // The colour dialog with its custom colours shown, starting at `colour`. True with the
    // chosen colour on OK; false on Cancel, `colour` unchanged.
    virtual bool choose_colour(HWND owner, COLORREF& colour) = 0;
    // Starts a program or opens a file with its default action (ShellExecuteW, no verb, empty
    // parameters and working folder, SW_SHOW) and returns the platform's result.
    virtual HINSTANCE start_program(HWND owner, const std::wstring& file) = 0;
    // The shell's recursive copy of `from` (a path or a pattern such as "C:\\Old\\*") into the
    // folder `to`: files of the same name are replaced and missing folders made without a
    // question.
    virtual shell_outcome copy_items(const std::wstring& from, const std::wstring& to) = 0;
    // The shell's permanent delete (never to the Recycle Bin) of `from`, a path or a pattern.
    virtual shell_outcome delete_items(const std::wstring& from) = 0;
};

// The seam in use: the platform's own unless a test installed another.
modal_seam& modal();

// Installs a seam (null restores the platform's) and returns the one it replaces.
modal_seam* install_modal_seam(modal_seam* seam);

// The platform's own seam, for a test seam that passes some interactions through.
modal_seam& platform_modal();

// The program's message box: owned by the active window, captioned with the program's name.
int message_box(const std::wstring& text, UINT flags);

}  // namespace ui

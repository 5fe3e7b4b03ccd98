#pragma once
// Every modal interaction of the program goes through this one seam, so that tests can
// drive the real windows, script the answers and read the exact texts shown.

#include <windows.h>

#include <string>

namespace ui {

class modal_seam {
public:
    virtual ~modal_seam() = default;
    // Shows the text with the MB_ flags and returns the button chosen (IDOK, IDYES, ...).
    virtual int message_box(HWND owner, const std::wstring& text, UINT flags) = 0;
};

// The seam in use: the platform's own unless a test installed another.
modal_seam& modal();

// Installs a seam (null restores the platform's) and returns the one it replaces.
modal_seam* install_modal_seam(modal_seam* seam);

// The program's message box: owned by the active window, captioned with the program's name.
int message_box(const std::wstring& text, UINT flags);

}  // namespace ui

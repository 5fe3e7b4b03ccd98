#pragma once
// Keyboard use (Tab, Enter, Escape, mnemonics) for modeless windows while another window's modal
// loop runs: that loop calls IsDialogMessage for its own dialog only, so a message-filter hook
// hands each message meant for an open modeless window to IsDialogMessage for that window.
// The hook is in place on a thread while at least one modeless window of it is open.

#include <windows.h>

namespace ui {

void add_modeless_window(HWND window);
void remove_modeless_window(HWND window);

}  // namespace ui

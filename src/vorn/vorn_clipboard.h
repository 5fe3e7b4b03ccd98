#pragma once
// The clipboard helper of the client library.

#include <windows.h>

// Puts the text on the clipboard as Unicode text, the clipboard owned by `window`.
// Non-zero on success; 0 when the clipboard stayed busy or memory ran out.
int toClipboard(HWND window, const wchar_t* text);

#pragma once
// The dots per inch a window is drawn at, and the scaling of metrics that are given at 96 DPI.
// Windows 10 (1607 and later) knows the DPI of each window; older systems have one DPI for the
// whole screen, which is what they get.

#include <windows.h>

namespace ui {

constexpr int default_dpi = USER_DEFAULT_SCREEN_DPI;

int dpi_of(HWND window);
// A length given at 96 DPI, at `dpi`.
inline int scale(int length, int dpi) { return MulDiv(length, dpi, default_dpi); }
// A dialog that places its controls itself: on a DPI change the system gives them their fonts
// but leaves their places to the dialog (Windows 10 1703 and later; elsewhere nothing to do).
void keep_own_layout_on_dpi_change(HWND dialog);

}  // namespace ui

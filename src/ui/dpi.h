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

}  // namespace ui

#include "ui/dpi.h"

#include "win/gdi.h"

namespace ui {

int dpi_of(HWND window)
{
    // Loaded by name: the program also runs where user32 does not have it.
    using dpi_for_window = UINT(WINAPI*)(HWND);
    static const auto for_window = reinterpret_cast<dpi_for_window>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (for_window && window)
        if (const UINT dpi = for_window(window))
            return static_cast<int>(dpi);
    win::client_dc screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : default_dpi;
}

void keep_own_layout_on_dpi_change(HWND dialog)
{
    using change_behavior = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    static const auto set_behavior = reinterpret_cast<change_behavior>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
    if (set_behavior)
        set_behavior(dialog, DDC_DISABLE_CONTROL_RELAYOUT, DDC_DISABLE_CONTROL_RELAYOUT);
}

}  // namespace ui

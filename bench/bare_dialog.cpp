// The floor of process_start_bench: a dialog program built as ConfigurePLAXOR.exe is (same
// toolchain, static runtime, the program's own template, icon, manifest and version) that opens
// the main window's template modally and does nothing else until it is closed.

#include "app/main_window_ids.h"

#include <windows.h>
#include <commctrl.h>

namespace {

INT_PTR CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wparam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // With a common-controls 6 manifest, as any such program does before its first dialog.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_CONFIGUREPLAXOR_DIALOG), nullptr, &procedure, 0);
    return 0;
}

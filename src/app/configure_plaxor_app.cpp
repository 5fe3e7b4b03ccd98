#include "app/configure_plaxor_app.h"

#include "app/main_window.h"
#include "connections/library_error.h"
#include "ui/show_error.h"
#include "ui/modal_seam.h"
#include "win/unique_handle.h"
#include "vorn/vorn_buffer.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdarg>

CConfigurePLAXORApp theApp;

bool CConfigurePLAXORApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // The cURL console's text view is a rich-edit control: its library stays loaded for the run.
    const win::unique_hmodule rich_edit(LoadLibraryW(L"riched20.dll"));
    // The Restart Manager may restart the program; there is nothing to recover or save.
    RegisterApplicationRestart(nullptr, 0);

    CConfigurePLAXORDlg main_window;
    ui::modal().run_dialog(main_window, nullptr);
    return false;
}

void CConfigurePLAXORApp::show_error(const wchar_t* format, ...) const
{
    vorn_buffer text;
    va_list args;
    va_start(args, format);
    text.format_v(format, args);
    va_end(args);
    ::show_error(L"%ls", text.as_const_w_buffer());
}

void CConfigurePLAXORApp::show_dbc_error(void* handle, const wchar_t* format, ...) const
{
    vorn_buffer text;
    va_list args;
    va_start(args, format);
    text.format_v(format, args);
    va_end(args);
    ::show_error(L"%ls", with_library_error(handle, text.str()).c_str());
}

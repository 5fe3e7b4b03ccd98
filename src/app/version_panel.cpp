// "Check for Updates": starts the installation's updater and closes the tool so that the
// updater can replace it.

#include "app/main_window.h"
#include "host/settings_store.h"
#include "ui/modal_seam.h"
#include "vorn/vorn_paths.h"

#include <string>

void CConfigurePLAXORDlg::check_for_updates()
{
    bool portable = false;
    std::wstring updater;
    host::read_setting(portable, L"Updater", updater, false);  // a failed read has shown its box
    if (!fileExists(updater.c_str())) {
        ui::message_box(L"Updater.exe not present!", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (ui::message_box(L"Check for Updates?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    ui::modal().start_program(hwnd(), updater);
    end(IDOK);  // whether or not it started: the updater needs the tool closed
}

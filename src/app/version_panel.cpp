#include "app/version_panel.h"

#include "app/main_window_ids.h"
#include "host/settings_store.h"
#include "ui/modal_seam.h"
#include "ui/show_error.h"
#include "vorn/vorn_paths.h"

void version_panel::bind()
{
    m_version_edit = ui::edit(m_window.item(IDC_VERSION_EDIT).hwnd());
}

void version_panel::show(const std::wstring& version, bool portable) const
{
    m_version_edit.set_text(portable ? L"Portable (" + version + L")" : version);
}

void version_panel::check_for_updates()
{
    bool portable = false;
    std::wstring updater;
    show_failures(host::read_setting(portable, host::updater_setting, updater, false));
    if (!fileExists(updater.c_str())) {
        ui::message_box(L"Updater.exe not present!", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (ui::message_box(L"Check for Updates?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    ui::modal().start_program(m_window.hwnd(), updater);
    m_window.end(IDOK);  // whether or not it started: the updater needs the tool closed
}

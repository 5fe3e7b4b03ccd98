#pragma once
// The "Version:" group: the installed version (or the portable one) and "Check for Updates",
// which starts the installation's updater and closes the tool so that the updater can replace it.

#include "ui/controls.h"
#include "ui/dialog.h"

#include <string>

class version_panel {
public:
    // `window` is closed when the updater has been started.
    explicit version_panel(ui::dialog& window) : m_window(window) {}

    void bind();
    void show(const std::wstring& version, bool portable) const;
    void check_for_updates();

private:
    ui::dialog& m_window;
    ui::edit m_version_edit;
};

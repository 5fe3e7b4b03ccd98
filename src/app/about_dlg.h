#pragma once
// The About box of the main window's system menu: the icon, the name and version, and OK.

#include "ui/dialog.h"

class CAboutDlg : public ui::dialog {
public:
    CAboutDlg();
};

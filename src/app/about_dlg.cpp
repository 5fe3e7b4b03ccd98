#include "app/about_dlg.h"

#include "app/about_dlg_ids.h"
#include "app/main_window.h"
#include "ui/modal_seam.h"

CAboutDlg::CAboutDlg() : ui::dialog(IDD_ABOUTBOX) {}

void CConfigurePLAXORDlg::show_about_box()
{
    CAboutDlg about;
    ui::modal().run_dialog(about, hwnd());
}

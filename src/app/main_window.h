#pragma once
// The main window: the opening sequence, the table that routes each command to its panel, and
// everything that lives for the run: the installed releases, the connection set, the program
// folder, the card style of both lists, and the console while one is open. Each group of the
// window is a panel of its own that owns its controls and handlers.

#include "app/card_style.h"
#include "app/folders_panel.h"
#include "app/installed_cad_panel.h"
#include "app/instances_panel.h"
#include "app/version_panel.h"
#include "connections/multi_conn.h"
#include "dialogs/curl_closer.h"
#include "host/acad_install.h"
#include "ui/dialog.h"

#include <windows.h>

class CConfigurePLAXORDlg : public ui::dialog, private cURL_closer {
public:
    CConfigurePLAXORDlg();
    ~CConfigurePLAXORDlg() override;

    // Refills the Connected Instances list from the set and updates its count label.
    void fill_instance_list() { m_instances.fill(); }

protected:
    bool on_init() override;
    bool on_command(int id, int code, HWND control) override;
    bool on_paint() override;
    bool on_sys_command(WPARAM command, LPARAM lparam) override;
    void on_dpi_changed(int new_dpi) override;
    HICON on_query_drag_icon() override { return m_hIcon; }

private:
    struct command_route {
        int id;
        int code;
        void (*handler)(CConfigurePLAXORDlg& window);
    };
    static const command_route s_routes[];

    void open_console();
    void on_console_closed(cURL_console* console) override;

    // Opening.
    void add_about_entry();
    void find_program_folder();
    bool show_settings(bool& folders_read);
    bool refuse_running_acads();

    void show_about_box();

    HICON m_hIcon;
    host::acad_install_list m_acad;
    std::wstring m_exe_folder;
    multi_conn m_conns;
    card_style m_style;
    cURL_console* m_console = nullptr;
    installed_cad_panel m_installed;
    instances_panel m_instances;
    folders_panel m_folders;
    version_panel m_version;
};

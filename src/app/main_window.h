#pragma once
// The main window: the Installed CAD list with its connect commands, the version and folder
// boxes, the Connected Instances cards, and the About box of its system menu. It owns
// everything that lives for the run: the installed releases, the connection set, the program
// folder, the fonts and metrics of both lists, and the console while one is open.

#include "app/curl_closer.h"
#include "connections/multi_conn.h"
#include "host/acad_install.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "win/unique_handle.h"

#include <windows.h>

class CConfigurePLAXORDlg : public ui::dialog, private cURL_closer {
public:
    CConfigurePLAXORDlg();
    ~CConfigurePLAXORDlg() override;

    // The one text output of both lists: the whole text at (x, y) in the font, alignment and
    // colours given; the DC's own font, alignment and colours are put back afterwards.
    void draw_text(HDC dc, HFONT font, UINT align, COLORREF text_colour, COLORREF back_colour, int x, int y,
                   const wchar_t* text) const;
    // Refills the Connected Instances list from the set and updates its count label.
    void fill_instance_list();

protected:
    bool on_init() override;
    bool on_command(int id, int code, HWND control) override;
    bool on_measure_item(MEASUREITEMSTRUCT& measure) override;
    bool on_draw_item(const DRAWITEMSTRUCT& draw) override;
    int on_compare_item(const COMPAREITEMSTRUCT& compare) override;
    void on_delete_item(const DELETEITEMSTRUCT& deleted) override;
    bool on_paint() override;
    bool on_sys_command(WPARAM command, LPARAM lparam) override;
    HICON on_query_drag_icon() override { return m_hIcon; }

private:
    struct command_route {
        int id;
        int code;
        void (CConfigurePLAXORDlg::*handler)();
    };
    static const command_route s_routes[];

    void on_console_closed(cURL_console* console) override;

    // Opening.
    void bind_controls();
    void create_fonts();
    void add_about_entry();
    void find_program_folder();
    void fill_installed_list();
    bool show_settings(bool& folders_read);
    bool refuse_running_acads();

    // Installed CAD panel.
    void measure_release(MEASUREITEMSTRUCT& measure) const;
    void draw_release(const DRAWITEMSTRUCT& draw) const;
    static int compare_releases(const COMPAREITEMSTRUCT& compare);
    void toggle_release();
    void connect_all();
    void disconnect_all();
    void set_all_connections(bool connect, const wchar_t* question);

    // Connected Instances panel.
    void measure_instance(MEASUREITEMSTRUCT& measure) const;
    void draw_instance(const DRAWITEMSTRUCT& draw) const;
    static int compare_instances(const COMPAREITEMSTRUCT& compare);
    void update_instance_buttons();

    // Version panel and system menu.
    void check_for_updates();
    void show_about_box();

    void do_nothing() {}

    HICON m_hIcon;
    ui::list_box m_installed_list;
    host::acad_install_list m_acad;
    wchar_t m_exe_folder[256] = {};
    multi_conn m_conns;
    ui::edit m_ins_factory_edit;
    ui::edit m_cached_base_edit;
    ui::edit m_version_edit;
    int m_title_height = 24;
    int m_line_height = 16;
    int m_margin = 4;
    int m_label_width = 80;
    int m_swatch_size = 30;
    COLORREF m_back_colour = RGB(255, 255, 255);
    COLORREF m_text_colour = RGB(0, 0, 0);
    COLORREF m_select_colour = RGB(255, 202, 0);
    HFONT m_hFont = nullptr;  // the dialog's own font: borrowed
    win::unique_hfont m_bold_font;
    win::unique_hfont m_title_font;
    cURL_console* m_console = nullptr;
    ui::list_box m_instance_list;
    ui::button m_delete_btn;
    ui::button m_current_btn;
    ui::button m_edit_btn;
    ui::static_text m_count_label;
    ui::button m_console_btn;
};

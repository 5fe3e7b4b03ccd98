#pragma once
// Connection Properties: one connection definition edited, tested by a login and, while it has
// no file, created. Every control edits a working copy; the given definition takes its values
// only on Save or after a successful Create. The details are on the "HTTP" page (conn_prop_dlg).

#include "connections/connection.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "win/unique_handle.h"

#include <memory>

class conn_prop_dlg;
class multi_conn;

class conn_prop_main_dlg : public ui::dialog {
public:
    // A new definition is created in `set`; `original` is the caller's and outlives the dialog.
    conn_prop_main_dlg(multi_conn& set, connection& original);
    ~conn_prop_main_dlg() override;

    // Fills the dialog's own controls from the working copy.
    void show_connection();
    // Whether the working copy may be saved; it takes the page's controls first. A new
    // definition is never saved this way: only Create gives it a file.
    bool can_save();
    // Save follows can_save; the page asks for this whenever one of its boxes changed.
    void update_save() { m_save_btn.enable(can_save()); }
    void paint_swatch();
    // Whether the dialog has written the definition's file, as Save and Create do before they
    // end it with OK; a dialog ended with OK otherwise leaves the write to its caller.
    bool wrote_file() const { return m_wrote_file; }

protected:
    bool on_init() override;
    bool on_command(int id, int code, HWND control) override;
    void on_ok() override;

private:
    void create_page();
    void choose_colour();
    void test_or_create();
    void create_file();
    // Whether what the user typed can be stored: the passwords always, the one-line boxes too
    // when `lines`. The first value that cannot has shown its warning.
    bool typed_values_storable(bool lines) const;

    multi_conn& m_set;
    connection& m_original;
    std::unique_ptr<connection> m_working;
    std::unique_ptr<conn_prop_dlg> m_page;
    bool m_ready = false;
    bool m_wrote_file = false;
    win::unique_hbitmap m_swatch_bitmap;  // shown by the swatch until replaced or the dialog goes
    ui::edit m_name_edit;
    ui::edit m_seed_edit;
    ui::button m_plot_only_check;
    ui::static_text m_swatch;
    ui::tab_control m_tabs;
    ui::static_text m_last_login_label;
    ui::button m_save_btn;
    ui::button m_test_btn;
};

#pragma once
// The "Connected Instances:" group: one four-line card per connection definition, the default
// one in light blue, the number of definitions below the list, and the buttons that act on the
// selection.

#include "app/card_style.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/owner_drawn.h"

class multi_conn;

class instances_panel : public ui::owner_drawn {
public:
    // The set and the style are the window's and outlive the panel.
    instances_panel(multi_conn& conns, const card_style& style);

    void bind(const ui::dialog& window);
    // Refills the list from the set and updates the count label; nothing is selected afterwards.
    void fill();
    // Delete for any selection, Edit and Current for exactly one.
    void update_buttons();
    void enable_console(bool on);

    void measure_item(MEASUREITEMSTRUCT& measure) override;
    void draw_item(const DRAWITEMSTRUCT& draw) override;
    int compare_items(const COMPAREITEMSTRUCT& compare) override;
    void delete_item(const DELETEITEMSTRUCT& deleted) override;

private:
    multi_conn& m_conns;
    const card_style& m_style;
    ui::list_box m_list;
    ui::button m_delete_btn;
    ui::button m_current_btn;
    ui::button m_edit_btn;
    ui::static_text m_count_label;
    ui::button m_console_btn;
};

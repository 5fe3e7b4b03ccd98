#pragma once
// The "Connected Instances:" group: one four-line card per connection definition, the default
// one in light blue, the number of definitions below the list, and the buttons that create a
// definition and edit, make current or delete the selected ones.

#include "app/card_style.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/owner_drawn.h"

class connection;
class multi_conn;

class instances_panel : public ui::owner_drawn {
public:
    // The window, the set and the style outlive the panel.
    instances_panel(ui::dialog& window, multi_conn& conns, const card_style& style);

    void bind();
    // Refills the list from the set and updates the count label; nothing is selected afterwards.
    void fill();
    // Takes every card out of the list, before the set lets its definitions go.
    void empty() { m_list.reset(); }
    // The set loaded anew from its folder, and the list refilled.
    void reload();
    // Delete for any selection, Edit and Current for exactly one.
    void update_buttons();
    void enable_console(bool on);

    void edit_selected();
    void make_selected_current();
    void delete_selected();
    void create();

    void measure_item(MEASUREITEMSTRUCT& measure) override;
    void draw_item(const DRAWITEMSTRUCT& draw) override;
    int compare_items(const COMPAREITEMSTRUCT& compare) override;
    void delete_item(const DELETEITEMSTRUCT& deleted) override;
    std::wstring item_name(ULONG_PTR item_data) override;

private:
    connection* single_selection() const;
    // Whether the Instance Factory folder is set; when not, says so. Without one every file
    // these actions touch would be in the current directory.
    bool has_factory_folder() const;

    ui::dialog& m_window;
    multi_conn& m_conns;
    const card_style& m_style;
    ui::list_box m_list;
    ui::button m_delete_btn;
    ui::button m_current_btn;
    ui::button m_edit_btn;
    ui::static_text m_count_label;
    ui::button m_console_btn;
};

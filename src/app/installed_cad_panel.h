#pragma once
// The "Installed CAD:" group: one card per installed release with its icon, product, release
// and product key, and the program's icon at the right edge when its profile is connected;
// a double-click or "Connect All" / "Disconnect All" connects or disconnects profiles.

#include "app/card_style.h"
#include "host/acad_install.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/owner_drawn.h"

class installed_cad_panel : public ui::owner_drawn {
public:
    // `exe_folder` is the client folder that connected profiles point to; `connected_icon`
    // marks a connected release. All of it is the window's and outlives the panel.
    installed_cad_panel(host::acad_install_list& releases, const std::wstring& exe_folder, const card_style& style,
                        HICON connected_icon);

    void bind(const ui::dialog& window);
    void fill();

    void toggle_release();
    void connect_all();
    void disconnect_all();

    void measure_item(MEASUREITEMSTRUCT& measure) override;
    void draw_item(const DRAWITEMSTRUCT& draw) override;
    int compare_items(const COMPAREITEMSTRUCT& compare) override;
    void delete_item(const DELETEITEMSTRUCT& deleted) override;
    std::wstring item_name(ULONG_PTR item_data) override;

private:
    void set_all_connections(bool connect, const wchar_t* question);

    host::acad_install_list& m_releases;
    const std::wstring& m_exe_folder;
    const card_style& m_style;
    HICON m_connected_icon;
    ui::list_box m_list;
};

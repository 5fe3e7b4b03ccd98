#include "dialogs/conn_prop_main_dlg.h"

#include "connections/multi_conn.h"
#include "dialogs/conn_prop_dlg.h"
#include "dialogs/conn_prop_ids.h"
#include "ui/modal_seam.h"
#include "ui/show_error.h"
#include "ui/typed_values.h"
#include "ui/wait_cursor.h"
#include "win/gdi.h"

conn_prop_main_dlg::conn_prop_main_dlg(multi_conn& set, connection& original)
    : ui::dialog(IDD_CONN_PROP_MAIN), m_set(set), m_original(original),
      m_working(std::make_unique<connection>(original))
{
}

// The page's window, a child of the tab control, goes with this one; the page object after it.
conn_prop_main_dlg::~conn_prop_main_dlg()
{
    destroy_window();
}

bool conn_prop_main_dlg::on_init()
{
    m_name_edit = ui::edit(item(IDC_CP_NAME).hwnd());
    m_seed_edit = ui::edit(item(IDC_CP_SEED).hwnd());
    m_plot_only_check = ui::button(item(IDC_CP_PLOT_ONLY).hwnd());
    m_swatch = ui::static_text(item(IDC_CP_SWATCH).hwnd());
    m_tabs = ui::tab_control(item(IDC_CP_TABS).hwnd());
    m_last_login_label = ui::static_text(item(IDC_CP_LAST_LOGIN).hwnd());
    m_save_btn = ui::button(item(IDOK).hwnd());
    m_test_btn = ui::button(item(IDC_CP_TEST).hwnd());

    // Only the HTTP page exists: choosing "Local" leaves it in view.
    m_tabs.insert(0, L"HTTP");
    m_tabs.insert(1, L"Local");
    create_page();
    show_connection();
    m_ready = true;
    update_save();
    return true;
}

void conn_prop_main_dlg::create_page()
{
    m_page = std::make_unique<conn_prop_dlg>(*m_working, [this] { update_save(); });
    // Tab and Shift+Tab walk into the page, which is a child of the tab control.
    const HWND tabs = m_tabs.hwnd();
    SetWindowLongPtrW(tabs, GWL_EXSTYLE, GetWindowLongPtrW(tabs, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    if (!m_page->create_modeless(tabs))
        return;
    RECT area = m_tabs.client_rect();
    m_tabs.adjust_rect(false, area);
    SetWindowPos(m_page->hwnd(), HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_SHOWWINDOW);
}

void conn_prop_main_dlg::show_connection()
{
    m_name_edit.set_text(m_working->get_name_label().as_const_w_buffer());
    m_seed_edit.set_text(m_working->get_seed_label().as_const_w_buffer());
    if (m_working->is_new()) {
        m_test_btn.set_text(L"&Create");
        m_name_edit.enable(false);
        m_save_btn.enable(false);
    }
    vorn_buffer last_login = L"Last Login: ";
    last_login += m_working->get_lastlogin_label();
    m_last_login_label.set_text(last_login.as_const_w_buffer());
    m_plot_only_check.set_check(m_working->m_plot_only ? BST_CHECKED : BST_UNCHECKED);
    paint_swatch();
}

bool conn_prop_main_dlg::can_save()
{
    if (!m_working->is_new() && m_working->m_name.is_empty())
        return false;
    if (m_page)
        m_page->read_controls();
    const connection& c = *m_working;
    if (c.m_host_name.is_empty() || c.m_process.is_empty() || c.m_user_name.is_empty())
        return false;
    if (c.m_user_server_logon && c.m_server_user_name.is_empty())
        return false;
    return !c.is_new();
}

void conn_prop_main_dlg::paint_swatch()
{
    const RECT area = m_swatch.client_rect();
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    win::client_dc screen(nullptr);
    win::unique_hbitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    win::unique_memory_dc dc(CreateCompatibleDC(screen.get()));
    if (!bitmap || !dc)
        return;
    {
        win::scoped_select selected(dc.get(), bitmap.get());
        win::unique_hbrush fill(CreateSolidBrush(m_working->m_colour));
        FillRect(dc.get(), &area, fill.get());
    }
    m_swatch.send(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get()));
    m_swatch_bitmap = std::move(bitmap);  // the one shown before is released here, no longer shown
}

bool conn_prop_main_dlg::on_command(int id, int code, HWND)
{
    if (id == IDC_CP_COLOUR && code == BN_CLICKED)
        choose_colour();
    else if (id == IDC_CP_PLOT_ONLY && code == BN_CLICKED)
        m_working->m_plot_only = m_plot_only_check.check_state() != BST_UNCHECKED;
    else if (id == IDC_CP_NAME && code == EN_CHANGE && m_ready) {
        m_working->m_name = m_name_edit.text().c_str();
        update_save();
    } else if (id == IDC_CP_TEST && code == BN_CLICKED)
        test_or_create();
    else
        return false;
    return true;
}

// The page's boxes are read once more: Enter in the port box saves without the box losing the
// focus, which is when it would have been read. The file is written here, while the dialog can
// stay open with everything typed when it cannot be. Only Create gives a new definition a file.
void conn_prop_main_dlg::on_ok()
{
    if (m_working->is_new() || !typed_values_storable(true))
        return;
    if (m_page)
        m_page->read_controls();
    if (!show_failures(m_set.save(*m_working, definition_save::in_place)))
        return;
    m_wrote_file = true;
    m_original.copy_from(*m_working);
    end(IDOK);
}

bool conn_prop_main_dlg::typed_values_storable(bool lines) const
{
    if (m_page && !m_page->passwords_storable())
        return false;
    if (!lines)
        return true;
    return ui::is_storable_line(L"Name", m_name_edit.text()) && (!m_page || m_page->lines_storable());
}

void conn_prop_main_dlg::choose_colour()
{
    COLORREF colour = m_working->m_colour;
    if (!ui::modal().choose_colour(hwnd(), colour))
        return;
    m_working->m_colour = colour;
    paint_swatch();
}

// A failed login or creation shows its box and leaves the dialog open. A new definition's
// boxes are checked before the login: Create stores them.
void conn_prop_main_dlg::test_or_create()
{
    if (!typed_values_storable(m_working->is_new()))
        return;
    ui::wait_cursor waiting;
    if (!show_failures(m_working->reconnect()))
        return;
    if (!m_working->is_new()) {
        show_connection();  // the seed and last login the login set; saved only by Save
        return;
    }
    create_file();
}

// Nothing of a failed step is kept: the working copy stays new, with everything typed.
void conn_prop_main_dlg::create_file()
{
    if (!show_failures(m_set.save(*m_working, definition_save::create)))
        return;
    m_wrote_file = true;
    m_name_edit.enable(true);
    m_save_btn.enable(true);
    m_original.copy_from(*m_working);
    end(IDOK);
    show_connection();
}

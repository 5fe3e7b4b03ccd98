#include "dialogs/conn_prop_dlg.h"

#include "connections/connection.h"
#include "dialogs/conn_prop_ids.h"
#include "ui/typed_values.h"

#include <cwchar>
#include <string>
#include <utility>

namespace {

bool checked(const ui::button& box)
{
    return box.check_state() != BST_UNCHECKED;
}

}  // namespace

conn_prop_dlg::conn_prop_dlg(connection& conn, std::function<void()> changed)
    : ui::dialog(IDD_CONN_PROP_PAGE), m_changed(std::move(changed)), m_conn(conn)
{
}

void conn_prop_dlg::tell_changed() const
{
    if (m_ready && m_changed)
        m_changed();
}

bool conn_prop_dlg::on_init()
{
    m_host_edit = ui::edit(item(IDC_CP_HOST).hwnd());
    m_process_edit = ui::edit(item(IDC_CP_PROCESS).hwnd());
    m_ssl_check = ui::button(item(IDC_CP_SSL).hwnd());
    m_port_edit = ui::edit(item(IDC_CP_PORT).hwnd());
    m_read_size_combo = ui::combo_box(item(IDC_CP_READ_SIZE).hwnd());
    m_login_edit = ui::edit(item(IDC_CP_LOGIN).hwnd());
    m_password_edit = ui::edit(item(IDC_CP_PASSWORD).hwnd());
    m_server_credentials_check = ui::button(item(IDC_CP_SERVER_CREDENTIALS).hwnd());
    m_same_credentials_check = ui::button(item(IDC_CP_SAME_CREDENTIALS).hwnd());
    m_server_login_edit = ui::edit(item(IDC_CP_SERVER_LOGIN).hwnd());
    m_server_password_edit = ui::edit(item(IDC_CP_SERVER_PASSWORD).hwnd());
    fill_read_sizes();

    // The change handlers stay quiet while the boxes fill.
    m_host_edit.set_text(m_conn.m_host_name.as_const_w_buffer());
    m_process_edit.set_text(m_conn.m_process.as_const_w_buffer());
    m_ssl_check.set_check(m_conn.m_ssl ? BST_CHECKED : BST_UNCHECKED);
    m_port_edit.set_text(std::to_wstring(m_conn.m_port));
    m_read_size_combo.set_text(std::to_wstring(m_conn.m_read_size));  // no list item selected
    m_login_edit.set_text(m_conn.m_user_name.as_const_w_buffer());
    m_password_edit.set_text(m_conn.m_password.as_const_w_buffer());
    m_server_credentials_check.set_check(m_conn.m_user_server_logon ? BST_CHECKED : BST_UNCHECKED);
    m_server_login_edit.set_text(m_conn.m_server_user_name.as_const_w_buffer());
    m_server_password_edit.set_text(m_conn.m_server_password.as_const_w_buffer());
    apply_server_credentials();
    m_same_credentials_check.set_check(BST_CHECKED);
    m_ready = true;
    return true;
}

// 1024 to 16384 in steps of 1024, in that order.
void conn_prop_dlg::fill_read_sizes() const
{
    for (int size = 1024; size <= 16384; size += 1024)
        m_read_size_combo.add(std::to_wstring(size).c_str());
}

void conn_prop_dlg::read_controls()
{
    m_conn.m_host_name = m_host_edit.text().c_str();
    m_conn.m_process = m_process_edit.text().c_str();
    m_conn.m_ssl = checked(m_ssl_check);
    m_conn.m_port = static_cast<int>(_wtol(m_port_edit.text().c_str()));
    // A typed size that is not one of the list's is not taken.
    if (const int selected = m_read_size_combo.selection(); selected >= 0)
        m_conn.m_read_size = static_cast<int>(_wtol(m_read_size_combo.item_text(selected).c_str()));
    m_conn.m_user_name = m_login_edit.text().c_str();
    m_conn.m_password = m_password_edit.text().c_str();
    m_conn.m_user_server_logon = checked(m_server_credentials_check);
    m_conn.m_server_user_name = m_server_login_edit.text().c_str();
    m_conn.m_server_password = m_server_password_edit.text().c_str();
}

// What was typed or pasted is checked, not what the working copy took: a paste into the port box
// is read only when the box loses the focus.
bool conn_prop_dlg::lines_storable() const
{
    const std::pair<const wchar_t*, const ui::edit*> boxes[] = {
        {L"Host name", &m_host_edit},   {L"Process", &m_process_edit}, {L"Port", &m_port_edit},
        {L"Login", &m_login_edit},      {L"Login of the Server Credentials", &m_server_login_edit},
    };
    for (const auto& [label, box] : boxes)
        if (!ui::is_storable_line(label, box->text()))
            return false;
    return true;
}

bool conn_prop_dlg::passwords_storable() const
{
    return ui::is_storable_password(m_password_edit.text()) && ui::is_storable_password(m_server_password_edit.text());
}

void conn_prop_dlg::apply_server_credentials()
{
    const bool on = m_server_credentials_check.check_state() == BST_CHECKED;
    m_conn.m_user_server_logon = on;
    m_server_login_edit.enable(on);
    m_server_password_edit.enable(on);
    m_same_credentials_check.enable(on);
}

// Setting the two texts runs their own change handlers in turn.
void conn_prop_dlg::copy_same_credentials()
{
    if (!m_ready)
        return;
    if (m_same_credentials_check.check_state() == BST_CHECKED) {
        m_server_login_edit.set_text(m_login_edit.text());
        m_server_password_edit.set_text(m_password_edit.text());
    }
    tell_changed();
}

bool conn_prop_dlg::on_command(int id, int code, HWND)
{
    switch (id) {
    case IDC_CP_SERVER_CREDENTIALS:
        if (code == BN_CLICKED)
            apply_server_credentials();
        return code == BN_CLICKED;
    case IDC_CP_SAME_CREDENTIALS:
        if (code == BN_CLICKED && m_same_credentials_check.check_state() == BST_CHECKED)
            copy_same_credentials();
        return code == BN_CLICKED;
    case IDC_CP_LOGIN:
    case IDC_CP_PASSWORD:
        if (code == EN_CHANGE)
            copy_same_credentials();
        return code == EN_CHANGE;
    case IDC_CP_HOST:
    case IDC_CP_PROCESS:
    case IDC_CP_SERVER_LOGIN:
        if (code == EN_CHANGE)
            tell_changed();
        return code == EN_CHANGE;
    case IDC_CP_PORT:
        if (code == EN_KILLFOCUS)
            tell_changed();
        return code == EN_KILLFOCUS;
    case IDC_CP_READ_SIZE:
        if (code == CBN_SELCHANGE && m_ready) {
            const int selected = m_read_size_combo.selection();
            if (selected >= 0)
                m_conn.m_read_size = static_cast<int>(_wtol(m_read_size_combo.item_text(selected).c_str()));
        }
        return code == CBN_SELCHANGE;
    case IDC_CP_SSL:
        if (code == BN_CLICKED)
            m_conn.m_ssl = m_ssl_check.check_state() == BST_CHECKED;
        return code == BN_CLICKED;
    case IDC_CP_SERVER_PASSWORD:
        if (code == EN_CHANGE && m_ready)
            m_conn.m_server_password = m_server_password_edit.text().c_str();
        return code == EN_CHANGE;
    default:
        return false;
    }
}

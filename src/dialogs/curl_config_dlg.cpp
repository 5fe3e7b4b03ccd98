#include "dialogs/curl_config_dlg.h"

#include "dialogs/curl_config_ids.h"
#include "ui/show_error.h"
#include "ui/typed_values.h"
#include "vorn/dbc_settings_file.h"
#include "vorn/vorn_curl.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

bool is_checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void check(HWND dialog, int id, bool on)
{
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

// What Save changes in the library, as it stands when made, to put back when the settings cannot
// be stored. The authentication methods are not among them: each click sets them.
struct transport_settings {
    vorn_buffer proxy = vorn_cURL::m_setting_proxy;
    vorn_buffer proxy_user = vorn_cURL::m_setting_proxy_user;
    vorn_buffer proxy_password = vorn_cURL::m_setting_proxy_password;
    vorn_buffer user_agent = vorn_cURL::m_setting_user_agent;
    long proxy_port = vorn_cURL::m_setting_proxy_port;
    long conn_timeout = vorn_cURL::m_setting_conn_timeout;
    long timeout = vorn_cURL::m_setting_timeout;
    long tcp_nodelay = vorn_cURL::m_setting_tcp_nodelay;
    long ssl_no_revoke = vorn_cURL::m_ssl_no_revoke;
    long ssl_allow_beast = vorn_cURL::m_ssl_allow_beast;
    bool proxy_use_cred = vorn_cURL::m_setting_proxy_use_cred;

    void restore() const
    {
        vorn_cURL::m_setting_proxy = proxy;
        vorn_cURL::m_setting_proxy_user = proxy_user;
        vorn_cURL::m_setting_proxy_password = proxy_password;
        vorn_cURL::m_setting_user_agent = user_agent;
        vorn_cURL::m_setting_proxy_port = proxy_port;
        vorn_cURL::m_setting_conn_timeout = conn_timeout;
        vorn_cURL::m_setting_timeout = timeout;
        vorn_cURL::m_setting_tcp_nodelay = tcp_nodelay;
        vorn_cURL::m_ssl_no_revoke = ssl_no_revoke;
        vorn_cURL::m_ssl_allow_beast = ssl_allow_beast;
        vorn_cURL::m_setting_proxy_use_cred = proxy_use_cred;
    }
};

}  // namespace

cURL_config::cURL_config() : ui::dialog(IDD_CURL_CONFIG) {}

bool cURL_config::on_init()
{
    // Save writes every setting: they must be the stored ones, not the built-in defaults.
    vorn_cURL::ensure_config_loaded();
    m_proxy_edit = ui::edit(item(IDC_CFG_PROXY).hwnd());
    m_proxy_port_edit = ui::edit(item(IDC_CFG_PROXY_PORT).hwnd());
    m_proxy_user_edit = ui::edit(item(IDC_CFG_PROXY_USER).hwnd());
    m_proxy_password_edit = ui::edit(item(IDC_CFG_PROXY_PASSWORD).hwnd());
    m_conn_timeout_edit = ui::edit(item(IDC_CFG_CONN_TIMEOUT).hwnd());
    m_timeout_edit = ui::edit(item(IDC_CFG_TIMEOUT).hwnd());
    m_user_agent_edit = ui::edit(item(IDC_CFG_USER_AGENT).hwnd());
    m_save_btn = ui::button(item(IDOK).hwnd());

    m_proxy_edit.set_text(vorn_cURL::m_setting_proxy.as_const_w_buffer());
    m_proxy_port_edit.set_text(std::to_wstring(vorn_cURL::m_setting_proxy_port));
    m_proxy_user_edit.set_text(vorn_cURL::m_setting_proxy_user.as_const_w_buffer());
    m_proxy_password_edit.set_text(vorn_cURL::m_setting_proxy_password.as_const_w_buffer());
    m_conn_timeout_edit.set_text(std::to_wstring(vorn_cURL::m_setting_conn_timeout));
    m_timeout_edit.set_text(std::to_wstring(vorn_cURL::m_setting_timeout));
    m_user_agent_edit.set_text(vorn_cURL::m_setting_user_agent.as_const_w_buffer());

    m_auth_ids = {IDC_CFG_AUTH_BASIC, IDC_CFG_AUTH_DIGEST, IDC_CFG_AUTH_DIGEST_IE, IDC_CFG_AUTH_NEGOTIATE,
                  IDC_CFG_AUTH_NTLM, IDC_CFG_AUTH_NTLM_WB, IDC_CFG_AUTH_ONLY};
    m_auth_bits = {vorn_auth_basic, vorn_auth_digest, vorn_auth_digest_ie, vorn_auth_negotiate,
                   vorn_auth_ntlm, vorn_auth_ntlm_wb, vorn_auth_only};
    show_auth();

    check(hwnd(), IDC_CFG_SSL_NO_REVOKE, vorn_cURL::m_ssl_no_revoke != 0);
    check(hwnd(), IDC_CFG_SSL_ALLOW_BEAST, vorn_cURL::m_ssl_allow_beast != 0);
    check(hwnd(), IDC_CFG_TCP_NODELAY, vorn_cURL::m_setting_tcp_nodelay != 0);
    check(hwnd(), IDC_CFG_PROXY_USE_CRED, vorn_cURL::m_setting_proxy_use_cred);
    enable_proxy_credentials();
    return true;
}

void cURL_config::show_auth()
{
    const long auth = vorn_cURL::m_httpAuth;
    const int selected = auth == vorn_auth_anysafe ? IDC_CFG_AUTH_ANYSAFE
                         : auth == vorn_auth_any   ? IDC_CFG_AUTH_ANY
                                                   : IDC_CFG_AUTH_COMBINATION;
    CheckRadioButton(hwnd(), IDC_CFG_AUTH_ANY, IDC_CFG_AUTH_COMBINATION, selected);
    if (selected != IDC_CFG_AUTH_COMBINATION) {
        enable_auth_boxes(false);
        return;
    }
    for (size_t i = 0; i < auth_boxes; ++i)
        check(hwnd(), m_auth_ids[i], (auth & m_auth_bits[i]) != 0);
    apply_combination();  // drops the bits no box stands for
}

// The bits are distinct: their sum is their union.
void cURL_config::apply_combination()
{
    vorn_cURL::m_httpAuth = 0;
    for (size_t i = 0; i < auth_boxes; ++i) {
        item(m_auth_ids[i]).enable(true);
        if (is_checked(hwnd(), m_auth_ids[i]))
            vorn_cURL::m_httpAuth += m_auth_bits[i];
    }
}

void cURL_config::enable_auth_boxes(bool on) const
{
    for (const int id : m_auth_ids)
        item(id).enable(on);
}

void cURL_config::enable_proxy_credentials() const
{
    const bool on = is_checked(hwnd(), IDC_CFG_PROXY_USE_CRED);
    m_proxy_user_edit.enable(on);
    m_proxy_password_edit.enable(on);
}

void cURL_config::normalise_number(const ui::edit& box, long below_one) const
{
    long value = _wtol(box.text().c_str());
    if (value < 1)
        value = below_one;
    box.set_text(std::to_wstring(value));
}

bool cURL_config::on_command(int id, int code, HWND)
{
    if (code == EN_KILLFOCUS) {
        if (id == IDC_CFG_PROXY_PORT)
            normalise_number(m_proxy_port_edit, 1080);
        else if (id == IDC_CFG_CONN_TIMEOUT)
            normalise_number(m_conn_timeout_edit, 1);
        else if (id == IDC_CFG_TIMEOUT)
            normalise_number(m_timeout_edit, 1);
        else
            return false;
        return true;
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_CFG_AUTH_ANY:
        vorn_cURL::m_httpAuth = vorn_auth_any;
        enable_auth_boxes(false);
        return true;
    case IDC_CFG_AUTH_ANYSAFE:
        vorn_cURL::m_httpAuth = vorn_auth_anysafe;
        enable_auth_boxes(false);
        return true;
    case IDC_CFG_PROXY_USE_CRED:
        enable_proxy_credentials();
        return true;
    default:
        break;
    }
    if (id == IDC_CFG_AUTH_COMBINATION || std::find(m_auth_ids.begin(), m_auth_ids.end(), id) != m_auth_ids.end()) {
        apply_combination();
        return true;
    }
    return false;
}

// The numbers are taken as they stand: each was normalised when its box last lost the focus.
// The dialog stays open, with everything typed, when a value cannot be stored or the settings
// file cannot be written; the library then keeps the settings it had.
void cURL_config::on_ok()
{
    const std::wstring proxy = m_proxy_edit.text();
    const std::wstring proxy_user = m_proxy_user_edit.text();
    const std::wstring proxy_password = m_proxy_password_edit.text();
    const std::wstring user_agent = m_user_agent_edit.text();
    if (!ui::is_storable_line(L"HTTP proxy address", proxy) || !ui::is_storable_line(L"HTTP proxy user name", proxy_user) ||
        !ui::is_storable_line(L"User Agent", user_agent) || !ui::is_storable_password(proxy_password))
        return;
    const transport_settings before{};
    vorn_cURL::m_setting_proxy = proxy.c_str();
    vorn_cURL::m_setting_proxy_port = _wtol(m_proxy_port_edit.text().c_str());
    vorn_cURL::m_setting_proxy_user = proxy_user.c_str();
    vorn_cURL::m_setting_proxy_password = proxy_password.c_str();
    vorn_cURL::m_setting_conn_timeout = _wtol(m_conn_timeout_edit.text().c_str());
    vorn_cURL::m_setting_timeout = _wtol(m_timeout_edit.text().c_str());
    vorn_cURL::m_setting_user_agent = user_agent.c_str();
    vorn_cURL::m_setting_proxy_use_cred = is_checked(hwnd(), IDC_CFG_PROXY_USE_CRED);
    vorn_cURL::m_setting_tcp_nodelay = is_checked(hwnd(), IDC_CFG_TCP_NODELAY) ? 1 : 0;
    vorn_cURL::m_ssl_no_revoke = is_checked(hwnd(), IDC_CFG_SSL_NO_REVOKE) ? 1 : 0;
    vorn_cURL::m_ssl_allow_beast = is_checked(hwnd(), IDC_CFG_SSL_ALLOW_BEAST) ? 1 : 0;
    if (!vorn_cURL::write_config()) {
        before.restore();
        wchar_t file[MAX_PATH];
        if (!dbc_getIniFilePath(file, MAX_PATH))
            file[0] = L'\0';
        show_error(L"Failed to save the cURL settings in '%ls'! The file may be read-only or in use.", file);
        return;
    }
    end(IDOK);
}

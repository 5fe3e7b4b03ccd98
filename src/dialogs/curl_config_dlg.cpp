#include "dialogs/curl_config_dlg.h"

#include "dialogs/curl_config_ids.h"
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
void cURL_config::on_ok()
{
    end(IDOK);
    vorn_cURL::m_setting_proxy = m_proxy_edit.text().c_str();
    vorn_cURL::m_setting_proxy_port = _wtol(m_proxy_port_edit.text().c_str());
    vorn_cURL::m_setting_proxy_user = m_proxy_user_edit.text().c_str();
    vorn_cURL::m_setting_proxy_password = m_proxy_password_edit.text().c_str();
    vorn_cURL::m_setting_conn_timeout = _wtol(m_conn_timeout_edit.text().c_str());
    vorn_cURL::m_setting_timeout = _wtol(m_timeout_edit.text().c_str());
    vorn_cURL::m_setting_user_agent = m_user_agent_edit.text().c_str();
    vorn_cURL::m_setting_proxy_use_cred = is_checked(hwnd(), IDC_CFG_PROXY_USE_CRED);
    vorn_cURL::m_setting_tcp_nodelay = is_checked(hwnd(), IDC_CFG_TCP_NODELAY) ? 1 : 0;
    vorn_cURL::m_ssl_no_revoke = is_checked(hwnd(), IDC_CFG_SSL_NO_REVOKE) ? 1 : 0;
    vorn_cURL::m_ssl_allow_beast = is_checked(hwnd(), IDC_CFG_SSL_ALLOW_BEAST) ? 1 : 0;
    vorn_cURL::write_config();
}

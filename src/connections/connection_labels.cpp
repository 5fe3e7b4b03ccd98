// How a definition shows itself in the main window's cards and the Connection Properties dialog,
// and the credentials its login hands to the client library.

#include "connections/connection.h"

#include "vorn/vorn_paths.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr wchar_t unknown[] = L"<Unknown>";
constexpr int shown_date_capacity = 260;

// Copies as much of the text as fits, always terminated; nothing for a buffer without room.
void copy_cut(wchar_t* buffer, int size, const wchar_t* text)
{
    if (!buffer || size <= 0)
        return;
    const size_t length = std::min(std::wcslen(text), static_cast<size_t>(size - 1));
    std::wmemcpy(buffer, text, length);
    buffer[length] = L'\0';
}

}  // namespace

void connection::get_plx_user(wchar_t* user, int user_size, wchar_t* password, int password_size) const
{
    copy_cut(user, user_size, m_user_server_logon ? m_server_user_name : m_user_name);
    copy_cut(password, password_size, m_user_server_logon ? m_server_password : m_password);
}

void connection::set_server_credentials(wchar_t (&user)[server_credential_size],
                                        wchar_t (&password)[server_credential_size], bool& use_server_logon) const
{
    std::wmemset(user, L'\0', server_credential_size);
    std::wmemset(password, L'\0', server_credential_size);
    use_server_logon = m_user_server_logon;
    if (m_user_server_logon) {
        copy_cut(user, server_credential_size, m_server_user_name);
        copy_cut(password, server_credential_size, m_server_password);
    }
}

vorn_buffer connection::get_type_label() const
{
    if (m_login_type == login_type_lan)
        return L"LAN";
    if (m_login_type == login_type_http)
        return m_ssl ? L"HTTPS" : L"HTTP";
    return unknown;
}

vorn_buffer connection::get_seed_label() const
{
    return m_seed.is_empty() ? vorn_buffer(unknown) : m_seed;
}

vorn_buffer connection::get_def_name() const
{
    if (m_login_type == login_type_lan)
        return m_server;
    if (m_login_type == login_type_http)
        return m_host_name;
    return unknown;
}

vorn_buffer connection::get_name_label() const
{
    if (ini_path.is_empty() || !fileExists(ini_path))
        return L"**NEW CONNECTION**";
    return m_name.is_empty() ? get_def_name() : m_name;
}

vorn_buffer connection::get_conn_label() const
{
    if (m_login_type == login_type_lan) {
        vorn_buffer label = m_server;
        label += L" - ";
        label += m_database;
        return label;
    }
    if (m_login_type == login_type_http)
        return m_host_name;
    return unknown;
}

vorn_buffer connection::get_user_label() const
{
    if (m_login_type == login_type_lan)
        return m_last_user;
    if (m_login_type != login_type_http)
        return unknown;
    if (!m_user_server_logon || m_user_name.compare_no_case(m_server_user_name))
        return m_user_name;
    vorn_buffer label = m_user_name;
    label += L"/";
    label += m_server_user_name;
    return label;
}

vorn_buffer connection::get_lastlogin_label() const
{
    if (m_last_login.year == 0)
        return unknown;
    wchar_t text[shown_date_capacity] = {};
    dbc_formatDate(&m_last_login, text, shown_date_capacity, dbc_date_style_shown);
    return text;
}

vorn_buffer connection::get_domain() const
{
    if (m_login_type == login_type_http && !(m_host_name[0] >= L'0' && m_host_name[0] <= L'9')) {
        const int dot = findFirstTime(m_host_name, L'.', m_host_name.length());
        if (dot > 0)
            return m_host_name.right(dot + 1);
    }
    return L"???";
}

// The test login of a definition: log in through the client library and take the server's
// seed and HTTP values, each the moment it arrives.

#include "connections/connection.h"

#include "connections/library_error.h"
#include "vorn/dbc_login.h"
#include "vorn/vorn_dates.h"
#include "win/same_text.h"

#include <cwchar>

namespace {

// The standard gateway lives at /drawing_management/...; any other gateway's first folder names
// the installation, as "acme" in /acme/dbclient.php.
vorn_buffer first_folder_of(const vorn_buffer& process)
{
    if (win::starts_with_text(process.str(), L"/drawing_management"))
        return {};
    return process.get_element(1, L'/');
}

}  // namespace

win::outcome connection::reconnect()
{
    login_handle = nullptr;

    vorn_buffer connect_text;
    int http = 0;
    const wchar_t* host = nullptr;
    const wchar_t* process = nullptr;
    long port = 80;
    long read_size = 0;
    int ssl = 0;
    long timeout = 0;
    switch (m_login_type) {
    case login_type_lan:
        connect_text = m_connect_text;
        timeout = m_timeout;
        break;
    case login_type_http:
        if (m_user_server_logon)
            dbc_connect_set_userdetails(m_user_name, m_password, m_remember_password, m_server_user_name,
                                        m_server_password, m_server_remember_password);
        else
            dbc_connect_set_userdetails(m_user_name, m_password, m_remember_password, L"", L"", false);
        http = 1;
        host = m_host_name;
        process = m_process;
        port = m_port;
        read_size = m_read_size;
        ssl = m_ssl ? 1 : 0;
        break;
    default:
        return win::outcome::failed(with_library_error(nullptr, L"Failed because of invalid connection type!"));
    }

    DBC_LOGIN_INFO info = {};
    if (!dbc_LoginUser(connect_text, &login_handle, nullptr, &info, http, host, process, port, read_size, ssl,
                       timeout, 0, 1, 0))
        return win::outcome::failed(with_library_error(login_handle, L"Failed to dbc_LoginUser because: "));

    DBC_VAR var = {};
    if (win::outcome got = getDbcVar(L"PLX2_SEED", &var); !got)
        return got;
    m_seed = var.text_value;
    if (win::outcome got = getDbcVar(L"PLX2_HTTP_SERVER", &var); !got)
        return got;
    m_server_host = var.text_value;
    if (win::outcome got = getDbcVar(L"PLX2_HTTP_PORT", &var); !got)
        return got;
    m_server_port = static_cast<int>(var.int_value);
    if (win::outcome got = getDbcVar(L"PLX2_HTTP_PROCESS", &var); !got)
        return got;
    m_server_process = var.text_value;
    if (win::outcome got = getDbcVar(L"PLX2_HTTP_PROCESS_BLOBS", &var); !got)
        return got;
    m_server_blobs_process = var.text_value;
    if (win::outcome got = getDbcVar(L"PLX2_HTTP_SSL", &var); !got)
        return got;
    m_server_ssl = var.int_value != 0;

    m_first_folder = first_folder_of(m_server_process);
    dbc_getTimeNow(&m_last_login);
    return {};
}

win::outcome connection::getDbcVar(const wchar_t* name, DBC_VAR* var)
{
    if (dbcVars_GetVar(login_handle, name, var))
        return {};
    vorn_buffer text;
    text.format(L"Failed to dbcVars_GetVar on '%s' because: ", name);
    return win::outcome::failed(with_library_error(login_handle, text.str()));
}

#include "vorn/dbc_login.h"

#include "vorn/dbc_http_login.h"
#include "vorn/dbc_lan_login.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

// What a login handle stands for. The caller never releases one, so every session stays until
// the process ends, when the list below is destroyed and closes their ODBC connections.
struct dbc_session {
    dbc_server_vars vars;
    std::wstring last_error;
    std::unique_ptr<odbc_connection> database;  // LAN logins only
};

struct library_state {
    std::mutex lock;  // the handles may be used from more than one thread
    std::vector<std::unique_ptr<dbc_session>> sessions;
    std::wstring last_error;  // of the process: failures without a handle
};

library_state& state()
{
    static library_state kept;
    return kept;
}

dbc_session* find_session(void* handle)
{
    for (const auto& session : state().sessions)
        if (session.get() == handle)
            return session.get();
    return nullptr;
}

int fail(const std::wstring& text)
{
    std::lock_guard guard(state().lock);
    state().last_error = text;
    return 0;
}

void copy_cut(const std::wstring& text, wchar_t* buffer, size_t size)
{
    if (!buffer || size == 0)
        return;
    const size_t length = std::min(text.size(), size - 1);
    text.copy(buffer, length);
    buffer[length] = L'\0';
}

void fill_info(DBC_LOGIN_INFO* info, const dbc_session& session, long http_status, const std::wstring& server)
{
    if (!info)
        return;
    info->variable_count = static_cast<long>(session.vars.size());
    info->http_status = http_status;
    copy_cut(server, info->server, std::size(info->server));
}

int keep_session(std::unique_ptr<dbc_session> session, void** handle)
{
    std::lock_guard guard(state().lock);
    *handle = session.get();
    state().sessions.push_back(std::move(session));
    return 1;
}

int lan_login(const wchar_t* connect_text, void** handle, HWND window, DBC_LOGIN_INFO* info, long timeout,
              int driver_completion, int read_vars)
{
    auto session = std::make_unique<dbc_session>();
    session->database = std::make_unique<odbc_connection>();
    std::wstring error;
    if (!session->database->connect(connect_text, window, static_cast<SQLUSMALLINT>(driver_completion), timeout, error))
        return fail(error);
    if (read_vars && !session->database->read_vars(session->vars, error))
        return fail(error);
    fill_info(info, *session, 0, session->database->dbms_name());
    return keep_session(std::move(session), handle);
}

int web_login(void** handle, DBC_LOGIN_INFO* info, const wchar_t* host, const wchar_t* process, long port,
              long read_size, int ssl, long timeout)
{
    http_login_target target;
    target.host = host ? host : L"";
    target.process = process ? process : L"";
    target.port = port;
    target.read_size = read_size;
    target.ssl = ssl != 0;
    target.timeout = timeout;
    http_login_result result;
    std::wstring error;
    if (!http_login(target, result, error))
        return fail(error);
    auto session = std::make_unique<dbc_session>();
    session->vars = std::move(result.vars);
    fill_info(info, *session, static_cast<long>(result.status), result.url);
    return keep_session(std::move(session), handle);
}

}  // namespace

void dbc_connect_set_userdetails(const wchar_t* user, const wchar_t* password, bool remember,
                                 const wchar_t* server_user, const wchar_t* server_password,
                                 bool server_remember)
{
    set_http_user_details(user, password, remember, server_user, server_password, server_remember);
}

int dbc_LoginUser(const wchar_t* connect_text, void** handle, HWND window, DBC_LOGIN_INFO* info,
                  int http, const wchar_t* host, const wchar_t* process, long port, long read_size,
                  int ssl, long timeout, int driver_completion, int read_vars, int reserved)
{
    if (!handle)
        return fail(L"dbc_LoginUser needs a place for the login handle");
    *handle = nullptr;
    if (reserved != 0)
        return fail(L"dbc_LoginUser: the last argument is reserved and must be 0");
    return http ? web_login(handle, info, host, process, port, read_size, ssl, timeout)
                : lan_login(connect_text, handle, window, info, timeout, driver_completion, read_vars);
}

int dbcVars_GetVar(void* handle, const wchar_t* name, DBC_VAR* var)
{
    std::lock_guard guard(state().lock);
    dbc_session* session = find_session(handle);
    if (!session) {
        state().last_error = handle ? L"Unknown login handle" : L"No login handle";
        return 0;
    }
    const std::wstring wanted = name ? name : L"";
    const auto found = session->vars.find(wanted);
    if (found == session->vars.end()) {
        session->last_error = L"The server has no variable " + wanted;
        state().last_error = session->last_error;
        return 0;
    }
    if (var) {
        var->int_value = found->second.int_value;
        copy_cut(found->second.text, var->text_value, dbc_var_text_size);
    }
    return 1;
}

wchar_t* dbc_LastError(void* handle, wchar_t* buffer, int size)
{
    if (!buffer || size <= 0)
        return buffer;
    std::lock_guard guard(state().lock);
    const dbc_session* session = handle ? find_session(handle) : nullptr;
    const std::wstring& text = session ? session->last_error
                               : handle ? std::wstring(L"Unknown login handle")
                                        : state().last_error;
    copy_cut(text, buffer, static_cast<size_t>(size));
    return buffer;
}

#pragma once
// Logins of the client library: on the local network through ODBC, or through the server's HTTP
// gateway. A successful login gives a handle that owns the server's variables; the handle lives
// until the process ends (the library closes what it holds then), so callers simply forget it.

#include <windows.h>

constexpr int dbc_var_text_size = 1024;   // a longer variable text is cut to fit
constexpr int dbc_last_error_size = 512;  // what callers give dbc_LastError

// One server variable: every variable has an integer and a text form.
struct DBC_VAR {
    long int_value;
    wchar_t text_value[dbc_var_text_size];
};

// What a successful login tells besides its handle.
struct DBC_LOGIN_INFO {
    long variable_count;  // server variables the handle owns
    long http_status;     // the gateway's HTTP status; 0 for a LAN login
    wchar_t server[260];  // the gateway's address, or the database system's name; cut to fit
};

// Keeps the user details for the next HTTP login: the PLAXOR user and password with the
// "remember" wish passed to the gateway, and the logon to the web server in front of it (empty
// when there is none). The server remember flag is kept for the caller's interface; every login
// sends the server logon again when asked for it.
void dbc_connect_set_userdetails(const wchar_t* user, const wchar_t* password, bool remember,
                                 const wchar_t* server_user, const wchar_t* server_password,
                                 bool server_remember);

// Logs in. HTTP (`http` non-zero): POSTs the login of the last user details to
// http(s)://host:port + process (https when `ssl` is non-zero) with the vorn_cURL settings;
// `timeout` seconds, when not 0, replaces their transfer timeout; `read_size` is passed to the
// gateway and sizes the reads. LAN: connects through ODBC with `connect_text`, `timeout` being
// the login timeout and `driver_completion` the SQLDriverConnect mode (0: never prompt, which
// is all that `window` is for otherwise), and with `read_vars` non-zero reads the table
// plx_vars(name, int_value, text_value). `reserved` must be 0.
// Non-zero on success with *handle set; 0 with *handle null and the reason in dbc_LastError.
int dbc_LoginUser(const wchar_t* connect_text, void** handle, HWND window, DBC_LOGIN_INFO* info,
                  int http, const wchar_t* host, const wchar_t* process, long port, long read_size,
                  int ssl, long timeout, int driver_completion, int read_vars, int reserved);

// Non-zero when the login of `handle` brought the variable `name`; `var` then holds it.
// Otherwise 0, with the reason as the handle's last error.
int dbcVars_GetVar(void* handle, const wchar_t* name, DBC_VAR* var);

// The text of the handle's last failure, or of the process's last failure when `handle` is
// null, cut to fit `size` wide characters (terminator included). Returns the buffer.
wchar_t* dbc_LastError(void* handle, wchar_t* buffer, int size);

#pragma once
// A LAN login: an ODBC connection to the server's database, and its table of server variables
// plx_vars(name, int_value, text_value).

#include "vorn/dbc_server_vars.h"

#include <windows.h>

#include <sql.h>

#include <string>

class odbc_connection {
public:
    odbc_connection() = default;
    ~odbc_connection();
    odbc_connection(const odbc_connection&) = delete;
    odbc_connection& operator=(const odbc_connection&) = delete;

    // SQLDriverConnectW with the connect text as given and `timeout` seconds (0: the driver's
    // own) as the login timeout. False with ODBC's diagnostic text.
    bool connect(const wchar_t* connect_text, HWND window, SQLUSMALLINT completion, long timeout,
                 std::wstring& error);
    // The database system's name, for the login's out-record.
    std::wstring dbms_name() const;
    bool read_vars(dbc_server_vars& vars, std::wstring& error);

private:
    SQLHENV m_environment = SQL_NULL_HENV;
    SQLHDBC m_connection = SQL_NULL_HDBC;
    bool m_connected = false;
};

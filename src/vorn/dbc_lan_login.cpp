#include "vorn/dbc_lan_login.h"

#include "vorn/dbc_login_answer.h"

#include <sqlext.h>

#include <vector>

namespace {

// Every diagnostic record of the handle, as "message (SQLSTATE xxxxx)" joined by "; ".
std::wstring diagnostics(SQLSMALLINT type, SQLHANDLE handle, const wchar_t* fallback)
{
    std::wstring text;
    for (SQLSMALLINT record = 1; record <= 8; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[SQL_MAX_MESSAGE_LENGTH] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN result = SQLGetDiagRecW(type, handle, record, state, &native, message,
                                                SQL_MAX_MESSAGE_LENGTH, &length);
        if (!SQL_SUCCEEDED(result))
            break;
        if (!text.empty())
            text += L"; ";
        text += reinterpret_cast<const wchar_t*>(message);
        text += L" (SQLSTATE ";
        text += reinterpret_cast<const wchar_t*>(state);
        text += L")";
    }
    return text.empty() ? std::wstring(fallback) : text;
}

class statement {
public:
    explicit statement(SQLHDBC connection)
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &m_handle)))
            m_handle = SQL_NULL_HSTMT;
    }
    ~statement()
    {
        if (m_handle != SQL_NULL_HSTMT)
            SQLFreeHandle(SQL_HANDLE_STMT, m_handle);
    }
    statement(const statement&) = delete;
    statement& operator=(const statement&) = delete;
    SQLHSTMT get() const { return m_handle; }

private:
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
};

std::wstring text_column(SQLHSTMT handle, SQLUSMALLINT column)
{
    std::vector<SQLWCHAR> buffer(4096, 0);
    SQLLEN indicator = 0;
    const SQLRETURN result = SQLGetData(handle, column, SQL_C_WCHAR, buffer.data(),
                                        static_cast<SQLLEN>(buffer.size() * sizeof(SQLWCHAR)), &indicator);
    if (!SQL_SUCCEEDED(result) || indicator == SQL_NULL_DATA)
        return {};
    buffer.back() = 0;  // a longer text comes back cut, and is cut further by DBC_VAR
    return reinterpret_cast<const wchar_t*>(buffer.data());
}

long long_column(SQLHSTMT handle, SQLUSMALLINT column)
{
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    const SQLRETURN result = SQLGetData(handle, column, SQL_C_SLONG, &value, 0, &indicator);
    return SQL_SUCCEEDED(result) && indicator != SQL_NULL_DATA ? static_cast<long>(value) : 0;
}

}  // namespace

odbc_connection::~odbc_connection()
{
    if (m_connected)
        SQLDisconnect(m_connection);
    if (m_connection != SQL_NULL_HDBC)
        SQLFreeHandle(SQL_HANDLE_DBC, m_connection);
    if (m_environment != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, m_environment);
}

bool odbc_connection::connect(const wchar_t* connect_text, HWND window, SQLUSMALLINT completion,
                              long timeout, std::wstring& error)
{
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_environment))) {
        m_environment = SQL_NULL_HENV;
        error = L"ODBC is not available on this workstation";
        return false;
    }
    SQLSetEnvAttr(m_environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, m_environment, &m_connection))) {
        error = diagnostics(SQL_HANDLE_ENV, m_environment, L"ODBC could not make a connection");
        m_connection = SQL_NULL_HDBC;
        return false;
    }
    if (timeout > 0)
        SQLSetConnectAttrW(m_connection, SQL_ATTR_LOGIN_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeout)), 0);
    // The completed connect text is not kept: it may hold the password.
    SQLWCHAR completed[1024];
    SQLSMALLINT completed_length = 0;
    std::wstring text = connect_text ? connect_text : L"";
    const SQLRETURN result = SQLDriverConnectW(m_connection, window, reinterpret_cast<SQLWCHAR*>(text.data()),
                                               SQL_NTS, completed, 1024, &completed_length, completion);
    SecureZeroMemory(completed, sizeof(completed));
    if (!SQL_SUCCEEDED(result)) {
        error = result == SQL_NO_DATA ? std::wstring(L"The ODBC login was cancelled")
                                      : diagnostics(SQL_HANDLE_DBC, m_connection, L"The ODBC login failed");
        return false;
    }
    m_connected = true;
    return true;
}

std::wstring odbc_connection::dbms_name() const
{
    SQLWCHAR name[128] = {};
    SQLSMALLINT length = 0;
    if (!m_connected || !SQL_SUCCEEDED(SQLGetInfoW(m_connection, SQL_DBMS_NAME, name, sizeof(name), &length)))
        return {};
    return reinterpret_cast<const wchar_t*>(name);
}

bool odbc_connection::read_vars(dbc_server_vars& vars, std::wstring& error)
{
    statement query(m_connection);
    if (query.get() == SQL_NULL_HSTMT) {
        error = diagnostics(SQL_HANDLE_DBC, m_connection, L"ODBC could not make a statement");
        return false;
    }
    wchar_t select[] = L"SELECT name, int_value, text_value FROM plx_vars";
    if (!SQL_SUCCEEDED(SQLExecDirectW(query.get(), reinterpret_cast<SQLWCHAR*>(select), SQL_NTS))) {
        error = diagnostics(SQL_HANDLE_STMT, query.get(), L"The server variables could not be read");
        return false;
    }
    for (;;) {
        const SQLRETURN fetched = SQLFetch(query.get());
        if (fetched == SQL_NO_DATA)
            return true;
        if (!SQL_SUCCEEDED(fetched)) {
            error = diagnostics(SQL_HANDLE_STMT, query.get(), L"The server variables could not be read");
            return false;
        }
        const std::wstring name = text_column(query.get(), 1);
        dbc_server_var var;
        var.int_value = long_column(query.get(), 2);
        var.text = text_column(query.get(), 3);
        if (!check_server_var(name, var, error)) {
            vars.clear();
            return false;
        }
        if (!name.empty())
            vars[name] = var;
    }
}

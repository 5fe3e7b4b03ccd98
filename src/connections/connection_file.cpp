// The definition's INI file: two sections, "General" and "httpConn". write_ini writes every key
// in one fixed order, so that a new file lists them in that order; reading a key that is missing
// gives the value below, which for some keys differs on purpose from what a new definition
// starts with (a file without a colour is white, a new definition black).

#include "connections/connection.h"

#include "vorn/vorn_crypt.h"

namespace {

constexpr wchar_t general[] = L"General";
constexpr wchar_t http_conn[] = L"httpConn";

constexpr int text_capacity = 1024;  // so at most 1023 characters of a value come back
constexpr int date_capacity = 260;

class crypt_text {
public:
    explicit crypt_text(char* text) : m_text(text) {}
    ~crypt_text() { dbcCrypt_free(m_text); }
    crypt_text(const crypt_text&) = delete;
    crypt_text& operator=(const crypt_text&) = delete;
    const char* get() const { return m_text; }

private:
    char* m_text;
};

}  // namespace

void connection::read_ini()
{
    m_login_type = get_int(general, L"logonex", login_type_lan);
    if (m_login_type < login_type_lan)
        m_login_type = login_type_lan;
    if (m_login_type > login_type_http)
        m_login_type = login_type_http;
    m_name = get_string(general, L"conn_name", L"");
    if (m_name.is_empty())
        m_name = file_stem;
    m_seed = get_string(general, L"conn_seed", L"");
    get_date(general, L"conn_lastlogin", m_last_login);
    m_colour = static_cast<COLORREF>(get_int(general, L"conn_colour", static_cast<int>(s_def_colour)));
    m_connection_type = get_string(general, L"conntype", L"");
    m_trusted = get_bool(general, L"trusted", false);
    m_encrypted = get_bool(general, L"encrypted", true);
    m_always_prompt = get_bool(general, L"alwaysprompt", false);
    m_connect_text = get_string(general, L"connformat", L"");
    m_connection_length = get_int(general, L"connectionlen", 0);
    m_timeout = get_int(general, L"timeout", 6);
    m_connection = get_string(general, L"connection", L"");
    m_database_type = get_string(general, L"dbtype", L"");
    m_server = get_string(general, L"server", L"");
    m_database = get_string(general, L"database", L"");
    m_database_driver = get_string(general, L"dbdriver", L"");
    m_last_user = get_string(general, L"lastuser", L"");
    m_dsn_name = get_string(general, L"dsnname", L"");

    m_user_name = get_string(http_conn, L"userName", L"");
    m_remember_password = get_bool(http_conn, L"remember password", false);
    m_password = get_string_password(http_conn, L"password", L"");
    m_ssl = get_bool(http_conn, L"ssl", false);
    m_user_server_logon = get_bool(http_conn, L"user server logon", true);
    m_server_user_name = get_string(http_conn, L"serverUserName", L"");
    m_server_remember_password = get_bool(http_conn, L"server remember password", false);
    m_server_password = get_string_password(http_conn, L"serverPassword", L"");
    m_network_user = get_string(http_conn, L"NW user", L"");
    m_host_name = get_string(http_conn, L"hostName", L"");
    m_process = get_string(http_conn, L"process", L"");
    m_port = get_int(http_conn, L"port", 80);
    m_read_size = get_int(http_conn, L"readSize", 16384);
    m_plot_only = get_bool(http_conn, L"plot only", false);
}

void connection::write_ini()
{
    set_int(general, L"logonex", m_login_type);
    // A name that only repeats the file's name is not stored: renaming the file renames it.
    set_string(general, L"conn_name", m_name.compare_no_case(file_stem) ? vorn_buffer() : m_name);
    set_string(general, L"conn_seed", m_seed);
    set_date(general, L"conn_lastlogin", &m_last_login);
    set_int(general, L"conn_colour", static_cast<int>(m_colour));
    set_string(general, L"conntype", m_connection_type);
    set_bool(general, L"trusted", m_trusted);
    set_bool(general, L"encrypted", m_encrypted);
    set_bool(general, L"alwaysprompt", m_always_prompt);
    set_string(general, L"connformat", m_connect_text);
    set_int(general, L"connectionlen", m_connection_length);
    set_int(general, L"timeout", m_timeout);
    set_string(general, L"connection", m_connection);
    set_string(general, L"dbtype", m_database_type);
    set_string(general, L"server", m_server);
    set_string(general, L"database", m_database);
    set_string(general, L"dbdriver", m_database_driver);
    set_string(general, L"lastuser", m_last_user);
    set_string(general, L"dsnname", m_dsn_name);

    set_string(http_conn, L"userName", m_user_name);
    set_bool(http_conn, L"remember password", m_remember_password);
    // Passwords are stored whatever the remember flags say, and always enciphered.
    set_string_password(http_conn, L"password", m_password);
    set_bool(http_conn, L"ssl", m_ssl);
    set_bool(http_conn, L"user server logon", m_user_server_logon);
    set_string(http_conn, L"serverUserName", m_server_user_name);
    set_bool(http_conn, L"server remember password", m_server_remember_password);
    set_string_password(http_conn, L"serverPassword", m_server_password);
    set_string(http_conn, L"NW user", m_network_user);
    set_string(http_conn, L"hostName", m_host_name);
    set_string(http_conn, L"process", m_process);
    set_int(http_conn, L"port", m_port);
    set_int(http_conn, L"readSize", m_read_size);
    set_bool(http_conn, L"plot only", m_plot_only);
}

// The value operations never fall back on the platform's default file (win.ini) for a
// definition without a file: reading gives the fallback, writing does nothing.

void connection::set_string(const wchar_t* section, const wchar_t* key, const vorn_buffer& value) const
{
    if (!ini_path.is_empty())
        WritePrivateProfileStringW(section, key, value, ini_path);
}

void connection::set_int(const wchar_t* section, const wchar_t* key, int value) const
{
    set_string(section, key, vorn_buffer(static_cast<long>(value)));
}

void connection::set_bool(const wchar_t* section, const wchar_t* key, bool value) const
{
    set_string(section, key, value ? L"1" : L"0");
}

void connection::set_date(const wchar_t* section, const wchar_t* key, const TIMESTAMP_STRUCT* value) const
{
    wchar_t text[date_capacity] = {};
    if (value && value->year != 0)
        dbc_formatDate(value, text, date_capacity, dbc_date_style_stored);
    set_string(section, key, text);
}

void connection::set_string_password(const wchar_t* section, const wchar_t* key, const wchar_t* plain) const
{
    vorn_buffer stored;
    if (plain && *plain) {
        const vorn_buffer wide(plain);
        const crypt_text cipher(dbcCrypt_encrypt(nullptr, wide.convert_to_ansi()));
        // Never store the password in the clear, nor wipe the one stored: the file keeps it.
        if (!cipher.get())
            return;
        stored.makeFrom(cipher.get(), 0);
    }
    set_string(section, key, stored);
}

vorn_buffer connection::get_string(const wchar_t* section, const wchar_t* key, const wchar_t* fallback) const
{
    if (ini_path.is_empty())
        return fallback;
    wchar_t text[text_capacity];
    text[0] = L'\0';
    GetPrivateProfileStringW(section, key, fallback, text, text_capacity, ini_path);
    return text;
}

int connection::get_int(const wchar_t* section, const wchar_t* key, int fallback) const
{
    if (ini_path.is_empty())
        return fallback;
    return static_cast<int>(GetPrivateProfileIntW(section, key, fallback, ini_path));
}

bool connection::get_bool(const wchar_t* section, const wchar_t* key, bool fallback) const
{
    return get_int(section, key, fallback ? 1 : 0) != 0;
}

void connection::get_date(const wchar_t* section, const wchar_t* key, TIMESTAMP_STRUCT& value) const
{
    value = {};
    const vorn_buffer text = get_string(section, key, L"");
    if (!text.is_empty())
        dbc_assignDate(text, &value);
}

vorn_buffer connection::get_string_password(const wchar_t* section, const wchar_t* key, const wchar_t* fallback) const
{
    const vorn_buffer stored = get_string(section, key, fallback);
    vorn_buffer plain;
    if (stored.is_empty())
        return plain;
    const crypt_text deciphered(dbcCrypt_decrypt(nullptr, stored.convert_to_ansi()));
    if (deciphered.get())
        plain.makeFrom(deciphered.get(), 0);
    return plain;
}

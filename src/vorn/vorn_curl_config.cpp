// The transport's settings and their place in the library's settings file (section "cURL").

#include "vorn/dbc_settings_file.h"
#include "vorn/vorn_crypt.h"
#include "vorn/vorn_curl.h"

#include <windows.h>

#include <string>

vorn_buffer vorn_cURL::m_setting_proxy;
vorn_buffer vorn_cURL::m_setting_proxy_user;
vorn_buffer vorn_cURL::m_setting_proxy_password;
vorn_buffer vorn_cURL::m_setting_user_agent;
long vorn_cURL::m_setting_proxy_port = 1080;
long vorn_cURL::m_setting_conn_timeout = vorn_cURL::default_conn_timeout;
long vorn_cURL::m_setting_timeout = vorn_cURL::default_timeout;
long vorn_cURL::m_setting_tcp_nodelay = 1;
long vorn_cURL::m_ssl_no_revoke = 0;
long vorn_cURL::m_ssl_allow_beast = 0;
long vorn_cURL::m_httpAuth = vorn_auth_any;
bool vorn_cURL::m_setting_proxy_use_cred = false;
vorn_cURL_debug_target* vorn_cURL::m_target = nullptr;
FILE* vorn_cURL::m_debug_stream = nullptr;

namespace {

constexpr wchar_t section[] = L"cURL";
constexpr int text_size = 1024;

std::wstring settings_path()
{
    wchar_t path[MAX_PATH];
    return dbc_getIniFilePath(path, MAX_PATH) ? std::wstring(path) : std::wstring();
}

vorn_buffer read_text(const std::wstring& file, const wchar_t* key)
{
    wchar_t text[text_size];
    GetPrivateProfileStringW(section, key, L"", text, text_size, file.c_str());
    return vorn_buffer(text);
}

long read_long(const std::wstring& file, const wchar_t* key, long fallback)
{
    // GetPrivateProfileIntW gives UINT: the cast back keeps negative masks such as -17.
    return static_cast<long>(GetPrivateProfileIntW(section, key, static_cast<INT>(fallback), file.c_str()));
}

vorn_buffer read_password(const std::wstring& file, const wchar_t* key)
{
    const vorn_buffer stored = read_text(file, key);
    if (stored.is_empty())
        return {};
    char* plain = dbcCrypt_decrypt(nullptr, stored.convert_to_ansi());
    vorn_buffer password;
    if (plain)  // a text that does not decipher reads as no password
        password.makeFrom(plain, 0);
    dbcCrypt_free(plain);
    return password;
}

void write_text(const std::wstring& file, const wchar_t* key, const wchar_t* text)
{
    WritePrivateProfileStringW(section, key, text, file.c_str());
}

void write_long(const std::wstring& file, const wchar_t* key, long value)
{
    write_text(file, key, std::to_wstring(value).c_str());
}

void write_password(const std::wstring& file, const wchar_t* key, const vorn_buffer& password)
{
    vorn_buffer stored;
    if (!password.is_empty()) {
        char* cipher = dbcCrypt_encrypt(nullptr, password.convert_to_ansi());
        if (!cipher)
            return;  // never store the password in the clear; the file keeps its old value
        stored.makeFrom(cipher, 0);
        dbcCrypt_free(cipher);
    }
    write_text(file, key, stored);
}

// The settings are static members that the configuration dialog reads directly, so they are
// read from the file while the program starts, before anything can look at them.
[[maybe_unused]] const bool loaded_at_start = (vorn_cURL::read_config(), true);

}  // namespace

void vorn_cURL::read_config()
{
    const std::wstring file = settings_path();
    m_setting_proxy = read_text(file, L"proxy");
    m_setting_proxy_port = read_long(file, L"proxy_port", 1080);
    m_setting_proxy_use_cred = read_long(file, L"proxy_use_cred", 0) != 0;
    m_setting_proxy_user = read_text(file, L"proxy_user");
    m_setting_proxy_password = read_password(file, L"proxy_password");
    m_setting_conn_timeout = read_long(file, L"conn_timeout", default_conn_timeout);
    m_setting_timeout = read_long(file, L"timeout", default_timeout);
    m_httpAuth = read_long(file, L"http_auth", vorn_auth_any);
    m_setting_user_agent = read_text(file, L"user_agent");
    m_setting_tcp_nodelay = read_long(file, L"tcp_nodelay", 1);
    m_ssl_no_revoke = read_long(file, L"ssl_no_revoke", 0);
    m_ssl_allow_beast = read_long(file, L"ssl_allow_beast", 0);
}

void vorn_cURL::write_config()
{
    const std::wstring file = settings_path();
    if (file.empty() || !dbc_createIniFolder())
        return;
    write_text(file, L"proxy", m_setting_proxy);
    write_long(file, L"proxy_port", m_setting_proxy_port);
    write_long(file, L"proxy_use_cred", m_setting_proxy_use_cred ? 1 : 0);
    write_text(file, L"proxy_user", m_setting_proxy_user);
    write_password(file, L"proxy_password", m_setting_proxy_password);
    write_long(file, L"conn_timeout", m_setting_conn_timeout);
    write_long(file, L"timeout", m_setting_timeout);
    write_long(file, L"http_auth", m_httpAuth);
    write_text(file, L"user_agent", m_setting_user_agent);
    write_long(file, L"tcp_nodelay", m_setting_tcp_nodelay);
    write_long(file, L"ssl_no_revoke", m_ssl_no_revoke);
    write_long(file, L"ssl_allow_beast", m_ssl_allow_beast);
}

// The transport's settings and their place in the library's settings file (section "cURL").

#include "vorn/dbc_settings_file.h"
#include "vorn/vorn_crypt.h"
#include "vorn/vorn_curl.h"
#include "vorn/vorn_profile_draft.h"

#include <windows.h>

#include <mutex>
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

// A stored proxy password that does not decipher (changed by hand, or from another library) reads
// as no password, but stays in the file as it is until a new one is set: saving some other setting
// must not erase it. Guarded by load_lock.
vorn_buffer g_undeciphered_password;

vorn_buffer read_password(const std::wstring& file, const wchar_t* key)
{
    g_undeciphered_password.empty();
    const vorn_buffer stored = read_text(file, key);
    if (stored.is_empty())
        return {};
    char* plain = dbcCrypt_decrypt(nullptr, stored.convert_to_ansi());
    vorn_buffer password;
    if (plain)
        password.makeFrom(plain, 0);
    else
        g_undeciphered_password = stored;
    dbcCrypt_free(plain);
    return password;
}

bool write_text(vorn_profile_draft& draft, const wchar_t* key, const wchar_t* text)
{
    return draft.write(section, key, text);
}

bool write_long(vorn_profile_draft& draft, const wchar_t* key, long value)
{
    return write_text(draft, key, std::to_wstring(value).c_str());
}

bool write_password(vorn_profile_draft& draft, const wchar_t* key, const vorn_buffer& password)
{
    vorn_buffer stored = g_undeciphered_password;
    if (!password.is_empty()) {
        char* cipher = dbcCrypt_encrypt(nullptr, password.convert_to_ansi());
        if (!cipher)
            return false;  // never store the password in the clear; the file keeps its old value
        stored.makeFrom(cipher, 0);
        dbcCrypt_free(cipher);
    }
    return write_text(draft, key, stored);
}

bool write_settings(vorn_profile_draft& draft)
{
    return write_text(draft, L"proxy", vorn_cURL::m_setting_proxy) &&
           write_long(draft, L"proxy_port", vorn_cURL::m_setting_proxy_port) &&
           write_long(draft, L"proxy_use_cred", vorn_cURL::m_setting_proxy_use_cred ? 1 : 0) &&
           write_text(draft, L"proxy_user", vorn_cURL::m_setting_proxy_user) &&
           write_password(draft, L"proxy_password", vorn_cURL::m_setting_proxy_password) &&
           write_long(draft, L"conn_timeout", vorn_cURL::m_setting_conn_timeout) &&
           write_long(draft, L"timeout", vorn_cURL::m_setting_timeout) &&
           write_long(draft, L"http_auth", vorn_cURL::m_httpAuth) &&
           write_text(draft, L"user_agent", vorn_cURL::m_setting_user_agent) &&
           write_long(draft, L"tcp_nodelay", vorn_cURL::m_setting_tcp_nodelay) &&
           write_long(draft, L"ssl_no_revoke", vorn_cURL::m_ssl_no_revoke) &&
           write_long(draft, L"ssl_allow_beast", vorn_cURL::m_ssl_allow_beast);
}

// Whether the settings hold what the file held or what a caller stored; guarded by load_lock.
std::mutex load_lock;
bool config_loaded = false;

void load_settings()
{
    const std::wstring file = settings_path();
    vorn_cURL::m_setting_proxy = read_text(file, L"proxy");
    vorn_cURL::m_setting_proxy_port = read_long(file, L"proxy_port", 1080);
    vorn_cURL::m_setting_proxy_use_cred = read_long(file, L"proxy_use_cred", 0) != 0;
    vorn_cURL::m_setting_proxy_user = read_text(file, L"proxy_user");
    vorn_cURL::m_setting_proxy_password = read_password(file, L"proxy_password");
    vorn_cURL::m_setting_conn_timeout = read_long(file, L"conn_timeout", vorn_cURL::default_conn_timeout);
    vorn_cURL::m_setting_timeout = read_long(file, L"timeout", vorn_cURL::default_timeout);
    vorn_cURL::m_httpAuth = read_long(file, L"http_auth", vorn_auth_any);
    vorn_cURL::m_setting_user_agent = read_text(file, L"user_agent");
    vorn_cURL::m_setting_tcp_nodelay = read_long(file, L"tcp_nodelay", 1);
    vorn_cURL::m_ssl_no_revoke = read_long(file, L"ssl_no_revoke", 0);
    vorn_cURL::m_ssl_allow_beast = read_long(file, L"ssl_allow_beast", 0);
}

}  // namespace

void vorn_cURL::ensure_config_loaded()
{
    std::lock_guard guard(load_lock);
    if (!config_loaded)
        load_settings();
    config_loaded = true;
}

void vorn_cURL::read_config()
{
    std::lock_guard guard(load_lock);
    load_settings();
    config_loaded = true;
}

bool vorn_cURL::write_config()
{
    std::lock_guard guard(load_lock);
    config_loaded = true;
    const std::wstring file = settings_path();
    if (file.empty() || !dbc_createIniFolder())
        return false;
    vorn_profile_draft draft(file);
    if (draft.path().empty() || !write_settings(draft) || !draft.replace_file())
        return false;
    if (!m_setting_proxy_password.is_empty())
        g_undeciphered_password.empty();  // replaced in the file
    return true;
}

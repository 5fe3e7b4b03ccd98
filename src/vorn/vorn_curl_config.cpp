// The transport's settings and their place in the library's settings file (section "cURL").

#include "vorn/dbc_settings_file.h"
#include "vorn/vorn_crypt.h"
#include "vorn/vorn_curl.h"

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

bool write_text(const std::wstring& file, const wchar_t* key, const wchar_t* text)
{
    return WritePrivateProfileStringW(section, key, text, file.c_str()) != FALSE;
}

bool write_long(const std::wstring& file, const wchar_t* key, long value)
{
    return write_text(file, key, std::to_wstring(value).c_str());
}

bool write_password(const std::wstring& file, const wchar_t* key, const vorn_buffer& password)
{
    vorn_buffer stored;
    if (!password.is_empty()) {
        char* cipher = dbcCrypt_encrypt(nullptr, password.convert_to_ansi());
        if (!cipher)
            return false;  // never store the password in the clear; the file keeps its old value
        stored.makeFrom(cipher, 0);
        dbcCrypt_free(cipher);
    }
    return write_text(file, key, stored);
}

// The settings are written into a copy of the file beside it, which replaces the file only once
// every one of them is in: a failure half-way leaves the file as it was, not half old, half new.
class settings_draft {
public:
    explicit settings_draft(const std::wstring& file) : m_file(file)
    {
        // A read-only file is not to be changed. Windows would refuse to write it anyway; Wine
        // lets an administrator do it, so it is asked here.
        const DWORD attributes = GetFileAttributesW(file.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            return;
        const std::wstring folder = file.substr(0, file.find_last_of(L'\\'));
        wchar_t draft[MAX_PATH];
        if (!GetTempFileNameW(folder.c_str(), L"dbc", 0, draft))
            return;
        m_draft = draft;
        // The copy keeps whatever else the file holds; a missing file starts the draft empty.
        if (!CopyFileW(file.c_str(), draft, FALSE) && GetLastError() != ERROR_FILE_NOT_FOUND)
            discard();
    }
    ~settings_draft() { discard(); }
    settings_draft(const settings_draft&) = delete;
    settings_draft& operator=(const settings_draft&) = delete;

    // Empty when no draft could be made.
    const std::wstring& path() const { return m_draft; }

    bool replace_file()
    {
        if (m_draft.empty() ||
            !MoveFileExW(m_draft.c_str(), m_file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return false;
        m_draft.clear();
        return true;
    }

private:
    void discard()
    {
        if (!m_draft.empty())
            DeleteFileW(m_draft.c_str());
        m_draft.clear();
    }

    std::wstring m_file;
    std::wstring m_draft;
};

bool write_settings(const std::wstring& file)
{
    return write_text(file, L"proxy", vorn_cURL::m_setting_proxy) &&
           write_long(file, L"proxy_port", vorn_cURL::m_setting_proxy_port) &&
           write_long(file, L"proxy_use_cred", vorn_cURL::m_setting_proxy_use_cred ? 1 : 0) &&
           write_text(file, L"proxy_user", vorn_cURL::m_setting_proxy_user) &&
           write_password(file, L"proxy_password", vorn_cURL::m_setting_proxy_password) &&
           write_long(file, L"conn_timeout", vorn_cURL::m_setting_conn_timeout) &&
           write_long(file, L"timeout", vorn_cURL::m_setting_timeout) &&
           write_long(file, L"http_auth", vorn_cURL::m_httpAuth) &&
           write_text(file, L"user_agent", vorn_cURL::m_setting_user_agent) &&
           write_long(file, L"tcp_nodelay", vorn_cURL::m_setting_tcp_nodelay) &&
           write_long(file, L"ssl_no_revoke", vorn_cURL::m_ssl_no_revoke) &&
           write_long(file, L"ssl_allow_beast", vorn_cURL::m_ssl_allow_beast);
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
    settings_draft draft(file);
    return !draft.path().empty() && write_settings(draft.path()) && draft.replace_file();
}

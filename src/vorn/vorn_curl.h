#pragma once
// The client library's HTTP transport. Its settings keep libcurl's option values, because the
// settings file and the configuration dialog speak them; the exchange itself runs on WinHTTP.

#include "vorn/vorn_buffer.h"

#include <cstdio>
#include <string>

// The kinds of debug output, numbered as libcurl's debug callback numbers them.
enum vorn_cURL_debug_kind : int {
    vorn_debug_info = 0,
    vorn_debug_header_in = 1,
    vorn_debug_header_out = 2,
    vorn_debug_data_in = 3,
    vorn_debug_data_out = 4,
};

// Receives the transport's debug output while it is vorn_cURL::m_target. Credentials never
// reach it: they are masked before.
class vorn_cURL_debug_target {
public:
    virtual ~vorn_cURL_debug_target() = default;
    // One piece of the exchange of the given kind; each piece ends with a line break ("\r\n").
    virtual void debug_output(int kind, const wchar_t* text) = 0;
};

// libcurl's CURLAUTH_* values, which m_httpAuth holds.
constexpr long vorn_auth_basic = 1;
constexpr long vorn_auth_digest = 2;
constexpr long vorn_auth_negotiate = 4;
constexpr long vorn_auth_ntlm = 8;
constexpr long vorn_auth_digest_ie = 16;
constexpr long vorn_auth_ntlm_wb = 32;
constexpr long vorn_auth_only = static_cast<long>(0x80000000UL);
constexpr long vorn_auth_any = -17;
constexpr long vorn_auth_anysafe = -18;

// One POST to a web server.
struct vorn_cURL_request {
    std::wstring host;
    long port = 0;           // 0: the scheme's own
    std::wstring path;       // begins with '/'
    bool secure = false;     // https
    std::wstring server_user;      // the web server's logon, sent only when it asks for one;
    std::wstring server_password;  // empty user: none
    std::wstring content_type;
    std::wstring accept;
    std::string body;             // sent as it is
    unsigned long read_size = 0;  // bytes per read; 0: the library's choice
    long timeout = 0;             // seconds for the whole exchange; 0: m_setting_timeout
};

struct vorn_cURL_response {
    unsigned long status = 0;
    std::wstring reason;
    std::string body;
};

class vorn_cURL {
public:
    // The largest answer taken; a longer one fails the exchange.
    static constexpr unsigned long max_body_size = 1024 * 1024;
    // What 0 in a timeout setting stands for, in seconds: no exchange waits forever.
    static constexpr long default_conn_timeout = 30;
    static constexpr long default_timeout = 120;

    // The settings. They are plain statics that the transport's dialogs read and change in place,
    // so they cannot load themselves when touched: ensure_config_loaded() loads them from the
    // library's settings file once, at their first use, and whatever reads or changes them calls
    // it first. The library's own entry points (post, and so every HTTP login) do.
    static vorn_buffer m_setting_proxy;  // empty: no proxy
    static vorn_buffer m_setting_proxy_user;
    // Plain here; enciphered in the file. Empty too when the stored one does not decipher: that
    // one is then stored back as it was until a new password replaces it.
    static vorn_buffer m_setting_proxy_password;
    static vorn_buffer m_setting_user_agent;      // empty: the library's own
    static long m_setting_proxy_port;
    static long m_setting_conn_timeout;  // seconds
    static long m_setting_timeout;       // seconds, the whole exchange
    static long m_setting_tcp_nodelay;   // kept for the settings; see vorn_curl_post.cpp
    static long m_ssl_no_revoke;         // 1: no revocation check of the server's certificate
    static long m_ssl_allow_beast;       // kept for the settings; see vorn_curl_post.cpp
    static long m_httpAuth;              // CURLAUTH_* mask for the web server's logon
    static bool m_setting_proxy_use_cred;

    static vorn_cURL_debug_target* m_target;  // not owned
    static FILE* m_debug_stream;              // not owned

    // Loads the settings from the settings file unless read_config or write_config ran before.
    // Loading at first use rather than at start lets a process choose where the file lies
    // (%APPDATA%) or write it before the library reads it.
    static void ensure_config_loaded();
    // Stores the settings in the library's settings file (dbc_getIniFilePath), all of them or none:
    // false, with the file as it was, when any of them could not be stored. What the settings
    // hold counts as loaded from then on.
    static bool write_config();
    // Replaces the settings by those of the settings file (the defaults where it has none).
    static void read_config();

    // The POST; true with the server's answer (whatever its status), false with the reason.
    static bool post(const vorn_cURL_request& request, vorn_cURL_response& response,
                     std::wstring& error);
};

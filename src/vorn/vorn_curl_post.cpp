// One POST through WinHTTP with the transport's settings: proxy and its logon, the web
// server's logon after a 401, timeouts that bound the whole exchange, a verified TLS channel,
// and the debug output of every step.
//
// Two settings have no WinHTTP counterpart and are only kept, stored and shown:
// - m_setting_tcp_nodelay: WinHTTP owns its sockets and offers no option for Nagle's
//   algorithm; a request goes out in one send, so there is no small write for it to delay.
// - m_ssl_allow_beast: Schannel chooses the protocol and always splits CBC records in TLS 1.0,
//   which is what libcurl's switch would otherwise turn off.

#include "vorn/http_auth_choice.h"
#include "vorn/vorn_base64.h"
#include "vorn/vorn_curl.h"
#include "vorn/vorn_curl_debug.h"
#include "vorn/vorn_curl_mask.h"
#include "vorn/vorn_utf8.h"

#include "win/unique_handle.h"

#include <windows.h>

#include <winhttp.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using unique_hinternet = win::unique_handle<win::handle_traits<HINTERNET, WinHttpCloseHandle>>;

constexpr wchar_t default_user_agent[] = L"PLAXOR-dbclient/1.0";
constexpr unsigned long default_read_size = 16384;
constexpr unsigned long largest_read_size = 512 * 1024;

long seconds_or_default(long seconds, long fallback)
{
    return seconds > 0 ? seconds : fallback;
}

// The end of the whole exchange. Every blocking WinHTTP call gets at most what is left of it,
// so a server that accepts and then says nothing, or trickles, cannot hold a login forever.
class deadline {
public:
    explicit deadline(long seconds) : m_end(GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000) {}
    bool passed() const { return GetTickCount64() >= m_end; }
    // At least 1: WinHTTP reads 0 as "no timeout".
    int remaining_ms() const
    {
        const ULONGLONG now = GetTickCount64();
        return now >= m_end ? 1 : static_cast<int>(std::min<ULONGLONG>(m_end - now, 0x7FFFFFFF));
    }

private:
    ULONGLONG m_end;
};

// What WinHTTP tells through its status callback; the callback runs on the calling thread
// during the synchronous calls, and the debug output is written after them.
struct exchange_events {
    DWORD secure_failure_flags = 0;
    std::wstring connected_to;
};

void CALLBACK on_status(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD info_length)
{
    auto* events = reinterpret_cast<exchange_events*>(context);
    if (!events || !info)
        return;
    if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && info_length >= sizeof(DWORD))
        events->secure_failure_flags |= *static_cast<DWORD*>(info);
    else if (status == WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER)
        events->connected_to = static_cast<const wchar_t*>(info);
}

std::wstring certificate_problem(DWORD flags)
{
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA)
        return L"the server's certificate was issued by an authority that is not trusted";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID)
        return L"the server's certificate is not made out to this host name";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID)
        return L"the server's certificate has expired or is not valid yet";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED)
        return L"the server's certificate has been revoked";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED)
        return L"the revocation of the server's certificate could not be checked";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT)
        return L"the server's certificate is not valid";
    return L"the secure channel could not be set up";
}

class post_exchange {
public:
    post_exchange(const vorn_cURL_request& request, vorn_cURL_response& response, std::wstring& error)
        : m_request(request), m_response(response), m_error(error),
          m_total_seconds(seconds_or_default(request.timeout, seconds_or_default(vorn_cURL::m_setting_timeout, vorn_cURL::default_timeout))),
          m_deadline(m_total_seconds),
          m_connect_ms(1000 * seconds_or_default(vorn_cURL::m_setting_conn_timeout, vorn_cURL::default_conn_timeout)),
          m_read_size(request.read_size ? std::clamp(request.read_size, 1024UL, largest_read_size) : default_read_size)
    {
    }

    bool run();
    // True when the exchange failed because the connection went away before any answer: a
    // kept-alive connection that the server or proxy had closed meanwhile.
    bool lost_connection_before_answer() const { return m_lost_connection && m_response.status == 0; }

private:
    bool open();
    bool send_and_receive();
    bool answer_server_challenge(bool& retry);
    bool answer_proxy_challenge(bool& retry);
    bool read_body(std::string& body);
    void send_proxy_basic_first();
    void apply_timeouts();
    void show_request_headers();
    void show_response_headers();
    std::wstring endpoint() const { return m_request.host + L":" + std::to_wstring(port()); }
    INTERNET_PORT port() const;
    bool fail(const std::wstring& text);
    bool fail_winhttp(DWORD error);

    const vorn_cURL_request& m_request;
    vorn_cURL_response& m_response;
    std::wstring& m_error;
    bool m_lost_connection = false;
    long m_total_seconds;
    deadline m_deadline;
    int m_connect_ms;
    unsigned long m_read_size;
    std::wstring m_proxy;
    std::wstring m_shown_proxy;  // m_proxy without its user info, for texts and debug lines
    exchange_events m_events;
    bool m_proxy_basic_header = false;
    bool m_timeouts_set = false;
    ULONGLONG m_timeouts_set_at = 0;
    unique_hinternet m_session;
    unique_hinternet m_connection;
    unique_hinternet m_handle;
};

INTERNET_PORT post_exchange::port() const
{
    if (m_request.port > 0 && m_request.port <= 65535)
        return static_cast<INTERNET_PORT>(m_request.port);
    return m_request.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
}

bool post_exchange::fail(const std::wstring& text)
{
    m_error = text;
    vorn_debug(vorn_debug_info, text);
    return false;
}

bool post_exchange::fail_winhttp(DWORD error)
{
    const std::wstring code = L" (WinHTTP error " + std::to_wstring(error) + L")";
    const std::wstring via = m_proxy.empty() ? L"" : L" through the proxy " + m_shown_proxy;
    const auto certificate_refused = [&](DWORD problem) {
        return fail(L"Secure connection to " + endpoint() + L" refused: " + certificate_problem(problem) + code);
    };
    switch (error) {
    case WSAETIMEDOUT:  // what Wine's WinHTTP gives for a receive that timed out
    case ERROR_WINHTTP_TIMEOUT:
        return fail(L"No answer from " + endpoint() + via + L" within " + std::to_wstring(m_total_seconds) +
                    L" seconds (WinHTTP error " + std::to_wstring(ERROR_WINHTTP_TIMEOUT) + L")");
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return fail(L"The host name " + (m_proxy.empty() ? m_request.host : m_shown_proxy) + L" could not be resolved" + code);
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return fail(L"Could not connect to " + (m_proxy.empty() ? endpoint() : L"the proxy " + m_shown_proxy) + code);
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case ERROR_WINHTTP_CONNECTION_ERROR:
        m_lost_connection = true;
        return fail(L"The connection to " + endpoint() + via + L" was closed or reset" + code);
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        return fail(L"The answer of " + endpoint() + via + L" is not HTTP" + code);
    case ERROR_WINHTTP_SECURE_INVALID_CA:
        return certificate_refused(WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA);
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
        return certificate_refused(WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID);
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
        return certificate_refused(WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID);
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
        return certificate_refused(WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED);
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
        return certificate_refused(WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED);
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
        return fail(L"Secure connection to " + endpoint() + via + L" refused: " +
                    certificate_problem(m_events.secure_failure_flags) + code);
    default:
        return fail(L"The HTTP exchange with " + endpoint() + via + L" failed" + code);
    }
}

bool post_exchange::open()
{
    const std::wstring agent = vorn_cURL::m_setting_user_agent.is_empty()
                                   ? std::wstring(default_user_agent)
                                   : vorn_cURL::m_setting_user_agent.str();
    // Without a proxy setting the exchange goes direct: neither the system's nor the
    // environment's proxy applies, so that a login behaves the same on every workstation.
    if (!vorn_cURL::m_setting_proxy.is_empty()) {
        const long proxy_port = vorn_cURL::m_setting_proxy_port > 0 ? vorn_cURL::m_setting_proxy_port : 1080;
        m_proxy = vorn_cURL::m_setting_proxy.str() + L":" + std::to_wstring(proxy_port);
        m_shown_proxy = mask_proxy_user_info(m_proxy);
        m_session.reset(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NAMED_PROXY, m_proxy.c_str(),
                                    WINHTTP_NO_PROXY_BYPASS, 0));
    } else {
        m_session.reset(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0));
    }
    if (!m_session)
        return fail_winhttp(GetLastError());

    vorn_debug(vorn_debug_info, L"Connecting to " + endpoint() +
                                    (m_proxy.empty() ? L"" : L" through the proxy " + m_shown_proxy));
    m_connection.reset(WinHttpConnect(m_session.get(), m_request.host.c_str(), port(), 0));
    if (!m_connection)
        return fail_winhttp(GetLastError());
    m_handle.reset(WinHttpOpenRequest(m_connection.get(), L"POST", m_request.path.c_str(), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      m_request.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!m_handle)
        return fail_winhttp(GetLastError());

    // A redirect is an answer to report, not a place to resend a login to.
    DWORD redirects = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    WinHttpSetOption(m_handle.get(), WINHTTP_OPTION_REDIRECT_POLICY, &redirects, sizeof(redirects));
    // Only the logons of the settings are ever sent, never the Windows user's own.
    DWORD autologon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    WinHttpSetOption(m_handle.get(), WINHTTP_OPTION_AUTOLOGON_POLICY, &autologon, sizeof(autologon));
    if (m_request.secure) {
        // The chain and the host name are always verified; only revocation can be left out.
        if (vorn_cURL::m_ssl_no_revoke == 0) {
            DWORD feature = WINHTTP_ENABLE_SSL_REVOCATION;
            WinHttpSetOption(m_handle.get(), WINHTTP_OPTION_ENABLE_FEATURE, &feature, sizeof(feature));
        }
        vorn_debug(vorn_debug_info, vorn_cURL::m_ssl_no_revoke == 0
                                        ? L"TLS: certificate chain, host name and revocation are checked"
                                        : L"TLS: certificate chain and host name are checked, revocation is not");
    }
    send_proxy_basic_first();
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&m_events);
    WinHttpSetOption(m_handle.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context));
    WinHttpSetStatusCallback(m_handle.get(), on_status,
                             WINHTTP_CALLBACK_FLAG_SECURE_FAILURE | WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER, 0);
    return true;
}

// libcurl's way with proxy credentials: Basic goes with the first request, so that a proxy that
// answers 407 and drops the connection before it reads the body still lets us in; a proxy that
// wants another scheme says so in its 407 (answer_proxy_challenge). For plain HTTP the header is
// written here, as not every WinHTTP sends Basic unasked; through an HTTPS tunnel it must reach
// the proxy's CONNECT only, never the server, which only WinHTTP's own credentials do.
void post_exchange::send_proxy_basic_first()
{
    if (m_proxy.empty() || !vorn_cURL::m_setting_proxy_use_cred || vorn_cURL::m_setting_proxy_user.is_empty())
        return;
    if (m_request.secure) {
        WinHttpSetCredentials(m_handle.get(), WINHTTP_AUTH_TARGET_PROXY, WINHTTP_AUTH_SCHEME_BASIC,
                              vorn_cURL::m_setting_proxy_user.as_const_w_buffer(),
                              vorn_cURL::m_setting_proxy_password.as_const_w_buffer(), nullptr);
        return;
    }
    std::string pair = to_utf8(vorn_cURL::m_setting_proxy_user.str() + L":" + vorn_cURL::m_setting_proxy_password.str());
    std::wstring header = L"Proxy-Authorization: Basic " +
                          from_utf8(vorn::to_base64(std::vector<unsigned char>(pair.begin(), pair.end())));
    SecureZeroMemory(pair.data(), pair.size());
    WinHttpAddRequestHeaders(m_handle.get(), header.c_str(), static_cast<DWORD>(-1L),
                             WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);
    m_proxy_basic_header = true;
    SecureZeroMemory(header.data(), header.size() * sizeof(wchar_t));
}

// Each blocking call waits at most what was left of the exchange when the timeouts were last
// set. Setting them costs as much as a small exchange under some WinHTTPs, so they are renewed
// only when they have grown stale by more than a moment: no call outlasts the deadline by more.
void post_exchange::apply_timeouts()
{
    constexpr ULONGLONG stale_after_ms = 200;
    const ULONGLONG now = GetTickCount64();
    if (m_timeouts_set && now - m_timeouts_set_at < stale_after_ms)
        return;
    m_timeouts_set = true;
    m_timeouts_set_at = now;
    const int left = m_deadline.remaining_ms();
    const int connect = std::min(m_connect_ms, left);
    WinHttpSetTimeouts(m_handle.get(), connect, connect, left, left);
    DWORD response = static_cast<DWORD>(left);
    WinHttpSetOption(m_handle.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response, sizeof(response));
}

void post_exchange::show_request_headers()
{
    if (!vorn_debug_wanted())
        return;
    DWORD size = 0;
    WinHttpQueryHeaders(m_handle.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF | WINHTTP_QUERY_FLAG_REQUEST_HEADERS,
                        WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, WINHTTP_NO_HEADER_INDEX);
    std::vector<wchar_t> headers(size / sizeof(wchar_t) + 1, L'\0');
    if (size && WinHttpQueryHeaders(m_handle.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF | WINHTTP_QUERY_FLAG_REQUEST_HEADERS,
                                    WINHTTP_HEADER_NAME_BY_INDEX, headers.data(), &size, WINHTTP_NO_HEADER_INDEX))
        vorn_debug(vorn_debug_header_out, mask_header_lines(headers.data()));
}

void post_exchange::show_response_headers()
{
    if (!vorn_debug_wanted())
        return;
    DWORD size = 0;
    WinHttpQueryHeaders(m_handle.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr,
                        &size, WINHTTP_NO_HEADER_INDEX);
    std::vector<wchar_t> headers(size / sizeof(wchar_t) + 1, L'\0');
    if (size && WinHttpQueryHeaders(m_handle.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                                    headers.data(), &size, WINHTTP_NO_HEADER_INDEX))
        vorn_debug(vorn_debug_header_in, mask_header_lines(headers.data()));
}

bool post_exchange::send_and_receive()
{
    if (m_deadline.passed())
        return fail_winhttp(ERROR_WINHTTP_TIMEOUT);
    apply_timeouts();
    const std::wstring headers = L"Content-Type: " + m_request.content_type + L"\r\nAccept: " + m_request.accept + L"\r\n";
    const DWORD body_size = static_cast<DWORD>(m_request.body.size());
    void* body = body_size ? const_cast<char*>(m_request.body.data()) : WINHTTP_NO_REQUEST_DATA;
    const BOOL sent = WinHttpSendRequest(m_handle.get(), headers.c_str(), static_cast<DWORD>(-1L), body,
                                         body_size, body_size, 0);
    const DWORD send_error = sent ? ERROR_SUCCESS : GetLastError();
    if (!m_events.connected_to.empty()) {
        vorn_debug(vorn_debug_info, L"Connected to " + m_events.connected_to);
        m_events.connected_to.clear();
    }
    if (!sent)
        return fail_winhttp(send_error);
    show_request_headers();
    if (body_size)
        vorn_debug(vorn_debug_data_out, mask_body(from_utf8(m_request.body)));

    if (!WinHttpReceiveResponse(m_handle.get(), nullptr))
        return fail_winhttp(GetLastError());
    show_response_headers();

    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(m_handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return fail_winhttp(GetLastError());
    m_response.status = status;
    wchar_t reason[128] = L"";
    size = sizeof(reason);
    if (!WinHttpQueryHeaders(m_handle.get(), WINHTTP_QUERY_STATUS_TEXT, WINHTTP_HEADER_NAME_BY_INDEX, reason,
                             &size, WINHTTP_NO_HEADER_INDEX))
        reason[0] = L'\0';
    m_response.reason = reason;
    return true;
}

bool post_exchange::answer_server_challenge(bool& retry)
{
    retry = false;
    DWORD offered = 0, first = 0, target = 0;
    if (!WinHttpQueryAuthSchemes(m_handle.get(), &offered, &first, &target))
        return true;  // no scheme WinHTTP knows: the 401 is the answer
    vorn_debug(vorn_debug_info, L"The server asks for a logon: " + auth_scheme_names(offered));
    if (m_request.server_user.empty()) {
        vorn_debug(vorn_debug_info, L"No server logon is set");
        return true;
    }
    const unsigned long scheme = choose_server_auth_scheme(vorn_cURL::m_httpAuth, offered);
    if (!scheme)
        return fail(L"The server asks for a logon by " + auth_scheme_names(offered) +
                    L", which the HTTP authentication setting does not allow");
    vorn_debug(vorn_debug_info, L"Sending the server logon by " + auth_scheme_name(scheme));
    if (!WinHttpSetCredentials(m_handle.get(), WINHTTP_AUTH_TARGET_SERVER, scheme, m_request.server_user.c_str(),
                               m_request.server_password.c_str(), nullptr))
        return fail_winhttp(GetLastError());
    retry = true;
    return true;
}

bool post_exchange::answer_proxy_challenge(bool& retry)
{
    retry = false;
    if (!vorn_cURL::m_setting_proxy_use_cred || vorn_cURL::m_setting_proxy_user.is_empty()) {
        vorn_debug(vorn_debug_info, L"The proxy asks for a logon; no proxy credentials are set to be sent");
        return true;
    }
    DWORD offered = 0, first = 0, target = 0;
    if (!WinHttpQueryAuthSchemes(m_handle.get(), &offered, &first, &target))
        return true;
    const unsigned long scheme = choose_proxy_auth_scheme(offered);
    vorn_debug(vorn_debug_info, L"The proxy asks for a logon: " + auth_scheme_names(offered) +
                                    L"; sending the proxy credentials by " + auth_scheme_name(scheme));
    if (m_proxy_basic_header) {  // WinHTTP writes the header from here on
        WinHttpAddRequestHeaders(m_handle.get(), L"Proxy-Authorization:", static_cast<DWORD>(-1L),
                                 WINHTTP_ADDREQ_FLAG_REPLACE);
        m_proxy_basic_header = false;
    }
    if (!WinHttpSetCredentials(m_handle.get(), WINHTTP_AUTH_TARGET_PROXY, scheme,
                               vorn_cURL::m_setting_proxy_user.as_const_w_buffer(),
                               vorn_cURL::m_setting_proxy_password.as_const_w_buffer(), nullptr))
        return fail_winhttp(GetLastError());
    retry = true;
    return true;
}

bool post_exchange::read_body(std::string& body)
{
    body.clear();
    DWORD length = 0;
    DWORD size = sizeof(length);
    const bool announced = WinHttpQueryHeaders(m_handle.get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                                               WINHTTP_HEADER_NAME_BY_INDEX, &length, &size, WINHTTP_NO_HEADER_INDEX);
    if (announced && length > vorn_cURL::max_body_size)
        return fail(L"The server's answer of " + std::to_wstring(length) + L" bytes is larger than 1 MiB");

    std::vector<char> chunk(m_read_size);
    for (;;) {
        if (m_deadline.passed())
            return fail_winhttp(ERROR_WINHTTP_TIMEOUT);
        apply_timeouts();
        // Only what has arrived is read: a read for more waits until all of it came, however
        // long a server that trickles its answer takes, and the deadline would go unheard.
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(m_handle.get(), &available))
            return fail_winhttp(GetLastError());
        if (available == 0)
            break;
        DWORD read = 0;
        if (!WinHttpReadData(m_handle.get(), chunk.data(), std::min(available, static_cast<DWORD>(chunk.size())), &read))
            return fail_winhttp(GetLastError());
        if (read == 0)
            break;
        if (body.size() + read > vorn_cURL::max_body_size)
            return fail(L"The server's answer is larger than 1 MiB");
        body.append(chunk.data(), read);
    }
    if (announced && body.size() < length)
        return fail(L"The server closed the connection after " + std::to_wstring(body.size()) + L" of the " +
                    std::to_wstring(length) + L" bytes of its answer");
    if (!body.empty())
        vorn_debug(vorn_debug_data_in, mask_body(from_utf8(body)));
    return true;
}

bool post_exchange::run()
{
    if (!open())
        return false;
    bool server_logon_sent = false;
    bool proxy_logon_sent = false;
    for (;;) {
        if (!send_and_receive())
            return false;
        bool retry = false;
        if (m_response.status == HTTP_STATUS_DENIED && !server_logon_sent) {
            server_logon_sent = true;
            if (!answer_server_challenge(retry))
                return false;
        } else if (m_response.status == HTTP_STATUS_PROXY_AUTH_REQ && !proxy_logon_sent) {
            proxy_logon_sent = true;
            if (!answer_proxy_challenge(retry))
                return false;
        }
        if (!read_body(m_response.body))
            return false;
        if (!retry)
            return true;
    }
}

}  // namespace

bool vorn_cURL::post(const vorn_cURL_request& request, vorn_cURL_response& response, std::wstring& error)
{
    ensure_config_loaded();
    response = {};
    error.clear();
    post_exchange first(request, response, error);
    if (first.run())
        return true;
    if (!first.lost_connection_before_answer())
        return false;
    // As libcurl does with a reused connection that died: once more, on a new one. Nothing was
    // answered, so the gateway has not seen the login.
    vorn_debug(vorn_debug_info, L"The connection closed before an answer came; trying once more on a new connection");
    response = {};
    error.clear();
    return post_exchange(request, response, error).run();
}

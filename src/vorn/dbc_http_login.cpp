#include "vorn/dbc_http_login.h"

#include "vorn/dbc_login_answer.h"
#include "vorn/vorn_curl.h"
#include "vorn/vorn_utf8.h"

#include <windows.h>

namespace {

struct user_details {
    std::wstring user;
    std::wstring password;
    bool remember = false;
    std::wstring server_user;
    std::wstring server_password;
    bool server_remember = false;
};

user_details& details()
{
    static user_details kept;
    return kept;
}

// Passwords do not linger in freed memory.
void wipe(std::wstring& text)
{
    if (!text.empty())
        SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

std::string url_encode(const std::wstring& text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char ch : to_utf8(text)) {
        if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' ||
            ch == '_' || ch == '.' || ch == '~') {
            encoded += static_cast<char>(ch);
        } else if (ch == ' ') {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += hex[ch >> 4];
            encoded += hex[ch & 0x0F];
        }
    }
    return encoded;
}

}  // namespace

void set_http_user_details(const wchar_t* user, const wchar_t* password, bool remember,
                           const wchar_t* server_user, const wchar_t* server_password,
                           bool server_remember)
{
    user_details& kept = details();
    wipe(kept.password);
    wipe(kept.server_password);
    kept.user = user ? user : L"";
    kept.password = password ? password : L"";
    kept.remember = remember;
    kept.server_user = server_user ? server_user : L"";
    kept.server_password = server_password ? server_password : L"";
    kept.server_remember = server_remember;
}

std::string login_form_body(const std::wstring& user, const std::wstring& password, bool remember,
                            long read_size)
{
    return "action=login&user=" + url_encode(user) + "&password=" + url_encode(password) +
           "&remember=" + (remember ? "1" : "0") + "&read_size=" + std::to_string(read_size);
}

bool http_login(const http_login_target& target, http_login_result& result, std::wstring& error)
{
    if (target.host.empty()) {
        error = L"No host name is set for the HTTP login";
        return false;
    }
    const user_details& kept = details();
    vorn_cURL_request request;
    request.host = target.host;
    request.port = target.port;
    request.path = target.process.empty() || target.process[0] != L'/' ? L"/" + target.process : target.process;
    request.secure = target.ssl;
    request.server_user = kept.server_user;
    request.server_password = kept.server_password;
    request.content_type = L"application/x-www-form-urlencoded; charset=UTF-8";
    request.accept = L"application/json";
    request.body = login_form_body(kept.user, kept.password, kept.remember, target.read_size);
    request.read_size = target.read_size > 0 ? static_cast<unsigned long>(target.read_size) : 0;
    request.timeout = target.timeout;
    result.url = (target.ssl ? L"https://" : L"http://") + target.host +
                 (target.port > 0 ? L":" + std::to_wstring(target.port) : L"") + request.path;

    vorn_cURL_response response;
    const bool posted = vorn_cURL::post(request, response, error);
    SecureZeroMemory(request.body.data(), request.body.size());
    if (!posted)
        return false;
    result.status = response.status;
    return read_login_answer(response.status, response.reason, response.body, result.vars, error);
}

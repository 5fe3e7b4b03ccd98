#include "vorn/vorn_curl_mask.h"

#include "win/same_text.h"

#include <algorithm>
#include <cstddef>
#include <cwctype>

namespace {

std::wstring lower(std::wstring text)
{
    for (wchar_t& ch : text)
        ch = static_cast<wchar_t>(std::towlower(ch));
    return text;
}

std::wstring trim(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return {};
    return text.substr(first, text.find_last_not_of(L" \t") + 1 - first);
}

// The schemes whose name stays readable; any other first word of the value may be the
// credential itself (a bare token), so it goes too.
bool is_auth_scheme(const std::wstring& word)
{
    for (const wchar_t* scheme : {L"basic", L"bearer", L"digest", L"ntlm", L"negotiate", L"kerberos"})
        if (win::same_text(word, scheme))
            return true;
    return false;
}

// `masked` tells whether the line's value was hidden, so that its folded continuation lines go too.
std::wstring mask_header_line(const std::wstring& line, bool& masked)
{
    masked = false;
    const size_t colon = line.find(L':');
    if (colon == std::wstring::npos)
        return line;
    const std::wstring name = trim(line.substr(0, colon));
    if (win::same_text(name, L"authorization") || win::same_text(name, L"proxy-authorization")) {
        masked = true;
        const std::wstring value = trim(line.substr(colon + 1));
        const std::wstring scheme = value.substr(0, value.find_first_of(L" \t"));
        return line.substr(0, colon + 1) + L" " + (is_auth_scheme(scheme) ? scheme + L" " : L"") + vorn_mask;
    }
    if (win::same_text(name, L"cookie") || win::same_text(name, L"set-cookie")) {
        masked = true;
        return line.substr(0, colon + 1) + L" " + vorn_mask;
    }
    return line;
}

// Form field names are URL-encoded; a password field's name is plain ASCII in practice, and
// "%70ass" tricks would only hide the gateway's own field from itself.
bool names_a_password(const std::wstring& name)
{
    const std::wstring text = lower(name);
    return text.find(L"pass") != std::wstring::npos || text.find(L"pwd") != std::wstring::npos;
}

// JSON: past the opening quote at `at`, to just past the closing one (the end of a text cut short).
size_t skip_json_string(const std::wstring& text, size_t at)
{
    for (++at; at < text.size(); ++at) {
        if (text[at] == L'\\')
            ++at;
        else if (text[at] == L'"')
            return at + 1;
    }
    return text.size();
}

// Past the JSON value at `at`, whatever its kind.
size_t skip_json_value(const std::wstring& text, size_t at)
{
    if (at >= text.size())
        return text.size();
    if (text[at] == L'"')
        return skip_json_string(text, at);
    if (text[at] != L'{' && text[at] != L'[')
        return std::min(text.find_first_of(L",}] \t\r\n", at), text.size());
    int depth = 0;
    while (at < text.size()) {
        if (text[at] == L'"') {
            at = skip_json_string(text, at);
            continue;
        }
        if (text[at] == L'{' || text[at] == L'[')
            ++depth;
        else if ((text[at] == L'}' || text[at] == L']') && --depth == 0)
            return at + 1;
        ++at;
    }
    return at;
}

// The value of every member whose name speaks of a password goes whole, whatever its kind; a
// body cut short is masked to its end rather than shown.
std::wstring mask_json_members(const std::wstring& body)
{
    std::wstring result;
    size_t at = 0;
    while (at < body.size()) {
        if (body[at] != L'"') {
            result += body[at++];
            continue;
        }
        const size_t end = skip_json_string(body, at);
        const std::wstring token = body.substr(at, end - at);
        result += token;
        at = end;
        const size_t colon = body.find_first_not_of(L" \t\r\n", at);
        if (colon == std::wstring::npos || body[colon] != L':' || !names_a_password(token))
            continue;
        const size_t value = std::min(body.find_first_not_of(L" \t\r\n", colon + 1), body.size());
        result += body.substr(at, value - at) + L"\"" + vorn_mask + L"\"";
        at = skip_json_value(body, value);
    }
    return result;
}

}  // namespace

std::wstring mask_header_lines(const std::wstring& headers)
{
    std::wstring result;
    bool masking = false;  // a line that begins with a blank continues the header before it
    size_t start = 0;
    while (start < headers.size()) {
        size_t end = headers.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos)
            end = headers.size();
        const std::wstring line = headers.substr(start, end - start);
        if (masking && !line.empty() && (line[0] == L' ' || line[0] == L'\t'))
            result += line.substr(0, line.find_first_not_of(L" \t")) + vorn_mask;
        else
            result += mask_header_line(line, masking);
        size_t next = end;
        while (next < headers.size() && (headers[next] == L'\r' || headers[next] == L'\n'))
            ++next;
        result += headers.substr(end, next - end);  // the line ends exactly as they were
        start = next;
    }
    return result;
}

std::wstring mask_body(const std::wstring& body)
{
    const size_t first = body.find_first_not_of(L" \t\r\n");
    if (first != std::wstring::npos && (body[first] == L'{' || body[first] == L'['))
        return mask_json_members(body);
    std::wstring result;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find(L'&', start);
        if (end == std::wstring::npos)
            end = body.size();
        const std::wstring field = body.substr(start, end - start);
        const size_t equals = field.find(L'=');
        if (equals != std::wstring::npos && names_a_password(field.substr(0, equals)))
            result += field.substr(0, equals + 1) + vorn_mask;
        else
            result += field;
        if (end == body.size())
            break;
        result += L'&';
        start = end + 1;
    }
    return result;
}

std::wstring mask_proxy_user_info(const std::wstring& proxy)
{
    // Everything up to the last '@' is user info: a password may hold '@' or '/' itself. A
    // scheme in front stays; a "://" inside the user info is no scheme.
    const size_t at = proxy.rfind(L'@');
    if (at == std::wstring::npos)
        return proxy;
    const size_t scheme_end = proxy.find(L"://");
    const bool has_scheme = scheme_end != std::wstring::npos && scheme_end > 0 && scheme_end < at &&
                            std::all_of(proxy.begin(), proxy.begin() + static_cast<std::ptrdiff_t>(scheme_end),
                                        [](wchar_t ch) { return std::iswalnum(ch) || ch == L'+' || ch == L'-' || ch == L'.'; });
    const size_t user_info = has_scheme ? scheme_end + 3 : 0;
    return proxy.substr(0, user_info) + vorn_mask + proxy.substr(at);
}

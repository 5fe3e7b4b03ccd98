#include "vorn/vorn_curl_mask.h"

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

std::wstring mask_header_line(const std::wstring& line)
{
    const size_t colon = line.find(L':');
    if (colon == std::wstring::npos)
        return line;
    const std::wstring name = lower(trim(line.substr(0, colon)));
    if (name == L"authorization" || name == L"proxy-authorization") {
        const std::wstring value = trim(line.substr(colon + 1));
        const std::wstring scheme = value.substr(0, value.find_first_of(L" \t"));
        return line.substr(0, colon + 1) + L" " + scheme + L" " + vorn_mask;
    }
    if (name == L"cookie" || name == L"set-cookie")
        return line.substr(0, colon + 1) + L" " + vorn_mask;
    return line;
}

// Form field names are URL-encoded; a password field's name is plain ASCII in practice, and
// "%70ass" tricks would only hide the gateway's own field from itself.
bool names_a_password(const std::wstring& name)
{
    const std::wstring text = lower(name);
    return text.find(L"pass") != std::wstring::npos || text.find(L"pwd") != std::wstring::npos;
}

}  // namespace

std::wstring mask_header_lines(const std::wstring& headers)
{
    std::wstring result;
    size_t start = 0;
    while (start < headers.size()) {
        size_t end = headers.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos)
            end = headers.size();
        result += mask_header_line(headers.substr(start, end - start));
        size_t next = end;
        while (next < headers.size() && (headers[next] == L'\r' || headers[next] == L'\n'))
            ++next;
        result += headers.substr(end, next - end);  // the line ends exactly as they were
        start = next;
    }
    return result;
}

std::wstring mask_form_fields(const std::wstring& body)
{
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

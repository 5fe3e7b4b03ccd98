#include "host/profile_text.h"

#include <cstdlib>
#include <cwctype>

namespace host {

std::vector<std::wstring> split_path_list(const std::wstring& text)
{
    std::vector<std::wstring> entries;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(L';', start);
        if (end == std::wstring::npos) {
            entries.push_back(text.substr(start));
            break;
        }
        entries.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

std::wstring join_path_list(const std::vector<std::wstring>& list)
{
    std::wstring joined;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i != 0)
            joined += L';';
        joined += list[i];
    }
    return joined;
}

double release_number(const std::wstring& release_key)
{
    // Only the decimal form: wcstod alone would also read hexadecimal, "inf" and "nan".
    const std::wstring rest = release_key.size() > 1 ? release_key.substr(1) : std::wstring();
    size_t at = 0;
    while (at < rest.size() && std::iswspace(rest[at]))
        ++at;
    const size_t start = at;
    auto digits = [&] {
        const size_t from = at;
        while (at < rest.size() && rest[at] >= L'0' && rest[at] <= L'9')
            ++at;
        return at - from;
    };
    if (at < rest.size() && (rest[at] == L'+' || rest[at] == L'-'))
        ++at;
    size_t mantissa = digits();
    if (at < rest.size() && rest[at] == L'.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0.0;
    size_t end = at;
    if (at < rest.size() && (rest[at] == L'e' || rest[at] == L'E')) {
        ++at;
        if (at < rest.size() && (rest[at] == L'+' || rest[at] == L'-'))
            ++at;
        if (digits() > 0)
            end = at;
    }
    const std::wstring number = rest.substr(start, end - start);
    return std::wcstod(number.c_str(), nullptr);
}

}  // namespace host

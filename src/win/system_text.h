#pragma once
// The system's own words for a status, for a message that names why a file step failed.

#include "win/unique_handle.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <string>

namespace win {

// The system's text for the status, on one line, without its closing full stop; "error N" when
// the system has none.
inline std::wstring system_text(DWORD status)
{
    unique_local_memory text;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                       nullptr, status, 0, reinterpret_cast<wchar_t*>(text.put()), 0, nullptr);
    std::wstring result = length && text ? static_cast<const wchar_t*>(text.get()) : L"error " + std::to_wstring(status);
    std::replace_if(result.begin(), result.end(), [](wchar_t ch) { return ch == L'\r' || ch == L'\n'; }, L' ');
    while (!result.empty() && (std::iswspace(result.back()) || result.back() == L'.'))
        result.pop_back();
    return result;
}

}  // namespace win

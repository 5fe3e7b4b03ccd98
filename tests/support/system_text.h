#pragma once
// The system's own text for an error code, as FormatMessageW gives it in the default language;
// empty when the system has none.

#include <windows.h>

#include <string>

namespace test {

inline std::wstring system_text(LONG status)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                   static_cast<DWORD>(status), 0x400, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const std::wstring result = text ? text : L"";
    LocalFree(text);
    return result;
}

// The same on one line, without its closing full stop, as the program's messages quote it.
inline std::wstring system_line(LONG status)
{
    std::wstring text = system_text(status);
    for (wchar_t& ch : text)
        if (ch == L'\r' || ch == L'\n')
            ch = L' ';
    while (!text.empty() && (text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    return text;
}

}  // namespace test

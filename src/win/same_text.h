#pragma once
// Windows compares the names of files, folders, registry keys and values, window classes and
// devices without regard to case, by its own upper-case table rather than the C library's locale:
// so does every such compare of ours, through these.

#include <windows.h>

#include <string_view>

namespace win {

// Equal but for case.
inline bool same_text(std::wstring_view a, std::wstring_view b)
{
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The text starts with `start`, but for case.
inline bool starts_with_text(std::wstring_view text, std::wstring_view start)
{
    return text.size() >= start.size() && same_text(text.substr(0, start.size()), start);
}

}  // namespace win

#pragma once
// What every target shares: the wide text the bytes stand for, and a check that stops the run
// (libFuzzer then saves the input) with the property that failed.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// UTF-16 little-endian code units, as Windows hands wide text to the program; an odd last byte
// is left out.
inline std::wstring utf16_text(const std::uint8_t* data, std::size_t size)
{
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    return text;
}

inline std::string narrow_for_log(const std::wstring& text)
{
    std::string out;
    for (const wchar_t ch : text)
        out += ch >= 0x20 && ch < 0x7F ? static_cast<char>(ch) : '?';
    return out;
}

[[noreturn]] inline void fail(const char* property, const std::string& detail = {})
{
    std::fprintf(stderr, "property failed: %s\n%s\n", property, detail.c_str());
    std::abort();
}

inline void check(bool holds, const char* property, const std::string& detail = {})
{
    if (!holds)
        fail(property, detail);
}

}  // namespace fuzz

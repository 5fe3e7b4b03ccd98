#include "vorn/vorn_buffer.h"

#include "win/same_text.h"

#include <windows.h>

#include <cwchar>
#include <cstdio>

vorn_buffer::vorn_buffer(const wchar_t* text) : m_text(text ? text : L"") {}

vorn_buffer::vorn_buffer(long number) : m_text(std::to_wstring(number)) {}

vorn_buffer& vorn_buffer::operator=(const wchar_t* text)
{
    m_text = text ? text : L"";
    return *this;
}

vorn_buffer& vorn_buffer::operator+=(const vorn_buffer& other)
{
    m_text += other.m_text;
    return *this;
}

vorn_buffer& vorn_buffer::operator+=(const wchar_t* text)
{
    if (text)
        m_text += text;
    return *this;
}

wchar_t& vorn_buffer::operator[](int index)
{
    if (index < 0 || index >= length()) {
        m_nul = L'\0';
        return m_nul;
    }
    return m_text[static_cast<size_t>(index)];
}

wchar_t vorn_buffer::operator[](int index) const
{
    if (index < 0 || index >= length())
        return L'\0';
    return m_text[static_cast<size_t>(index)];
}

void vorn_buffer::lower()
{
    if (m_text.empty())
        return;
    CharLowerBuffW(m_text.data(), static_cast<DWORD>(m_text.size()));
}

bool vorn_buffer::compare_no_case(const vorn_buffer& other) const
{
    return win::same_text(m_text, other.m_text);
}

const char* vorn_buffer::convert_to_ansi() const
{
    m_ansi.clear();
    if (!m_text.empty()) {
        const int wide_length = length();
        const int size = WideCharToMultiByte(CP_ACP, 0, m_text.c_str(), wide_length, nullptr, 0, nullptr, nullptr);
        if (size > 0) {
            m_ansi.resize(static_cast<size_t>(size));
            WideCharToMultiByte(CP_ACP, 0, m_text.c_str(), wide_length, m_ansi.data(), size, nullptr, nullptr);
        }
    }
    return m_ansi.c_str();
}

void vorn_buffer::makeFrom(const char* narrow, unsigned code_page)
{
    m_text.clear();
    if (!narrow || !*narrow)
        return;
    const UINT page = code_page == 0 ? CP_ACP : code_page;
    const int size = MultiByteToWideChar(page, 0, narrow, -1, nullptr, 0);
    if (size <= 1)
        return;
    m_text.resize(static_cast<size_t>(size));
    MultiByteToWideChar(page, 0, narrow, -1, m_text.data(), size);
    m_text.resize(static_cast<size_t>(size - 1));
}

void vorn_buffer::format(const wchar_t* pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    format_v(pattern, args);
    va_end(args);
}

void vorn_buffer::format_v(const wchar_t* pattern, va_list args)
{
    m_text.clear();
    if (!pattern)
        return;
    // The CRT's own _vscwprintf/_vsnwprintf, not the C99 replacements mingw may map
    // vswprintf to: these read %s in a wide pattern as wide text, as the library promises.
    va_list counting;
    va_copy(counting, args);
    const int needed = _vscwprintf(pattern, counting);
    va_end(counting);
    if (needed <= 0)
        return;
    m_text.resize(static_cast<size_t>(needed) + 1);
    const int written = _vsnwprintf(m_text.data(), m_text.size(), pattern, args);
    m_text.resize(written < 0 ? 0 : static_cast<size_t>(written));
}

vorn_buffer vorn_buffer::get_element(int n, wchar_t delimiter) const
{
    if (n < 0)
        return {};
    size_t start = 0;
    for (int field = 0; field < n; ++field) {
        const size_t next = m_text.find(delimiter, start);
        if (next == std::wstring::npos)
            return {};
        start = next + 1;
    }
    const size_t end = m_text.find(delimiter, start);
    return vorn_buffer(m_text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start).c_str());
}

vorn_buffer vorn_buffer::right(int start) const
{
    if (start < 0)
        start = 0;
    if (start >= length())
        return {};
    return vorn_buffer(m_text.c_str() + start);
}

#pragma once
// The client library's wide-character string: a value type that every text crossing
// between the program's parts travels in.

#include <cstdarg>
#include <string>

class vorn_buffer {
public:
    vorn_buffer() = default;
    vorn_buffer(const wchar_t* text);   // null reads as empty
    explicit vorn_buffer(long number);  // decimal text
    vorn_buffer(const vorn_buffer& other) = default;
    vorn_buffer(vorn_buffer&& other) noexcept = default;
    virtual ~vorn_buffer() = default;

    vorn_buffer& operator=(const vorn_buffer& other) = default;
    vorn_buffer& operator=(vorn_buffer&& other) noexcept = default;
    vorn_buffer& operator=(const wchar_t* text);
    vorn_buffer& operator+=(const vorn_buffer& other);
    vorn_buffer& operator+=(const wchar_t* text);

    // The text stays terminated; a writer through the mutable pointer must stay within length().
    operator const wchar_t*() const { return m_text.c_str(); }
    operator wchar_t*() { return m_text.data(); }
    const wchar_t* as_const_w_buffer() const { return m_text.c_str(); }

    // An index outside 0..length()-1 reads as the terminating NUL (and a write there is dropped).
    wchar_t& operator[](int index);
    wchar_t operator[](int index) const;

    int length() const { return static_cast<int>(m_text.size()); }
    bool is_empty() const { return m_text.empty(); }
    void empty() { m_text.clear(); }
    void lower();
    bool compare_no_case(const vorn_buffer& other) const;

    // The text in the ANSI code page; owned by the buffer and valid until the buffer changes.
    const char* convert_to_ansi() const;
    // Takes narrow text in the given code page (0 = ANSI code page); null reads as empty.
    void makeFrom(const char* narrow, unsigned code_page);

    // printf-style formatting: %s and %ls both take wide text, as in the Windows CRT.
    void format(const wchar_t* pattern, ...);
    void format_v(const wchar_t* pattern, va_list args);

    // Field n (from 0) of the text split at the delimiter; empty when there is no such field.
    vorn_buffer get_element(int n, wchar_t delimiter) const;
    // The text from position `start` to its end; empty when start is past the end.
    vorn_buffer right(int start) const;

    const std::wstring& str() const { return m_text; }

private:
    std::wstring m_text;
    mutable std::string m_ansi;
    wchar_t m_nul = L'\0';
};

inline bool operator==(const vorn_buffer& a, const vorn_buffer& b) { return a.str() == b.str(); }

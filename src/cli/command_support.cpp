#include "cli/command_support.h"

#include <cwchar>

namespace cli {

void warning_list::warn(const win::outcome& gone_past)
{
    for (const win::failure& each : gone_past.failures())
        m_lines.push_back(one_line(each.text));
}

std::wstring one_line(const std::wstring& text)
{
    std::wstring line;
    for (const wchar_t ch : text) {
        const bool space = ch == L'\r' || ch == L'\n' || ch == L'\t' || ch == L' ';
        if (!space)
            line += ch;
        else if (!line.empty() && line.back() != L' ')
            line += L' ';
    }
    if (!line.empty() && line.back() == L' ')
        line.pop_back();
    return line;
}

std::wstring escaped(const std::wstring& text)
{
    std::wstring shown;
    for (const wchar_t ch : text) {
        const bool control = ch < 0x20 || (ch >= 0x7F && ch <= 0x9F) || ch == 0x2028 || ch == 0x2029;
        if (!control) {
            shown += ch;
        } else if (ch == L'\r' || ch == L'\n' || ch == L'\t') {
            shown += ch == L'\r' ? L"\\r" : ch == L'\n' ? L"\\n" : L"\\t";
        } else {
            wchar_t escape[8] = {};
            std::swprintf(escape, 8, ch < 0x80 ? L"\\x%02x" : L"\\u%04x", static_cast<unsigned>(ch));
            shown += escape;
        }
    }
    return shown;
}

void write_line(text_sink& out, const std::wstring& line)
{
    out.write(escaped(line) + L"\n");
}

std::wstring failure_lines(const win::outcome& result)
{
    std::wstring joined;
    for (const win::failure& each : result.failures())
        joined += (joined.empty() ? L"" : L"; ") + one_line(each.text);
    return joined;
}

outcome failure(const std::wstring& message, const win::outcome& step, const std::wstring& restore_point)
{
    const std::wstring boxes = failure_lines(step);
    std::wstring text = boxes.empty() ? message : message + L": " + boxes;
    if (!restore_point.empty())
        text += L"; restore point " + restore_point;
    return {1, text};
}

std::wstring json_string(const std::wstring& text)
{
    std::wstring quoted = L"\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t ch = text[i];
        const bool high = ch >= 0xD800 && ch <= 0xDBFF;
        const bool paired = high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (ch == L'"' || ch == L'\\') {
            quoted += L'\\';
            quoted += ch;
        } else if (paired) {
            quoted += text.substr(i++, 2);
        } else if (ch < 0x20 || (ch >= 0xD800 && ch <= 0xDFFF)) {
            wchar_t escape[8] = {};
            std::swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(ch));
            quoted += escape;
        } else {
            quoted += ch;
        }
    }
    return quoted + L'"';
}

void json_writer::member(const wchar_t* key)
{
    if (!m_empty.empty()) {
        m_out += m_empty.back() ? L"\n" : L",\n";
        m_empty.back() = false;
        m_out.append(2 * m_empty.size(), L' ');
    }
    if (key)
        m_out += json_string(key) + L": ";
}

void json_writer::open(const wchar_t* key, wchar_t bracket)
{
    member(key);
    m_out += bracket;
    m_empty.push_back(true);
}

void json_writer::close(wchar_t bracket)
{
    const bool was_empty = m_empty.back();
    m_empty.pop_back();
    if (!was_empty) {
        m_out += L'\n';
        m_out.append(2 * m_empty.size(), L' ');
    }
    m_out += bracket;
    if (m_empty.empty())
        m_out += L'\n';
}

void json_writer::string(const wchar_t* key, const std::wstring& value)
{
    member(key);
    m_out += json_string(value);
}

void json_writer::boolean(const wchar_t* key, bool value)
{
    member(key);
    m_out += value ? L"true" : L"false";
}

void json_writer::null(const wchar_t* key)
{
    member(key);
    m_out += L"null";
}

}  // namespace cli

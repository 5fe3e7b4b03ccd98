#include "host/reg_export.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace host {
namespace {

constexpr wchar_t header[] = L"Windows Registry Editor Version 5.00";
constexpr wchar_t user_hive[] = L"HKEY_CURRENT_USER\\";
constexpr wchar_t line_end[] = L"\r\n";
constexpr size_t hex_line_width = 77;  // regedit's: with the trailing backslash, within 80 columns

// Sets the reason and gives false, for the readers' early returns.
bool refuse(std::wstring& error, std::wstring reason)
{
    error = std::move(reason);
    return false;
}

std::wstring quoted(const std::wstring& text)
{
    std::wstring result = L"\"";
    for (const wchar_t ch : text) {
        if (ch == L'\\' || ch == L'"')
            result += L'\\';
        result += ch;
    }
    return result + L'"';
}

// A quoted string imports as the text with one terminating NUL: only data of exactly that form
// may be written as one. Line ends would break the line.
bool is_plain_text(const stored_value& value)
{
    if (value.type != REG_SZ || value.data.size() < sizeof(wchar_t) || value.data.size() % sizeof(wchar_t) != 0)
        return false;
    const std::wstring text = stored_text(value);
    return (text.size() + 1) * sizeof(wchar_t) == value.data.size() && text.find_first_of(L"\r\n") == std::wstring::npos;
}

void append_hex(std::wstring& out, std::wstring line, const std::vector<BYTE>& bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        wchar_t piece[4] = {};
        std::swprintf(piece, 4, i + 1 < bytes.size() ? L"%02x," : L"%02x", bytes[i]);
        if (line.size() + 3 > hex_line_width) {
            out += line + L"\\" + line_end;
            line = L"  ";
        }
        line += piece;
    }
    out += line + line_end;
}

void append_value(std::wstring& out, const exported_value& entry)
{
    const std::wstring name = entry.name.empty() ? L"@" : quoted(entry.name);
    const stored_value& value = entry.value;
    if (!value.exists) {
        out += name + L"=-" + line_end;
    } else if (is_plain_text(value)) {
        out += name + L"=" + quoted(stored_text(value)) + line_end;
    } else if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
        wchar_t number[16] = {};
        std::swprintf(number, 16, L"dword:%08lx",
                      static_cast<unsigned long>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                                 static_cast<DWORD>(value.data[3]) << 24));
        out += name + L"=" + number + line_end;
    } else {
        wchar_t type[24] = L"hex:";
        if (value.type != REG_BINARY)
            std::swprintf(type, 24, L"hex(%lx):", static_cast<unsigned long>(value.type));
        append_hex(out, name + L"=" + type, value.data);
    }
}

// ---- Reading

// A quoted string from `at` (on its opening quote); `at` ends after the closing quote.
bool read_quoted(const std::wstring& line, size_t& at, std::wstring& text)
{
    text.clear();
    for (++at; at < line.size(); ++at) {
        if (line[at] == L'\\' && at + 1 < line.size())
            text += line[++at];
        else if (line[at] == L'"') {
            ++at;
            return true;
        } else {
            text += line[at];
        }
    }
    return false;
}

bool read_hex_bytes(const std::wstring& text, std::vector<BYTE>& bytes)
{
    bytes.clear();
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && std::iswspace(text[at]))
            ++at;
        if (at == text.size())
            break;
        if (at + 2 > text.size() || !std::iswxdigit(text[at]) || !std::iswxdigit(text[at + 1]))
            return false;
        bytes.push_back(static_cast<BYTE>(std::wcstoul(text.substr(at, 2).c_str(), nullptr, 16)));
        at += 2;
        while (at < text.size() && std::iswspace(text[at]))
            ++at;
        if (at < text.size() && text[at++] != L',')
            return false;
    }
    return true;
}

bool read_data(const std::wstring& data, stored_value& value)
{
    value = {};
    if (data == L"-")
        return true;
    value.exists = true;
    if (!data.empty() && data[0] == L'"') {
        size_t at = 0;
        std::wstring text;
        if (!read_quoted(data, at, text) || at != data.size())
            return false;
        value.type = REG_SZ;
        value.data.resize((text.size() + 1) * sizeof(wchar_t), 0);
        std::memcpy(value.data.data(), text.c_str(), text.size() * sizeof(wchar_t));
        return true;
    }
    if (data.rfind(L"dword:", 0) == 0 && data.size() == 14) {
        wchar_t* end = nullptr;
        const unsigned long number = std::wcstoul(data.c_str() + 6, &end, 16);
        value.type = REG_DWORD;
        value.data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8), static_cast<BYTE>(number >> 16),
                      static_cast<BYTE>(number >> 24)};
        return *end == L'\0';
    }
    const size_t colon = data.find(L':');
    if (data.rfind(L"hex", 0) != 0 || colon == std::wstring::npos)
        return false;
    value.type = REG_BINARY;
    if (colon != 3) {
        if (data[3] != L'(' || data[colon - 1] != L')')
            return false;
        wchar_t* end = nullptr;
        value.type = std::wcstoul(data.c_str() + 4, &end, 16);
        if (end != data.c_str() + colon - 1)
            return false;
    }
    return read_hex_bytes(data.substr(colon + 1), value.data);
}

bool read_value_line(const std::wstring& line, const std::wstring& key_path, exported_value& entry)
{
    size_t at = 0;
    std::wstring name;
    if (line[0] == L'@')
        at = 1;
    else if (line[0] != L'"' || !read_quoted(line, at, name))
        return false;
    if (at >= line.size() || line[at] != L'=')
        return false;
    entry = {key_path, name, {}};
    return read_data(line.substr(at + 1), entry.value);
}

}  // namespace

bool can_export(const exported_value& entry)
{
    return entry.key_path.find_first_of(L"\r\n") == std::wstring::npos &&
           entry.name.find_first_of(L"\r\n") == std::wstring::npos;
}

std::wstring reg_export_text(const std::vector<exported_value>& values, const std::vector<std::wstring>& comments)
{
    std::wstring out = std::wstring(header) + line_end + line_end;
    for (const std::wstring& comment : comments)
        out += L"; " + comment + line_end;
    std::vector<bool> written(values.size(), false);
    // Grouped by key, the keys in the order they first come.
    for (size_t first = 0; first < values.size(); ++first) {
        if (written[first])
            continue;
        out += std::wstring(line_end) + L"[" + user_hive + values[first].key_path + L"]" + line_end;
        for (size_t i = first; i < values.size(); ++i) {
            if (!written[i] && values[i].key_path == values[first].key_path) {
                append_value(out, values[i]);
                written[i] = true;
            }
        }
    }
    return out;
}

bool parse_reg_export(const std::wstring& text, std::vector<exported_value>& values, std::wstring& error)
{
    values.clear();
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(L'\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        if (!lines.back().empty() && lines.back().back() == L'\r')
            lines.back().pop_back();
        start = end + 1;
    }
    std::wstring key_path;
    bool has_header = false;
    bool in_key = false;
    for (size_t index = 0; index < lines.size(); ++index) {
        std::wstring line = lines[index];
        // A hexadecimal value goes on over the lines that its trailing backslashes join; a comment
        // ends with its line, whatever it says.
        while (!line.empty() && line[0] != L';' && line.find(L"=hex") != std::wstring::npos && line.back() == L'\\' &&
               index + 1 < lines.size()) {
            line.pop_back();
            const std::wstring& next = lines[++index];
            line += next.substr(std::min(next.find_first_not_of(L" \t"), next.size()));
        }
        if (line.empty() || line[0] == L';')
            continue;
        if (!has_header) {
            if (line != header)
                return refuse(error, L"no regedit header: " + line);
            has_header = true;
            continue;
        }
        if (line[0] == L'[') {
            const size_t hive_length = std::wcslen(user_hive);
            in_key = line.back() == L']' && line.compare(1, hive_length, user_hive) == 0;
            if (!in_key)
                return refuse(error, L"not a key of the current user: " + line);
            key_path = line.substr(1 + hive_length, line.size() - 2 - hive_length);
            continue;
        }
        exported_value entry;
        if (!in_key || !read_value_line(line, key_path, entry))
            return refuse(error, L"unreadable line: " + line);
        values.push_back(std::move(entry));
    }
    if (!has_header)
        return refuse(error, L"no regedit header");
    return true;
}

}  // namespace host

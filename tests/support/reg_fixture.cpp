#include "support/reg_fixture.h"

#include "support/temp_folder.h"

#include <windows.h>

#include <cstring>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace test {
namespace {

[[noreturn]] void fail(const std::wstring& line)
{
    throw std::runtime_error("unreadable .reg line: " + std::string(line.begin(), line.end()));
}

HKEY create_key(const std::wstring& full_path)
{
    const size_t slash = full_path.find(L'\\');
    const std::wstring root = full_path.substr(0, slash);
    const HKEY hive = root == L"HKEY_CURRENT_USER"    ? HKEY_CURRENT_USER
                      : root == L"HKEY_LOCAL_MACHINE" ? HKEY_LOCAL_MACHINE
                                                      : nullptr;
    const std::wstring rest = slash == std::wstring::npos ? L"" : full_path.substr(slash + 1);
    HKEY key = nullptr;
    if (!hive || RegCreateKeyExW(hive, rest.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        fail(full_path);
    return key;
}

// Reads a quoted string starting at `at` (on the opening quote); leaves `at` after the closing one.
std::wstring read_quoted(const std::wstring& line, size_t& at)
{
    std::wstring text;
    for (++at; at < line.size(); ++at) {
        if (line[at] == L'"') {
            ++at;
            return text;
        }
        if (line[at] == L'\\' && at + 1 < line.size())
            ++at;
        text += line[at];
    }
    fail(line);
}

void set_value(HKEY key, const std::wstring& line)
{
    size_t at = 0;
    std::wstring name;  // @ names the default value
    if (line[0] == L'"')
        name = read_quoted(line, at);
    else if (line[0] == L'@')
        at = 1;
    else
        fail(line);
    if (at >= line.size() || line[at] != L'=')
        fail(line);
    const std::wstring data = line.substr(at + 1);
    DWORD type = REG_BINARY;
    std::vector<BYTE> bytes;
    const auto take = [&](const void* first, size_t size) {
        bytes.assign(static_cast<const BYTE*>(first), static_cast<const BYTE*>(first) + size);
    };
    if (data.starts_with(L"\"")) {
        size_t text_at = 0;
        const std::wstring text = read_quoted(data, text_at);
        type = REG_SZ;
        take(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    } else if (data.starts_with(L"dword:")) {
        const DWORD number = std::stoul(data.substr(6), nullptr, 16);
        type = REG_DWORD;
        take(&number, sizeof number);
    } else if (data.starts_with(L"hex") && data.find(L':') != std::wstring::npos) {
        if (data[3] == L'(')
            type = std::stoul(data.substr(4), nullptr, 16);
        std::wstringstream items(data.substr(data.find(L':') + 1));
        for (std::wstring item; std::getline(items, item, L',');)
            if (item.find_first_not_of(L" \t") != std::wstring::npos)
                bytes.push_back(static_cast<BYTE>(std::stoul(item, nullptr, 16)));
    } else {
        fail(line);
    }
    if (RegSetValueExW(key, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS)
        fail(line);
}

}  // namespace

void load_reg_text(const std::wstring& text)
{
    std::wstringstream lines(text);
    HKEY key = nullptr;
    std::wstring pending;  // a value line continued with a trailing backslash
    for (std::wstring raw; std::getline(lines, raw);) {
        if (raw.ends_with(L'\r'))
            raw.pop_back();
        const size_t start = raw.find_first_not_of(L" \t");
        const std::wstring line = pending + (start == std::wstring::npos ? L"" : raw.substr(start));
        pending.clear();
        if (line.empty() || line[0] == L';' || line.starts_with(L"Windows Registry Editor"))
            continue;
        if (line.back() == L'\\' && line.find(L"=hex") != std::wstring::npos) {
            pending = line.substr(0, line.size() - 1);
        } else if (line[0] == L'[') {
            if (key)
                RegCloseKey(key);
            const size_t end = line.rfind(L']');
            if (end == std::wstring::npos)
                fail(line);
            key = create_key(line.substr(1, end - 1));
        } else {
            if (!key)
                fail(line);
            set_value(key, line);
        }
    }
    if (key)
        RegCloseKey(key);
}

std::wstring read_reg_file(const std::filesystem::path& file)
{
    const std::string bytes = read_file(file);
    if (!bytes.starts_with("\xFF\xFE"))
        throw std::runtime_error(file.string() + " is not UTF-16LE with a byte-order mark");
    std::wstring text((bytes.size() - 2) / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
    return text;
}

void load_reg_file(const std::filesystem::path& file)
{
    load_reg_text(read_reg_file(file));
}

}  // namespace test

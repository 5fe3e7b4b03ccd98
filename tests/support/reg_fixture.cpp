#include "support/reg_fixture.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace test {
namespace {

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

[[noreturn]] void fail(const std::wstring& line)
{
    throw std::runtime_error("unreadable .reg line: " + narrow(line));
}

HKEY open_created(const std::wstring& full_path)
{
    const size_t slash = full_path.find(L'\\');
    const std::wstring root = full_path.substr(0, slash);
    const std::wstring rest = slash == std::wstring::npos ? L"" : full_path.substr(slash + 1);
    HKEY hive = nullptr;
    if (root == L"HKEY_CURRENT_USER")
        hive = HKEY_CURRENT_USER;
    else if (root == L"HKEY_LOCAL_MACHINE")
        hive = HKEY_LOCAL_MACHINE;
    else
        fail(full_path);
    HKEY key = nullptr;
    if (RegCreateKeyExW(hive, rest.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        fail(full_path);
    return key;
}

// Reads a quoted string starting at `at` (on the opening quote); leaves `at` after the closing one.
std::wstring read_quoted(const std::wstring& line, size_t& at)
{
    std::wstring text;
    for (++at; at < line.size(); ++at) {
        if (line[at] == L'\\' && at + 1 < line.size()) {
            text += line[++at];
        } else if (line[at] == L'"') {
            ++at;
            return text;
        } else {
            text += line[at];
        }
    }
    fail(line);
}

std::vector<BYTE> read_hex_bytes(const std::wstring& text)
{
    std::vector<BYTE> bytes;
    std::wstringstream stream(text);
    std::wstring item;
    while (std::getline(stream, item, L',')) {
        size_t start = item.find_first_not_of(L" \t");
        if (start == std::wstring::npos)
            continue;
        bytes.push_back(static_cast<BYTE>(std::stoul(item.substr(start), nullptr, 16)));
    }
    return bytes;
}

void set_value(HKEY key, const std::wstring& line)
{
    size_t at = 0;
    std::wstring name;
    if (line[0] == L'@')
        at = 1;
    else if (line[0] == L'"')
        name = read_quoted(line, at);
    else
        fail(line);
    if (at >= line.size() || line[at] != L'=')
        fail(line);
    const std::wstring data = line.substr(at + 1);
    LONG status = ERROR_SUCCESS;
    if (!data.empty() && data[0] == L'"') {
        size_t text_at = 0;
        const std::wstring text = read_quoted(data, text_at);
        status = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    } else if (data.rfind(L"dword:", 0) == 0) {
        const DWORD number = std::stoul(data.substr(6), nullptr, 16);
        status = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    } else if (data.rfind(L"hex", 0) == 0) {
        DWORD type = REG_BINARY;
        size_t colon = data.find(L':');
        if (colon == std::wstring::npos)
            fail(line);
        if (data[3] == L'(')
            type = std::stoul(data.substr(4), nullptr, 16);
        const std::vector<BYTE> bytes = read_hex_bytes(data.substr(colon + 1));
        status = RegSetValueExW(key, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    } else {
        fail(line);
    }
    if (status != ERROR_SUCCESS)
        fail(line);
}

}  // namespace

void load_reg_text(const std::wstring& text)
{
    std::wstringstream stream(text);
    std::wstring raw;
    HKEY key = nullptr;
    std::wstring pending;  // a value line continued with a trailing backslash
    auto close_key = [&] {
        if (key)
            RegCloseKey(key);
        key = nullptr;
    };
    while (std::getline(stream, raw)) {
        if (!raw.empty() && raw.back() == L'\r')
            raw.pop_back();
        const size_t start = raw.find_first_not_of(L" \t");
        std::wstring line = start == std::wstring::npos ? L"" : raw.substr(start);
        if (!pending.empty()) {
            line = pending + line;
            pending.clear();
        }
        if (line.empty() || line[0] == L';' || line.rfind(L"Windows Registry Editor", 0) == 0)
            continue;
        if (line.back() == L'\\' && line.find(L"=hex") != std::wstring::npos) {
            pending = line.substr(0, line.size() - 1);
            continue;
        }
        if (line[0] == L'[') {
            close_key();
            const size_t end = line.rfind(L']');
            if (end == std::wstring::npos)
                fail(line);
            key = open_created(line.substr(1, end - 1));
            continue;
        }
        if (!key)
            fail(line);
        set_value(key, line);
    }
    close_key();
}

std::wstring read_reg_file(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && bytes.empty())
        throw std::runtime_error("cannot read " + file.string());
    std::wstring text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text.resize((bytes.size() - 2) / 2);
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
    } else {
        const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        text.resize(static_cast<size_t>(size));
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    }
    return text;
}

void load_reg_file(const std::filesystem::path& file)
{
    load_reg_text(read_reg_file(file));
}

std::filesystem::path real_profiles_folder()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    // The build copies the exports beside the test programs.
    return std::filesystem::path(exe).parent_path() / L"real-profiles";
}

}  // namespace test

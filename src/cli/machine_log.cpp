#include "cli/machine_log.h"

#include "vorn/vorn_curl_mask.h"
#include "win/system_text.h"
#include "win/unique_handle.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <string>
#include <vector>

namespace cli {
namespace {

constexpr char byte_order_mark[] = "\xEF\xBB\xBF";
constexpr wchar_t record_end[] = L"]LOG]!>";

std::wstring lower(std::wstring text)
{
    for (wchar_t& ch : text)
        ch = static_cast<wchar_t>(std::towlower(ch));
    return text;
}

bool names_a_credential(const std::wstring& name)
{
    const std::wstring text = lower(name);
    for (const wchar_t* part : {L"pass", L"pwd", L"secret", L"token", L"credential"})
        if (text.find(part) != std::wstring::npos)
            return true;
    return false;
}

// An option whose name speaks of a credential, with its value after "=" or ":" (--token=x,
// /pwd:x): its name and the mask. Empty for any other argument.
std::wstring masked_option(const std::wstring& argument)
{
    if (argument.empty() || (argument[0] != L'-' && argument[0] != L'/'))
        return {};
    const size_t name = argument.find_first_not_of(L"-/");
    const size_t separator = name == std::wstring::npos ? name : argument.find_first_of(L"=:", name);
    if (separator == std::wstring::npos || !names_a_credential(argument.substr(0, separator)))
        return {};
    return argument.substr(0, separator + 1) + vorn_mask;
}

// The text as the log may hold it. The command line's own mistakes are echoed in the lines
// (--token=x is not an option), so every word that is such an option is masked, and every
// address keeps its scheme and host only ("https://user:pw@host" shows as "https://****@host"): a
// definition's or a proxy's address may carry its password. A path with an "@" is no address.
std::wstring masked(const std::wstring& text)
{
    std::wstring shown;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find_first_of(L" \t\"'", start), text.size());
        const std::wstring word = text.substr(start, end - start);
        const size_t scheme = word.find(L"://");
        const size_t at = word.rfind(L'@');
        const std::wstring option = masked_option(word);
        shown += !option.empty() ? option
                 : scheme != std::wstring::npos && at != std::wstring::npos && at > scheme ? mask_proxy_user_info(word)
                                                                                            : word;
        if (end < text.size())
            shown += text[end];
        start = end + 1;
    }
    return shown;
}

std::string utf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// The record of one line. A text that holds the record's end would end the record early in the
// viewers: it gets a blank inside.
std::wstring record(std::wstring text, log_type type)
{
    for (size_t at = 0; (at = text.find(record_end, at)) != std::wstring::npos; at += 2)
        text.insert(at + 5, 1, L' ');
    SYSTEMTIME now{};
    GetLocalTime(&now);
    TIME_ZONE_INFORMATION zone{};
    const DWORD zone_state = GetTimeZoneInformation(&zone);
    const long bias = zone.Bias + (zone_state == TIME_ZONE_ID_DAYLIGHT   ? zone.DaylightBias
                                   : zone_state == TIME_ZONE_ID_STANDARD ? zone.StandardBias
                                                                         : 0);
    wchar_t fields[160] = {};
    std::swprintf(fields, std::size(fields),
                  L"]LOG]!><time=\"%02u:%02u:%02u.%03u%c%03ld\" date=\"%02u-%02u-%04u\" component=\"plaxorcfg\" "
                  L"context=\"\" type=\"%d\" thread=\"%lu\" file=\"\">\r\n",
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, bias < 0 ? L'-' : L'+', std::labs(bias),
                  now.wMonth, now.wDay, now.wYear, static_cast<int>(type), GetCurrentThreadId());
    return L"<![LOG[" + text + fields;
}

// Makes each missing folder of the file's path; the file's own open names what went wrong.
void make_folders(const std::wstring& file)
{
    for (size_t at = file.find_first_of(L"\\/", file.rfind(L':') == 1 ? 3 : 2); at != std::wstring::npos;
         at = file.find_first_of(L"\\/", at + 1))
        CreateDirectoryW(file.substr(0, at).c_str(), nullptr);
}

win::unique_file open_for_append(const std::wstring& file)
{
    return win::unique_file(CreateFileW(file.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

bool runs_as_system()
{
    win::unique_handle_null token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenUser, user, sizeof user, &size) &&
           IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, WinLocalSystemSid);
}

std::wstring machine_log_file(const std::wstring& given)
{
    if (!given.empty() || !runs_as_system())
        return given;
    wchar_t data[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"ProgramData", data, MAX_PATH);
    const std::wstring folder = length && length < MAX_PATH ? data : L"C:\\ProgramData";
    return folder + L"\\VORN\\PLAXOR\\Logs\\plaxorcfg.log";
}

std::wstring older_log_file(const std::wstring& file)
{
    const size_t name = file.find_last_of(L"\\/:") + 1;  // 0 when there is no folder
    const size_t dot = file.rfind(L'.');
    if (dot == std::wstring::npos || dot < name || dot + 1 == file.size() || file.back() == L'_')
        return file + L".lo_";
    return file.substr(0, file.size() - 1) + L"_";
}

std::wstring logged_command_line(const std::vector<std::wstring>& args)
{
    std::wstring line = L"plaxorcfg";
    bool value_hidden = false;  // the argument after an option that names a credential
    for (const std::wstring& arg : args) {
        const std::wstring option = masked_option(arg);  // whole, though its value holds a blank
        const std::wstring shown = value_hidden ? std::wstring(vorn_mask) : option.empty() ? arg : option;
        value_hidden = false;
        if (option.empty() && !arg.empty() && (arg[0] == L'-' || arg[0] == L'/'))
            value_hidden = names_a_credential(arg);
        const bool blank = shown.empty() || shown.find_first_of(L" \t") != std::wstring::npos;
        line += blank ? L" \"" + shown + L"\"" : L" " + shown;
    }
    return line;
}

void machine_log::write(const std::wstring& text, log_type type)
{
    if (!active() || !m_trouble)
        return;
    std::string bytes;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(L'\n', start), text.size());
        bytes += utf8(record(masked(text.substr(start, end - start)), type));
        start = end + 1;
    }
    m_trouble = append(bytes);
}

win::outcome machine_log::append(const std::string& bytes)
{
    const auto trouble = [&](DWORD status) {
        return win::outcome::failed(L"the machine log " + m_file + L" cannot be written: " + win::system_text(status));
    };
    make_folders(m_file);
    win::unique_file file = open_for_append(m_file);
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size))
        return trouble(GetLastError());
    // When the older file cannot take its place (a viewer holds it without sharing), the log
    // grows on: a record is worth more than the limit.
    if (size.QuadPart > 0 && static_cast<ULONGLONG>(size.QuadPart) + bytes.size() > machine_log_limit) {
        file.reset();
        if (MoveFileExW(m_file.c_str(), older_log_file(m_file).c_str(), MOVEFILE_REPLACE_EXISTING))
            size.QuadPart = 0;
        file = open_for_append(m_file);
        if (!file)
            return trouble(GetLastError());
    }
    const std::string whole = size.QuadPart == 0 ? byte_order_mark + bytes : bytes;
    DWORD written = 0;
    if (!WriteFile(file.get(), whole.data(), static_cast<DWORD>(whole.size()), &written, nullptr) || written != whole.size())
        return trouble(GetLastError());
    return {};
}

logged_sink::~logged_sink()
{
    if (!m_pending.empty())
        log_line(m_pending);
}

void logged_sink::write(const std::wstring& text)
{
    m_next.write(text);
    m_pending += text;
    for (size_t end; (end = m_pending.find(L'\n')) != std::wstring::npos; m_pending.erase(0, end + 1))
        log_line(m_pending.substr(0, end));
}

void logged_sink::log_line(const std::wstring& line)
{
    constexpr wchar_t warning_start[] = L"plaxorcfg: warning: ";
    const log_type type = !m_standard_error                    ? log_type::information
                          : line.rfind(warning_start, 0) == 0 ? log_type::warning
                                                               : log_type::error;
    m_log.write(line, type);
}

}  // namespace cli

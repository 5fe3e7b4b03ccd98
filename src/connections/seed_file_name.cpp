#include "connections/seed_file_name.h"

#include "vorn/vorn_line_text.h"
#include "win/same_text.h"

#include <algorithm>
#include <array>
#include <cwchar>

namespace {

constexpr std::wstring_view suffix = L"_locator.ini";
constexpr size_t path_capacity = 260;       // wide characters, terminator included
constexpr size_t file_name_capacity = 255;  // the longest name a folder entry can have
constexpr size_t shown_length = 80;

// Windows opens these devices whatever the folder, also with an extension after a dot.
bool is_device_name(std::wstring_view name)
{
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ')
        name.remove_suffix(1);
    static constexpr std::array<std::wstring_view, 6> plain = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const std::wstring_view device : plain)
        if (win::same_text(name, device))
            return true;
    if (name.size() != 4 || !(win::same_text(name.substr(0, 3), L"COM") || win::same_text(name.substr(0, 3), L"LPT")))
        return false;
    const wchar_t number = name[3];
    return (number >= L'0' && number <= L'9') || number == L'\u00B9' || number == L'\u00B2' || number == L'\u00B3';
}

}  // namespace

std::wstring seed_file_problem(const std::wstring& folder, std::wstring_view seed, std::wstring& path)
{
    path.clear();
    if (seed.empty())
        return L"the server sent none";
    if (holds_control_character(seed))
        return L"it holds a control character";
    if (const size_t refused = seed.find_first_of(L"\\/:*?\"<>|"); refused != std::wstring_view::npos)
        return std::wstring(L"it holds the character '") + seed[refused] + L"', which Windows does not allow in a file name";
    if (seed.find(L"..") != std::wstring_view::npos)
        return L"it holds '..'";
    if (seed.back() == L'.' || seed.back() == L' ')
        return L"it ends with a dot or a space";
    if (is_device_name(seed))
        return L"Windows keeps this name for a device";
    const size_t name_length = seed.size() + suffix.size();
    if (name_length > file_name_capacity || folder.size() + name_length >= path_capacity)
        return L"the file's path would be longer than " + std::to_wstring(path_capacity - 1) + L" characters";
    path = folder;
    path += seed;
    path += suffix;
    return {};
}

std::wstring shown_server_text(std::wstring_view text)
{
    const bool cut = text.size() > shown_length;
    std::wstring shown;
    for (const wchar_t ch : text.substr(0, shown_length)) {
        if (holds_control_character(std::wstring_view(&ch, 1))) {
            wchar_t escape[8] = {};
            std::swprintf(escape, 8, L"\\x%02X", static_cast<unsigned>(ch));
            shown += escape;
        } else {
            shown += ch;
        }
    }
    return cut ? shown + L"..." : shown;
}

// active-setup: registers with Windows a per-user step that runs `plaxorcfg connect --all` once
// for every user at the next logon, so that users who log on after a SYSTEM deployment are
// connected too. Windows runs the step when the machine's Version of the component is higher than
// the one it recorded for the user, which is why each install raises it.

#include "cli/commands.h"
#include "cli/plaxorcfg.h"
#include "host/folder_path.h"
#include "win/system_text.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace cli {
namespace {

// Fixed for good: users' records of which steps they ran are kept under this name.
constexpr wchar_t component_key[] =
    L"SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{EBC89940-9232-4A31-8419-832FC4A194C9}";
constexpr wchar_t component_name[] = L"Configure PLAXOR";
constexpr unsigned long version_part_limit = 65535;  // each part of "a,b,c,d" is a 16-bit number

std::wstring component_path()
{
    return std::wstring(L"HKEY_LOCAL_MACHINE\\") + component_key;
}

outcome registry_failure(const std::wstring& what, LONG status)
{
    return failure(what + L" (" + component_path() + L"): " + win::system_text(static_cast<DWORD>(status)));
}

// One argument as CommandLineToArgvW and the C runtime read it back: quoted, a quote escaped, and
// the backslashes before a quote (the closing one included) doubled, so that "C:\Client\" does not
// swallow its closing quote.
std::wstring quoted_argument(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t ch : argument) {
        if (ch == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(ch == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        quoted += ch;
        backslashes = 0;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L'"';
}

// The Version after `stored` ("1,0,0,N", dots also read); "1,0,0,1" when there is none or it is
// no version.
std::wstring next_version(const std::wstring& stored)
{
    constexpr unsigned long first[4] = {1, 0, 0, 0};
    unsigned long parts[4] = {1, 0, 0, 0};
    size_t count = 0;
    bool well_formed = !stored.empty();
    for (size_t at = 0; well_formed && at <= stored.size(); ++count) {
        const size_t end = std::min(stored.find_first_of(L",.", at), stored.size());
        const std::wstring digits = stored.substr(at, end - at);
        well_formed = count < 4 && !digits.empty() && digits.size() <= 5 &&
                      digits.find_first_not_of(L"0123456789") == std::wstring::npos &&
                      std::stoul(digits) <= version_part_limit;
        if (well_formed)
            parts[count] = std::stoul(digits);
        at = end + 1;
    }
    if (!well_formed)
        std::copy(std::begin(first), std::end(first), std::begin(parts));
    for (size_t i = 4; i-- > 0;) {  // carried into the part before; the first never fills in practice
        if (++parts[i] <= version_part_limit || i == 0)
            break;
        parts[i] = 0;
    }
    return std::to_wstring(parts[0]) + L"," + std::to_wstring(parts[1]) + L"," + std::to_wstring(parts[2]) + L"," +
           std::to_wstring(parts[3]);
}

std::wstring read_text(HKEY key, const wchar_t* name)
{
    wchar_t text[64] = {};  // a Version is at most 23 characters; longer is no version
    DWORD size = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    return text;
}

LONG write_text(HKEY key, const wchar_t* name, const std::wstring& text)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LONG write_number(HKEY key, const wchar_t* name, DWORD number)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

// The client folder as the step must name it: a full path, since Windows runs the step from
// another current folder; it must be a folder now.
bool full_client_folder(const std::wstring& given, std::wstring& full, outcome& problem)
{
    const DWORD length = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    std::wstring path(length, L'\0');
    const DWORD written = length ? GetFullPathNameW(given.c_str(), length, path.data(), nullptr) : 0;
    const DWORD attributes = written && written < length ? GetFileAttributesW(path.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        problem = failure(L"the client folder " + given + L" is not a folder; nothing was written");
        return false;
    }
    full = path.substr(0, written);
    return true;
}

outcome install(const options& given, text_sink& out)
{
    const std::wstring program = host::program_path();
    if (program.empty())
        return failure(L"the path of plaxorcfg.exe cannot be had; nothing was written");
    std::wstring stub = L"\"" + program + L"\" connect --all";
    if (!given.client_folder.empty()) {
        std::wstring folder;
        outcome problem;
        if (!full_client_folder(given.client_folder, folder, problem))
            return problem;
        stub += L" --client-folder " + quoted_argument(folder);
    }
    win::unique_hkey key;
    HKEY created = nullptr;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, component_key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                  nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS)
        return registry_failure(L"Active Setup cannot be registered", status);
    key.reset(created);
    const std::wstring version = next_version(read_text(key.get(), L"Version"));
    // The Version goes last: users run the step again only once the rest is in place.
    if ((status = write_text(key.get(), L"", component_name)) != ERROR_SUCCESS ||
        (status = write_text(key.get(), L"StubPath", stub)) != ERROR_SUCCESS ||
        (status = write_number(key.get(), L"IsInstalled", 1)) != ERROR_SUCCESS ||
        (status = write_text(key.get(), L"Version", version)) != ERROR_SUCCESS)
        return registry_failure(L"Active Setup was not registered in full", status);
    write_line(out, L"Active Setup: \"" + std::wstring(component_name) + L"\" registered, version " + version +
                        L"; each user runs it at the next logon");
    write_line(out, L"  StubPath: " + stub);
    return {};
}

// Retired, not deleted: Windows no longer starts the step for anyone, users who ran it are not
// asked again, and the Version stays, so that a later install raises it past every user's record.
outcome remove(text_sink& out)
{
    win::unique_hkey key;
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, component_key, 0, KEY_SET_VALUE, &opened);
    if (status == ERROR_FILE_NOT_FOUND) {
        write_line(out, L"Active Setup: \"" + std::wstring(component_name) + L"\" is not registered");
        return {};
    }
    if (status != ERROR_SUCCESS)
        return registry_failure(L"Active Setup cannot be retired", status);
    key.reset(opened);
    if ((status = write_number(key.get(), L"IsInstalled", 0)) != ERROR_SUCCESS)
        return registry_failure(L"Active Setup cannot be retired", status);
    write_line(out, L"Active Setup: \"" + std::wstring(component_name) + L"\" retired; no user runs it any more");
    return {};
}

}  // namespace

outcome active_setup(const options& given, text_sink& out, warning_list&)
{
    return given.action == L"install" ? install(given, out) : remove(out);
}

}  // namespace cli

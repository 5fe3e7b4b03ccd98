#include "host/user_profiles.h"

#include "host/registry.h"
#include "win/same_text.h"
#include "win/unique_handle.h"

#include <sddl.h>

namespace host {
namespace {

constexpr wchar_t profile_list_path[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr DWORD sid_text_size = 256;      // wide characters; a SID's text is at most 184
constexpr DWORD account_text_size = 256;  // wide characters, for the name and for the domain

bool is_system_account(const std::wstring& sid)
{
    return sid == L"S-1-5-18" || sid == L"S-1-5-19" || sid == L"S-1-5-20";
}

// "DOMAIN\name" and the name alone, when the system knows the SID.
void look_up_account(PSID sid, user_profile& user)
{
    wchar_t name[account_text_size] = {};
    wchar_t domain[account_text_size] = {};
    DWORD name_length = account_text_size;
    DWORD domain_length = account_text_size;
    SID_NAME_USE use{};
    if (!LookupAccountSidW(nullptr, sid, name, &name_length, domain, &domain_length, &use) || name[0] == L'\0')
        return;
    user.name = name;
    user.account = domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name);
}

std::wstring expanded(const std::wstring& text)
{
    const DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (size == 0)
        return text;
    std::wstring result(size, L'\0');
    const DWORD length = ExpandEnvironmentStringsW(text.c_str(), result.data(), size);
    if (length == 0 || length > size)
        return text;
    result.resize(length - 1);
    return result;
}

// The profile folder of the entry, without a trailing backslash; empty when it has none.
std::wstring profile_folder(HKEY list, const std::wstring& sid)
{
    win::unique_hkey key;
    stored_value value;
    if (open_key(list, sid, read_access, key) != ERROR_SUCCESS ||
        read_stored_value(key.get(), L"ProfileImagePath", value) != ERROR_SUCCESS || !value.exists ||
        !is_text_type(value.type))
        return {};
    std::wstring folder = expanded(stored_text(value));
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

}  // namespace

win::outcome list_user_profiles(std::vector<user_profile>& users)
{
    users.clear();
    win::unique_hkey list;
    if (win::outcome opened = open_key_or_fail(HKEY_LOCAL_MACHINE, profile_list_path, read_access, list, HKEY_LOCAL_MACHINE);
        !opened)
        return opened;
    wchar_t name[sid_text_size] = {};
    for (DWORD index = 0;; ++index) {
        DWORD length = sid_text_size;
        const LONG status = RegEnumKeyExW(list.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        // A key that is no SID (Windows keeps "<SID>.bak" beside a profile it could not load)
        // is no user.
        win::unique_local_memory sid;
        if (is_system_account(name) || !ConvertStringSidToSidW(name, sid.put()))
            continue;
        user_profile user{name, {}, {}, profile_folder(list.get(), name)};
        look_up_account(sid.get(), user);
        if (user.name.empty())
            user.name = user.folder.empty() ? user.sid : user.folder.substr(user.folder.find_last_of(L'\\') + 1);
        users.push_back(std::move(user));
    }
    return {};
}

bool names_user(const user_profile& user, const std::wstring& text)
{
    return win::same_text(text, user.sid) || win::same_text(text, user.name) ||
           (!user.account.empty() && win::same_text(text, user.account));
}

std::wstring shown_user(const user_profile& user)
{
    return user.name + L" (" + user.sid + L")";
}

}  // namespace host

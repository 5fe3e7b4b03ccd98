#pragma once
// The local users of the machine, from the system's profile list, and whose registry an
// operation on AutoCAD profiles works on: the running user's HKEY_CURRENT_USER by default,
// another user's registry when the command line reaches every user of a workstation.

#include "win/outcome.h"

#include <windows.h>

#include <string>
#include <vector>

namespace host {

// Whose registry: its root, and where that user's own files lie.
struct user_registry {
    HKEY root = HKEY_CURRENT_USER;
    std::wstring profile_folder;  // empty: the running user's, whose %LOCALAPPDATA% counts
    std::wstring sid;             // empty: the running user, whoever that is
    std::wstring name;
};

struct user_profile {
    std::wstring sid;
    std::wstring account;  // "DOMAIN\name" when the system knows the SID, else empty
    std::wstring name;     // the account's name, else the name of the profile folder
    std::wstring folder;   // the profile folder, its variables expanded
};

// Every profile of the profile list whose key is a SID, the system's own accounts (S-1-5-18,
// S-1-5-19, S-1-5-20) left out, in the list's order. Fails when the list cannot be opened.
win::outcome list_user_profiles(std::vector<user_profile>& users);

// Whether the text names the user: the SID, the name or the account, case ignored.
bool names_user(const user_profile& user, const std::wstring& text);

// The name and SID as the command line shows a user: "name (S-1-5-21-...)".
std::wstring shown_user(const user_profile& user);

}  // namespace host

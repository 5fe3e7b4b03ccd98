#pragma once
// Checks of what a user typed or pasted into a box before it is stored. Each shows its own
// warning box and returns false when the value cannot be stored as it is, so that the window
// stays open with everything the user typed.

#include <string>

namespace ui {

// A one-line setting (a host, a proxy, a user agent, a name) cannot hold a line break or
// another control character: in the INI file it would start a line of its own. `label` names
// the box as the user sees it, without its colon ("Host").
bool is_storable_line(const wchar_t* label, const std::wstring& value);

// A password is enciphered as ANSI text; one with characters the code page lacks would be
// stored as '?' and every later login would fail without a reason the user can see.
bool is_storable_password(const std::wstring& password);

}  // namespace ui

#pragma once
// Takes rights on one registry key away from everyone while it lives, the way a locked-down
// workstation refuses them, and gives the key its own security back afterwards.

#include <windows.h>

#include <string>
#include <vector>

namespace test {

class denied_key_rights {
public:
    // `denied` is a KEY_* mask, for example KEY_SET_VALUE; the key must exist.
    denied_key_rights(HKEY hive, const std::wstring& path, REGSAM denied);
    ~denied_key_rights();
    denied_key_rights(const denied_key_rights&) = delete;
    denied_key_rights& operator=(const denied_key_rights&) = delete;

private:
    HKEY m_key = nullptr;           // opened before the rights go, so it can put them back
    std::vector<BYTE> m_original;   // the key's own access list
};

}  // namespace test

#pragma once
// Takes rights on one registry key away from everyone while it lives, the way a locked-down
// workstation refuses them, and gives the key its own security back afterwards.

#include <windows.h>

#include <sddl.h>

#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

namespace test {

class denied_key_rights {
public:
    // `denied` is a KEY_* mask, for example KEY_SET_VALUE; the key must exist.
    denied_key_rights(HKEY hive, const std::wstring& path, REGSAM denied)
    {
        if (RegOpenKeyExW(hive, path.c_str(), 0, READ_CONTROL | WRITE_DAC, &m_key) != ERROR_SUCCESS)
            throw std::runtime_error("cannot open the key whose rights are to be denied");
        DWORD size = 0;
        RegGetKeySecurity(m_key, DACL_SECURITY_INFORMATION, nullptr, &size);
        m_original.resize(size);
        if (RegGetKeySecurity(m_key, DACL_SECURITY_INFORMATION, m_original.data(), &size) != ERROR_SUCCESS)
            throw std::runtime_error("cannot read the key's security");
        // Deny first, then allow everything else, so opening for other rights still works.
        wchar_t sddl[64] = {};
        _snwprintf(sddl, 63, L"D:(D;;0x%lX;;;WD)(A;;KA;;;WD)", static_cast<unsigned long>(denied));
        PSECURITY_DESCRIPTOR locked = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &locked, nullptr))
            throw std::runtime_error("cannot build the denying security descriptor");
        const LONG status = RegSetKeySecurity(m_key, DACL_SECURITY_INFORMATION, locked);
        LocalFree(locked);
        if (status != ERROR_SUCCESS)
            throw std::runtime_error("cannot deny rights on the key");
    }
    ~denied_key_rights()
    {
        RegSetKeySecurity(m_key, DACL_SECURITY_INFORMATION, m_original.data());
        RegCloseKey(m_key);
    }
    denied_key_rights(const denied_key_rights&) = delete;
    denied_key_rights& operator=(const denied_key_rights&) = delete;

private:
    HKEY m_key = nullptr;           // opened before the rights go, so it can put them back
    std::vector<BYTE> m_original;   // the key's own access list
};

}  // namespace test

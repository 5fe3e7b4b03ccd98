#include "support/denied_key_rights.h"

#include <sddl.h>

#include <cwchar>
#include <stdexcept>

namespace test {

denied_key_rights::denied_key_rights(HKEY hive, const std::wstring& path, REGSAM denied)
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

denied_key_rights::~denied_key_rights()
{
    RegSetKeySecurity(m_key, DACL_SECURITY_INFORMATION, m_original.data());
    RegCloseKey(m_key);
}

}  // namespace test

#include "support/registry_sandbox.h"

#include <stdexcept>

namespace test {
namespace {

HKEY create_key(HKEY parent, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the scratch registry key");
    return key;
}

}  // namespace

registry_sandbox::registry_sandbox()
{
    static int counter = 0;
    m_scratch_path = L"Software\\ConfigurePLAXOR tests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                     std::to_wstring(++counter);
    // Restore the real hives first, in case an earlier sandbox of this process is still active.
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, m_scratch_path.c_str());
    m_user = create_key(HKEY_CURRENT_USER, m_scratch_path + L"\\HKCU");
    m_machine = create_key(HKEY_CURRENT_USER, m_scratch_path + L"\\HKLM");
    RegOverridePredefKey(HKEY_CURRENT_USER, m_user);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine);
}

registry_sandbox::~registry_sandbox()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(m_user);
    RegCloseKey(m_machine);
    RegDeleteTreeW(HKEY_CURRENT_USER, m_scratch_path.c_str());
}

}  // namespace test

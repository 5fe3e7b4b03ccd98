#pragma once
// Redirects HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE of this process into a scratch key of its
// own, so that tests see only the registry they build, and removes it again afterwards.

#include <windows.h>

#include <stdexcept>
#include <string>

namespace test {

class registry_sandbox {
public:
    registry_sandbox()
    {
        static int counter = 0;
        m_scratch_path = L"Software\\ConfigurePLAXOR tests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                         std::to_wstring(++counter);
        // Restore the real hives first, in case an earlier sandbox of this process is still active.
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_scratch_path.c_str());
        if (RegCreateKeyExW(HKEY_CURRENT_USER, (m_scratch_path + L"\\HKCU").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &m_user, nullptr) != ERROR_SUCCESS ||
            RegCreateKeyExW(HKEY_CURRENT_USER, (m_scratch_path + L"\\HKLM").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &m_machine, nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create the scratch registry key");
        RegOverridePredefKey(HKEY_CURRENT_USER, m_user);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine);
    }
    ~registry_sandbox()
    {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(m_user);
        RegCloseKey(m_machine);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_scratch_path.c_str());
    }
    registry_sandbox(const registry_sandbox&) = delete;
    registry_sandbox& operator=(const registry_sandbox&) = delete;

private:
    std::wstring m_scratch_path;  // under the real HKEY_CURRENT_USER
    HKEY m_user = nullptr;
    HKEY m_machine = nullptr;
};

}  // namespace test

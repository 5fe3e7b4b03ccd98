#pragma once
// Redirects HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE of this process into a scratch key of its
// own, so that tests see only the registry they build, and removes it again afterwards.

#include <windows.h>

#include <string>

namespace test {

class registry_sandbox {
public:
    registry_sandbox();
    ~registry_sandbox();
    registry_sandbox(const registry_sandbox&) = delete;
    registry_sandbox& operator=(const registry_sandbox&) = delete;

private:
    std::wstring m_scratch_path;  // under the real HKEY_CURRENT_USER
    HKEY m_user = nullptr;
    HKEY m_machine = nullptr;
};

}  // namespace test

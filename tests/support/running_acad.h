#pragma once
// A copy of the stand-in acad.exe started from a given path and running until the test ends.

#include <windows.h>
#include <psapi.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace test {

class running_acad {
public:
    explicit running_acad(const std::filesystem::path& exe)
    {
        std::wstring command = L"\"" + exe.wstring() + L"\" 120";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_process))
            throw std::runtime_error("cannot start the stand-in acad.exe");
        CloseHandle(m_process.hThread);
        // Seen by a process scan only once its executable module is mapped.
        HMODULE module = nullptr;
        DWORD needed = 0;
        for (int i = 0; !K32EnumProcessModules(m_process.hProcess, &module, sizeof module, &needed); ++i) {
            if (i == 200) {
                end();
                throw std::runtime_error("the stand-in acad.exe did not come up");
            }
            Sleep(50);
        }
    }
    ~running_acad() { end(); }
    running_acad(const running_acad&) = delete;
    running_acad& operator=(const running_acad&) = delete;

private:
    void end()
    {
        TerminateProcess(m_process.hProcess, 0);
        WaitForSingleObject(m_process.hProcess, 10000);
        CloseHandle(m_process.hProcess);
    }

    PROCESS_INFORMATION m_process{};
};

}  // namespace test

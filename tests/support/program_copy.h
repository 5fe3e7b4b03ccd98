#pragma once
// Runs one test case in a copy of the running test program placed in another folder, for cases
// that depend on the folder of the executable (Portable.ini beside it, the program folder that
// connected profiles point to). The copy sees `marker` set in its environment.

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

namespace test {

// Success when the copy ran exactly one test and it passed; else what the copy printed.
inline testing::AssertionResult passes_in_copy(const std::filesystem::path& folder, const std::wstring& test_filter,
                                               const wchar_t* marker)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path copy = folder / std::filesystem::path(self).filename(), log = folder / L"output.txt";
    std::filesystem::copy_file(self, copy, std::filesystem::copy_options::overwrite_existing);
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const HANDLE log_file = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = log_file;
    std::wstring command = L"\"" + copy.wstring() + L"\" --gtest_filter=" + test_filter;
    PROCESS_INFORMATION process{};
    SetEnvironmentVariableW(marker, L"1");
    const BOOL started = CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        folder.c_str(), &startup, &process);
    SetEnvironmentVariableW(marker, nullptr);
    CloseHandle(log_file);
    DWORD exit_code = 1;
    if (started) {
        if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, 10000);
        }
        GetExitCodeProcess(process.hProcess, &exit_code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    const std::string output = read_file(log);
    if (exit_code == 0 && output.find("[  PASSED  ] 1 test.") != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << output;
}

// True in a copy started by passes_in_copy with this marker.
inline bool is_copy(const wchar_t* marker)
{
    return GetEnvironmentVariableW(marker, nullptr, 0) != 0;
}

}  // namespace test

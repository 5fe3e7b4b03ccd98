#pragma once
// Runs one test case in a copy of the running test program placed in another folder, for cases
// that depend on the folder of the executable (Portable.ini beside it, the program folder that
// connected profiles point to) or that need a process of their own. The copy sees `marker` set in
// its environment. And any other program started and waited for.

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <process.h>

#include <filesystem>
#include <string>

namespace test {

// Starts a command line and waits for its end (five minutes at the most): its exit code, or -1
// when it did not start. It inherits this program's standard handles, or with `output` writes its
// standard output there and its standard error beside it (".err").
inline int run_program(std::wstring command, const std::filesystem::path& output = {})
{
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!output.empty()) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr);
        startup.hStdError = CreateFileW((output.wstring() + L".err").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                        CREATE_ALWAYS, 0, nullptr);
    }
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    for (const HANDLE handle : {startup.hStdOutput, startup.hStdError})
        if (handle)
            CloseHandle(handle);
    if (!started)
        return -1;
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, 300000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// Success when the copy ran exactly one test and it passed; else the copy's report.
inline testing::AssertionResult passes_in_copy(const std::filesystem::path& folder, const std::wstring& test_filter,
                                               const wchar_t* marker)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path copy = folder / std::filesystem::path(self).filename(), report = folder / L"report.xml";
    std::filesystem::copy_file(self, copy, std::filesystem::copy_options::overwrite_existing);
    SetEnvironmentVariableW(marker, L"1");
    const intptr_t exit_code = _wspawnl(_P_WAIT, copy.c_str(), L"copy", (L"--gtest_filter=" + test_filter).c_str(),
                                        (L"\"--gtest_output=xml:" + report.wstring() + L"\"").c_str(), nullptr);
    SetEnvironmentVariableW(marker, nullptr);
    const std::string output = read_file(report);
    if (exit_code == 0 && output.find("<testsuites tests=\"1\" failures=\"0\"") != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "exit code " << exit_code << "\n" << output;
}

// True in a copy started by passes_in_copy with this marker.
inline bool is_copy(const wchar_t* marker)
{
    return GetEnvironmentVariableW(marker, nullptr, 0) != 0;
}

}  // namespace test

#pragma once
// Runs one test case in a copy of the running test program placed in another folder, for cases
// that depend on the folder of the executable (Portable.ini beside it, the program folder that
// connected profiles point to) or that need a process of their own. The copy sees `marker` set in
// its environment.

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <process.h>

#include <filesystem>
#include <string>

namespace test {

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

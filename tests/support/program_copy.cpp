#include "support/program_copy.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace test {
namespace {

// The copy's exit code; `output` receives what it printed.
int run_copy_in(const std::filesystem::path& folder, const std::wstring& test_filter, const wchar_t* marker,
                std::string& output)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path copy = folder / std::filesystem::path(self).filename();
    std::filesystem::copy_file(self, copy, std::filesystem::copy_options::overwrite_existing);
    const std::filesystem::path log = folder / L"output.txt";
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const HANDLE log_file =
        CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr);
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
    if (!started)
        return -1;
    DWORD exit_code = 1;
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
    }
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::ifstream in(log);
    std::ostringstream text;
    text << in.rdbuf();
    output = text.str();
    return static_cast<int>(exit_code);
}

}  // namespace

testing::AssertionResult passes_in_copy(const std::filesystem::path& folder, const std::wstring& test_filter,
                                        const wchar_t* marker)
{
    std::string output;
    if (run_copy_in(folder, test_filter, marker, output) == 0 && output.find("[  PASSED  ] 1 test.") != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << output;
}

bool is_copy(const wchar_t* marker)
{
    return GetEnvironmentVariableW(marker, nullptr, 0) != 0;
}

}  // namespace test

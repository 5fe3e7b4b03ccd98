#pragma once
// %LOCALAPPDATA% or %APPDATA% moved for this process and the programs it starts, back where it
// was afterwards: every profile write keeps a restore point in the first, the library's settings
// and the console's files lie in the second, and a test keeps its own.

#include "support/temp_folder.h"

#include <windows.h>

#include <filesystem>
#include <string>

namespace test {

class moved_folder_variable {
public:
    moved_folder_variable(const wchar_t* variable, const std::filesystem::path& folder) : m_variable(variable)
    {
        wchar_t previous[MAX_PATH] = {};
        if (GetEnvironmentVariableW(variable, previous, MAX_PATH) < MAX_PATH)
            m_previous = previous;
        SetEnvironmentVariableW(variable, folder.c_str());
    }
    ~moved_folder_variable() { SetEnvironmentVariableW(m_variable, m_previous.empty() ? nullptr : m_previous.c_str()); }
    moved_folder_variable(const moved_folder_variable&) = delete;
    moved_folder_variable& operator=(const moved_folder_variable&) = delete;

private:
    const wchar_t* m_variable;
    std::wstring m_previous;
};

struct moved_local_data : moved_folder_variable {
    explicit moved_local_data(const std::filesystem::path& folder) : moved_folder_variable(L"LOCALAPPDATA", folder) {}
};

struct moved_app_data : moved_folder_variable {
    explicit moved_app_data(const std::filesystem::path& folder) : moved_folder_variable(L"APPDATA", folder) {}
};

// For the rest of the test program: one scratch folder for all its tests, since a run keeps
// writing its restore point where it wrote it first.
struct scratch_local_data {
    scratch_local_data()
    {
        static const temp_folder folder;
        SetEnvironmentVariableW(L"LOCALAPPDATA", folder.path().c_str());
    }
};

}  // namespace test

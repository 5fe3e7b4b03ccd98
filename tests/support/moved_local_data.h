#pragma once
// %LOCALAPPDATA% moved for this process and the programs it starts, back where it was
// afterwards: every profile write keeps a restore point there, and a test keeps its own.

#include "support/temp_folder.h"

#include <windows.h>

#include <filesystem>
#include <string>

namespace test {

class moved_local_data {
public:
    explicit moved_local_data(const std::filesystem::path& folder)
    {
        wchar_t previous[MAX_PATH] = {};
        if (GetEnvironmentVariableW(L"LOCALAPPDATA", previous, MAX_PATH) < MAX_PATH)
            m_previous = previous;
        SetEnvironmentVariableW(L"LOCALAPPDATA", folder.c_str());
    }
    ~moved_local_data() { SetEnvironmentVariableW(L"LOCALAPPDATA", m_previous.empty() ? nullptr : m_previous.c_str()); }
    moved_local_data(const moved_local_data&) = delete;
    moved_local_data& operator=(const moved_local_data&) = delete;

private:
    std::wstring m_previous;
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

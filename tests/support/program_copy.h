#pragma once
// Runs one test case in a copy of the running test program placed in another folder, for cases
// that depend on the folder of the executable (Portable.ini beside it, the program folder that
// connected profiles point to). The copy sees `marker` set in its environment.

#include <filesystem>
#include <string>

namespace test {

// The copy's exit code (0: its tests passed); `output` receives what it printed.
int run_copy_in(const std::filesystem::path& folder, const std::wstring& test_name, const wchar_t* marker,
                std::string& output);

// True in a copy started by run_copy_in with this marker.
bool is_copy(const wchar_t* marker);

}  // namespace test

#pragma once
// Runs one test case in a copy of the running test program placed in another folder, for cases
// that depend on the folder of the executable (Portable.ini beside it, the program folder that
// connected profiles point to). The copy sees `marker` set in its environment.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace test {

// Success when the copy ran exactly one test and it passed; else what the copy printed.
testing::AssertionResult passes_in_copy(const std::filesystem::path& folder, const std::wstring& test_filter,
                                        const wchar_t* marker);

// True in a copy started by passes_in_copy with this marker.
bool is_copy(const wchar_t* marker);

}  // namespace test

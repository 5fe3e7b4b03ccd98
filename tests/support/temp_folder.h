#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it afterwards.

#include <filesystem>
#include <string>

namespace test {

class temp_folder {
public:
    temp_folder();
    ~temp_folder();
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The folder as Windows writes it, with a trailing backslash.
    std::wstring with_backslash() const { return m_path.wstring() + L"\\"; }

private:
    std::filesystem::path m_path;
};

// The folder of the running test program, where the build puts its helper programs.
std::filesystem::path program_folder();

// A file's bytes as they lie on disk; empty when it cannot be read.
std::string read_file(const std::filesystem::path& path);

}  // namespace test

#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it afterwards;
// the folder of the running test program; a file's bytes, and a value of an INI file.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace test {

class temp_folder {
public:
    temp_folder()
    {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 (L"plaxor-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
        m_path = std::filesystem::path(m_path.wstring());
    }
    ~temp_folder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The folder as Windows writes it, with a trailing backslash.
    std::wstring with_backslash() const { return m_path.wstring() + L"\\"; }

private:
    std::filesystem::path m_path;
};

// Where the build puts the test programs, their helper programs and the real profile exports.
inline std::filesystem::path program_folder()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return std::filesystem::path(exe).parent_path();
}

// A file's bytes as they lie on disk; empty when it cannot be read.
inline std::string read_file(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The value of the key in the INI file's section, as the profile functions read it; "(none)"
// when the file, the section or the key is missing.
inline std::wstring ini_text(const std::filesystem::path& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t text[4096] = {};
    GetPrivateProfileStringW(section, key, L"(none)", text, 4096, file.c_str());
    return text;
}

}  // namespace test

#include "support/temp_folder.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <system_error>

namespace test {

temp_folder::temp_folder()
{
    static int counter = 0;
    m_path = std::filesystem::temp_directory_path() /
             (L"plaxor-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
    m_path = std::filesystem::path(m_path.wstring());
}

temp_folder::~temp_folder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path program_folder()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return std::filesystem::path(exe).parent_path();
}

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace test

// ConfigurePLAXOR.exe exports the connection classes to the client's other programs: read the
// export directory of the built program and look for every public operation by its demangled name.

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cxxabi.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

// The export names of a PE32+ file, read from the file itself; empty when it has none.
class pe_exports {
public:
    explicit pe_exports(const std::filesystem::path& file)
        : m_bytes(std::istreambuf_iterator<char>(std::ifstream(file, std::ios::binary).rdbuf()), {})
    {
    }

    std::vector<std::string> names()
    {
        std::vector<std::string> names;
        const auto* dos = at<IMAGE_DOS_HEADER>(0);
        const auto* nt = dos && dos->e_magic == IMAGE_DOS_SIGNATURE ? at<IMAGE_NT_HEADERS64>(dos->e_lfanew) : nullptr;
        if (!nt || nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
            return names;
        m_sections = IMAGE_FIRST_SECTION(nt);
        m_section_count = nt->FileHeader.NumberOfSections;
        const DWORD directory_rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress;
        const auto* directory = at<IMAGE_EXPORT_DIRECTORY>(file_offset(directory_rva));
        if (!directory_rva || !directory)
            return names;
        for (DWORD i = 0; i < directory->NumberOfNames; ++i)
            if (const auto* name_rva = at<DWORD>(file_offset(directory->AddressOfNames) + i * sizeof(DWORD)))
                if (const size_t name = file_offset(*name_rva); name < m_bytes.size())
                    names.emplace_back(m_bytes.data() + name, strnlen(m_bytes.data() + name, m_bytes.size() - name));
        return names;
    }

private:
    template <typename T>
    const T* at(size_t offset) const
    {
        return offset + sizeof(T) <= m_bytes.size() ? reinterpret_cast<const T*>(m_bytes.data() + offset) : nullptr;
    }

    size_t file_offset(DWORD rva) const
    {
        for (WORD i = 0; i < m_section_count; ++i) {
            const IMAGE_SECTION_HEADER& s = m_sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return SIZE_MAX / 2;  // outside any file
    }

    std::vector<char> m_bytes;
    const IMAGE_SECTION_HEADER* m_sections = nullptr;
    WORD m_section_count = 0;
};

std::string demangled(const std::string& name)
{
    int status = 0;
    char* text = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
    std::string result = status == 0 && text ? text : name;
    std::free(text);
    return result;
}

TEST(Exports, ProgramExportsTheConnectionClasses)
{
    std::set<std::string> exported;
    for (const std::string& name : pe_exports(test::program_folder() / L"ConfigurePLAXOR.exe").names())
        exported.insert(demangled(name));

    const char* expected[] = {
        "connection::s_def_colour",
        "connection::connection()",
        "connection::connection(vorn_buffer)",
        "connection::connection(connection const&)",
        "connection::operator=(connection const&)",
        "connection::~connection()",
        "connection::copy_from(connection const&)",
        "connection::read_ini()",
        "connection::write_ini()",
        "connection::copy_to_file(vorn_buffer)",
        "connection::is_new() const",
        "connection::get_name() const",
        "connection::getServerUserName() const",
        "connection::getServerPassword() const",
        "connection::plx2HttpServer() const",
        "connection::plx2HttpProcess() const",
        "connection::plx2HttpProcessBlobs() const",
        "connection::firstFolder() const",
        "connection::plx2HttpPort() const",
        "connection::plx2HttpSSL() const",
        "connection::vanilla_masters() const",
        "connection::cad_save_format() const",
        "connection::hConnTemp() const",
        "connection::is_connected() const",
        "connection::get_plx_user(wchar_t*, int, wchar_t*, int) const",
        "connection::set_server_credentials(wchar_t (&) [64], wchar_t (&) [64], bool&) const",
        "connection::get_type_label() const",
        "connection::get_seed_label() const",
        "connection::get_domain() const",
        "connection::get_name_label() const",
        "connection::get_conn_label() const",
        "connection::get_user_label() const",
        "connection::get_lastlogin_label() const",
        "multi_conn::multi_conn()",
        "multi_conn::multi_conn(multi_conn const&)",
        "multi_conn::operator=(multi_conn const&)",
        "multi_conn::~multi_conn()",
        "multi_conn::rebuild_list()",
        "multi_conn::free_list()",
        "multi_conn::total() const",
        "multi_conn::get_nth(int) const",
        "multi_conn::get_default() const",
        "multi_conn::set_default(connection*)",
        "multi_conn::find_conn(vorn_buffer) const",
        "multi_conn::find_conn_by_seed(vorn_buffer) const",
        "multi_conn::create_new(error_collector&, vorn_buffer, vorn_buffer&)",
        "multi_conn::delete_conn(error_collector&, connection*)",
        "multi_conn::report() const",
        "multi_conn::file_exists(wchar_t const*)",
    };
    for (const char* name : expected)
        EXPECT_TRUE(exported.contains(name)) << name;
}

}  // namespace

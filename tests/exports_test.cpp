// ConfigurePLAXOR.exe exports the connection classes to the client's other programs: read the
// export directory of the built program and look for every public operation by its demangled name.

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cxxabi.h>

#include <cstdlib>
#include <set>
#include <string>

namespace {

// The demangled export names of a program, read from its image mapped as the loader maps it
// (nothing in it runs).
std::set<std::string> exported_names(const std::filesystem::path& file)
{
    const HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        return {};
    const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR{3});
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress;
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory);
    std::set<std::string> names;
    for (DWORD i = 0; directory && i < exports->NumberOfNames; ++i) {
        const char* name = reinterpret_cast<const char*>(base + reinterpret_cast<const DWORD*>(base + exports->AddressOfNames)[i]);
        int status = 0;
        char* text = abi::__cxa_demangle(name, nullptr, nullptr, &status);
        names.insert(status == 0 && text ? text : name);
        std::free(text);
    }
    FreeLibrary(module);
    return names;
}

TEST(Exports, ProgramExportsTheConnectionClasses)
{
    const std::set<std::string> exported = exported_names(test::program_folder() / L"ConfigurePLAXOR.exe");
    for (const char* name : {
             "connection::s_def_colour", "connection::connection()", "connection::connection(vorn_buffer)",
             "connection::connection(connection const&)", "connection::operator=(connection const&)",
             "connection::~connection()", "connection::copy_from(connection const&)", "connection::read_ini()",
             "connection::write_ini()", "connection::copy_to_file(vorn_buffer)", "connection::is_new() const",
             "connection::get_name() const", "connection::getServerUserName() const",
             "connection::getServerPassword() const", "connection::plx2HttpServer() const",
             "connection::plx2HttpProcess() const", "connection::plx2HttpProcessBlobs() const",
             "connection::firstFolder() const", "connection::plx2HttpPort() const", "connection::plx2HttpSSL() const",
             "connection::vanilla_masters() const", "connection::cad_save_format() const",
             "connection::hConnTemp() const", "connection::is_connected() const",
             "connection::get_plx_user(wchar_t*, int, wchar_t*, int) const",
             "connection::set_server_credentials(wchar_t (&) [64], wchar_t (&) [64], bool&) const",
             "connection::get_type_label() const", "connection::get_seed_label() const", "connection::get_domain() const",
             "connection::get_name_label() const", "connection::get_conn_label() const",
             "connection::get_user_label() const", "connection::get_lastlogin_label() const",
             "multi_conn::multi_conn()", "multi_conn::multi_conn(multi_conn const&)",
             "multi_conn::operator=(multi_conn const&)", "multi_conn::~multi_conn()", "multi_conn::rebuild_list()",
             "multi_conn::free_list()", "multi_conn::total() const", "multi_conn::get_nth(int) const",
             "multi_conn::get_default() const", "multi_conn::set_default(connection*)",
             "multi_conn::find_conn(vorn_buffer) const", "multi_conn::find_conn_by_seed(vorn_buffer) const",
             "multi_conn::create_new(error_collector&, vorn_buffer, vorn_buffer&)",
             "multi_conn::delete_conn(error_collector&, connection*)", "multi_conn::report() const",
             "multi_conn::file_exists(wchar_t const*)"})
        EXPECT_TRUE(exported.contains(name)) << name;
}

}  // namespace

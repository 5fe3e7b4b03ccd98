// ConfigurePLAXOR.exe exports the connection classes to the client's other programs: read the
// export directory of the built program and look for every public operation by its demangled name.

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cxxabi.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

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
    const std::pair<std::string, std::vector<const char*>> classes[] = {
        {"connection::",
         {"s_def_colour", "connection()", "connection(vorn_buffer)", "connection(connection const&)",
          "operator=(connection const&)", "~connection()", "copy_from(connection const&)", "read_ini()", "write_ini()",
          "copy_to_file(vorn_buffer)", "is_new() const", "get_name() const", "getServerUserName() const",
          "getServerPassword() const", "plx2HttpServer() const", "plx2HttpProcess() const",
          "plx2HttpProcessBlobs() const", "firstFolder() const", "plx2HttpPort() const", "plx2HttpSSL() const",
          "vanilla_masters() const", "cad_save_format() const", "hConnTemp() const", "is_connected() const",
          "get_plx_user(wchar_t*, int, wchar_t*, int) const",
          "set_server_credentials(wchar_t (&) [64], wchar_t (&) [64], bool&) const", "get_type_label() const",
          "get_seed_label() const", "get_domain() const", "get_name_label() const", "get_conn_label() const",
          "get_user_label() const", "get_lastlogin_label() const"}},
        {"multi_conn::",
         {"multi_conn()", "multi_conn(multi_conn const&)", "operator=(multi_conn const&)", "~multi_conn()",
          "rebuild_list()", "free_list()", "total() const", "get_nth(int) const", "get_default() const",
          "set_default(connection*)", "find_conn(vorn_buffer) const", "find_conn_by_seed(vorn_buffer) const",
          "create_new(error_collector&, vorn_buffer, vorn_buffer&)", "delete_conn(error_collector&, connection*)",
          "report() const", "file_exists(wchar_t const*)"}}};
    for (const auto& [owner, members] : classes)
        for (const char* member : members)
            EXPECT_TRUE(exported.contains(owner + member)) << owner << member;
}

}  // namespace

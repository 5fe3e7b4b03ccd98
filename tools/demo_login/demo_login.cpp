// Tries the test login of connection definitions from the command line, the way the Connection
// Properties dialog tests one, and prints what a person would see: the server's seed and values
// on success, the failure message otherwise. The demo workstation uses it to show that its
// definitions reach the reference gateway.
// Usage: demo_login.exe DEFINITION.ini [PASSWORD]   (the password is never printed)
#include "connections/connection.h"

#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: demo_login DEFINITION.ini [PASSWORD]\n");
        return 2;
    }
    connection definition{vorn_buffer(argv[1])};
    definition.read_ini();
    if (argc > 2)
        definition.m_password = argv[2];
    std::wprintf(L"%ls (%ls %ls):\n", definition.get_name_label().as_const_w_buffer(),
                 definition.get_type_label().as_const_w_buffer(), definition.get_conn_label().as_const_w_buffer());
    if (const win::outcome login = definition.reconnect(); !login) {
        std::wprintf(L"  %ls\n", login.text().c_str());
        return 1;
    }
    std::wprintf(L"  logged in: seed %ls, gateway %ls%ls port %ld\n", definition.get_seed_label().as_const_w_buffer(),
                 definition.plx2HttpServer().as_const_w_buffer(), definition.plx2HttpProcess().as_const_w_buffer(),
                 definition.plx2HttpPort());
    return 0;
}

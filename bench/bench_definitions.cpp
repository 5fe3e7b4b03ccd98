#include "bench_definitions.h"

#include "connections/connection.h"

#include <stdexcept>

namespace bench {

void write_definitions(const std::wstring& folder, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::wstring seed = L"site" + std::to_wstring(i);
        connection conn;
        conn.m_seed = seed.c_str();
        conn.m_last_login = {2024, 3, 7, 14, 5, 9, 0};
        conn.m_colour = RGB(i % 256, 128, 64);
        conn.m_user_name = L"ann.smith";
        conn.m_password = L"correct horse battery";
        conn.m_server_user_name = L"gateway";
        conn.m_server_password = L"staple 42";
        conn.m_network_user = L"ANN-PC\\ann";
        conn.m_host_name = (seed + L".plaxor.example.com").c_str();
        conn.m_process = L"/drawing_management/dbclient.php";
        conn.m_port = 443;
        conn.m_ssl = true;
        if (!conn.copy_to_file((folder + seed + L"_locator.ini").c_str()))
            throw std::runtime_error("a definition could not be written");
    }
}

}  // namespace bench

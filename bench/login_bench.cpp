// Times the test login of an HTTP definition (connection::reconnect: the login POST through the
// client library, its JSON answer and the six server variables) against the reference gateway on
// this machine, and in the same run the floor: a bare WinHTTP POST of the same request to the
// same gateway, its answer read whole, in a session of its own as the library opens one.

#include "bench_timing.h"
#include "connections/connection.h"
#include "vorn/dbc_http_login.h"

#include "support/temp_folder.h"
#include "support/unix_service.h"

#include <windows.h>

#include <winhttp.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr int rounds = 41;
constexpr int warm_up_rounds = 5;
constexpr wchar_t process[] = L"/drawing_management/dbclient.php";

// The floor. Returns the HTTP status with the answer's length, or 0.
unsigned long bare_post(long port, const std::string& body, size_t& answer_length)
{
    answer_length = 0;
    unsigned long status = 0;
    HINTERNET session = WinHttpOpen(L"PLAXOR-dbclient/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET connection = session ? WinHttpConnect(session, L"localhost", static_cast<INTERNET_PORT>(port), 0) : nullptr;
    HINTERNET request = connection ? WinHttpOpenRequest(connection, L"POST", process, nullptr, WINHTTP_NO_REFERER,
                                                        WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                   : nullptr;
    const wchar_t headers[] = L"Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"
                              L"Accept: application/json\r\n";
    if (request &&
        WinHttpSendRequest(request, headers, static_cast<DWORD>(-1L), const_cast<char*>(body.data()),
                           static_cast<DWORD>(body.size()), static_cast<DWORD>(body.size()), 0) &&
        WinHttpReceiveResponse(request, nullptr)) {
        DWORD size = sizeof(status);
        WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                            &status, &size, WINHTTP_NO_HEADER_INDEX);
        char buffer[16384];
        DWORD read = 0;
        while (WinHttpReadData(request, buffer, sizeof(buffer), &read) && read != 0)
            answer_length += read;
    }
    for (HINTERNET handle : {request, connection, session})
        if (handle)
            WinHttpCloseHandle(handle);
    return status;
}

}  // namespace

int main()
{
    test::temp_folder folder;
    const auto config = folder.path() / L"gateway.ini";
    std::ofstream(config) << "[gateway]\n[users]\nann = s3cret\n[vars]\n"
                             "PLX2_SEED = acme\nPLX2_HTTP_SERVER = plx.acme.com\nPLX2_HTTP_PORT = 443\n"
                             "PLX2_HTTP_PROCESS = /acme/dbclient.php\nPLX2_HTTP_PROCESS_BLOBS = /acme/blobs.php\n"
                             "PLX2_HTTP_SSL = 1\n";
    test::unix_service gateway(test::gateway_command(config));
    if (!gateway.started()) {
        std::fprintf(stderr, "login_bench: the reference gateway did not start\n");
        return 1;
    }

    connection definition;
    definition.m_host_name = L"localhost";
    definition.m_port = static_cast<int>(gateway.port());
    definition.m_process = process;
    definition.m_user_name = L"ann";
    definition.m_password = L"s3cret";
    definition.m_user_server_logon = false;
    win::outcome logged_in;

    const std::string body = login_form_body(L"ann", L"s3cret", definition.m_remember_password, definition.m_read_size);
    unsigned long status = 0;
    size_t answer_length = 0;

    const auto times = bench::time_rounds(
        warm_up_rounds, rounds, bench::order::taking_turns,
        {{[&] { logged_in = definition.reconnect(); },
          [&] { return logged_in.clean() && definition.firstFolder().str() == L"acme"; }},
         {[&] { status = bare_post(gateway.port(), body, answer_length); },
          [&] { return status == 200 && answer_length > 100; }}});
    if (!times) {
        std::fprintf(stderr, "login_bench: a login or the bare POST did not complete\n");
        return 1;
    }
    const double login = bench::median((*times)[0]);
    const double floor = bench::median((*times)[1]);
    bench::print_milliseconds("test_login_http", login, 2);
    bench::print_milliseconds("test_login_http_floor_bare_winhttp_post", floor, 2);
    bench::print_ratio("test_login_http_ratio", login / floor);
    return 0;
}

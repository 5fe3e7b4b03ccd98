// Logins against the reference gateway and a real proxy, both started beside the test on free
// loopback ports: the client library's own HTTP login, and a connection definition's test login
// over HTTP and over ODBC (LAN) to a SQLite database, with the boxes it shows.

#include "connections/connection.h"
#include "vorn/dbc_login.h"
#include "vorn/vorn_curl.h"

#include "ui/show_error.h"
#include "support/scripted_seam.h"
#include "support/temp_folder.h"
#include "support/trusted_authority.h"
#include "support/transport.h"
#include "support/unix_service.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sql.h>
#include <sqlext.h>
#include <wincrypt.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string users = "[users]\nann = s3cret pw\n";
const std::string three_vars = "[vars]\nPLX2_SEED = acme\nPLX2_HTTP_SERVER = plx.acme.com\nPLX2_HTTP_PORT = 443\n";
const std::string server_logon = "auth = basic\nserver_user = web\nserver_password = web pw";

struct outcome {
    bool ok;
    void* handle;
    std::wstring error;
    DBC_LOGIN_INFO info;
};

outcome log_in(long port, bool ssl = false, long timeout = 0)
{
    outcome result{};
    result.ok = dbc_LoginUser(L"", &result.handle, nullptr, &result.info, 1, L"localhost",
                              L"/drawing_management/dbclient.php", port, 16384, ssl, timeout, 0, 1, 0) != 0;
    wchar_t error[dbc_last_error_size];
    result.error = dbc_LastError(result.ok ? result.handle : nullptr, error, dbc_last_error_size);
    return result;
}

// One HTTPS gateway for the whole program, its authority trusted from the start.
class trusted_gateway : public ::testing::Environment {
public:
    static inline long port = 0;
    static inline fs::path ca_folder;

    void SetUp() override
    {
        m_gateway = std::make_unique<test::trusted_gateway>("[gateway]\n" + users + three_vars);
        ASSERT_TRUE(m_gateway->started());
        port = m_gateway->port();
        ca_folder = m_gateway->ca_folder();
    }
    void TearDown() override { m_gateway.reset(); }

private:
    std::unique_ptr<test::trusted_gateway> m_gateway;
};

[[maybe_unused]] ::testing::Environment* const https_environment =
    ::testing::AddGlobalTestEnvironment(new trusted_gateway);

class HttpLogin : public ::testing::Test {
protected:
    void SetUp() override
    {
        vorn_cURL::ensure_config_loaded();  // the first login would load them over these
        vorn_cURL::m_setting_proxy = L"";
        vorn_cURL::m_setting_proxy_use_cred = false;
        vorn_cURL::m_setting_conn_timeout = 5;
        vorn_cURL::m_setting_timeout = 30;
        vorn_cURL::m_httpAuth = vorn_auth_any;
        vorn_cURL::m_ssl_no_revoke = 1;
        dbc_connect_set_userdetails(L"ann", L"s3cret pw", true, L"", L"", false);
    }

    // The port of a gateway with this [gateway] section, the user ann and these variables; each
    // request it answers is a line of `requests`.
    long gateway(const std::string& section, const std::string& vars = three_vars, bool tls = false,
                 const fs::path& ca_folder = {}, const std::vector<std::string>& options = {})
    {
        const auto config = folder.path() / (L"gateway" + std::to_wstring(m_services.size()) + L".ini");
        std::ofstream(config) << "[gateway]\n" << section << "\n" << users << vars;
        auto command = test::gateway_command(config, tls, ca_folder.empty() ? folder.path() / L"ca" : ca_folder, requests);
        command.insert(command.end(), options.begin(), options.end());
        return started(command);
    }
    long started(const std::vector<std::string>& command)
    {
        const auto& service = m_services.emplace_back(std::make_unique<test::unix_service>(command));
        EXPECT_TRUE(service->started()) << command[1];
        return service->port();
    }
    long requests_with(const std::string& part) const
    {
        std::istringstream lines(test::read_file(requests));
        long count = 0;
        for (std::string line; std::getline(lines, line);)
            count += line.find(part) != std::string::npos;
        return count;
    }

    test::temp_folder folder;
    const fs::path requests = folder.path() / L"requests.log";

private:
    std::vector<std::unique_ptr<test::unix_service>> m_services;
};

TEST_F(HttpLogin, LogsInAndOwnsTheServerVariables)
{
    const long port = gateway("");
    const outcome login = log_in(port);
    ASSERT_TRUE(login.ok) << login.error;
    EXPECT_EQ(login.info.variable_count, 3);
    EXPECT_EQ(login.info.http_status, 200);
    const auto variable = [&](const wchar_t* name) {  // "int text", or "none"
        DBC_VAR var{};
        return dbcVars_GetVar(login.handle, name, &var) ? std::to_wstring(var.int_value) + L" " + var.text_value : L"none";
    };
    EXPECT_EQ(variable(L"PLX2_SEED") + L" | " + variable(L"PLX2_HTTP_PORT") + L" | " + variable(L"PLX2_HTTP_SSL"),
              L"0 acme | 443 443 | none");
    wchar_t error[dbc_last_error_size];
    EXPECT_STREQ(dbc_LastError(login.handle, error, dbc_last_error_size), L"The server has no variable PLX2_HTTP_SSL");
    EXPECT_STREQ(dbc_LastError(login.handle, error, 8), L"The ser");
}

// Each within the exchange's time (2 seconds), however the answer trickles.
TEST_F(HttpLogin, AnswersThatAreNoLoginFailWithAClearText)
{
    vorn_cURL::m_setting_timeout = 2;
    const std::pair<std::string, std::wstring> cases[] = {
        {"answer = malformed", L"The server's answer is not valid JSON"},
        {"answer = oversized", L"The server's answer of 1572927 bytes is larger than 1 MiB"},
        {"answer = oversized\nanswer_bytes = 52428800", L"The server's answer of 52428863 bytes is larger than 1 MiB"},
        {"answer = oversized-unannounced", L"The server's answer is larger than 1 MiB"},
        {"answer = oversized-unannounced\nanswer_bytes = 52428800", L"The server's answer is larger than 1 MiB"},
        {"answer = http-503", L"HTTP 503 Service Unavailable"},
        {"process = /elsewhere.php", L"HTTP 404 Not Found"},
        {"answer = redirect-302", L"HTTP 302 Found"},
        {"answer = redirect-307", L"HTTP 307 Temporary Redirect"},
        {"answer = cut", L"The server closed the connection after 33 of the 67 bytes of its answer"},
        {"answer = killed", L"The server's answer is empty"},  // its process ended half-way through the headers
        {"answer = silent", L"No answer from localhost:PORT within 2 seconds (WinHTTP error 12002)"},
        {"answer = slow", L"No answer from localhost:PORT within 2 seconds (WinHTTP error 12002)"},
        {"content_type = text/html", L""},  // PHP gateways often label their JSON so: it counts all the same
    };
    for (const auto& [behaviour, error] : cases) {
        const long port = gateway(behaviour);
        const auto start = std::chrono::steady_clock::now();
        const outcome login = log_in(port);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, std::chrono::milliseconds(4000)) << behaviour;
        if (error.find(L"within 2 seconds") != std::wstring::npos) {
            EXPECT_GT(took, std::chrono::milliseconds(1800)) << behaviour;
        }
        EXPECT_EQ(login.ok, error.empty()) << behaviour;
        EXPECT_EQ(login.ok ? L"" : login.error, std::regex_replace(error, std::wregex(L"PORT"), std::to_wstring(port)))
            << behaviour;
    }
    const long silent = gateway("answer = silent");
    const auto again = std::chrono::steady_clock::now();
    EXPECT_FALSE(log_in(silent, false, 1).ok);  // the login's own timeout wins
    EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::milliseconds(2500));
}

TEST_F(HttpLogin, HttpsTrustsOnlyAKnownAuthority)
{
    const outcome login = log_in(trusted_gateway::port, true);
    EXPECT_TRUE(login.ok) << login.error;
    // An unknown authority, and the known one's certificates expired or for another host.
    for (const auto& [ca_folder, options] : {std::pair{folder.path() / L"unknown-ca", std::vector<std::string>{}},
                                             {trusted_gateway::ca_folder, {"--cert-expired"}},
                                             {trusted_gateway::ca_folder, {"--cert-name", "elsewhere.example"}}}) {
        const long stranger = gateway("", three_vars, true, ca_folder, options);
        const outcome refused = log_in(stranger, true);
        EXPECT_FALSE(refused.ok);
        EXPECT_NE(refused.error.find(L"Secure connection to localhost:" + std::to_wstring(stranger) + L" refused"),
                  std::wstring::npos) << refused.error;
    }
    EXPECT_FALSE(log_in(trusted_gateway::port).ok);  // HTTP to an HTTPS port
    // The gateway's own authority publishes no revocation list. A second gateway with the same
    // certificate: Wine would otherwise reuse the connection already verified.
    const long same_authority = gateway("", three_vars, true, trusted_gateway::ca_folder);
    vorn_cURL::m_ssl_no_revoke = 0;
    EXPECT_FALSE(log_in(same_authority, true).ok);
    vorn_cURL::m_ssl_no_revoke = 1;
    EXPECT_TRUE(log_in(same_authority, true).ok);
}

TEST_F(HttpLogin, ServerLogonFollowsTheMask)
{
    const long port = gateway(server_logon);
    dbc_connect_set_userdetails(L"ann", L"s3cret pw", true, L"web", L"web pw", true);
    vorn_cURL::m_httpAuth = vorn_auth_anysafe;
    const outcome safe = log_in(port);
    EXPECT_FALSE(safe.ok);
    EXPECT_EQ(safe.error, L"The server asks for a logon by Basic, which the HTTP authentication setting does not allow");
    EXPECT_EQ(requests_with("auth=basic"), 0);

    for (const long mask : {vorn_auth_any, vorn_auth_basic, vorn_auth_basic | vorn_auth_only}) {
        vorn_cURL::m_httpAuth = mask;
        const outcome login = log_in(port);
        EXPECT_TRUE(login.ok) << mask << ": " << login.error;
    }
    // Without a server logon at all it is the definition's test login below that fails.
    dbc_connect_set_userdetails(L"ann", L"s3cret pw", true, L"web", L"wrong", true);
    EXPECT_EQ(log_in(port).error, L"HTTP 401 Unauthorized");
}

// Wine's WinHTTP offers Digest but never completes it, so only the choice is checked here;
// on Windows the Digest login itself succeeds. Which mask chooses what is the scheme table's.
TEST_F(HttpLogin, DigestIsChosenWhenTheServerOffersItAndTheMaskAllowsIt)
{
    const long port = gateway("auth = basic digest\nserver_user = web\nserver_password = web pw");
    dbc_connect_set_userdetails(L"ann", L"s3cret pw", true, L"web", L"web pw", true);
    test::debug_recorder target;
    log_in(port);  // with any scheme allowed
    EXPECT_NE(target.text.find(L"The server asks for a logon: Digest, Basic\r\n"), std::wstring::npos);
    EXPECT_NE(target.text.find(L"Sending the server logon by Digest\r\n"), std::wstring::npos);
    vorn_cURL::m_httpAuth = vorn_auth_basic;
    EXPECT_TRUE(log_in(port).ok);
    EXPECT_EQ(requests_with("auth=basic"), 1);  // only where the mask allowed nothing else
}

TEST_F(HttpLogin, GoesThroughAProxyWithAndWithoutCredentials)
{
    const auto open_log = folder.path() / L"open-proxy.log";
    const long port = gateway("");
    const long open_proxy = started(test::proxy_command({}, {}, open_log));
    const long guarded_proxy = started(test::proxy_command("pu", "proxy-pw"));
    vorn_cURL::m_setting_proxy = L"127.0.0.1";
    vorn_cURL::m_setting_proxy_port = open_proxy;
    const outcome plain = log_in(port);
    EXPECT_TRUE(plain.ok) << plain.error;
    const outcome secure = log_in(trusted_gateway::port, true);
    EXPECT_TRUE(secure.ok) << secure.error;
    const std::string seen = test::read_file(open_log);
    EXPECT_NE(seen.find("localhost:" + std::to_string(port)), std::string::npos) << seen;
    EXPECT_NE(seen.find("CONNECT localhost:" + std::to_string(trusted_gateway::port)), std::string::npos) << seen;

    // tinyproxy refuses and closes before it reads the body: the refusal may come as its 407
    // or as a reset connection.
    vorn_cURL::m_setting_proxy_port = guarded_proxy;
    vorn_cURL::m_setting_proxy_user = L"pu";
    vorn_cURL::m_setting_proxy_password = L"proxy-pw";
    EXPECT_FALSE(log_in(port).ok);
    vorn_cURL::m_setting_proxy_use_cred = true;
    test::debug_recorder target;
    const outcome guarded = log_in(port);
    target.stop();
    EXPECT_TRUE(guarded.ok) << guarded.error;
    EXPECT_NE(target.text.find(L"Proxy-Authorization: Basic ****\r\n"), std::wstring::npos) << target.text;
    EXPECT_EQ(target.text.find(L"cHU6"), std::wstring::npos);  // base64 of "pu:"
    vorn_cURL::m_setting_proxy_password = L"wrong";
    EXPECT_FALSE(log_in(port).ok);
}

TEST_F(HttpLogin, DebugOutputComesInOrderWithEveryCredentialMasked)
{
    const long port = gateway(server_logon);
    dbc_connect_set_userdetails(L"ann", L"s3cret pw", true, L"web", L"web pw", true);
    const auto log_path = folder.path() / L"cURL_console.log";
    test::debug_recorder target(log_path);
    const outcome login = log_in(port);
    target.stop();
    ASSERT_TRUE(login.ok) << login.error;
    EXPECT_EQ(requests_with("auth=basic cookie=yes status=200"), 1);

    // Two rounds (the 401, then the logon): out before in, headers before data.
    EXPECT_EQ(target.kinds.front(), vorn_debug_info);
    std::vector<int> main_kinds = target.kinds;
    std::erase(main_kinds, vorn_debug_info);
    EXPECT_EQ(main_kinds, (std::vector<int>{vorn_debug_header_out, vorn_debug_data_out, vorn_debug_header_in, vorn_debug_data_in,
                                            vorn_debug_header_out, vorn_debug_data_out, vorn_debug_header_in, vorn_debug_data_in}));

    const std::string file = test::read_file(log_path);
    for (const std::string secret : {"s3cret", "d2ViOndlYiBwdw", "plx_session=", "web pw", "web+pw"}) {
        EXPECT_EQ(file.find(secret), std::string::npos) << secret;
        EXPECT_EQ(target.text.find(std::wstring(secret.begin(), secret.end())), std::wstring::npos) << secret;
    }
    for (const std::string masked : {"Authorization: Basic ****", "Cookie: ****", "Set-Cookie: ****", "&password=****&"}) {
        EXPECT_NE(target.text.find(std::wstring(masked.begin(), masked.end())), std::wstring::npos) << masked;
        EXPECT_NE(file.find(masked), std::string::npos) << masked;
    }
    // Every line of a piece marked, not only its first.
    for (const char* line : {"> POST /drawing_management/dbclient.php", "\r\n> Authorization: Basic ****", "< HTTP/1.1 200",
                             "\r\n< Set-Cookie: ****", "} action=login&user=ann&password=****&remember=1&read_size=16384",
                             "{ {\"status\": \"ok\"", "* Connecting to localhost:"})
        EXPECT_NE(file.find(line), std::string::npos) << line;
}

// The connection definition's test login, pointed at a gateway as ann without a server logon.
class ConnectionLogin : public HttpLogin {
protected:
    void point_at(long port)
    {
        definition.m_login_type = login_type_http;
        definition.m_host_name = L"localhost";
        definition.m_port = static_cast<int>(port);
        definition.m_user_name = L"ann";
        definition.m_password = L"s3cret pw";
        definition.m_user_server_logon = false;
    }
    // What the last login fetched: seed, host:port, both processes, ssl and first folder.
    std::wstring server_values() const
    {
        return definition.m_seed.str() + L" " + definition.plx2HttpServer().str() + L":" +
               std::to_wstring(definition.plx2HttpPort()) + L" " + definition.plx2HttpProcess().str() + L" " +
               definition.plx2HttpProcessBlobs().str() + (definition.plx2HttpSSL() ? L" ssl '" : L" plain '") +
               definition.firstFolder().str() + L"'";
    }
    std::wstring first_box() const { return seam.texts().empty() ? L"" : seam.texts().front(); }

    test::scripted_seam seam;
    connection definition;
};

const std::string all_six = "[vars]\nPLX2_SEED = acme\nPLX2_HTTP_SERVER = plx.acme.com\nPLX2_HTTP_PORT = 8443\n"
                            "PLX2_HTTP_PROCESS = /acme/dbclient.php\nPLX2_HTTP_PROCESS_BLOBS = /acme/blobs.php\n"
                            "PLX2_HTTP_SSL = 1\n";

TEST_F(ConnectionLogin, HttpLoginTakesTheSixServerValues)
{
    point_at(gateway("", all_six));
    ASSERT_TRUE(show_failures(definition.reconnect())) << first_box();
    EXPECT_TRUE(seam.boxes().empty());
    EXPECT_TRUE(definition.is_connected());
    EXPECT_EQ(server_values(), L"acme plx.acme.com:8443 /acme/dbclient.php /acme/blobs.php ssl 'acme'");
    EXPECT_NE(definition.m_last_login.year, 0);

    definition.m_password = L"wrong";
    EXPECT_FALSE(show_failures(definition.reconnect()));
    EXPECT_FALSE(definition.is_connected());
    EXPECT_TRUE(seam.showed_errors({L"Failed to dbc_LoginUser because: Invalid user name or password."}));

    // An unknown login type asks no server.
    seam.clear();
    const long requests_before = requests_with("POST");
    definition.m_login_type = 3;
    EXPECT_FALSE(show_failures(definition.reconnect()));
    ASSERT_EQ(seam.boxes().size(), 1u);
    EXPECT_EQ(first_box().rfind(L"Failed because of invalid connection type!", 0), 0u) << first_box();
    EXPECT_EQ(requests_with("POST"), requests_before);
    definition.m_login_type = login_type_http;

    // The standard process has no first folder.
    point_at(gateway("", "[vars]\nPLX2_SEED = acme\nPLX2_HTTP_SERVER = h\nPLX2_HTTP_PORT = 80\n"
                         "PLX2_HTTP_PROCESS = /Drawing_Management/dbclient.php\n"
                         "PLX2_HTTP_PROCESS_BLOBS = /Drawing_Management/blobs.php\nPLX2_HTTP_SSL = 0\n"));
    definition.m_first_folder = L"stale";
    ASSERT_TRUE(show_failures(definition.reconnect())) << first_box();
    EXPECT_EQ(server_values(), L"acme h:80 /Drawing_Management/dbclient.php /Drawing_Management/blobs.php plain ''");
}

TEST_F(ConnectionLogin, TheServerLogonGoesOnlyWhenTheDefinitionAsksForIt)
{
    point_at(gateway(server_logon, all_six));
    definition.m_server_user_name = L"web";
    definition.m_server_password = L"web pw";
    EXPECT_FALSE(show_failures(definition.reconnect()));
    EXPECT_EQ(seam.texts(), std::vector<std::wstring>{L"Failed to dbc_LoginUser because: HTTP 401 Unauthorized"});
    EXPECT_EQ(requests_with("auth=basic"), 0);

    definition.m_user_server_logon = true;
    EXPECT_TRUE(show_failures(definition.reconnect())) << first_box();
    EXPECT_EQ(requests_with("auth=basic cookie=yes status=200"), 1);
}

std::wstring sqlite_connect_text(const fs::path& database)
{
    // The driver runs on the Linux side of Wine: it takes the database's Linux path.
    return L"DRIVER={SQLite3};Database=" + fs::path(test::unix_path(database)).wstring();
}

// Runs SQL on a SQLite database through the same ODBC route the LAN login takes.
void run_sql(const std::wstring& connect_text, const std::vector<std::wstring>& statements)
{
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
    std::wstring text = connect_text;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLDriverConnectW(connection, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()), SQL_NTS,
                                                nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    for (std::wstring statement : statements) {
        SQLHSTMT handle = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle);
        EXPECT_TRUE(SQL_SUCCEEDED(SQLExecDirectW(handle, reinterpret_cast<SQLWCHAR*>(statement.data()), SQL_NTS)));
        SQLFreeHandle(SQL_HANDLE_STMT, handle);
    }
    SQLDisconnect(connection);
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
}

TEST_F(ConnectionLogin, LanLoginReadsPlxVarsThroughOdbc)
{
    const std::wstring database = sqlite_connect_text(folder.path() / L"plaxor.db");
    run_sql(database, {L"CREATE TABLE plx_vars (name TEXT, int_value INTEGER, text_value TEXT)",
                       L"INSERT INTO plx_vars VALUES ('PLX2_SEED', 0, 'lan-seed'), ('PLX2_HTTP_SERVER', 0, 'plx.lan'),"
                       L" ('PLX2_HTTP_PORT', 443, '443'), ('PLX2_HTTP_PROCESS', 0, '/drawing_management/dbclient.php'),"
                       L" ('PLX2_HTTP_PROCESS_BLOBS', 0, '/drawing_management/blobs.php'), ('PLX2_HTTP_SSL', 1, '1')"});
    definition.m_login_type = login_type_lan;
    definition.m_connect_text = database.c_str();
    ASSERT_TRUE(show_failures(definition.reconnect())) << first_box();
    EXPECT_EQ(server_values(),
              L"lan-seed plx.lan:443 /drawing_management/dbclient.php /drawing_management/blobs.php ssl ''");

    void* handle = nullptr;
    DBC_LOGIN_INFO info = {};
    ASSERT_NE(dbc_LoginUser(database.c_str(), &handle, nullptr, &info, 0, nullptr, nullptr, 80, 0, 0, 6, 0, 1, 0), 0);
    EXPECT_EQ(info.variable_count, 6);
    EXPECT_STREQ(info.server, L"SQLite");

    // Wine maps only existing folders: the missing one is added to the mapped path.
    definition.m_connect_text = (sqlite_connect_text(folder.path()) + L"/missing/x.db").c_str();
    EXPECT_FALSE(show_failures(definition.reconnect()));
    EXPECT_TRUE(seam.showed_errors({L"Failed to dbc_LoginUser because: [SQLite]connect failed (SQLSTATE HY000)"}));
    EXPECT_FALSE(definition.is_connected());

    definition.m_connect_text = sqlite_connect_text(folder.path() / L"empty.db").c_str();
    EXPECT_FALSE(show_failures(definition.reconnect()));
    EXPECT_EQ(seam.texts()[1].rfind(L"Failed to dbc_LoginUser because: [SQLite]no such table: plx_vars", 0), 0u)
        << seam.texts()[1];
}

// What the definition cannot take whole. A missing variable keeps what arrived before it (the
// login itself succeeded). A line break in a stored text would start a line of the server's
// choosing in the definition's file: such an answer is refused whole, over HTTP and over ODBC
// alike, and nothing of it is kept.
TEST_F(ConnectionLogin, AnAnswerMissingAVariableOrHoldingAControlCharacterIsNotTakenWhole)
{
    const std::wstring database = sqlite_connect_text(folder.path() / L"hostile.db");
    run_sql(database, {L"CREATE TABLE plx_vars (name TEXT, int_value INTEGER, text_value TEXT)",
                       L"INSERT INTO plx_vars VALUES ('PLX2_SEED', 0, 'x' || char(13, 10) || '[httpConn]')"});
    const auto refused = [](const wchar_t* variable) {
        return L"Failed to dbc_LoginUser because: The server variable " + std::wstring(variable) +
               L" holds a line break or another control character: the login is refused";
    };
    // The gateway's variables (none: the LAN login's database), the box, what the definition then
    // holds. Indented lines continue a value of the gateway's configuration, joined by line feeds.
    // The refused answers first: nothing of theirs is kept, so each starts from the same definition.
    const std::tuple<std::string, std::wstring, std::wstring, bool> answers[] = {
        {"[vars]\nPLX2_SEED = x\n  [httpConn]\n  hostName=evil.example\n  ssl=0\nPLX2_HTTP_SERVER = plx.acme.com\n",
         refused(L"PLX2_SEED"), L"kept :99   plain ''", false},
        {"[vars]\nPLX2_SEED = acme\nPLX2_HTTP_SERVER = plx\t.acme.com\n", refused(L"PLX2_HTTP_SERVER"),
         L"kept :99   plain ''", false},
        {"", refused(L"PLX2_SEED"), L"kept :99   plain ''", false},
        {"[vars]\nPLX2_SEED = acme\nPLX2_HTTP_SERVER = plx.acme.com\n",
         L"Failed to dbcVars_GetVar on 'PLX2_HTTP_PORT' because: The server has no variable PLX2_HTTP_PORT",
         L"acme plx.acme.com:99   plain ''", true},
    };
    for (const auto& [vars, box, values, connected] : answers) {
        SCOPED_TRACE(vars);
        seam.clear();
        if (vars.empty()) {
            definition.m_login_type = login_type_lan;
            definition.m_connect_text = database.c_str();
        } else {
            point_at(gateway("", vars));
        }
        definition.m_seed = L"kept";
        definition.m_server_port = 99;
        definition.m_last_login = {2023, 4, 5, 6, 7, 8, 0};
        EXPECT_FALSE(show_failures(definition.reconnect()));
        EXPECT_TRUE(seam.showed_errors({box}));
        EXPECT_EQ(server_values(), values);
        EXPECT_EQ(definition.m_last_login.year, 2023);
        EXPECT_EQ(definition.is_connected(), connected);
    }
}

}  // namespace

// The test login of a connection definition against the reference gateway (HTTP) and a SQLite
// database through ODBC (LAN), with the failure boxes it shows.

#include "connections/connection.h"
#include "vorn/dbc_login.h"
#include "vorn/vorn_curl.h"

#include "support/scripted_seam.h"
#include "support/temp_folder.h"
#include "support/unix_service.h"

#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::wstring sqlite_connect_text(const std::filesystem::path& database)
{
    // The driver runs on the Linux side of Wine: it takes the database's Linux path.
    return L"DRIVER={SQLite3};Database=" + std::filesystem::path(test::unix_path(database)).wstring();
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

class ConnectionLogin : public ::testing::Test {
protected:
    void SetUp() override
    {
        vorn_cURL::ensure_config_loaded();  // the first login would load them over these
        vorn_cURL::m_setting_proxy = L"";
        vorn_cURL::m_setting_timeout = 30;
        vorn_cURL::m_httpAuth = vorn_auth_any;
    }

    // A gateway with the users and these variables, `protection` as in its [gateway] section, and
    // the definition pointed at it as ann without a server logon.
    bool start_gateway(const std::string& vars, const std::string& protection = "")
    {
        const auto config = folder.path() / L"gateway.ini";
        std::ofstream(config) << "[gateway]\n" << protection << "\n[users]\nann = s3cret\n[vars]\n" << vars;
        m_gateway = std::make_unique<test::unix_service>(test::gateway_command(config, false, {}, requests));
        definition.m_host_name = L"localhost";
        definition.m_port = static_cast<int>(m_gateway->port());
        definition.m_user_name = L"ann";
        definition.m_password = L"s3cret";
        definition.m_user_server_logon = false;
        return m_gateway->started();
    }

    test::temp_folder folder;
    test::scripted_seam seam;
    const std::filesystem::path requests = folder.path() / L"requests.log";
    connection definition;

private:
    std::unique_ptr<test::unix_service> m_gateway;
};

const std::string all_six = "PLX2_SEED = acme\nPLX2_HTTP_SERVER = plx.acme.com\nPLX2_HTTP_PORT = 8443\n"
                            "PLX2_HTTP_PROCESS = /acme/dbclient.php\nPLX2_HTTP_PROCESS_BLOBS = /acme/blobs.php\n"
                            "PLX2_HTTP_SSL = 1\n";

TEST_F(ConnectionLogin, HttpLoginTakesTheSixServerValues)
{
    ASSERT_TRUE(start_gateway(all_six));
    ASSERT_TRUE(definition.reconnect()) << (seam.texts().empty() ? L"" : seam.texts().front());
    EXPECT_TRUE(seam.boxes().empty());
    EXPECT_TRUE(definition.is_connected());
    EXPECT_EQ(definition.m_seed, vorn_buffer(L"acme"));
    EXPECT_EQ(definition.plx2HttpServer(), vorn_buffer(L"plx.acme.com"));
    EXPECT_EQ(definition.plx2HttpPort(), 8443);
    EXPECT_EQ(definition.plx2HttpProcess(), vorn_buffer(L"/acme/dbclient.php"));
    EXPECT_EQ(definition.plx2HttpProcessBlobs(), vorn_buffer(L"/acme/blobs.php"));
    EXPECT_TRUE(definition.plx2HttpSSL());
    EXPECT_EQ(definition.firstFolder(), vorn_buffer(L"acme"));
    EXPECT_NE(definition.m_last_login.year, 0);

    definition.m_password = L"wrong";
    EXPECT_FALSE(definition.reconnect());
    EXPECT_FALSE(definition.is_connected());
    ASSERT_EQ(seam.boxes().size(), 1u);
    EXPECT_EQ(seam.boxes()[0].text, L"Failed to dbc_LoginUser because: Invalid user name or password.");
    EXPECT_EQ(seam.boxes()[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST_F(ConnectionLogin, TheStandardProcessHasNoFirstFolder)
{
    ASSERT_TRUE(start_gateway("PLX2_SEED = acme\nPLX2_HTTP_SERVER = h\nPLX2_HTTP_PORT = 80\n"
                                    "PLX2_HTTP_PROCESS = /Drawing_Management/dbclient.php\n"
                                    "PLX2_HTTP_PROCESS_BLOBS = /Drawing_Management/blobs.php\nPLX2_HTTP_SSL = 0\n"));
    definition.m_first_folder = L"stale";
    ASSERT_TRUE(definition.reconnect());
    EXPECT_EQ(definition.firstFolder(), vorn_buffer(L""));
    EXPECT_FALSE(definition.plx2HttpSSL());
}

TEST_F(ConnectionLogin, AMissingVariableKeepsWhatArrivedBeforeIt)
{
    ASSERT_TRUE(start_gateway("PLX2_SEED = acme\nPLX2_HTTP_SERVER = plx.acme.com\n"));
    definition.m_last_login = {2023, 4, 5, 6, 7, 8, 0};
    definition.m_server_port = 99;
    EXPECT_FALSE(definition.reconnect());
    EXPECT_EQ(seam.texts(), std::vector<std::wstring>{
                                L"Failed to dbcVars_GetVar on 'PLX2_HTTP_PORT' because: The server has no variable PLX2_HTTP_PORT"});
    EXPECT_EQ(definition.m_seed, vorn_buffer(L"acme"));
    EXPECT_EQ(definition.plx2HttpServer(), vorn_buffer(L"plx.acme.com"));
    EXPECT_EQ(definition.plx2HttpPort(), 99);
    EXPECT_EQ(definition.m_last_login.year, 2023);
    EXPECT_TRUE(definition.is_connected());  // the login itself succeeded
}

TEST_F(ConnectionLogin, TheServerLogonGoesOnlyWhenTheDefinitionAsksForIt)
{
    ASSERT_TRUE(start_gateway(all_six, "auth = basic\nserver_user = web\nserver_password = web-pw"));
    definition.m_server_user_name = L"web";
    definition.m_server_password = L"web-pw";
    EXPECT_FALSE(definition.reconnect());
    EXPECT_EQ(seam.texts(), std::vector<std::wstring>{L"Failed to dbc_LoginUser because: HTTP 401 Unauthorized"});
    EXPECT_EQ(test::read_file(requests).find("auth=basic"), std::string::npos);

    definition.m_user_server_logon = true;
    EXPECT_TRUE(definition.reconnect());
    EXPECT_NE(test::read_file(requests).find("auth=basic cookie=yes status=200"), std::string::npos);
}

TEST_F(ConnectionLogin, AnUnknownLoginTypeAsksNoServer)
{
    ASSERT_TRUE(start_gateway(all_six));
    definition.m_login_type = 3;
    EXPECT_FALSE(definition.reconnect());
    ASSERT_EQ(seam.boxes().size(), 1u);
    EXPECT_EQ(seam.texts()[0].rfind(L"Failed because of invalid connection type!", 0), 0u) << seam.texts()[0];
    EXPECT_FALSE(std::filesystem::exists(requests));
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
    ASSERT_TRUE(definition.reconnect()) << (seam.texts().empty() ? L"" : seam.texts().front());
    EXPECT_EQ(definition.m_seed, vorn_buffer(L"lan-seed"));
    EXPECT_EQ(definition.plx2HttpPort(), 443);
    EXPECT_TRUE(definition.plx2HttpSSL());

    void* handle = nullptr;
    DBC_LOGIN_INFO info = {};
    ASSERT_NE(dbc_LoginUser(database.c_str(), &handle, nullptr, &info, 0, nullptr, nullptr, 80, 0, 0, 6, 0, 1, 0), 0);
    EXPECT_EQ(info.variable_count, 6);
    EXPECT_STREQ(info.server, L"SQLite");

    // Wine maps only existing folders: the missing one is added to the mapped path.
    definition.m_connect_text = (sqlite_connect_text(folder.path()) + L"/missing/x.db").c_str();
    EXPECT_FALSE(definition.reconnect());
    ASSERT_EQ(seam.boxes().size(), 1u);
    EXPECT_EQ(seam.texts()[0], L"Failed to dbc_LoginUser because: [SQLite]connect failed (SQLSTATE HY000)");
    EXPECT_FALSE(definition.is_connected());

    definition.m_connect_text = sqlite_connect_text(folder.path() / L"empty.db").c_str();
    EXPECT_FALSE(definition.reconnect());
    EXPECT_EQ(seam.texts()[1].rfind(L"Failed to dbc_LoginUser because: [SQLite]no such table: plx_vars", 0), 0u)
        << seam.texts()[1];
}

}  // namespace

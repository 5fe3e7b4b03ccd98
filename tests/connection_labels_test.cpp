#include "connections/connection.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

connection lan()
{
    connection conn;
    conn.m_login_type = login_type_lan;
    conn.m_server = L"SRV01";
    conn.m_database = L"PLX";
    conn.m_last_user = L"ann";
    return conn;
}

connection http(const wchar_t* host, bool ssl = false)
{
    connection conn;
    conn.m_host_name = host;
    conn.m_ssl = ssl;
    conn.m_user_name = L"Ann";
    conn.m_server_user_name = L"ann";
    return conn;
}

TEST(ConnectionLabels, ShowTheLoginOfEachType)
{
    connection odd = lan();
    odd.m_login_type = 3;
    struct row {
        connection conn;
        const wchar_t *type, *conn_label, *user, *domain;
    };
    connection bob = http(L"plx.example.com");
    bob.m_server_user_name = L"Bob";
    connection own_logon = bob;
    own_logon.m_user_server_logon = false;
    const row rows[] = {
        {lan(), L"LAN", L"SRV01 - PLX", L"ann", L"???"},
        {http(L"plx.example.com"), L"HTTP", L"plx.example.com", L"Ann", L"example.com"},
        {http(L"gw.plx.example.com", true), L"HTTPS", L"gw.plx.example.com", L"Ann", L"plx.example.com"},
        {bob, L"HTTP", L"plx.example.com", L"Ann/Bob", L"example.com"},
        {own_logon, L"HTTP", L"plx.example.com", L"Ann", L"example.com"},
        {http(L"10.0.0.5"), L"HTTP", L"10.0.0.5", L"Ann", L"???"},
        {http(L"localhost"), L"HTTP", L"localhost", L"Ann", L"???"},
        {http(L".example.com"), L"HTTP", L".example.com", L"Ann", L"???"},
        {odd, L"<Unknown>", L"<Unknown>", L"<Unknown>", L"???"},
    };
    for (const row& r : rows) {
        EXPECT_EQ(r.conn.get_type_label().str(), r.type);
        EXPECT_EQ(r.conn.get_conn_label().str(), r.conn_label);
        EXPECT_EQ(r.conn.get_user_label().str(), r.user);
        EXPECT_EQ(r.conn.get_domain().str(), r.domain) << r.conn.m_host_name.str();
    }
}

TEST(ConnectionLabels, NameSeedAndLastLogin)
{
    test::temp_folder folder;
    connection conn = http(L"plx.example.com");
    EXPECT_EQ(conn.get_name_label().str(), L"**NEW CONNECTION**");
    EXPECT_EQ(conn.get_seed_label().str(), L"<Unknown>");
    EXPECT_EQ(conn.get_lastlogin_label().str(), L"<Unknown>");

    conn.copy_to_file((folder.with_backslash() + L"abc_locator.ini").c_str());
    EXPECT_EQ(conn.get_name_label().str(), L"abc_locator");
    conn.m_name.empty();
    EXPECT_EQ(conn.get_name_label().str(), L"plx.example.com");
    conn.m_login_type = login_type_lan;
    conn.m_server = L"SRV01";
    EXPECT_EQ(conn.get_name_label().str(), L"SRV01");
    conn.m_seed = L"Abc";
    EXPECT_EQ(conn.get_seed_label().str(), L"Abc");
    DeleteFileW(conn.ini_path);
    EXPECT_EQ(conn.get_name_label().str(), L"**NEW CONNECTION**");

    conn.m_last_login = {2024, 3, 7, 14, 5, 9, 0};
    wchar_t shown[260];
    ASSERT_NE(dbc_formatDate(&conn.m_last_login, shown, 260, dbc_date_style_shown), 0);
    EXPECT_EQ(conn.get_lastlogin_label().str(), shown);
}

TEST(ConnectionLabels, CredentialsAreCutToTheirBuffers)
{
    connection conn = http(L"plx.example.com");
    conn.m_password = L"user-secret";
    conn.m_server_user_name = std::wstring(100, L'u').c_str();
    conn.m_server_password = L"server-secret";

    wchar_t user[8], password[64];
    conn.get_plx_user(user, 8, password, 64);
    EXPECT_EQ(std::wstring(user), std::wstring(7, L'u'));
    EXPECT_STREQ(password, L"server-secret");
    conn.m_user_server_logon = false;
    conn.get_plx_user(user, 8, password, 5);
    EXPECT_STREQ(user, L"Ann");
    EXPECT_STREQ(password, L"user");

    wchar_t server_user[server_credential_size], server_password[server_credential_size];
    std::wmemset(server_user, L'x', server_credential_size);
    bool use = true;
    conn.set_server_credentials(server_user, server_password, use);
    EXPECT_FALSE(use);
    EXPECT_EQ(std::wstring(server_user, server_credential_size), std::wstring(server_credential_size, L'\0'));
    conn.m_user_server_logon = true;
    conn.set_server_credentials(server_user, server_password, use);
    EXPECT_TRUE(use);
    EXPECT_EQ(std::wstring(server_user), std::wstring(63, L'u'));
    EXPECT_STREQ(server_password, L"server-secret");
}

}  // namespace

// What the definition file and the transport settings file keep when the platform's cipher
// fails. BCrypt cannot be made to fail on purpose, so this program links its own encipherment in
// place of the library's (the linker then leaves vorn_crypt out): one that always fails.

#include "connections/connection.h"
#include "vorn/vorn_crypt.h"
#include "vorn/vorn_curl.h"

#include "support/moved_local_data.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

char* dbcCrypt_encrypt(const void*, const char*)
{
    return nullptr;
}

char* dbcCrypt_decrypt(const void*, const char*)
{
    return nullptr;
}

void dbcCrypt_free(char* text)
{
    delete[] text;
}

namespace {

TEST(CipherFailure, APasswordThatCannotBeEncipheredLeavesTheStoredOne)
{
    test::temp_folder folder;
    const auto path = folder.path() / L"acme_locator.ini";
    std::ofstream(path) << "[httpConn]\nuserName=old\npassword=VC1:stored\nserverPassword=VC1:server\n";
    connection conn{vorn_buffer(path.c_str())};
    conn.m_user_name = L"ann";
    conn.m_password = L"new secret";
    conn.m_server_password = L"";
    static_cast<void>(conn.write_ini());

    EXPECT_EQ(test::ini_text(path, L"httpConn", L"password"), L"VC1:stored");
    EXPECT_EQ(test::read_file(path).find("new secret"), std::string::npos);
    EXPECT_EQ(test::ini_text(path, L"httpConn", L"userName"), L"ann") << "the other values are written";
    EXPECT_EQ(test::ini_text(path, L"httpConn", L"serverPassword"), L"") << "an empty password needs no cipher";
}

TEST(CipherFailure, TransportSettingsAreNotStoredWithoutTheirPassword)
{
    test::temp_folder appdata;
    const test::moved_app_data moved(appdata.path());
    const auto path = appdata.path() / L"VORN" / L"PLAXOR" / L"dbclient.ini";
    vorn_cURL::read_config();
    vorn_cURL::m_setting_proxy = L"old.acme.com";
    ASSERT_TRUE(vorn_cURL::write_config()) << "no password, no cipher";
    const std::string before = test::read_file(path);

    vorn_cURL::m_setting_proxy = L"new.acme.com";
    vorn_cURL::m_setting_proxy_password = L"proxy secret";
    EXPECT_FALSE(vorn_cURL::write_config());
    EXPECT_EQ(test::read_file(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path.parent_path()), {}), 1) << "no draft left";
}

}  // namespace

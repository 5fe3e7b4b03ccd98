// The transport settings come from the settings file as it is at their first use, not as it was
// when the program started. A program of its own: the first use happens once per process.

#include "vorn/dbc_login.h"
#include "vorn/vorn_crypt.h"
#include "vorn/vorn_curl.h"

#include "support/transport.h"
#include "support/unix_service.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(CurlSettingsLoad, TheFirstLoginReadsTheFileOfTheAppDataSetBeforeIt)
{
    // Nothing in this program has touched the settings yet: %APPDATA% moves, then the file
    // appears, and only then does the first login come.
    test::temp_folder appdata;
    ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", appdata.path().c_str()));
    const long closed = test::closed_loopback_port();
    ASSERT_NE(closed, 0);
    char* cipher = dbcCrypt_encrypt(nullptr, "proxy pw");
    ASSERT_NE(cipher, nullptr);
    std::filesystem::create_directories(appdata.path() / L"VORN" / L"PLAXOR");
    std::ofstream(appdata.path() / L"VORN" / L"PLAXOR" / L"dbclient.ini")
        << "[cURL]\nproxy=127.0.0.1\nproxy_port=" << closed << "\nproxy_use_cred=1\nproxy_user=pat\n"
        << "proxy_password=" << cipher << "\nconn_timeout=4\ntimeout=9\nhttp_auth=2\nuser_agent=Acme CAD/3\n"
        << "tcp_nodelay=0\nssl_no_revoke=1\nssl_allow_beast=1\n";
    dbcCrypt_free(cipher);

    test::debug_recorder target;
    void* handle = nullptr;
    dbc_connect_set_userdetails(L"ann", L"pw", false, L"", L"", false);
    const int logged_in = dbc_LoginUser(L"", &handle, nullptr, nullptr, 1, L"localhost", L"/dbclient.php", closed,
                                        16384, 0, 0, 0, 1, 0);
    target.stop();
    wchar_t error[dbc_last_error_size];
    dbc_LastError(nullptr, error, dbc_last_error_size);

    EXPECT_EQ(logged_in, 0);
    const std::wstring proxy = L"through the proxy 127.0.0.1:" + std::to_wstring(closed);
    EXPECT_NE(target.text.find(proxy), std::wstring::npos) << target.text;
    EXPECT_NE(std::wstring(error).find(L"proxy 127.0.0.1:" + std::to_wstring(closed)), std::wstring::npos) << error;

    EXPECT_EQ(test::transport_settings(), L"proxy pat:proxy pw@127.0.0.1:" + std::to_wstring(closed) +
                                              L" conn 4 timeout 9 auth 2 agent 'Acme CAD/3' nodelay 0 no_revoke 1 beast 1");

    // Loaded once: a later change of the file waits for read_config, and changes made in
    // between are not loaded over.
    vorn_cURL::m_setting_timeout = 50;
    WritePrivateProfileStringW(L"cURL", L"timeout", L"77",
                               (appdata.path() / L"VORN" / L"PLAXOR" / L"dbclient.ini").c_str());
    vorn_cURL::ensure_config_loaded();
    EXPECT_EQ(vorn_cURL::m_setting_timeout, 50);
    vorn_cURL::read_config();
    EXPECT_EQ(vorn_cURL::m_setting_timeout, 77);
}

}  // namespace

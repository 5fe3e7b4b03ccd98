// The transport's settings file, the choice of a logon scheme, the masking of credentials in the
// debug output and error texts, and the clipboard helper.

#include "vorn/dbc_settings_file.h"
#include "vorn/http_auth_choice.h"
#include "vorn/vorn_clipboard.h"
#include "vorn/vorn_curl.h"
#include "vorn/vorn_curl_debug.h"
#include "vorn/vorn_curl_mask.h"

#include "support/transport.h"
#include "support/unix_service.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <winhttp.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Moves %APPDATA% into a scratch folder for the test's lifetime.
class scratch_appdata {
public:
    scratch_appdata() { SetEnvironmentVariableW(L"APPDATA", folder.path().c_str()); }
    ~scratch_appdata() { SetEnvironmentVariableW(L"APPDATA", m_previous.empty() ? nullptr : m_previous.c_str()); }
    std::filesystem::path settings_file() const { return folder.path() / L"VORN" / L"PLAXOR" / L"dbclient.ini"; }

    test::temp_folder folder;

private:
    std::wstring m_previous = [] {
        wchar_t value[MAX_PATH] = {};
        GetEnvironmentVariableW(L"APPDATA", value, MAX_PATH);
        return std::wstring(value);
    }();
};

TEST(CurlSettings, WriteConfigStoresWhatReadConfigLoads)
{
    scratch_appdata appdata;
    wchar_t small[8] = L"x";
    EXPECT_EQ(dbc_getIniFilePath(small, 8), 0);  // no room for the path
    EXPECT_STREQ(small, L"");
    vorn_cURL::read_config();  // no file yet: the defaults
    const std::wstring defaults = L"proxy :1080 conn 30 timeout 120 auth -17 agent '' nodelay 1 no_revoke 0 beast 0";
    EXPECT_EQ(test::transport_settings(), defaults);

    vorn_cURL::m_setting_proxy = L"proxy.acme.com";
    vorn_cURL::m_setting_proxy_port = 3128;
    vorn_cURL::m_setting_proxy_use_cred = true;
    vorn_cURL::m_setting_proxy_user = L"pat";
    vorn_cURL::m_setting_proxy_password = L"Pr0xy secret";
    vorn_cURL::m_setting_conn_timeout = 7;
    vorn_cURL::m_setting_timeout = 45;
    vorn_cURL::m_httpAuth = vorn_auth_basic | vorn_auth_only;
    vorn_cURL::m_setting_user_agent = L"Acme CAD/2.0";
    vorn_cURL::m_setting_tcp_nodelay = 0;
    vorn_cURL::m_ssl_no_revoke = 1;
    vorn_cURL::m_ssl_allow_beast = 1;
    const std::wstring written = test::transport_settings();
    EXPECT_TRUE(vorn_cURL::write_config());
    const std::string stored = test::read_file(appdata.settings_file());
    EXPECT_NE(stored.find("proxy=proxy.acme.com"), std::string::npos) << stored;
    EXPECT_EQ(stored.find("Pr0xy"), std::string::npos) << stored;
    {
        scratch_appdata elsewhere;
        vorn_cURL::read_config();
        EXPECT_EQ(test::transport_settings(), defaults);
    }
    vorn_cURL::read_config();
    EXPECT_EQ(test::transport_settings(), written);

    vorn_cURL::m_httpAuth = vorn_auth_anysafe;
    vorn_cURL::m_setting_proxy_password = L"";
    EXPECT_TRUE(vorn_cURL::write_config());
    vorn_cURL::m_setting_proxy_password = L"left over";
    vorn_cURL::read_config();
    EXPECT_EQ(vorn_cURL::m_httpAuth, vorn_auth_anysafe);
    EXPECT_TRUE(vorn_cURL::m_setting_proxy_password.is_empty());
}

// Whatever stands in the way, write_config says so and leaves the file as it was: no key of it
// half written, no draft left beside it.
TEST(CurlSettings, WriteConfigReportsWhatItCouldNotStoreAndKeepsTheFile)
{
    scratch_appdata appdata;
    vorn_cURL::read_config();
    vorn_cURL::m_setting_proxy = L"kept.acme.com";
    ASSERT_TRUE(vorn_cURL::write_config());
    const std::string before = test::read_file(appdata.settings_file());
    vorn_cURL::m_setting_proxy = L"changed.acme.com";
    // The file, or what stands in its place, alone in its folder.
    const auto drafts_left = [&] {
        return std::distance(std::filesystem::directory_iterator(appdata.settings_file().parent_path()), {}) - 1;
    };

    {  // held open by another program that lets others read it, but not replace or write it
        HANDLE held = CreateFileW(appdata.settings_file().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(vorn_cURL::write_config());
        CloseHandle(held);
        EXPECT_EQ(test::read_file(appdata.settings_file()), before);
        EXPECT_EQ(drafts_left(), 0);
    }
    {  // read-only
        SetFileAttributesW(appdata.settings_file().c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_FALSE(vorn_cURL::write_config());
        SetFileAttributesW(appdata.settings_file().c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(test::read_file(appdata.settings_file()), before);
        EXPECT_EQ(drafts_left(), 0);
    }
    {  // a folder where the file should be
        std::filesystem::remove(appdata.settings_file());
        std::filesystem::create_directory(appdata.settings_file());
        EXPECT_FALSE(vorn_cURL::write_config());
        EXPECT_TRUE(std::filesystem::is_directory(appdata.settings_file()));
        EXPECT_EQ(drafts_left(), 0);
    }
    {  // a file where the settings folder should be
        std::filesystem::remove_all(appdata.folder.path() / L"VORN");
        std::ofstream(appdata.folder.path() / L"VORN") << "not a folder";
        EXPECT_FALSE(vorn_cURL::write_config());
        EXPECT_EQ(test::read_file(appdata.folder.path() / L"VORN"), "not a folder");
    }
}

TEST(CurlSettings, TheStrongestOfferedSchemeTheMaskAllows)
{
    const unsigned long basic = WINHTTP_AUTH_SCHEME_BASIC, digest = WINHTTP_AUTH_SCHEME_DIGEST,
                        ntlm = WINHTTP_AUTH_SCHEME_NTLM, negotiate = WINHTTP_AUTH_SCHEME_NEGOTIATE;
    const struct {
        long mask;
        unsigned long offered;
        unsigned long chosen;
    } cases[] = {
        {vorn_auth_any, basic, basic},
        {vorn_auth_anysafe, basic, 0},
        {vorn_auth_anysafe, basic | digest, digest},
        {vorn_auth_any, basic | digest | ntlm | negotiate, negotiate},
        {vorn_auth_basic, basic | digest, basic},
        {vorn_auth_digest_ie, basic | digest, digest},
        {vorn_auth_ntlm_wb, basic | ntlm, ntlm},
        {vorn_auth_ntlm | vorn_auth_digest, basic | digest | ntlm, ntlm},
        {vorn_auth_only, basic | digest, 0},
        {0, basic, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(choose_server_auth_scheme(c.mask, c.offered), c.chosen) << c.mask << " " << c.offered;
    EXPECT_EQ(choose_proxy_auth_scheme(basic | ntlm), ntlm);
    EXPECT_EQ(auth_scheme_names(basic | digest), L"Digest, Basic");
}

TEST(CurlSettings, CredentialsAreMasked)
{
    EXPECT_EQ(mask_header_lines(L"POST /x HTTP/1.1\r\nAuthorization: Basic d2ViOnB3\r\nproxy-authorization:Digest "
                                L"username=\"web\", response=\"ab\"\r\nCookie: a=1; b=2\r\nSet-Cookie: s=9; Path=/\r\n"
                                L"Accept: */*\r\n\r\n"),
              L"POST /x HTTP/1.1\r\nAuthorization: Basic ****\r\nproxy-authorization: Digest ****\r\nCookie: ****\r\n"
              L"Set-Cookie: ****\r\nAccept: */*\r\n\r\n");
    EXPECT_EQ(mask_form_fields(L"action=login&user=ann&password=p%26w&remember=1"),
              L"action=login&user=ann&password=****&remember=1");
    EXPECT_EQ(mask_form_fields(L"PWD=x&new_Password=y&passphrase=z&user="), L"PWD=****&new_Password=****&passphrase=****&user=");

    const struct {
        const wchar_t* proxy;
        const wchar_t* shown;
    } proxies[] = {
        {L"proxy.acme.com:3128", L"proxy.acme.com:3128"},
        {L"pat:pw@proxy.acme.com:3128", L"****@proxy.acme.com:3128"},
        {L"http://pat:pw@10.0.0.1:80", L"http://****@10.0.0.1:80"},
        {L"pat:p@ss/w://rd@proxy:1080", L"****@proxy:1080"},
        {L"pat@proxy", L"****@proxy"},
        {L"", L""},
    };
    for (const auto& p : proxies)
        EXPECT_EQ(mask_proxy_user_info(p.proxy), p.shown) << p.proxy;
}

// A proxy typed as user:password@host reaches WinHTTP as it is; what the exchange tells of it
// shows the host only.
TEST(CurlSettings, AProxysUserInfoNeverShows)
{
    scratch_appdata appdata;
    vorn_cURL::ensure_config_loaded();
    const long closed = test::closed_loopback_port();
    ASSERT_NE(closed, 0);
    vorn_cURL::m_setting_proxy = L"pat:Pr0xy-pw@127.0.0.1";
    vorn_cURL::m_setting_proxy_port = closed;
    vorn_cURL::m_setting_conn_timeout = 5;
    vorn_cURL::m_setting_timeout = 10;
    test::debug_recorder target;
    vorn_cURL_request request;
    request.host = L"localhost";
    request.port = closed;
    request.path = L"/";
    vorn_cURL_response response;
    std::wstring error;
    const bool posted = vorn_cURL::post(request, response, error);
    vorn_cURL::m_setting_proxy = L"";

    EXPECT_FALSE(posted);
    const std::wstring shown = L"****@127.0.0.1:" + std::to_wstring(closed);
    EXPECT_NE(error.find(shown), std::wstring::npos) << error;
    EXPECT_NE(target.text.find(L"through the proxy " + shown), std::wstring::npos) << target.text;
    for (const std::wstring& text : {error, target.text}) {
        EXPECT_EQ(text.find(L"Pr0xy-pw"), std::wstring::npos) << text;
        EXPECT_EQ(text.find(L"pat:"), std::wstring::npos) << text;
    }
}

TEST(CurlSettings, DebugOutputMarksEachLineByKindInTheLog)
{
    test::temp_folder folder;
    const auto path = folder.path() / L"cURL_console.log";
    test::debug_recorder target(path);
    for (const int kind : {vorn_debug_info, vorn_debug_header_in, vorn_debug_header_out, vorn_debug_data_in, vorn_debug_data_out})
        vorn_debug(kind, L"one\ntwo\r\n");
    target.stop();
    EXPECT_EQ(test::read_file(path), "* one\r\n* two\r\n< one\r\n< two\r\n> one\r\n> two\r\n{ one\r\n{ two\r\n} one\r\n} two\r\n");
    std::wstring expected;
    for (int i = 0; i < 5; ++i)
        expected += L"one\r\ntwo\r\n";
    EXPECT_EQ(target.text, expected);
}

TEST(CurlSettings, ToClipboardPutsUnicodeText)
{
    ASSERT_NE(toClipboard(nullptr, L"Grüße from the console"), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(data)), L"Grüße from the console");
    GlobalUnlock(data);
    CloseClipboard();
}

}  // namespace

// HTTP logins of the client library against the reference gateway and a real proxy, both
// started beside the test on free loopback ports.

#include "vorn/dbc_login.h"
#include "vorn/vorn_curl.h"

#include "support/debug_recorder.h"
#include "support/temp_folder.h"
#include "support/unix_service.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <wincrypt.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr wchar_t process[] = L"/drawing_management/dbclient.php";

const std::string users_and_vars =
    "[users]\nann = s3cret pw\n"
    "[vars]\nPLX2_SEED = acme\nPLX2_HTTP_SERVER = plx.acme.com\nPLX2_HTTP_PORT = 443\n";

struct outcome {
    bool ok;
    void* handle;
    std::wstring error;
    DBC_LOGIN_INFO info;
};

outcome log_in(const wchar_t* host, long port, bool ssl, long timeout = 0)
{
    outcome result{};
    result.ok = dbc_LoginUser(L"", &result.handle, nullptr, &result.info, 1, host, process, port, 16384, ssl,
                              timeout, 0, 1, 0) != 0;
    wchar_t error[dbc_last_error_size];
    result.error = dbc_LastError(result.ok ? result.handle : nullptr, error, dbc_last_error_size);
    return result;
}

// Trusts the gateway's own authority in the user's root store while it lives. The real store:
// Wine builds its chain engine's roots from the machine store, which a redirected
// HKEY_LOCAL_MACHINE would hide, so the test takes its authority out again itself. Windows and
// Wine read the stores once, when the first chain is built, so this comes before any HTTPS.
class trusted_authority {
public:
    explicit trusted_authority(const std::string& der_file)
    {
        const std::string der = test::read_file(der_file);
        m_store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"ROOT");
        if (m_store &&
            CertAddEncodedCertificateToStore(m_store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                             static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                             &m_certificate))
            CertControlStore(m_store, 0, CERT_STORE_CTRL_COMMIT, nullptr);  // where the chain engine reads
    }
    ~trusted_authority()
    {
        if (m_certificate)
            CertDeleteCertificateFromStore(m_certificate);  // frees the context too
        if (m_store) {
            CertControlStore(m_store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
            CertCloseStore(m_store, 0);
        }
    }
    trusted_authority(const trusted_authority&) = delete;
    trusted_authority& operator=(const trusted_authority&) = delete;
    bool added() const { return m_certificate != nullptr; }

private:
    HCERTSTORE m_store = nullptr;
    PCCERT_CONTEXT m_certificate = nullptr;
};

// One HTTPS gateway for the whole program, its authority trusted from the start.
class trusted_gateway : public ::testing::Environment {
public:
    static long port() { return s_port; }
    static std::filesystem::path ca_folder() { return s_ca_folder; }

    void SetUp() override
    {
        const auto config = m_folder.path() / L"gateway.ini";
        std::ofstream(config) << "[gateway]\n" << users_and_vars;
        s_ca_folder = m_folder.path() / L"ca";
        m_gateway = std::make_unique<test::unix_service>(test::gateway_command(config, true, s_ca_folder));
        ASSERT_TRUE(m_gateway->started());
        m_authority = std::make_unique<trusted_authority>(m_gateway->reported("certificate authority "));
        ASSERT_TRUE(m_authority->added());
        s_port = m_gateway->port();
    }
    void TearDown() override
    {
        m_authority.reset();
        m_gateway.reset();
    }

private:
    static inline long s_port = 0;
    static inline std::filesystem::path s_ca_folder;
    test::temp_folder m_folder;
    std::unique_ptr<test::unix_service> m_gateway;
    std::unique_ptr<trusted_authority> m_authority;
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

    // A gateway with this [gateway] section and the users and variables above.
    std::filesystem::path config(const std::string& gateway_section, const std::string& vars = users_and_vars)
    {
        const auto path = folder.path() / (L"gateway" + std::to_wstring(++m_configs) + L".ini");
        std::ofstream(path) << "[gateway]\n" << gateway_section << "\n" << vars;
        return path;
    }

    test::temp_folder folder;

private:
    int m_configs = 0;
};

TEST_F(HttpLogin, LogsInAndOwnsTheServerVariables)
{
    test::unix_service gateway(test::gateway_command(config("")));
    ASSERT_TRUE(gateway.started());

    const outcome login = log_in(L"localhost", gateway.port(), false);
    ASSERT_TRUE(login.ok) << login.error;
    EXPECT_EQ(login.info.variable_count, 3);
    EXPECT_EQ(login.info.http_status, 200);
    DBC_VAR var{};
    ASSERT_NE(dbcVars_GetVar(login.handle, L"PLX2_SEED", &var), 0);
    EXPECT_STREQ(var.text_value, L"acme");
    ASSERT_NE(dbcVars_GetVar(login.handle, L"PLX2_HTTP_PORT", &var), 0);
    EXPECT_EQ(var.int_value, 443);
    EXPECT_EQ(dbcVars_GetVar(login.handle, L"PLX2_HTTP_SSL", &var), 0);
    wchar_t error[dbc_last_error_size];
    EXPECT_STREQ(dbc_LastError(login.handle, error, dbc_last_error_size), L"The server has no variable PLX2_HTTP_SSL");
    wchar_t small[8];
    EXPECT_STREQ(dbc_LastError(login.handle, small, 8), L"The ser");

    dbc_connect_set_userdetails(L"ann", L"wrong", false, L"", L"", false);
    const outcome refused = log_in(L"localhost", gateway.port(), false);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.handle, nullptr);
    EXPECT_EQ(refused.error, L"Invalid user name or password.");
}

TEST_F(HttpLogin, AnswersThatAreNoLoginFailWithAClearText)
{
    const struct {
        std::string behaviour;
        std::wstring error;
    } cases[] = {
        {"answer = malformed", L"The server's answer is not valid JSON"},
        {"answer = oversized", L"The server's answer of 1572927 bytes is larger than 1 MiB"},
        {"answer = oversized-unannounced", L"The server's answer is larger than 1 MiB"},
        {"answer = http-503", L"HTTP 503 Service Unavailable"},
        {"process = /elsewhere.php", L"HTTP 404 Not Found"},
    };
    for (const auto& c : cases) {
        test::unix_service gateway(test::gateway_command(config(c.behaviour)));
        ASSERT_TRUE(gateway.started());
        const outcome login = log_in(L"localhost", gateway.port(), false);
        EXPECT_FALSE(login.ok) << c.behaviour;
        EXPECT_EQ(login.error, c.error) << c.behaviour;
    }
}

TEST_F(HttpLogin, SilentServerFailsWithinTheTimeout)
{
    test::unix_service gateway(test::gateway_command(config("answer = silent")));
    ASSERT_TRUE(gateway.started());
    vorn_cURL::m_setting_timeout = 2;
    const auto start = std::chrono::steady_clock::now();
    const outcome login = log_in(L"localhost", gateway.port(), false);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(login.ok);
    EXPECT_EQ(login.error, L"No answer from localhost:" + std::to_wstring(gateway.port()) +
                               L" within 2 seconds (WinHTTP error 12002)");
    EXPECT_GT(took, std::chrono::milliseconds(1800));
    EXPECT_LT(took, std::chrono::milliseconds(4000));

    const auto again = std::chrono::steady_clock::now();
    EXPECT_FALSE(log_in(L"localhost", gateway.port(), false, 1).ok);  // the login's own timeout wins
    EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::milliseconds(3000));
}

TEST_F(HttpLogin, HttpsTrustsOnlyAKnownAuthority)
{
    test::unix_service stranger(test::gateway_command(config(""), true, folder.path() / L"unknown-ca"));
    ASSERT_TRUE(stranger.started());

    const outcome login = log_in(L"localhost", trusted_gateway::port(), true);
    EXPECT_TRUE(login.ok) << login.error;
    const outcome refused = log_in(L"localhost", stranger.port(), true);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find(L"Secure connection to localhost:" + std::to_wstring(stranger.port()) + L" refused"),
              std::wstring::npos)
        << refused.error;
    const outcome plain = log_in(L"localhost", trusted_gateway::port(), false);  // HTTP to an HTTPS port
    EXPECT_FALSE(plain.ok);
    // The gateway's own authority publishes no revocation list. A second gateway with the same
    // certificate: Wine would otherwise reuse the connection already verified.
    test::unix_service same_authority(test::gateway_command(config(""), true, trusted_gateway::ca_folder()));
    ASSERT_TRUE(same_authority.started());
    vorn_cURL::m_ssl_no_revoke = 0;
    EXPECT_FALSE(log_in(L"localhost", same_authority.port(), true).ok);
    vorn_cURL::m_ssl_no_revoke = 1;
    EXPECT_TRUE(log_in(L"localhost", same_authority.port(), true).ok);
}

TEST_F(HttpLogin, ServerLogonFollowsTheMask)
{
    const auto requests = folder.path() / L"requests.log";
    test::unix_service gateway(test::gateway_command(
        config("auth = basic\nserver_user = web\nserver_password = web pw"), false, {}, requests));
    ASSERT_TRUE(gateway.started());
    dbc_connect_set_userdetails(L"ann", L"s3cret pw", true, L"web", L"web pw", true);

    vorn_cURL::m_httpAuth = vorn_auth_anysafe;
    const outcome safe = log_in(L"localhost", gateway.port(), false);
    EXPECT_FALSE(safe.ok);
    EXPECT_EQ(safe.error, L"The server asks for a logon by Basic, which the HTTP authentication setting does not allow");
    EXPECT_EQ(test::read_file(requests).find("auth=basic"), std::string::npos);

    for (const long mask : {vorn_auth_any, vorn_auth_basic, vorn_auth_basic | vorn_auth_only}) {
        vorn_cURL::m_httpAuth = mask;
        const outcome login = log_in(L"localhost", gateway.port(), false);
        EXPECT_TRUE(login.ok) << mask << ": " << login.error;
    }

    dbc_connect_set_userdetails(L"ann", L"s3cret pw", true, L"web", L"wrong", true);
    EXPECT_EQ(log_in(L"localhost", gateway.port(), false).error, L"HTTP 401 Unauthorized");
    dbc_connect_set_userdetails(L"ann", L"s3cret pw", true, L"", L"", false);
    EXPECT_EQ(log_in(L"localhost", gateway.port(), false).error, L"HTTP 401 Unauthorized");
}

// Wine's WinHTTP offers Digest but never completes it, so only the choice is checked here;
// on Windows the Digest login itself succeeds.
TEST_F(HttpLogin, DigestIsChosenWhenTheServerOffersItAndTheMaskAllowsIt)
{
    const auto requests = folder.path() / L"requests.log";
    test::unix_service gateway(test::gateway_command(
        config("auth = basic digest\nserver_user = web\nserver_password = web pw"), false, {}, requests));
    ASSERT_TRUE(gateway.started());
    dbc_connect_set_userdetails(L"ann", L"s3cret pw", true, L"web", L"web pw", true);
    test::debug_recorder target;
    vorn_cURL::m_target = &target;

    for (const long mask : {vorn_auth_digest, vorn_auth_digest_ie, vorn_auth_anysafe, vorn_auth_any}) {
        vorn_cURL::m_httpAuth = mask;
        target.text.clear();
        log_in(L"localhost", gateway.port(), false);
        EXPECT_NE(target.text.find(L"The server asks for a logon: Digest, Basic\r\n"), std::wstring::npos);
        EXPECT_NE(target.text.find(L"Sending the server logon by Digest\r\n"), std::wstring::npos) << mask;
    }
    vorn_cURL::m_httpAuth = vorn_auth_basic;
    EXPECT_TRUE(log_in(L"localhost", gateway.port(), false).ok);
    vorn_cURL::m_target = nullptr;

    std::istringstream lines(test::read_file(requests));
    int basic = 0;
    for (std::string line; std::getline(lines, line);)
        basic += line.find("auth=basic") != std::string::npos;
    EXPECT_EQ(basic, 1);  // only where the mask allowed nothing else
}

TEST_F(HttpLogin, GoesThroughAProxyWithAndWithoutCredentials)
{
    const auto open_log = folder.path() / L"open-proxy.log";
    const auto guarded_log = folder.path() / L"guarded-proxy.log";
    test::unix_service gateway(test::gateway_command(config("")));
    test::unix_service open_proxy(test::proxy_command({}, {}, open_log));
    test::unix_service guarded_proxy(test::proxy_command("pu", "proxy-pw", guarded_log));
    ASSERT_TRUE(gateway.started() && open_proxy.started() && guarded_proxy.started());

    vorn_cURL::m_setting_proxy = L"127.0.0.1";
    vorn_cURL::m_setting_proxy_port = open_proxy.port();
    const outcome plain = log_in(L"localhost", gateway.port(), false);
    EXPECT_TRUE(plain.ok) << plain.error;
    const outcome secure = log_in(L"localhost", trusted_gateway::port(), true);
    EXPECT_TRUE(secure.ok) << secure.error;
    const std::string seen = test::read_file(open_log);
    EXPECT_NE(seen.find("localhost:" + std::to_string(gateway.port())), std::string::npos) << seen;
    EXPECT_NE(seen.find("CONNECT localhost:" + std::to_string(trusted_gateway::port())), std::string::npos) << seen;

    // tinyproxy refuses and closes before it reads the body: the refusal may come as its 407
    // or as a reset connection.
    vorn_cURL::m_setting_proxy_port = guarded_proxy.port();
    vorn_cURL::m_setting_proxy_user = L"pu";
    vorn_cURL::m_setting_proxy_password = L"proxy-pw";
    EXPECT_FALSE(log_in(L"localhost", gateway.port(), false).ok);
    vorn_cURL::m_setting_proxy_use_cred = true;
    test::debug_recorder target;
    vorn_cURL::m_target = &target;
    const outcome guarded = log_in(L"localhost", gateway.port(), false);
    vorn_cURL::m_target = nullptr;
    EXPECT_TRUE(guarded.ok) << guarded.error;
    EXPECT_NE(target.text.find(L"Proxy-Authorization: Basic ****\r\n"), std::wstring::npos) << target.text;
    EXPECT_EQ(target.text.find(L"cHU6"), std::wstring::npos);  // base64 of "pu:"
    vorn_cURL::m_setting_proxy_password = L"wrong";
    EXPECT_FALSE(log_in(L"localhost", gateway.port(), false).ok);
}

TEST_F(HttpLogin, DebugOutputComesInOrderWithEveryCredentialMasked)
{
    const auto requests = folder.path() / L"requests.log";
    test::unix_service gateway(test::gateway_command(
        config("auth = basic\nserver_user = web\nserver_password = web pw"), false, {}, requests));
    ASSERT_TRUE(gateway.started());
    dbc_connect_set_userdetails(L"ann", L"s3cret pw", true, L"web", L"web pw", true);
    const auto log_path = folder.path() / L"cURL_console.log";
    FILE* log = _wfopen(log_path.c_str(), L"w+");
    ASSERT_NE(log, nullptr);
    test::debug_recorder target;
    vorn_cURL::m_target = &target;
    vorn_cURL::m_debug_stream = log;
    const outcome login = log_in(L"localhost", gateway.port(), false);
    vorn_cURL::m_target = nullptr;
    vorn_cURL::m_debug_stream = nullptr;
    fclose(log);
    ASSERT_TRUE(login.ok) << login.error;
    EXPECT_NE(test::read_file(requests).find("auth=basic cookie=yes status=200"), std::string::npos);

    // Two rounds (the 401, then the logon): out before in, headers before data.
    std::vector<int> main_kinds;
    for (const int kind : target.kinds)
        if (kind != vorn_debug_info)
            main_kinds.push_back(kind);
    const std::vector<int> round = {vorn_debug_header_out, vorn_debug_data_out, vorn_debug_header_in,
                                    vorn_debug_data_in};
    std::vector<int> expected = round;
    expected.insert(expected.end(), round.begin(), round.end());
    EXPECT_EQ(main_kinds, expected);
    EXPECT_EQ(target.kinds.front(), vorn_debug_info);

    const std::string file = test::read_file(log_path);
    for (const std::string& secret : {std::string("s3cret"), std::string("d2ViOndlYiBwdw"), std::string("plx_session="),
                                      std::string("web pw"), std::string("web+pw")}) {
        EXPECT_EQ(file.find(secret), std::string::npos) << secret;
        EXPECT_EQ(target.text.find(std::wstring(secret.begin(), secret.end())), std::wstring::npos) << secret;
    }
    for (const std::wstring& masked : {std::wstring(L"Authorization: Basic ****"), std::wstring(L"Cookie: ****"),
                                       std::wstring(L"Set-Cookie: ****"), std::wstring(L"&password=****&")}) {
        EXPECT_NE(target.text.find(masked), std::wstring::npos) << masked;
        const std::string narrow(masked.begin(), masked.end());
        EXPECT_NE(file.find(narrow), std::string::npos) << narrow;
    }
    EXPECT_NE(file.find("> POST /drawing_management/dbclient.php"), std::string::npos);
    EXPECT_NE(file.find("< HTTP/1.1 200"), std::string::npos);
    EXPECT_NE(file.find("} action=login&user=ann&password=****&remember=1&read_size=16384"), std::string::npos);
    EXPECT_NE(file.find("{ {\"status\": \"ok\""), std::string::npos);
    EXPECT_NE(file.find("* Connecting to localhost:"), std::string::npos);
}

}  // namespace

// The client library: its string, path helpers, dates and password cipher; its HTTP
// transport's settings file, choice of a logon scheme and masking of credentials in the debug
// output and error texts.

#include "vorn/dbc_login.h"
#include "vorn/dbc_settings_file.h"
#include "vorn/http_auth_choice.h"
#include "vorn/vorn_buffer.h"
#include "vorn/vorn_crypt.h"
#include "vorn/vorn_curl.h"
#include "vorn/vorn_curl_mask.h"
#include "vorn/vorn_dates.h"
#include "vorn/vorn_paths.h"

#include "support/moved_local_data.h"
#include "support/program_copy.h"
#include "support/temp_folder.h"
#include "support/transport.h"
#include "support/unix_service.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <winhttp.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>

namespace {

std::wstring text(const vorn_buffer& buffer) { return buffer.as_const_w_buffer(); }

TEST(VornBuffer, BuildsCopiesConvertsAndDerivesTexts)
{
    EXPECT_TRUE(vorn_buffer(static_cast<const wchar_t*>(nullptr)).is_empty());
    vorn_buffer joined(L"abc");
    joined += L"def";
    joined += vorn_buffer(L"gh");
    EXPECT_EQ(joined.length(), 8);
    joined = static_cast<const wchar_t*>(nullptr);
    EXPECT_TRUE(joined.is_empty());

    vorn_buffer lowered(L"AcMe Ltd\u00C4"), long_format, empty_format(L"x"), from_nothing(L"x"), from_utf8;
    lowered.lower();
    from_nothing.makeFrom(nullptr, 0);
    from_utf8.makeFrom("\xC3\xA4", CP_UTF8);
    long_format.format(L"[%ls]", std::wstring(5000, L'x').c_str());
    empty_format.format(L"");
    const vorn_buffer fields(L"a;;b;c"), host(L"www.acme.com");
    const std::pair<vorn_buffer, std::wstring> derived[] = {
        {vorn_buffer(-42L), L"-42"}, {vorn_buffer(16384L), L"16384"}, {lowered, L"acme ltd\u00E4"},
        {long_format, L"[" + std::wstring(5000, L'x') + L"]"}, {empty_format, L""},
        {fields.get_element(0, L';'), L"a"}, {fields.get_element(1, L';'), L""}, {fields.get_element(3, L';'), L"c"},
        {fields.get_element(4, L';'), L""}, {fields.get_element(-1, L';'), L""},
        {host.right(4), L"acme.com"}, {host.right(12), L""}, {host.right(-3), L"www.acme.com"},
        {from_nothing, L""}, {from_utf8, L"\u00E4"},
    };
    for (const auto& [buffer, expected] : derived)
        EXPECT_EQ(text(buffer), expected);
    EXPECT_TRUE(vorn_buffer(L"ABC_Locator").compare_no_case(vorn_buffer(L"abc_locator")));
    EXPECT_FALSE(vorn_buffer(L"abc").compare_no_case(vorn_buffer(L"abcd")));
    EXPECT_TRUE(vorn_buffer().compare_no_case(vorn_buffer(L"")));
    EXPECT_STREQ(vorn_buffer().convert_to_ansi(), "");  // the round trip comes with the definitions' passwords
}

TEST(VornBuffer, IndexesWithinTheTextOnly)
{
    vorn_buffer buffer(L"ab");
    EXPECT_EQ(buffer[0], L'a');
    EXPECT_EQ(buffer[2], L'\0');
    EXPECT_EQ(buffer[-1], L'\0');
    buffer[1] = L'z';
    buffer[5] = L'q';  // dropped, never written past the end
    static_cast<wchar_t*>(buffer)[0] = L'Y';
    EXPECT_EQ(text(buffer), L"Yz");
}

TEST(VornPaths, StayWithinTheLengthAndTheTerminator)
{
    test::temp_folder folder;
    const std::filesystem::path file = folder.path() / L"acad.exe";
    EXPECT_EQ(fileExists(file.c_str()), 0);
    std::ofstream(file) << "x";
    EXPECT_NE(fileExists(file.c_str()), 0);
    for (const wchar_t* not_a_file : {folder.path().c_str(), L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_EQ(fileExists(not_a_file), 0);

    EXPECT_EQ(findFirstTime(L"www.acme.com", L'.', 12), 3);
    EXPECT_EQ(findFirstTime(L"www.acme.com", L'.', 3), -1);
    EXPECT_EQ(findFirstTime(L".x", L'.', 2), 0);
    EXPECT_EQ(findFirstTime(L"a", L'.', 100), -1);  // stops at the terminator

    // Taking the program's folder from its path is the main window's own case.
    wchar_t kept[] = L"C:\\a\\b.exe", none[] = L"plain";
    removeLast(kept, L'\\', 1);
    removeLast(none, L'\\', 0);
    EXPECT_STREQ(kept, L"C:\\a\\");
    EXPECT_STREQ(none, L"plain");

    wchar_t slashes[] = L"C:/tools/plaxor/x.exe";
    changeDelimiters(slashes, L'/', L'\\', 9);
    EXPECT_STREQ(slashes, L"C:\\tools\\plaxor/x.exe");
    changeDelimiters(slashes, L'/', L'\\', 1000);  // stops at the terminator
    EXPECT_STREQ(slashes, L"C:\\tools\\plaxor\\x.exe");
}

bool same(const TIMESTAMP_STRUCT& a, const TIMESTAMP_STRUCT& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second && a.fraction == b.fraction;
}

std::wstring stored(const TIMESTAMP_STRUCT& date)
{
    wchar_t text[260];
    dbc_formatDate(&date, text, 260, dbc_date_style_stored);
    return text;
}

// The stored form reads back exactly; any other text leaves the date cleared.
TEST(Dates, StoredFormReadsBackExactlyAndNothingElseReads)
{
    TIMESTAMP_STRUCT now;
    dbc_getTimeNow(&now);
    EXPECT_GE(now.year, 2020);
    const TIMESTAMP_STRUCT dates[] = {
        {2024, 3, 7, 14, 5, 9, 0}, {2024, 2, 29, 0, 0, 0, 0}, {1, 1, 1, 0, 0, 0, 0},
        {9999, 12, 31, 23, 59, 59, 999'999'999}, {2023, 11, 5, 8, 30, 0, 123'000'000}, now,
    };
    for (const TIMESTAMP_STRUCT& date : dates) {
        const std::wstring text = stored(date);
        TIMESTAMP_STRUCT back = {7, 7, 7, 7, 7, 7, 7};
        EXPECT_NE(dbc_assignDate(text.c_str(), &back), 0) << text;
        EXPECT_TRUE(same(back, date)) << text;
    }
    EXPECT_EQ(stored(dates[0]), L"2024-03-07 14:05:09");
    EXPECT_EQ(stored(dates[4]), L"2023-11-05 08:30:00.123000000");
    for (const wchar_t* text : {L"", L"yesterday", L"2024-02-30 10:00:00", L"2023-02-29 10:00:00", L"2024-13-01 10:00:00",
                                L"2024-03-07 24:00:00", L"2024-03-07 10:60:00", L"0000-01-01 00:00:00", L"2024-03-07",
                                L"2024-03-07 10:00:00 ", L"2024-03-07 10:00:00.12", L"07/03/2024 10:00:00",
                                L"2024-3-7 10:00:00"}) {
        TIMESTAMP_STRUCT date = {2001, 2, 3, 4, 5, 6, 7};
        EXPECT_EQ(dbc_assignDate(text, &date), 0) << text;
        EXPECT_TRUE(same(date, TIMESTAMP_STRUCT{})) << text;
    }
}

TEST(Dates, ShownFormIsTheUsersShortDateAndTimeWithinTheBuffer)
{
    const TIMESTAMP_STRUCT date = {2024, 3, 7, 14, 5, 9, 0};
    SYSTEMTIME time = {2024, 3, 0, 7, 14, 5, 9, 0};
    wchar_t day[128], clock[128];
    ASSERT_GT(GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, day, 128, nullptr), 0);
    ASSERT_GT(GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, clock, 128), 0);
    const std::wstring expected = std::wstring(day) + L" " + clock;
    wchar_t text[260];
    EXPECT_NE(dbc_formatDate(&date, text, 260, dbc_date_style_shown), 0);
    EXPECT_EQ(text, expected);

    // A buffer one short, a year of 0 and an unknown style give empty text, never a partial one.
    const TIMESTAMP_STRUCT none = {};
    const std::tuple<const TIMESTAMP_STRUCT*, int, int> refused[] = {
        {&date, static_cast<int>(expected.size()), dbc_date_style_shown}, {&none, 260, dbc_date_style_stored}, {&date, 260, 4}};
    for (const auto& [refused_date, size, style] : refused) {
        EXPECT_EQ(dbc_formatDate(refused_date, text, size, style), 0) << size << " " << style;
        EXPECT_STREQ(text, L"");
    }
}

// A text of the cipher, released once taken; none for null.
std::optional<std::string> taken(char* text)
{
    const std::optional<std::string> result = text ? std::optional<std::string>(text) : std::nullopt;
    dbcCrypt_free(text);
    return result;
}

std::optional<std::string> decrypt(const std::string& cipher) { return taken(dbcCrypt_decrypt(nullptr, cipher.c_str())); }
std::string encrypt(const std::string& plain) { return taken(dbcCrypt_encrypt(nullptr, plain.c_str())).value_or("(none)"); }

TEST(Crypt, RoundTripsWithAFreshNonceInPlainAscii)
{
    for (const std::string& plain : {std::string("s3cret"), std::string(), std::string("p\xe4ss w\xf6rd=;\"[x]"), std::string(1023, 'x')}) {
        const std::string cipher = encrypt(plain);
        EXPECT_TRUE(cipher.starts_with("VC1:")) << cipher;
        for (const char ch : cipher)
            EXPECT_TRUE(ch > ' ' && ch < 127) << cipher;
        EXPECT_EQ(decrypt(cipher), plain) << cipher;
        EXPECT_NE(encrypt(plain), cipher) << "the same text must not encipher the same way twice";
    }
}

TEST(Crypt, TextThatDoesNotAuthenticateGivesNull)
{
    const std::string cipher = encrypt("s3cret");
    std::string flipped = cipher, other_version = cipher;
    flipped[10] = flipped[10] == 'A' ? 'B' : 'A';
    other_version[2] = '2';
    for (const std::string& text : {flipped, other_version, cipher.substr(0, cipher.size() - 4), cipher + "AAAA",
                                    std::string("VC1:"), std::string("VC1:AAAA"), "VC1:" + std::string(64, 'A'),
                                    std::string("s3cret"), std::string(), "VC1:!!!!" + cipher.substr(8), cipher.substr(4)})
        EXPECT_EQ(decrypt(text), std::nullopt) << text;

    EXPECT_EQ(dbcCrypt_encrypt(&cipher, "s3cret"), nullptr) << "only the library's own key exists";
    EXPECT_EQ(dbcCrypt_decrypt(&cipher, cipher.c_str()), nullptr);
    EXPECT_EQ(dbcCrypt_decrypt(nullptr, nullptr), nullptr);
    dbcCrypt_free(nullptr);
}


// %APPDATA% in a scratch folder for the test's lifetime; `settings`, the [cURL] keys of the
// settings file, are written there first.
struct scratch_appdata {
    explicit scratch_appdata(const std::string& settings = {})
    {
        if (!settings.empty() && std::filesystem::create_directories(settings_file().parent_path()))
            std::ofstream(settings_file()) << "[cURL]\n" << settings;
    }
    std::filesystem::path settings_file() const { return folder.path() / L"VORN" / L"PLAXOR" / L"dbclient.ini"; }

    test::temp_folder folder;
    test::moved_app_data moved{folder.path()};
};

// Every setting other than its default: the [cURL] keys as the client's programs write them, and
// the settings they read as.
std::pair<std::string, std::wstring> every_setting(long proxy_port, const std::string& proxy = "127.0.0.1")
{
    const std::string cipher = taken(dbcCrypt_encrypt(nullptr, "proxy pw")).value_or("");
    return {"proxy=" + proxy + "\nproxy_port=" + std::to_string(proxy_port) + "\nproxy_use_cred=1\nproxy_user=pat\n"
            "proxy_password=" + cipher + "\nconn_timeout=4\ntimeout=9\nhttp_auth=2\nuser_agent=Acme CAD/3\ntcp_nodelay=0\n"
            "ssl_no_revoke=1\nssl_allow_beast=1\n",
            L"proxy pat:proxy pw@" + std::wstring(proxy.begin(), proxy.end()) + L":" + std::to_wstring(proxy_port) +
                L" conn 4 timeout 9 auth 2 agent 'Acme CAD/3' nodelay 0 no_revoke 1 beast 1"};
}

TEST(CurlSettings, WriteConfigStoresWhatReadConfigLoads)
{
    const auto [file, settings] = every_setting(3128);
    scratch_appdata appdata(file);
    vorn_cURL::read_config();
    EXPECT_EQ(test::transport_settings(), settings);
    std::filesystem::remove_all(appdata.folder.path() / L"VORN");  // written anew, folders and all
    EXPECT_TRUE(vorn_cURL::write_config());
    const std::string stored = test::read_file(appdata.settings_file());
    EXPECT_NE(stored.find("proxy=127.0.0.1"), std::string::npos) << stored;
    EXPECT_EQ(stored.find("proxy pw"), std::string::npos) << stored;
    {
        scratch_appdata elsewhere;
        wchar_t small[8] = L"x";
        EXPECT_EQ(dbc_getIniFilePath(small, 8), 0);  // no room for the path
        EXPECT_STREQ(small, L"");
        vorn_cURL::read_config();  // no file: the defaults
        EXPECT_EQ(test::transport_settings(), L"proxy :1080 conn 30 timeout 120 auth -17 agent '' nodelay 1 no_revoke 0 beast 0");
    }
    vorn_cURL::read_config();
    EXPECT_EQ(test::transport_settings(), settings);

    vorn_cURL::m_httpAuth = vorn_auth_anysafe;
    vorn_cURL::m_setting_proxy_password = L"";
    EXPECT_TRUE(vorn_cURL::write_config());
    vorn_cURL::m_setting_proxy_password = L"left over";
    vorn_cURL::read_config();
    EXPECT_EQ(vorn_cURL::m_httpAuth, vorn_auth_anysafe);
    EXPECT_TRUE(vorn_cURL::m_setting_proxy_password.is_empty());
}

// Whatever stands in the way, write_config says so and leaves the file as it was: no key of it
// half written, no draft left beside it. A file held open or read-only is the cURL dialog's case.
TEST(CurlSettings, WriteConfigReportsWhatItCouldNotStoreAndKeepsTheFile)
{
    scratch_appdata appdata;
    vorn_cURL::read_config();
    vorn_cURL::m_setting_proxy = L"changed.acme.com";
    // A folder where the file should be: it stays alone in the settings folder.
    std::filesystem::create_directories(appdata.settings_file());
    EXPECT_FALSE(vorn_cURL::write_config());
    EXPECT_TRUE(std::filesystem::is_directory(appdata.settings_file()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(appdata.settings_file().parent_path()), {}), 1);
    // A file where the settings folder should be.
    std::filesystem::remove_all(appdata.folder.path() / L"VORN");
    std::ofstream(appdata.folder.path() / L"VORN") << "not a folder";
    EXPECT_FALSE(vorn_cURL::write_config());
    EXPECT_EQ(test::read_file(appdata.folder.path() / L"VORN"), "not a folder");
}

TEST(CurlSettings, TheStrongestOfferedSchemeTheMaskAllows)
{
    const unsigned long basic = WINHTTP_AUTH_SCHEME_BASIC, digest = WINHTTP_AUTH_SCHEME_DIGEST,
                        ntlm = WINHTTP_AUTH_SCHEME_NTLM, negotiate = WINHTTP_AUTH_SCHEME_NEGOTIATE;
    // The mask, the schemes offered, the one chosen.
    const std::tuple<long, unsigned long, unsigned long> cases[] = {
        {vorn_auth_any, basic, basic}, {vorn_auth_anysafe, basic, 0}, {vorn_auth_anysafe, basic | digest, digest},
        {vorn_auth_any, basic | digest, digest}, {vorn_auth_digest, basic | digest, digest},
        {vorn_auth_any, basic | digest | ntlm | negotiate, negotiate}, {vorn_auth_basic, basic | digest, basic},
        {vorn_auth_digest_ie, basic | digest, digest}, {vorn_auth_ntlm_wb, basic | ntlm, ntlm},
        {vorn_auth_ntlm | vorn_auth_digest, basic | digest | ntlm, ntlm}, {vorn_auth_only, basic | digest, 0}, {0, basic, 0},
    };
    for (const auto& [mask, offered, chosen] : cases)
        EXPECT_EQ(choose_server_auth_scheme(mask, offered), chosen) << mask << " " << offered;
    EXPECT_EQ(choose_proxy_auth_scheme(basic | ntlm), ntlm);
    EXPECT_EQ(auth_scheme_names(basic | digest), L"Digest, Basic");
}

TEST(CurlSettings, CredentialsAreMasked)
{
    // Header blocks, then bodies (form and JSON, sent or received): the text and what is shown of it.
    const std::pair<const wchar_t*, const wchar_t*> headers[] = {
        {L"POST /x HTTP/1.1\r\nAuthorization: Basic d2ViOnB3\r\nproxy-authorization:Digest username=\"web\", response=\"ab\"\r\n"
         L"Cookie: a=1; b=2\r\nSet-Cookie: s=9; Path=/\r\nAccept: */*\r\n\r\n",
         L"POST /x HTTP/1.1\r\nAuthorization: Basic ****\r\nproxy-authorization: Digest ****\r\nCookie: ****\r\n"
         L"Set-Cookie: ****\r\nAccept: */*\r\n\r\n"},
        {L"Authorization: Basic\r\n d2ViOnB3\n\tmore\rAccept: x\n folded", L"Authorization: Basic ****\r\n ****\n\t****\rAccept: x\n folded"},
        {L"authorization:tok3n-AB\r\nCOOKIE :a=1;\r\n  b=2", L"authorization: ****\r\nCOOKIE : ****\r\n  ****"},
    };
    for (const auto& [text, shown] : headers)
        EXPECT_EQ(mask_header_lines(text), shown) << text;
    const std::pair<const wchar_t*, const wchar_t*> bodies[] = {
        {L"action=login&user=ann&password=p%26w&remember=1", L"action=login&user=ann&password=****&remember=1"},
        {L"PWD=x&new_Password=y&passphrase=z&user=", L"PWD=****&new_Password=****&passphrase=****&user="},
        {L" {\"user\":\"ann\", \"Password\" : \"s\\\"3\", \"pin_pwd\":1234,\"o\":{\"passwords\":[\"a\",{\"b\":\"]\"}]}}",
         L" {\"user\":\"ann\", \"Password\" : \"****\", \"pin_pwd\":\"****\",\"o\":{\"passwords\":\"****\"}}"},
        {L"{\"status\":\"ok\",\"vars\":{\"PLX2_SEED\":{\"int\":0,\"text\":\"pass\"}}}",
         L"{\"status\":\"ok\",\"vars\":{\"PLX2_SEED\":{\"int\":0,\"text\":\"pass\"}}}"},
        {L"[{\"pwd\":\"cut sho", L"[{\"pwd\":\"****\""},
    };
    for (const auto& [text, shown] : bodies)
        EXPECT_EQ(mask_body(text), shown) << text;

    const std::pair<const wchar_t*, const wchar_t*> proxies[] = {
        {L"proxy.acme.com:3128", L"proxy.acme.com:3128"}, {L"pat:pw@proxy.acme.com:3128", L"****@proxy.acme.com:3128"},
        {L"http://pat:pw@10.0.0.1:80", L"http://****@10.0.0.1:80"}, {L"pat:p@ss/w://rd@proxy:1080", L"****@proxy:1080"},
        {L"pat@proxy", L"****@proxy"}, {L"", L""},
    };
    for (const auto& [proxy, shown] : proxies)
        EXPECT_EQ(mask_proxy_user_info(proxy), shown) << proxy;
}

// The transport settings come from the settings file as it is at their first use, not as it was
// when the program started. The first use happens once per process: in a copy of this program.
constexpr wchar_t first_use_marker[] = L"PLAXOR_TRANSPORT_FIRST_USE";

TEST(CurlSettings, LoadAtTheirFirstUse)
{
    test::temp_folder folder;
    EXPECT_TRUE(test::passes_in_copy(folder.path(), L"CurlSettingsFirstUse.*", first_use_marker));
}

// A proxy typed as user:password@host reaches WinHTTP as it is; what the exchange tells of it
// shows the host only.
TEST(CurlSettingsFirstUse, TheFirstLoginReadsTheFileOfTheAppDataSetBeforeIt)
{
    if (!test::is_copy(first_use_marker))
        GTEST_SKIP() << "runs in a copy of this program started by CurlSettings";
    // Nothing in this process has touched the settings yet: %APPDATA% moves, then the file
    // appears, and only then does the first login come.
    const long closed = test::closed_loopback_port();
    ASSERT_NE(closed, 0);
    const auto [file, settings] = every_setting(closed, "ux:Pr0xy-pw@127.0.0.1");
    scratch_appdata appdata(file);
    test::debug_recorder target;
    void* handle = nullptr;
    dbc_connect_set_userdetails(L"ann", L"pw", false, L"", L"", false);
    const int logged_in = dbc_LoginUser(L"", &handle, nullptr, nullptr, 1, L"localhost", L"/dbclient.php", closed,
                                        16384, 0, 0, 0, 1, 0);
    target.stop();
    wchar_t error[dbc_last_error_size];
    dbc_LastError(nullptr, error, dbc_last_error_size);

    EXPECT_EQ(logged_in, 0);
    const std::wstring shown = L"****@127.0.0.1:" + std::to_wstring(closed);
    EXPECT_NE(target.text.find(L"through the proxy " + shown), std::wstring::npos) << target.text;
    EXPECT_NE(std::wstring(error).find(shown), std::wstring::npos) << error;
    for (const std::wstring& text : {std::wstring(error), target.text}) {
        EXPECT_EQ(text.find(L"Pr0xy-pw"), std::wstring::npos) << text;
        EXPECT_EQ(text.find(L"ux:"), std::wstring::npos) << text;
    }
    EXPECT_EQ(test::transport_settings(), settings);

    // Loaded once: a later change of the file waits for read_config, and changes made in
    // between are not loaded over.
    vorn_cURL::m_setting_timeout = 50;
    WritePrivateProfileStringW(L"cURL", L"timeout", L"77", appdata.settings_file().c_str());
    vorn_cURL::ensure_config_loaded();
    EXPECT_EQ(vorn_cURL::m_setting_timeout, 50);
    vorn_cURL::read_config();
    EXPECT_EQ(vorn_cURL::m_setting_timeout, 77);
}

}  // namespace

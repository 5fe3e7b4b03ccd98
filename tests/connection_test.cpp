// A connection definition (its file, the labels it shows, the credentials it hands over), the
// set of them in the Instance Factory folder, and both classes as ConfigurePLAXOR.exe exports
// them to the client's other programs.

#include "connections/connection.h"
#include "connections/multi_conn.h"

#include "ui/show_error.h"
#include "support/created_key.h"
#include "support/hostile.h"
#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/system_text.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <winnetwk.h>

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class ConnectionFile : public ::testing::Test {
protected:
    test::temp_folder folder;

    std::wstring path(const std::wstring& name) const { return folder.with_backslash() + name; }

    void write_file(const std::wstring& name, const std::string& text) const { std::ofstream(folder.path() / name) << text; }

    std::wstring stored(const wchar_t* name, const wchar_t* section, const wchar_t* key) const
    {
        return test::ini_text(folder.path() / name, section, key);
    }

    connection loaded(const wchar_t* name) const
    {
        connection conn{vorn_buffer(path(name).c_str())};
        conn.read_ini();
        return conn;
    }
};

TEST_F(ConnectionFile, NewDefinitionIsWrittenInKeyOrderWithItsDefaults)
{
    wchar_t network_user[64] = {};
    DWORD size = 64;
    connection conn;
    EXPECT_TRUE(conn.is_new());
    EXPECT_EQ(conn.m_network_user.str(), WNetGetUserW(nullptr, network_user, &size) == NO_ERROR ? network_user : L"");
    conn.m_network_user = L"ann";
    EXPECT_TRUE(conn.copy_to_file(path(L"abc_locator.ini").c_str()));
    EXPECT_FALSE(conn.is_new());
    EXPECT_EQ(conn.file_stem.str(), L"abc_locator");
    EXPECT_EQ(conn.get_name().str(), L"abc_locator");

    std::string file = test::read_file(folder.path() / L"abc_locator.ini");
    std::erase(file, '\r');
    EXPECT_EQ(file, "[General]\nlogonex=2\nconn_name=\nconn_seed=\nconn_lastlogin=\nconn_colour=0\nconntype=HTTP\ntrusted=0\n"
                    "encrypted=1\nalwaysprompt=0\nconnformat=\nconnectionlen=0\ntimeout=6\nconnection=\ndbtype=\nserver=\n"
                    "database=\ndbdriver=\nlastuser=\ndsnname=\n[httpConn]\nuserName=\nremember password=1\npassword=\nssl=0\n"
                    "user server logon=1\nserverUserName=\nserver remember password=1\nserverPassword=\nNW user=ann\n"
                    "hostName=plaxor.vorn.example\nprocess=/drawing_management/dbclient.php\nport=80\nreadSize=16384\nplot only=0\n");
}

// Every stored field with a value other than its default: for flags and numbers, other than the
// default a file without them gives, which follows; every text's is empty.
using c = connection;
const std::pair<vorn_buffer c::*, const wchar_t*> text_fields[] = {
    {&c::m_seed, L"Abc"}, {&c::m_connection_type, L"ODBC"}, {&c::m_connect_text, L"DSN=plx;UID=a"},
    {&c::m_connection, L"conn"}, {&c::m_database_type, L"mssql"}, {&c::m_server, L"SRV01"}, {&c::m_database, L"PLX"},
    {&c::m_database_driver, L"SQL Server"}, {&c::m_last_user, L"ann"}, {&c::m_dsn_name, L"plxdsn"},
    {&c::m_user_name, L"Ann"}, {&c::m_password, L"pa ss=word;"}, {&c::m_server_user_name, L"Bob"},
    {&c::m_server_password, L"server secret"}, {&c::m_network_user, L"DOMAIN\\ann"},
    {&c::m_host_name, L"plx.example.com"}, {&c::m_process, L"/acme/dbclient.php"}};
const std::tuple<bool c::*, bool, bool> flag_fields[] = {
    {&c::m_trusted, true, false}, {&c::m_encrypted, false, true}, {&c::m_always_prompt, true, false},
    {&c::m_remember_password, true, false}, {&c::m_ssl, true, false}, {&c::m_user_server_logon, false, true},
    {&c::m_server_remember_password, true, false}, {&c::m_plot_only, true, false}};
const std::tuple<int c::*, int, int> number_fields[] = {{&c::m_login_type, login_type_http, login_type_lan},
                                                        {&c::m_connection_length, 42, 0}, {&c::m_timeout, 30, 6},
                                                        {&c::m_port, 8443, 80}, {&c::m_read_size, 65536, 16384}};

TEST_F(ConnectionFile, MissingFileAndMissingKeysReadAsTheirOwnDefaults)
{
    write_file(L"sparse.ini", "[General]\r\nconn_name=Sparse\r\n");
    for (const auto& [file, name] : {std::pair{L"absent.ini", L"absent"}, std::pair{L"sparse.ini", L"Sparse"}}) {
        const connection conn = loaded(file);
        EXPECT_EQ(conn.get_name().str(), name);
        EXPECT_EQ(conn.m_last_login.year, 0);
        EXPECT_EQ(conn.m_colour, 16777215u);
        for (const auto& [field, value] : text_fields)
            EXPECT_EQ((conn.*field).str(), L"") << value;
        for (const auto& [field, value, missing] : flag_fields)
            EXPECT_EQ(conn.*field, missing) << value;
        for (const auto& [field, value, missing] : number_fields)
            EXPECT_EQ(conn.*field, missing) << value;
    }
}

TEST_F(ConnectionFile, EveryFieldReadsBackAsWritten)
{
    connection conn;
    for (const auto& [field, value] : text_fields)
        conn.*field = value;
    for (const auto& [field, value, missing] : flag_fields)
        conn.*field = value;
    for (const auto& [field, value, missing] : number_fields)
        conn.*field = value;
    conn.m_last_login = {2024, 3, 7, 14, 5, 9, 0};
    conn.m_colour = RGB(12, 34, 56);
    EXPECT_TRUE(conn.copy_to_file(path(L"abc_locator.ini").c_str()));
    EXPECT_EQ(stored(L"abc_locator.ini", L"General", L"conn_lastlogin"), L"2024-03-07 14:05:09");

    const connection back = loaded(L"abc_locator.ini");
    EXPECT_EQ(back.get_name().str(), L"abc_locator") << "copy_to_file names the definition after its file";
    for (const auto& [field, value] : text_fields)
        EXPECT_EQ((back.*field).str(), value);
    for (const auto& [field, value, missing] : flag_fields)
        EXPECT_EQ(back.*field, value);
    for (const auto& [field, value, missing] : number_fields)
        EXPECT_EQ(back.*field, value);
    EXPECT_EQ(std::memcmp(&back.m_last_login, &conn.m_last_login, sizeof(TIMESTAMP_STRUCT)), 0);
    EXPECT_EQ(back.m_colour, RGB(12, 34, 56));
}

TEST_F(ConnectionFile, LoginTypeIsClampedAndNamesFollowTheStem)
{
    const std::pair<const char*, int> types[] = {{"0", 1}, {"-5", 1}, {"1", 1}, {"2", 2}, {"3", 2}, {"99", 2}};
    for (const auto& [text, type] : types) {
        write_file(L"t.ini", std::string("[General]\r\nlogonex=") + text + "\r\n");
        EXPECT_EQ(loaded(L"t.ini").m_login_type, type) << text;
    }

    // The name set, then "conn_name" as stored and the name read back.
    connection conn = loaded(L"abc_locator.ini");
    for (const auto& [name, stored_and_read] : {std::pair{L"ABC_locator", L" | abc_locator"},
                                                std::pair{L"Head office", L"Head office | Head office"}, std::pair{L"", L" | abc_locator"}}) {
        conn.m_name = name;
        EXPECT_TRUE(conn.write_ini());
        EXPECT_EQ(stored(L"abc_locator.ini", L"General", L"conn_name") + L" | " + loaded(L"abc_locator.ini").get_name().str(),
                  stored_and_read);
    }
}

TEST_F(ConnectionFile, PasswordsAreStoredEncipheredAndOnlyTheirOwnTextDeciphers)
{
    // That an empty password needs no cipher shows where the cipher always fails.
    connection conn = loaded(L"p.ini");
    // Non-ASCII within the ANSI code page survives the narrowing.
    std::wstring accented = L"P\u00e4ss w\u00f6rd \u00c9t\u00e9";
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, accented.c_str(), -1, nullptr, 0, nullptr, &lost);
    if (lost)
        accented = L"plain ascii";
    conn.m_password = accented.c_str();
    conn.m_server_password = L"s3cret";
    EXPECT_TRUE(conn.write_ini());
    const std::wstring cipher = stored(L"p.ini", L"httpConn", L"password");
    EXPECT_TRUE(cipher.starts_with(L"VC1:")) << cipher;
    EXPECT_EQ(cipher.find(L"s3cret"), std::wstring::npos);
    EXPECT_EQ(loaded(L"p.ini").m_password.str(), accented);
    EXPECT_EQ(loaded(L"p.ini").getServerPassword().str(), L"s3cret");

    // A text that does not decipher, ours changed or not ours, reads as no password, not as itself.
    std::wstring tampered = cipher;
    tampered[tampered.size() - 3] = tampered[tampered.size() - 3] == L'A' ? L'B' : L'A';
    for (const std::wstring& foreign : {tampered, std::wstring(L"s3cret")}) {
        WritePrivateProfileStringW(L"httpConn", L"password", foreign.c_str(), path(L"p.ini").c_str());
        EXPECT_EQ(loaded(L"p.ini").m_password.str(), L"") << foreign;
    }
}

TEST_F(ConnectionFile, ValuesAreCutAt1023CharactersAndEmptyDatesMeanNever)
{
    connection conn = loaded(L"long.ini");
    conn.m_host_name = std::wstring(1023, L'h').c_str();
    conn.m_process = std::wstring(1500, L'p').c_str();
    EXPECT_TRUE(conn.write_ini());
    EXPECT_EQ(stored(L"long.ini", L"httpConn", L"process").size(), 1500u) << "written whole";
    const connection back = loaded(L"long.ini");
    EXPECT_EQ(back.m_host_name.str(), std::wstring(1023, L'h'));
    EXPECT_EQ(back.m_process.str(), std::wstring(1023, L'p'));

    // The date texts that read as none are the date tests' own; one shows the definition takes them so.
    EXPECT_EQ(stored(L"long.ini", L"General", L"conn_lastlogin"), L"");
    write_file(L"d.ini", "[General]\r\nconn_lastlogin=2024-02-30 10:00:00\r\n");
    const TIMESTAMP_STRUCT date = loaded(L"d.ini").m_last_login;
    EXPECT_TRUE(date.year == 0 && date.month == 0 && date.day == 0 && date.hour == 0);
}

// A write that cannot be made leaves the file as it was and says why; copy_to_file then leaves
// the definition's file and name as they were too. (A read-only file is Connection Properties'.)
TEST_F(ConnectionFile, AWriteThatCannotBeMadeSaysWhyAndChangesNothing)
{
    write_file(L"kept.ini", "[General]\r\nconn_name=Kept\r\n");
    const std::string kept = test::read_file(folder.path() / L"kept.ini");
    const std::wstring missing_folder = path(L"missing\\abc_locator.ini");
    struct unwritable {
        const char* name;
        std::function<win::outcome(connection&)> write;
        std::wstring reason;
    };
    const unwritable cases[] = {
        {"a value with a line break",
         [](connection& conn) {
             conn.m_host_name = L"h\r\n[httpConn]\r\nhostName=evil.example";
             return conn.write_ini();
         },
         L"the value of hostName holds a line break or another control character"},
        {"a missing folder", [&](connection& conn) { return conn.copy_to_file(missing_folder.c_str()); },
         test::system_line(ERROR_PATH_NOT_FOUND)},
    };
    for (const unwritable& u : cases) {
        SCOPED_TRACE(u.name);
        connection conn = loaded(L"kept.ini");
        const win::outcome written = u.write(conn);
        EXPECT_FALSE(written);
        EXPECT_EQ(written.text(), u.reason);
        EXPECT_EQ(test::read_file(folder.path() / L"kept.ini"), kept);
        EXPECT_EQ(conn.ini_path.str() + L" " + conn.get_name().str(), path(L"kept.ini") + L" Kept");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);  // no draft left
    }
}

TEST_F(ConnectionFile, CopiesDifferInLoginAndServerValues)
{
    connection original = loaded(L"c.ini");
    original.m_seed = L"Abc";
    original.login_handle = &original;
    original.m_server_host = L"gw.example";
    original.m_server_process = L"/acme/dbclient.php";
    original.m_server_blobs_process = L"/acme/blobs.php";
    original.m_server_port = 443;
    original.m_server_ssl = true;
    original.m_first_folder = L"acme";
    original.m_cad_save_format = 24;

    // The seed, the login's server values and whether it is connected.
    const auto login_values = [](const connection& c) {
        return c.m_seed.str() + L" " + c.plx2HttpServer().str() + L":" + std::to_wstring(c.plx2HttpPort()) + L" " +
               c.plx2HttpProcess().str() + L" " + c.plx2HttpProcessBlobs().str() + (c.plx2HttpSSL() ? L" ssl '" : L" plain '") +
               c.firstFolder().str() + (c.is_connected() ? L"' connected" : L"'");
    };
    const connection edited(original);
    EXPECT_EQ(edited.hConnTemp(), nullptr);
    EXPECT_EQ(login_values(edited), L"Abc :0   plain ''");
    EXPECT_EQ(edited.ini_path, original.ini_path);
    EXPECT_EQ(edited.cad_save_format(), 24);

    connection full;
    full = original;
    EXPECT_EQ(full.hConnTemp(), &original);
    EXPECT_EQ(login_values(full), L"Abc gw.example:443 /acme/dbclient.php /acme/blobs.php ssl 'acme' connected");

    // copy_from drops its own login but keeps its own server values.
    full.m_server_host = L"mine.example";
    full.copy_from(edited);
    EXPECT_EQ(login_values(full), L"Abc mine.example:443 /acme/dbclient.php /acme/blobs.php ssl 'acme'");
}

connection lan(int login_type = login_type_lan)
{
    connection conn;
    conn.m_login_type = login_type;
    conn.m_server = L"SRV01";
    conn.m_database = L"PLX";
    conn.m_last_user = L"ann";
    return conn;
}

connection http(const wchar_t* host, bool ssl = false, const wchar_t* server_user = L"ann", bool server_logon = true)
{
    connection conn;
    conn.m_host_name = host;
    conn.m_ssl = ssl;
    conn.m_user_name = L"Ann";
    conn.m_server_user_name = server_user;
    conn.m_user_server_logon = server_logon;
    return conn;
}

TEST(ConnectionLabels, ShowTheLoginOfEachType)
{
    // Type, connection, user and domain labels.
    const std::pair<connection, std::wstring> rows[] = {
        {lan(), L"LAN | SRV01 - PLX | ann | ???"},
        {http(L"plx.example.com"), L"HTTP | plx.example.com | Ann | example.com"},
        {http(L"gw.plx.example.com", true), L"HTTPS | gw.plx.example.com | Ann | plx.example.com"},
        {http(L"plx.example.com", false, L"Bob"), L"HTTP | plx.example.com | Ann/Bob | example.com"},
        {http(L"plx.example.com", false, L"Bob", false), L"HTTP | plx.example.com | Ann | example.com"},
        {http(L"10.0.0.5"), L"HTTP | 10.0.0.5 | Ann | ???"},
        {http(L"localhost"), L"HTTP | localhost | Ann | ???"},
        {http(L".example.com"), L"HTTP | .example.com | Ann | ???"},
        {lan(3), L"<Unknown> | <Unknown> | <Unknown> | ???"},
    };
    for (const auto& [conn, labels] : rows)
        EXPECT_EQ(conn.get_type_label().str() + L" | " + conn.get_conn_label().str() + L" | " + conn.get_user_label().str() +
                      L" | " + conn.get_domain().str(), labels);
}

TEST_F(ConnectionFile, LabelsOfNameSeedAndLastLogin)
{
    connection conn = http(L"plx.example.com");
    EXPECT_EQ(conn.get_name_label().str(), L"**NEW CONNECTION**");
    EXPECT_EQ(conn.get_seed_label().str(), L"<Unknown>");
    EXPECT_EQ(conn.get_lastlogin_label().str(), L"<Unknown>");

    EXPECT_TRUE(conn.copy_to_file(path(L"abc_locator.ini").c_str()));
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


class MultiConn : public ConnectionFile {
protected:
    test::registry_sandbox sandbox;
    test::scripted_seam seam;
    multi_conn set;

    void SetUp() override
    {
        test::created_key(HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR").set(L"InsFactory", folder.with_backslash());
    }

    void definition(const std::wstring& name, const std::string& seed = "") const
    {
        write_file(name, "[General]\nconn_seed=" + seed + "\n");
    }

    std::wstring default_stem() const { return set.get_default() ? set.get_default()->file_stem.str() : L"none"; }

    // "a b, default b": the stems of the definitions in the set, sorted, and the default's.
    std::wstring listed() const
    {
        std::vector<std::wstring> stems;
        for (int i = 0; i < set.total(); ++i)
            stems.push_back(set.get_nth(i)->file_stem.str());
        std::sort(stems.begin(), stems.end());
        std::wstring text;
        for (const std::wstring& stem : stems)
            text += stem + L" ";
        return text + L"default " + default_stem();
    }
};

TEST_F(MultiConn, LoadsEveryIniFileOfTheFolderButFolders)
{
    // Never built: empty, and a definition from elsewhere is not deleted.
    EXPECT_EQ(listed(), L"default none");
    EXPECT_EQ(set.get_nth(0), nullptr);
    EXPECT_EQ(set.find_conn(L"a"), nullptr);
    connection stray;
    error_collector errors;
    EXPECT_FALSE(show_failures(set.delete_conn(errors, &stray)));
    EXPECT_TRUE(seam.showed_errors({L"Connection is not in the standard set!"}));

    seam.clear();
    definition(L"a.ini", "SeedA");
    definition(L"b.ini", "SeedB");
    write_file(L"multi_conn.config", "[General]\nLastDefault=b\n");
    std::filesystem::create_directory(folder.path() / L"c.ini");
    show_failures(set.rebuild_list());
    EXPECT_EQ(listed(), L"a b default b");
    EXPECT_EQ(set.get_nth(0)->ini_path.str(), path(set.get_nth(0)->file_stem.str() + L".ini"));
    EXPECT_THROW(set.get_nth(2), std::out_of_range);
    EXPECT_THROW(set.get_nth(-1), std::out_of_range);
    EXPECT_EQ(set.find_conn(L"A"), set.find_conn_by_seed(L"seeda"));
    EXPECT_EQ(set.find_conn(L"A")->m_seed.str(), L"SeedA");
    EXPECT_EQ(set.find_conn(L"c"), nullptr);
    EXPECT_TRUE(multi_conn::file_exists(path(L"c.ini").c_str())) << "a folder counts";
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(MultiConn, DefaultIsTheRecordedDefinitionElseTheFirst)
{
    definition(L"abc_locator.ini");
    definition(L"xyz_locator.ini");
    WritePrivateProfileStringW(L"General", L"LastDefault", L"ABC_LOCATOR", path(L"multi_conn.config").c_str());
    show_failures(set.rebuild_list());
    EXPECT_EQ(default_stem(), L"abc_locator");

    show_failures(set.set_default(set.find_conn(L"xyz_locator")));
    EXPECT_EQ(default_stem(), L"xyz_locator");
    EXPECT_EQ(stored(L"multi_conn.config", L"General", L"LastDefault"), L"xyz_locator");

    error_collector errors;
    connection* removed = set.get_default();
    ASSERT_TRUE(show_failures(set.delete_conn(errors, removed)));
    delete removed;  // the caller's part
    EXPECT_EQ(listed(), L"abc_locator default none") << "a removed default is not handed out";
    definition(L"def_locator.ini");
    show_failures(set.rebuild_list());
    EXPECT_EQ(default_stem(), set.get_nth(0)->file_stem.str()) << "the recorded one has gone";

    std::filesystem::remove(path(L"abc_locator.ini"));
    std::filesystem::remove(path(L"def_locator.ini"));
    show_failures(set.rebuild_list());
    EXPECT_EQ(listed(), L"default none") << "the old default was destroyed with its list";
}

// The seed comes from the server: only a seed that is, unaltered, a file's name inside the folder
// names the new definition's file.
TEST_F(MultiConn, ASeedNamesAFileOnlyUnalteredAndInsideTheFolder)
{
    const auto refused = [](const std::wstring& shown, const std::wstring& why) {
        return L"Can't create connection! The server's seed '" + shown + L"' cannot name its file: " + why +
               L". The seed must be corrected on the server.";
    };
    const std::wstring bad_character = L"', which Windows does not allow in a file name";
    const std::wstring long_seed(250, L'a');
    const std::tuple<std::wstring, std::wstring> seeds[] = {
        {L"AcMe", L""},
        {L"", refused(L"", L"the server sent none")},
        {L"..\\evil", refused(L"..\\evil", L"it holds the character '\\" + bad_character)},
        {L"a/b", refused(L"a/b", L"it holds the character '/" + bad_character)},
        {L"C:evil", refused(L"C:evil", L"it holds the character ':" + bad_character)},
        {L"a?b", refused(L"a?b", L"it holds the character '?" + bad_character)},
        {L"..", refused(L"..", L"it holds '..'")},
        {L"seed.", refused(L"seed.", L"it ends with a dot or a space")},
        {L"seed ", refused(L"seed ", L"it ends with a dot or a space")},
        {L"CON", refused(L"CON", L"Windows keeps this name for a device")},
        {L"com1.x", refused(L"com1.x", L"Windows keeps this name for a device")},
        {L"x\r\n[httpConn]", refused(L"x\\x0D\\x0A[httpConn]", L"it holds a control character")},
        {long_seed, refused(std::wstring(80, L'a') + L"...", L"the file's path would be longer than 259 characters")},
    };
    for (const auto& [seed, box] : seeds) {
        seam.clear();
        error_collector errors;
        vorn_buffer created;
        EXPECT_EQ(show_failures(set.create_new(errors, seed.c_str(), created)), box.empty()) << seed;
        EXPECT_EQ(created.str(), box.empty() ? path(L"acme_locator.ini") : L"") << seed;
        EXPECT_TRUE(box.empty() ? seam.boxes().empty() : seam.showed_errors({box})) << seed;
    }
}

// The definitions go with the last set that holds their list; the other holders may destroy them
// at any time after a set let go of it, so that set forgets its default from the list.
TEST_F(MultiConn, CopiesShareOneListAndASetThatLetsGoForgetsItsDefault)
{
    definition(L"a.ini");
    definition(L"b.ini");
    show_failures(set.rebuild_list());
    connection* const first = set.get_nth(0);
    connection* const first_default = set.get_default();
    ASSERT_NE(first_default, nullptr);
    multi_conn copy(set);
    set.free_list();
    EXPECT_EQ(listed(), L"default none");
    EXPECT_EQ(copy.get_nth(0), first) << "still alive in the copy";
    EXPECT_EQ(copy.get_default(), first_default);
    set = copy;
    EXPECT_EQ(set.get_nth(0), first);

    std::filesystem::remove(path(L"a.ini"));
    std::filesystem::remove(path(L"b.ini"));
    show_failures(set.rebuild_list());  // finds nothing: no new default is chosen
    EXPECT_EQ(listed(), L"default none");
    EXPECT_EQ(copy.get_default(), first_default) << "the copy still holds the list";

    definition(L"c.ini");
    set = copy;
    show_failures(set.rebuild_list());
    EXPECT_EQ(default_stem(), L"c");
    copy.free_list();
    EXPECT_EQ(copy.get_default(), nullptr);

    connection outside;
    show_failures(set.set_default(&outside));
    set.free_list();
    EXPECT_EQ(set.get_default(), &outside) << "a default from outside the list is not the list's to clear";
}

// The demangled export names of a program, read from its image mapped as the loader maps it
// (nothing in it runs).
std::set<std::string> exported_names(const std::filesystem::path& file)
{
    const HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        return {};
    const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR{3});
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress;
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory);
    std::set<std::string> names;
    for (DWORD i = 0; directory && i < exports->NumberOfNames; ++i) {
        const char* name = reinterpret_cast<const char*>(base + reinterpret_cast<const DWORD*>(base + exports->AddressOfNames)[i]);
        int status = 0;
        char* text = abi::__cxa_demangle(name, nullptr, nullptr, &status);
        names.insert(status == 0 && text ? text : name);
        std::free(text);
    }
    FreeLibrary(module);
    return names;
}

TEST(Exports, ProgramExportsTheConnectionClasses)
{
    const std::set<std::string> exported = exported_names(test::program_folder() / L"ConfigurePLAXOR.exe");
    const std::pair<std::string, std::vector<const char*>> classes[] = {
        {"connection::",
         {"s_def_colour", "connection()", "connection(vorn_buffer)", "connection(connection const&)",
          "operator=(connection const&)", "~connection()", "copy_from(connection const&)", "read_ini()", "write_ini()",
          "copy_to_file(vorn_buffer)", "is_new() const", "get_name() const", "getServerUserName() const",
          "getServerPassword() const", "plx2HttpServer() const", "plx2HttpProcess() const",
          "plx2HttpProcessBlobs() const", "firstFolder() const", "plx2HttpPort() const", "plx2HttpSSL() const",
          "vanilla_masters() const", "cad_save_format() const", "hConnTemp() const", "is_connected() const",
          "get_plx_user(wchar_t*, int, wchar_t*, int) const",
          "set_server_credentials(wchar_t (&) [64], wchar_t (&) [64], bool&) const", "get_type_label() const",
          "get_seed_label() const", "get_domain() const", "get_name_label() const", "get_conn_label() const",
          "get_user_label() const", "get_lastlogin_label() const"}},
        {"multi_conn::",
         {"multi_conn()", "multi_conn(multi_conn const&)", "operator=(multi_conn const&)", "~multi_conn()",
          "rebuild_list()", "free_list()", "total() const", "get_nth(int) const", "get_default() const",
          "set_default(connection*)", "find_conn(vorn_buffer) const", "find_conn_by_seed(vorn_buffer) const",
          "create_new(error_collector&, vorn_buffer, vorn_buffer&)", "delete_conn(error_collector&, connection*)",
          "report() const", "file_exists(wchar_t const*)"}}};
    for (const auto& [owner, members] : classes)
        for (const char* member : members)
            EXPECT_TRUE(exported.contains(owner + member)) << owner << member;
}

}  // namespace

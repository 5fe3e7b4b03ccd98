// Connection Properties and the Connected Instances actions, driven through the main window as a
// person would: the real dialogs, the real definition files and a real login to the reference
// gateway.

#include "dialogs/conn_prop_ids.h"
#include "ui/show_error.h"
#include "support/created_key.h"
#include "support/hostile.h"
#include "support/opened_main_window.h"
#include "support/system_text.h"
#include "support/temp_folder.h"
#include "support/trusted_authority.h"
#include "support/transport.h"
#include "support/unix_service.h"
#include "vorn/vorn_curl.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using test::click, test::enabled, test::question_flags, test::text_of, test::texts, test::type;
const std::wstring failed_login = L"Failed to dbc_LoginUser because: Invalid user name or password.";

// The "HTTP" page: a child of the tab control.
HWND page_of(HWND dialog) { return FindWindowExW(GetDlgItem(dialog, IDC_CP_TABS), nullptr, L"#32770", nullptr); }

const char six_vars[] = "PLX2_HTTP_SERVER = plx.acme.com\nPLX2_HTTP_PORT = 8443\nPLX2_HTTP_PROCESS = /acme/dbclient.php\n"
                        "PLX2_HTTP_PROCESS_BLOBS = /acme/blobs.php\nPLX2_HTTP_SSL = 0\n";

// One HTTPS gateway behind a web server logon for the whole program, its authority trusted
// before the program's first HTTPS.
class secure_gateway : public ::testing::Environment {
public:
    static inline long port = 0;

    void SetUp() override
    {
        m_gateway = std::make_unique<test::trusted_gateway>(
            std::string("[gateway]\nauth = basic\nserver_user = web\nserver_password = w3b-pw\n"
                        "[users]\ntester = pl@xor-9\n[vars]\nPLX2_SEED = Secure\n") + six_vars);
        ASSERT_TRUE(m_gateway->started());
        port = m_gateway->port();
        // The chain engine reads the root stores once, at the first chain it builds: that must
        // happen here, before a test's registry sandbox hides them.
        vorn_cURL::ensure_config_loaded();
        vorn_cURL::m_setting_proxy = L"";
        vorn_cURL::m_ssl_no_revoke = 1;
        connection first;
        first.m_host_name = L"localhost";
        first.m_port = static_cast<int>(port);
        first.m_ssl = true;
        first.m_user_name = L"tester";
        first.m_password = L"pl@xor-9";
        first.m_user_server_logon = true;
        first.m_server_user_name = L"web";
        first.m_server_password = L"w3b-pw";
        test::scripted_seam seam;
        ASSERT_TRUE(show_failures(first.reconnect())) << (seam.texts().empty() ? L"" : seam.texts().front());
    }
    void TearDown() override { m_gateway.reset(); }

private:
    std::unique_ptr<test::trusted_gateway> m_gateway;
};
[[maybe_unused]] ::testing::Environment* const secure_environment =
    ::testing::AddGlobalTestEnvironment(new secure_gateway);

class ConnectionProperties : public test::opened_main_window {
protected:
    test::temp_folder gateway_folder;  // outside the workstation: its users' passwords are in clear
    std::unique_ptr<test::unix_service> gateway;

    void SetUp() override
    {
        vorn_cURL::ensure_config_loaded();
        vorn_cURL::m_setting_proxy = L"";
        vorn_cURL::m_httpAuth = vorn_auth_any;
        vorn_cURL::m_ssl_no_revoke = 1;  // the gateway's authority publishes no revocation list
        const fs::path config = gateway_folder.path() / L"gateway.ini";
        std::ofstream(config) << "[users]\ntester = pl@xor-9\n[vars]\nPLX2_SEED = Acme\n" << six_vars;
        gateway = std::make_unique<test::unix_service>(test::gateway_command(config));
        ASSERT_TRUE(gateway->started());
        station.add_definition({L"beta_locator", L"beta", L"BETA", L"localhost", L"tester"});
        station.add_definition({L"alpha_locator", L"Alpha", L"ALPHA", L"localhost", L"tester"});
        station.add_settings_keys(L"1.2.3");
        open();
    }

    fs::path factory() const { return station.factory(); }
    std::wstring port() const { return std::to_wstring(gateway->port()); }

    // Presses a button of the main window that opens Connection Properties, handed to `driver`.
    void open_properties(int button, test::dialog_driver driver)
    {
        seam.drive_dialog(IDD_CONN_PROP_MAIN, std::move(driver));
        click(main(), button);
        EXPECT_EQ(seam.dialogs_shown().back(), true);
    }

    // The port of a gateway like the fixture's whose seed is `seed`.
    long gateway_with_seed(const std::string& seed)
    {
        const fs::path config = gateway_folder.path() / L"seeded.ini";
        std::ofstream(config) << "[users]\ntester = pl@xor-9\n[vars]\nPLX2_SEED = " << seed << "\n" << six_vars;
        const auto& seeded = m_gateways.emplace_back(std::make_unique<test::unix_service>(test::gateway_command(config)));
        EXPECT_TRUE(seeded->started());
        return seeded->port();
    }

    // The HTTP details of a new definition pointed at the gateway.
    void fill_new(HWND dialog, const std::wstring& password) const
    {
        const HWND page = page_of(dialog);
        type(page, IDC_CP_HOST, L"localhost");
        type(page, IDC_CP_PROCESS, L"/drawing_management/dbclient.php");
        type(page, IDC_CP_PORT, port());
        type(page, IDC_CP_LOGIN, L"tester");
        type(page, IDC_CP_PASSWORD, password);
        click(page, IDC_CP_SERVER_CREDENTIALS);  // no server logon in front of this gateway
    }

private:
    std::vector<std::unique_ptr<test::unix_service>> m_gateways;
};

// Over HTTP, and over HTTPS to a gateway with a web server logon in front of it.
TEST_F(ConnectionProperties, CreateLogsInAndNamesTheFileAfterTheSeed)
{
    struct creation {
        const wchar_t* scheme;
        std::wstring port;
        std::wstring server_user;  // empty: no server logon, and the login repeated as its user
        const wchar_t* file;
        texts cards;
    };
    const creation creations[] = {
        {L"HTTP", port(), L"", L"acme_locator.ini", {L"acme_locator", L"Alpha", L"beta"}},
        {L"HTTPS", std::to_wstring(secure_gateway::port), L"web", L"secure_locator.ini",
         {L"acme_locator", L"Alpha", L"beta", L"secure_locator"}},
    };
    for (const creation& c : creations) {
        SCOPED_TRACE(c.scheme);
        test::debug_recorder debug;
        open_properties(IDC_CREATE, [&](HWND dialog) {
            EXPECT_EQ(text_of(dialog, IDC_CP_NAME), L"**NEW CONNECTION**");
            EXPECT_FALSE(enabled(dialog, IDC_CP_NAME));
            EXPECT_EQ(text_of(dialog, IDC_CP_TEST), L"&Create");  // with its mnemonic
            EXPECT_EQ(text_of(dialog, IDC_CP_SEED), L"<Unknown>");
            const HWND page = page_of(dialog);
            fill_new(dialog, L"pl@xor-9");
            type(page, IDC_CP_PORT, c.port);
            if (!c.server_user.empty()) {
                click(page, IDC_CP_SERVER_CREDENTIALS);
                click(page, IDC_CP_SAME_CREDENTIALS);
                click(page, IDC_CP_SSL);
                type(page, IDC_CP_SERVER_LOGIN, c.server_user);
                type(page, IDC_CP_SERVER_PASSWORD, L"w3b-pw");
            }
            EXPECT_FALSE(enabled(dialog, IDOK));  // whatever is typed: only Create saves a new one
            click(dialog, IDC_CP_TEST);
        });
        debug.stop();
        EXPECT_EQ(seam.boxes().size(), 0u) << (seam.texts().empty() ? L"" : seam.texts().front());

        const fs::path created = factory() / c.file;
        ASSERT_TRUE(fs::exists(created));
        EXPECT_EQ(test::ini_text(created, L"httpConn", L"hostName"), L"localhost");
        EXPECT_EQ(test::ini_text(created, L"httpConn", L"port"), c.port);
        EXPECT_EQ(test::ini_text(created, L"httpConn", L"ssl"), c.server_user.empty() ? L"0" : L"1");
        EXPECT_EQ(test::ini_text(created, L"httpConn", L"userName"), L"tester");
        EXPECT_EQ(test::ini_text(created, L"httpConn", L"serverUserName"), c.server_user.empty() ? L"tester" : c.server_user);
        EXPECT_EQ(test::ini_text(created, L"httpConn", L"password").rfind(L"VC1:", 0), 0u);
        EXPECT_EQ(card_names(), c.cards);
        EXPECT_EQ(text_of(main(), IDC_COUNT_LABEL), std::to_wstring(c.cards.size()) + L" Instance(s)");

        // The passwords reach no file in clear, nor the debug output.
        for (const auto& entry : fs::recursive_directory_iterator(root.path()))
            for (const char* secret : {"pl@xor-9", "w3b-pw"})
                EXPECT_TRUE(!entry.is_regular_file() || test::read_file(entry.path()).find(secret) == std::string::npos)
                    << entry.path();
        EXPECT_FALSE(debug.text.empty());
        EXPECT_EQ(debug.text.find(L"pl@xor-9"), std::wstring::npos);
        EXPECT_EQ(debug.text.find(L"w3b-pw"), std::wstring::npos);
    }
}

// Whatever cannot be stored as typed, or stored at all, is said in one box while the dialog stays
// open with everything typed, and no file changes: a refused login, a file that is there already
// or cannot be written, a seed that cannot name a file inside the folder (an error each), a line
// break in a one-line box or a password the ANSI code page cannot hold (a warning, before any login).
TEST_F(ConnectionProperties, WhatCannotBeStoredKeepsTheDialogOpenWithEverythingTyped)
{
    const fs::path alpha = factory() / L"alpha_locator.ini";
    const fs::path folder = fs::path(factory().wstring()).parent_path();
    const fs::path moved = root.path() / L"moved";
    const std::wstring not_line = L" cannot hold a line break or another control character!";
    const std::wstring not_ansi = L"The password holds characters that this computer's ANSI code page cannot represent, "
                                  L"so it cannot be stored! Please choose a password without them.";
    struct unstorable {
        const char* name;
        int button;  // IDC_CREATE, or IDC_EDIT on Alpha
        int box;     // typed into on the page, or the name on the dialog
        std::wstring typed;
        int press;
        std::function<void()> begin, end;
        std::wstring shown;
        UINT icon;
    };
    const fs::path acme = factory() / L"acme_locator.ini";
    const unstorable cases[] = {
        {"Create with a wrong password", IDC_CREATE, IDC_CP_PASSWORD, L"wrong", IDC_CP_TEST, [] {}, [] {}, failed_login,
         MB_ICONERROR},
        {"Create onto a file that is there", IDC_CREATE, IDC_CP_HOST, L"localhost", IDC_CP_TEST,
         [&] { std::ofstream(acme) << "[General]\n"; }, [&] { fs::remove(acme); },
         L"Can't create connection! File '" + acme.wstring() + L"' already exists!", MB_ICONERROR},
        {"Create into a folder that has gone", IDC_CREATE, IDC_CP_HOST, L"localhost", IDC_CP_TEST,
         [&] { fs::rename(folder, moved); }, [&] { fs::rename(moved, folder); },
         L"Can't create connection! The file '" + factory().wstring() + L"acme_locator.ini' cannot be written: " +
             test::system_line(ERROR_PATH_NOT_FOUND) + L".",
         MB_ICONERROR},
        {"Save onto a read-only file", IDC_EDIT, IDC_CP_LOGIN, L"ann", IDOK,
         [&] { SetFileAttributesW(alpha.c_str(), FILE_ATTRIBUTE_READONLY); },
         [&] { SetFileAttributesW(alpha.c_str(), FILE_ATTRIBUTE_NORMAL); },
         L"Can't save connection! The file '" + alpha.wstring() + L"' cannot be written: " +
             test::system_line(ERROR_ACCESS_DENIED) + L".",
         MB_ICONERROR},
        {"Create with a seed that leaves the folder", IDC_CREATE, IDC_CP_PORT,
         std::to_wstring(gateway_with_seed("..\\..\\evil")), IDC_CP_TEST, [] {}, [] {},
         L"Can't create connection! The server's seed '..\\..\\evil' cannot name its file: it holds the character "
         L"'\\', which Windows does not allow in a file name. The seed must be corrected on the server.",
         MB_ICONERROR},
        {"Save a name with a line break", IDC_EDIT, IDC_CP_NAME, L"Alpha\r\n[httpConn]", IDOK, [] {}, [] {},
         L"The Name" + not_line, MB_ICONEXCLAMATION},
        {"Create with a line break in the host", IDC_CREATE, IDC_CP_HOST, L"localhost\r\nssl=0", IDC_CP_TEST, [] {}, [] {},
         L"The Host name" + not_line, MB_ICONEXCLAMATION},
        {"Create with a password outside the code page", IDC_CREATE, IDC_CP_PASSWORD, L"pl@xor-9\u5bc6", IDC_CP_TEST,
         [] {}, [] {}, not_ansi, MB_ICONEXCLAMATION},
        {"Test with a server password outside the code page", IDC_EDIT, IDC_CP_SERVER_PASSWORD, L"\u5bc6", IDC_CP_TEST,
         [] {}, [] {}, not_ansi, MB_ICONEXCLAMATION},
    };
    const auto stored = test::files_snapshot(root.path());
    for (const unstorable& u : cases) {
        SCOPED_TRACE(u.name);
        seam.clear();
        if (u.button == IDC_EDIT)
            select_cards({0});
        open_properties(u.button, [&](HWND dialog) {
            const HWND page = page_of(dialog);
            if (u.button == IDC_CREATE)
                fill_new(dialog, L"pl@xor-9");
            else
                type(page, IDC_CP_LOGIN, L"ann");  // Save enabled
            const HWND owner = u.box == IDC_CP_NAME ? dialog : page;
            type(owner, u.box, u.typed);
            SetFocus(GetDlgItem(owner, u.box));  // the port is read as the focus leaves it
            SetFocus(GetDlgItem(dialog, u.press));
            u.begin();
            click(dialog, u.press);
            u.end();
            EXPECT_TRUE(IsWindowVisible(dialog));
            EXPECT_EQ(text_of(owner, u.box), u.typed);
            EXPECT_EQ(text_of(dialog, IDC_CP_TEST), u.button == IDC_CREATE ? L"&Create" : L"&Test");
        });  // and Cancel
        EXPECT_TRUE(seam.showed({u.shown}, MB_OK | u.icon));
        EXPECT_TRUE(test::files_snapshot(root.path()) == stored);
        EXPECT_EQ(card_names(), (texts{L"Alpha", L"beta"}));
    }
}

// Without the folder every one of them would work on the current directory: its "*.ini" files
// (Portable.ini among them) listed, multi_conn.config written there, a definition created there.
TEST_F(ConnectionProperties, WithoutAnInstanceFactoryFolderNothingIsListedAndCreateDeleteCurrentRefuse)
{
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(SetCurrentDirectoryW(factory().c_str()));
    std::ofstream(factory() / L"Portable.ini") << "[General]\nInsFactory=\n";
    const auto stored = test::files_snapshot(root.path());
    test::created_key(HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR").set(L"InsFactory", L"");
    select_cards({0});
    for (const int button : {IDC_CREATE, IDC_DELETE, IDC_CURRENT}) {
        seam.clear();
        click(main(), button);
        EXPECT_TRUE(seam.showed({L"No Instance Factory folder is set: choose one with '...' first!"}, MB_OK | MB_ICONEXCLAMATION))
            << button;
    }
    EXPECT_TRUE(seam.dialogs().empty());
    window.reset();
    open();
    SetCurrentDirectoryW(current);
    EXPECT_EQ(cards.count(), 0);
    EXPECT_EQ(text_of(main(), IDC_COUNT_LABEL), L"0 Instance(s)");
    EXPECT_TRUE(test::files_snapshot(root.path()) == stored);
}

TEST_F(ConnectionProperties, EditSavesThePageIntoTheFileByItsRules)
{
    const fs::path alpha = factory() / L"alpha_locator.ini";
    select_cards({0});
    open_properties(IDC_EDIT, [&](HWND dialog) {
        const HWND page = page_of(dialog);
        EXPECT_TRUE(IsWindowVisible(page));
        EXPECT_EQ(text_of(dialog, IDC_CP_TEST), L"&Test");
        // Choosing "Local" leaves the HTTP page in view.
        const HWND tabs = GetDlgItem(dialog, IDC_CP_TABS);
        SendMessageW(tabs, TCM_SETCURSEL, 1, 0);
        NMHDR change{tabs, IDC_CP_TABS, static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageW(dialog, WM_NOTIFY, IDC_CP_TABS, reinterpret_cast<LPARAM>(&change));
        EXPECT_TRUE(IsWindowVisible(page));

        // The server logon is on and has no login yet; "Use Same Credentials" is checked each
        // time the page opens.
        EXPECT_FALSE(enabled(dialog, IDOK));
        type(page, IDC_CP_LOGIN, L"ann");
        type(page, IDC_CP_PASSWORD, L"an-pw");
        EXPECT_EQ(text_of(page, IDC_CP_SERVER_LOGIN), L"ann");
        EXPECT_EQ(text_of(page, IDC_CP_SERVER_PASSWORD), L"an-pw");
        EXPECT_TRUE(enabled(dialog, IDOK));

        type(dialog, IDC_CP_NAME, L"");
        EXPECT_FALSE(enabled(dialog, IDOK));
        type(dialog, IDC_CP_NAME, L"Alpha Office");
        EXPECT_TRUE(enabled(dialog, IDOK));

        // Without a server logon its empty login no longer blocks Save.
        type(page, IDC_CP_SERVER_LOGIN, L"");
        EXPECT_FALSE(enabled(dialog, IDOK));
        click(page, IDC_CP_SERVER_CREDENTIALS);
        for (const int id : {IDC_CP_SERVER_LOGIN, IDC_CP_SERVER_PASSWORD, IDC_CP_SAME_CREDENTIALS})
            EXPECT_FALSE(enabled(page, id)) << id;
        type(page, IDC_CP_HOST, L"localhost");  // the check box itself does not ask again
        EXPECT_TRUE(enabled(dialog, IDOK));
        click(page, IDC_CP_SERVER_CREDENTIALS);
        type(page, IDC_CP_LOGIN, L"ann");

        // A list item is taken as the read size, a typed size is not; an empty port is 0.
        const HWND sizes = GetDlgItem(page, IDC_CP_READ_SIZE);
        EXPECT_EQ(SendMessageW(sizes, CB_GETCOUNT, 0, 0), 16);
        SendMessageW(sizes, CB_SETCURSEL, 3, 0);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_CP_READ_SIZE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(sizes));
        type(page, IDC_CP_PORT, L"");
        click(dialog, IDOK);
    });
    EXPECT_TRUE(seam.boxes().empty());
    EXPECT_EQ(test::ini_text(alpha, L"General", L"conn_name"), L"Alpha Office");
    EXPECT_EQ(test::ini_text(alpha, L"httpConn", L"readSize"), L"4096");
    EXPECT_EQ(test::ini_text(alpha, L"httpConn", L"port"), L"0");
    EXPECT_EQ(test::ini_text(alpha, L"httpConn", L"userName"), L"ann");
    EXPECT_EQ(test::ini_text(alpha, L"httpConn", L"serverUserName"), L"ann");
    EXPECT_NE(test::ini_text(alpha, L"httpConn", L"serverPassword"), L"an-pw");  // enciphered
    EXPECT_EQ(card_names().front(), L"Alpha Office");  // saved in place: no refill, same card

    select_cards({0});
    open_properties(IDC_EDIT, [&](HWND dialog) {
        const HWND page = page_of(dialog);
        SetDlgItemTextW(page, IDC_CP_READ_SIZE, L"5000");
        click(dialog, IDOK);
    });
    EXPECT_EQ(test::ini_text(alpha, L"httpConn", L"readSize"), L"4096");
}

TEST_F(ConnectionProperties, ATestReachesTheDefinitionOnlyBySave)
{
    const fs::path beta = factory() / L"beta_locator.ini";
    const std::string file_before = test::read_file(beta);
    connection* definition = static_cast<instance_item*>(cards.data(1))->conn;
    for (const int closing : {IDCANCEL, IDOK}) {
        select_cards({1});
        open_properties(IDC_EDIT, [&](HWND dialog) {
            type(page_of(dialog), IDC_CP_PORT, port());
            type(page_of(dialog), IDC_CP_PASSWORD, L"pl@xor-9");
            click(dialog, IDC_CP_TEST);
            EXPECT_EQ(text_of(dialog, IDC_CP_SEED), L"Acme");
            EXPECT_NE(text_of(dialog, IDC_CP_LAST_LOGIN), L"Last Login: <Unknown>");
            click(dialog, closing);
        });
        EXPECT_TRUE(seam.boxes().empty());
        if (closing == IDCANCEL) {
            EXPECT_EQ(definition->m_seed, vorn_buffer(L"BETA"));
            EXPECT_EQ(definition->m_last_login.year, 0);
            EXPECT_EQ(test::read_file(beta), file_before);
        }
    }
    EXPECT_EQ(definition->m_seed, vorn_buffer(L"Acme"));
    EXPECT_EQ(test::ini_text(beta, L"General", L"conn_seed"), L"Acme");
    EXPECT_NE(test::ini_text(beta, L"General", L"conn_lastlogin"), L"");
}

TEST_F(ConnectionProperties, CurrentMakesTheDefaultAndDeselectsTheCard)
{
    select_cards({1});
    seam.answer(IDNO);
    click(main(), IDC_CURRENT);
    EXPECT_TRUE(cards.is_selected(1));
    seam.answer(IDYES);
    click(main(), IDC_CURRENT);
    EXPECT_TRUE(seam.showed({L"Make 'beta' the current Instance??", L"Make 'beta' the current Instance??"}, question_flags));
    EXPECT_EQ(test::ini_text(factory() / L"multi_conn.config", L"General", L"LastDefault"), L"beta_locator");
    EXPECT_FALSE(cards.is_selected(1));
    for (const int button : {IDC_EDIT, IDC_CURRENT, IDC_DELETE})
        EXPECT_TRUE(enabled(main(), button)) << button;
    click(main(), IDC_CURRENT);  // nothing selected: nothing asked
    EXPECT_EQ(seam.boxes().size(), 2u);
}

TEST_F(ConnectionProperties, DeleteRemovesTheFilesAndAVanishedOneAfterItsBox)
{
    station.add_definition({L"gamma_locator", L"Gamma", L"GAMMA"});
    seam.answer_dialog(IDD_CONN_PROP_MAIN, IDCANCEL);
    click(main(), IDC_CREATE);  // refills nothing
    EXPECT_EQ(card_names(), (texts{L"Alpha", L"beta"}));
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_DELETE, BN_CLICKED), 0);
    EXPECT_TRUE(seam.boxes().empty());  // nothing selected

    select_cards({0, 1});  // Edit disabled: MainWindow.CardsMarkTheDefaultAndTheSelectionEnablesTheirButtons
    seam.answer(IDYES);
    click(main(), IDC_DELETE);
    EXPECT_EQ(seam.texts(), texts{L"Delete 2 Instance Conntection(s)?"});
    EXPECT_FALSE(fs::exists(factory() / L"alpha_locator.ini"));
    EXPECT_FALSE(fs::exists(factory() / L"beta_locator.ini"));
    EXPECT_EQ(card_names(), texts{L"Gamma"});
    EXPECT_EQ(text_of(main(), IDC_COUNT_LABEL), L"1 Instance(s)");

    seam.clear();
    const fs::path gamma = factory() / L"gamma_locator.ini";
    fs::remove(gamma);
    select_cards({0});
    seam.answer(IDYES);
    click(main(), IDC_DELETE);
    ASSERT_EQ(seam.texts().size(), 2u);
    EXPECT_EQ(seam.texts()[1], L"Connection file [" + gamma.wstring() + L"] does not exist!");
    EXPECT_EQ(cards.count(), 0);
    EXPECT_EQ(text_of(main(), IDC_COUNT_LABEL), L"0 Instance(s)");
}

}  // namespace

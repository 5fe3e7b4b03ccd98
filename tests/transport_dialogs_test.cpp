// cURL Configuration, the anchoring layout and the cURL console, as a person uses them: the
// real windows, the real settings and log files, and the transport's debug output.

#include "dialogs/anchor_layout.h"
#include "dialogs/curl_config_dlg.h"
#include "dialogs/curl_config_ids.h"
#include "dialogs/curl_console_ids.h"
#include "support/dialog_driver.h"
#include "support/hostile.h"
#include "support/opened_main_window.h"
#include "support/temp_folder.h"
#include "support/transport.h"
#include "ui/controls.h"
#include "vorn/vorn_curl.h"
#include "vorn/vorn_curl_debug.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <richedit.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Rectangles compared and printed by the tests below (RECT lives in the global namespace).
bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
std::ostream& operator<<(std::ostream& out, const RECT& r)
{
    return out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace {

namespace fs = std::filesystem;

// %APPDATA% in a scratch folder for the whole program, with a stored settings file that nothing
// has read yet: the first dialog must show it as stored.
class scratch_appdata : public ::testing::Environment {
public:
    void SetUp() override
    {
        s_folder = std::make_unique<test::temp_folder>();
        SetEnvironmentVariableW(L"APPDATA", s_folder->path().c_str());
        fs::create_directories(settings_folder());
        std::ofstream(settings_folder() / L"dbclient.ini") << "[cURL]\nproxy=stored.example\nproxy_port=3128\nhttp_auth=10\n";
        LoadLibraryW(L"riched20.dll");
    }
    void TearDown() override { s_folder.reset(); }
    static fs::path settings_folder() { return s_folder->path() / L"VORN" / L"PLAXOR"; }

private:
    static inline std::unique_ptr<test::temp_folder> s_folder;
};
const auto* const g_appdata = ::testing::AddGlobalTestEnvironment(new scratch_appdata);

fs::path log_file() { return scratch_appdata::settings_folder() / L"cURL_console.log"; }
fs::path position_file() { return scratch_appdata::settings_folder() / L"cURL_console.ini"; }

using test::click, test::enabled, test::text_of;
bool checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void leave(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

INT_PTR run_configuration(const std::function<void(HWND)>& driver)
{
    cURL_config dialog;
    return test::run_driven(dialog, nullptr, driver);
}

const int auth_boxes[] = {IDC_CFG_AUTH_BASIC, IDC_CFG_AUTH_DIGEST, IDC_CFG_AUTH_DIGEST_IE, IDC_CFG_AUTH_NEGOTIATE,
                          IDC_CFG_AUTH_NTLM, IDC_CFG_AUTH_NTLM_WB, IDC_CFG_AUTH_ONLY};

// First in the program: nothing has loaded the settings before the first opening shows them.
TEST(CurlConfiguration, OpensWithTheStoredSettingsAndShowsAndCombinesTheAuthenticationMethods)
{
    run_configuration([](HWND dialog) {
        EXPECT_EQ(text_of(dialog, IDC_CFG_PROXY) + L":" + text_of(dialog, IDC_CFG_PROXY_PORT), L"stored.example:3128");
        EXPECT_TRUE(checked(dialog, IDC_CFG_AUTH_COMBINATION));
    });
    struct opening {
        long auth;
        int radio;
        std::vector<int> boxes_checked;
        bool boxes_enabled;
        long auth_after;
    };
    const opening openings[] = {
        {vorn_auth_anysafe, IDC_CFG_AUTH_ANYSAFE, {}, false, vorn_auth_anysafe},
        {vorn_auth_any, IDC_CFG_AUTH_ANY, {}, false, vorn_auth_any},
        {10, IDC_CFG_AUTH_COMBINATION, {IDC_CFG_AUTH_DIGEST, IDC_CFG_AUTH_NTLM}, true, 10},
        {64, IDC_CFG_AUTH_COMBINATION, {}, true, 0},  // a bit no box stands for is dropped
    };
    for (const opening& o : openings) {
        SCOPED_TRACE(o.auth);
        vorn_cURL::m_httpAuth = o.auth;
        run_configuration([&](HWND dialog) {
            EXPECT_TRUE(checked(dialog, o.radio));
            for (const int box : auth_boxes) {
                EXPECT_EQ(checked(dialog, box), std::count(o.boxes_checked.begin(), o.boxes_checked.end(), box) == 1) << box;
                EXPECT_EQ(enabled(dialog, box), o.boxes_enabled) << box;
            }
            EXPECT_EQ(vorn_cURL::m_httpAuth, o.auth_after);
        });
    }

    // Each click sets the library's value at once; Cancel takes nothing back and stores nothing.
    vorn_cURL::m_httpAuth = 0;
    const std::string stored = test::read_file(scratch_appdata::settings_folder() / L"dbclient.ini");
    run_configuration([](HWND dialog) {
        click(dialog, IDC_CFG_AUTH_BASIC);
        click(dialog, IDC_CFG_AUTH_ONLY);
        EXPECT_EQ(static_cast<unsigned long>(vorn_cURL::m_httpAuth), 0x80000001UL);
        click(dialog, IDC_CFG_AUTH_ANY);
        EXPECT_EQ(vorn_cURL::m_httpAuth, vorn_auth_any);
        EXPECT_FALSE(enabled(dialog, IDC_CFG_AUTH_BASIC));
        click(dialog, IDCANCEL);
    });
    EXPECT_EQ(vorn_cURL::m_httpAuth, vorn_auth_any);
    EXPECT_EQ(test::read_file(scratch_appdata::settings_folder() / L"dbclient.ini"), stored);
}

TEST(CurlConfiguration, SaveTakesTheBoxesAsTheyStand)
{
    const INT_PTR result = run_configuration([](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_CFG_PROXY_PORT, L"");
        leave(dialog, IDC_CFG_PROXY_PORT);
        EXPECT_EQ(text_of(dialog, IDC_CFG_PROXY_PORT), L"1080");
        for (const int timeout : {IDC_CFG_CONN_TIMEOUT, IDC_CFG_TIMEOUT}) {
            SetDlgItemTextW(dialog, timeout, L"0");
            leave(dialog, timeout);
            EXPECT_EQ(text_of(dialog, timeout), L"1");
        }
        SetDlgItemTextW(dialog, IDC_CFG_TIMEOUT, L"0");  // Save does not normalise
        // Credentials not sent are still stored.
        CheckDlgButton(dialog, IDC_CFG_PROXY_USE_CRED, BST_CHECKED);
        click(dialog, IDC_CFG_PROXY_USE_CRED);
        EXPECT_FALSE(enabled(dialog, IDC_CFG_PROXY_USER));
        EXPECT_FALSE(enabled(dialog, IDC_CFG_PROXY_PASSWORD));
        SetDlgItemTextW(dialog, IDC_CFG_PROXY_USER, L"puser");
        SetDlgItemTextW(dialog, IDC_CFG_PROXY_PASSWORD, L"p4ss");
        CheckDlgButton(dialog, IDC_CFG_SSL_NO_REVOKE, BST_CHECKED);
        click(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(vorn_cURL::m_setting_proxy_port, 1080);
    EXPECT_EQ(vorn_cURL::m_setting_conn_timeout, 1);
    EXPECT_EQ(vorn_cURL::m_setting_timeout, 0);
    EXPECT_FALSE(vorn_cURL::m_setting_proxy_use_cred);
    EXPECT_EQ(vorn_cURL::m_ssl_no_revoke, 1);
    const fs::path stored = scratch_appdata::settings_folder() / L"dbclient.ini";
    EXPECT_EQ(test::ini_text(stored, L"cURL", L"proxy_user"), L"puser");
    EXPECT_EQ(test::read_file(stored).find("p4ss"), std::string::npos);  // enciphered
    vorn_cURL::m_ssl_no_revoke = 0;
}

// What cannot be stored is refused at Save with its box; the dialog stays open, and the file and
// the library keep what they had.
TEST(CurlConfiguration, SaveRefusesWhatCannotBeStoredAndStaysOpen)
{
    test::scripted_seam seam;
    const fs::path stored = scratch_appdata::settings_folder() / L"dbclient.ini";
    const std::wstring not_saved = L"Failed to save the cURL settings in '" + stored.wstring() +
                                   L"'! The file may be read-only or in use.";
    const std::wstring no_line_break = L" cannot hold a line break or another control character!";
    const std::wstring password_box = L"The password holds characters that this computer's ANSI code page cannot "
                                      L"represent, so it cannot be stored! Please choose a password without them.";
    HANDLE lock = INVALID_HANDLE_VALUE;
    const std::function<void(bool)> none = [](bool) {};
    const struct {
        const char* name;
        int box;
        std::wstring typed;
        std::function<void(bool)> obstacle;
        std::wstring shown;
        UINT flags;
    } refusals[] = {
        {"proxy", IDC_CFG_PROXY, L"a.example\r\nb", none, L"The HTTP proxy address" + no_line_break, MB_ICONEXCLAMATION},
        {"proxy user", IDC_CFG_PROXY_USER, L"ann\nbob", none, L"The HTTP proxy user name" + no_line_break, MB_ICONEXCLAMATION},
        {"user agent", IDC_CFG_USER_AGENT, L"agent\r", none, L"The User Agent" + no_line_break, MB_ICONEXCLAMATION},
        {"password", IDC_CFG_PROXY_PASSWORD, L"\u4e2d\u6587", none, password_box, MB_ICONEXCLAMATION},
        {"read-only file", IDC_CFG_PROXY, L"new.example",
         [&](bool on) { SetFileAttributesW(stored.c_str(), on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL); },
         not_saved, MB_ICONERROR},
        {"locked file", IDC_CFG_PROXY, L"new.example",
         [&](bool on) {
             if (on)
                 lock = CreateFileW(stored.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             else
                 CloseHandle(lock);
         },
         not_saved, MB_ICONERROR},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.name);
        seam.clear();
        const auto files = test::files_snapshot(stored.parent_path());
        const std::wstring library = test::transport_settings();
        r.obstacle(true);
        const INT_PTR result = run_configuration([&](HWND dialog) {
            test::type(dialog, r.box, r.typed);
            click(dialog, IDOK);
            EXPECT_EQ(text_of(dialog, r.box), r.typed);
        });
        r.obstacle(false);
        EXPECT_EQ(result, IDCANCEL);  // still open after Save
        EXPECT_TRUE(seam.showed({r.shown}, MB_OK | r.flags));
        EXPECT_TRUE(test::files_snapshot(stored.parent_path()) == files);  // whole, and no draft left
        EXPECT_EQ(test::transport_settings(), library);
    }
}

// A stored proxy password that does not decipher reads as none, and stays as it is stored until
// the user types a new one.
TEST(CurlConfiguration, KeepsAStoredPasswordThatDoesNotDecipher)
{
    const fs::path stored = scratch_appdata::settings_folder() / L"dbclient.ini";
    const char undecipherable[] = "VC1:bm90IGEgY2lwaGVy";
    const struct {
        int box;
        std::wstring typed;
        bool kept;
    } saves[] = {{IDC_CFG_PROXY, L"other.example", true}, {IDC_CFG_PROXY_PASSWORD, L"n3w-pw", false}};
    for (const auto& save : saves) {
        SCOPED_TRACE(save.box);
        std::ofstream(stored) << "[cURL]\nproxy=p.example\nproxy_password=" << undecipherable << "\n";
        vorn_cURL::read_config();
        run_configuration([&](HWND dialog) {
            test::type(dialog, save.box, save.typed);
            click(dialog, IDOK);
        });
        EXPECT_EQ(test::read_file(stored).find(undecipherable) != std::string::npos, save.kept);
        vorn_cURL::read_config();
        EXPECT_EQ(vorn_cURL::m_setting_proxy_password.str(), save.kept ? L"" : save.typed);
    }
}

// The console's controls as the layout places them, in client coordinates.
std::vector<RECT> console_controls(HWND console)
{
    std::vector<RECT> rects;
    for (const anchor_row& row : console_anchor_table) {
        RECT rc{};
        GetWindowRect(GetDlgItem(console, row.control_id), &rc);
        MapWindowPoints(nullptr, console, reinterpret_cast<POINT*>(&rc), 2);
        rects.push_back(rc);
    }
    return rects;
}

RECT moved(RECT rc, int dx, int dy, int grow_x, int grow_y)
{
    return {rc.left + dx, rc.top + dy, rc.right + dx + grow_x, rc.bottom + dy + grow_y};
}


class CurlConsole : public test::opened_main_window {
protected:
    void SetUp() override
    {
        station.add_settings_keys(L"1.2.3");
        fs::remove_all(scratch_appdata::settings_folder().parent_path());  // a new user's profile
        open();
    }

    HWND console() const { return FindWindowW(nullptr, L"cURL Console"); }
    void resize(HWND hwnd, int dx, int dy) const
    {
        RECT rc{};
        GetWindowRect(hwnd, &rc);
        SetWindowPos(hwnd, nullptr, 0, 0, rc.right - rc.left + dx, rc.bottom - rc.top + dy, SWP_NOMOVE | SWP_NOZORDER);
    }
};

TEST_F(CurlConsole, OneAtATimeAndTheButtonComesBackWhenItCloses)
{
    const HWND first = open_console();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(seam.boxes().empty());
    EXPECT_TRUE(fs::exists(log_file()));
    EXPECT_TRUE(IsWindowVisible(first));
    seam.drive_dialog(IDD_CURL_CONFIG, [](HWND) {});
    click(first, IDC_CONSOLE_CONFIG);
    EXPECT_EQ(seam.dialogs_shown(), std::vector<bool>{true});
    EXPECT_EQ(GetWindow(first, GW_OWNER), main());
    EXPECT_FALSE(enabled(main(), IDC_CONSOLE));
    SendMessageW(main(), WM_COMMAND, MAKEWPARAM(IDC_CONSOLE, BN_CLICKED), 0);
    EXPECT_EQ(FindWindowExW(nullptr, first, nullptr, L"cURL Console"), nullptr);
    const std::vector<std::pair<const char*, std::function<void(HWND)>>> closings = {
        {"Close", [](HWND hwnd) { click(hwnd, IDC_CONSOLE_CLOSE); }},
        {"close box", [](HWND hwnd) {
             SendMessageW(hwnd, WM_CLOSE, 0, 0);
             test::pump_messages();
         }},
    };
    for (const auto& [name, closing] : closings) {
        SCOPED_TRACE(name);
        const HWND hwnd = console() ? console() : open_console();
        closing(hwnd);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_TRUE(enabled(main(), IDC_CONSOLE));
        EXPECT_EQ(vorn_cURL::m_target, nullptr);
        EXPECT_EQ(vorn_cURL::m_debug_stream, nullptr);
    }
    // Left open when the main window goes: it goes with it, its position stored.
    ASSERT_NE(open_console(), nullptr);
    window.reset();
    EXPECT_EQ(console(), nullptr);
    EXPECT_EQ(vorn_cURL::m_target, nullptr);
    EXPECT_TRUE(fs::exists(position_file()));
}

// A folder in the way of the log, or a settings folder too long for the console's paths.
TEST_F(CurlConsole, AnUnopenableLogLeavesNoConsole)
{
    wchar_t appdata[MAX_PATH] = {};
    GetEnvironmentVariableW(L"APPDATA", appdata, MAX_PATH);
    // Short enough to be taken as it is (a longer one would give way to the shell's folder).
    const std::wstring too_long = std::wstring(appdata) + L"\\" + std::wstring(MAX_PATH - 16 - wcslen(appdata), L'x');
    const std::vector<std::pair<const char*, std::function<void(bool)>>> obstacles = {
        {"folder in the way", [](bool on) { on ? fs::create_directories(log_file()) : fs::remove_all(log_file()); }},
        {"too long a path", [&](bool on) { SetEnvironmentVariableW(L"APPDATA", on ? too_long.c_str() : appdata); }},
    };
    for (const auto& [name, obstacle] : obstacles) {
        SCOPED_TRACE(name);
        seam.clear();
        obstacle(true);
        EXPECT_EQ(open_console(), nullptr);
        obstacle(false);
        EXPECT_TRUE(seam.showed({L"Failed to get tempory filename for console!"}, MB_OK));
        EXPECT_TRUE(enabled(main(), IDC_CONSOLE));
        EXPECT_EQ(vorn_cURL::m_target, nullptr);
        EXPECT_NE(open_console(), nullptr);  // and the button still works
        click(console(), IDC_CONSOLE_CLOSE);
    }
}

TEST_F(CurlConsole, KeepsItsControlsAnchoredAndItsPlace)
{
    const HWND hwnd = open_console();
    ASSERT_NE(hwnd, nullptr);
    const std::vector<RECT> start = console_controls(hwnd);
    resize(hwnd, 100, 0);
    EXPECT_EQ(console_controls(hwnd), (std::vector<RECT>{moved(start[0], 0, 0, 100, 0), moved(start[1], 0, 0, 100, 0),
                                                          start[2], start[3], moved(start[4], 100, 0, 0, 0),
                                                          moved(start[5], 100, 0, 0, 0)}));
    resize(hwnd, -100, 50);
    EXPECT_EQ(console_controls(hwnd), (std::vector<RECT>{start[0], moved(start[1], 0, 0, 0, 50), moved(start[2], 0, 50, 0, 0),
                                                          moved(start[3], 0, 50, 0, 0), moved(start[4], 0, 50, 0, 0),
                                                          moved(start[5], 0, 50, 0, 0)}));
    // Narrow enough for Copy to reach Config: Copy, the later row, collapses; Clear still fits.
    const int overlap = start[4].left - start[3].right + 5;
    resize(hwnd, -overlap, -50);
    std::vector<RECT> narrow = console_controls(hwnd);
    EXPECT_TRUE(IsRectEmpty(&narrow[4])) << narrow[4];
    EXPECT_FALSE(IsRectEmpty(&narrow[5])) << narrow[5];
    resize(hwnd, overlap, 0);
    EXPECT_EQ(console_controls(hwnd), start);

    // Before capture there is nothing to arrange.
    anchor_layout uncaptured;
    uncaptured.arrange();
}

// The next console opens where this one was left. Only a restored rectangle on a screen is
// kept: a console closed minimised or maximised opens next at its restored place, one left on no
// screen where its template puts it.
TEST_F(CurlConsole, OpensNextAtItsRestoredRectangleOnAScreen)
{
    RECT template_place{};
    GetWindowRect(open_console(), &template_place);
    click(console(), IDC_CONSOLE_CLOSE);
    const RECT restored{33, 44, 453, 554};
    const struct {
        const char* name;
        RECT placed;
        int show;
        RECT next;
    } closings[] = {
        {"restored", restored, SW_SHOWNORMAL, restored},
        {"minimised", restored, SW_MINIMIZE, restored},
        {"maximised", restored, SW_MAXIMIZE, restored},
        {"on no screen", {-32000, -32000, -31840, -31972}, SW_SHOWNORMAL, template_place},
    };
    for (const auto& c : closings) {
        SCOPED_TRACE(c.name);
        const HWND hwnd = open_console();
        ASSERT_NE(hwnd, nullptr);
        SetWindowPos(hwnd, nullptr, c.placed.left, c.placed.top, c.placed.right - c.placed.left,
                     c.placed.bottom - c.placed.top, SWP_NOZORDER);
        ShowWindow(hwnd, c.show);
        test::pump_messages();
        click(hwnd, IDC_CONSOLE_CLOSE);
        RECT next{};
        GetWindowRect(open_console(), &next);
        EXPECT_EQ(next, c.next);
        click(console(), IDC_CONSOLE_CLOSE);
    }
}

TEST_F(CurlConsole, HoldsAllItIsGiven)
{
    const HWND view = GetDlgItem(open_console(), IDC_CONSOLE_TEXT);
    ASSERT_NE(vorn_cURL::m_target, nullptr);
    const std::wstring piece = std::wstring(998, L'x') + L"\r\n";
    for (int i = 0; i < 110; ++i)
        vorn_cURL::m_target->debug_output(vorn_debug_info, piece.c_str());
    GETTEXTLENGTHEX length{GTL_USECRLF | GTL_NUMCHARS, 1200};
    EXPECT_EQ(SendMessageW(view, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0), 110 * 1000);
    EXPECT_GE(SendMessageW(view, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

// An exchange while the console is open: its lines in the view, in colour by kind, and in the
// log. What reaches the console is masked before: the login tests show that.
TEST_F(CurlConsole, ShowsTheExchangeInColourAndCopiesAndClearsIt)
{
    fs::create_directories(log_file().parent_path());
    std::ofstream(log_file()) << "an earlier run";
    const HWND hwnd = open_console();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(test::read_file(log_file()), "");  // emptied as it opens
    vorn_debug(vorn_debug_header_out, L"POST /p HTTP/1.1\r\nAuthorization: Basic ****\r\n");
    vorn_debug(vorn_debug_header_in, L"HTTP/1.1 200 OK\r\n");
    vorn_debug(vorn_debug_data_in, L"{\"status\": \"ok\", \"user\": \"J\u00fcrgen Stra\u00dfe\"}");

    const HWND view = GetDlgItem(hwnd, IDC_CONSOLE_TEXT);
    const std::wstring text = ui::window(view).text();
    const std::string log = test::read_file(log_file());
    EXPECT_NE(log.find("> POST "), std::string::npos);
    EXPECT_NE(log.find("< HTTP/1.1 200"), std::string::npos);

    // Each kind in its colour, all in Courier New 8 points.
    const auto format_at = [&](const std::wstring& found) {
        const LONG at = static_cast<LONG>(text.find(found));
        SendMessageW(view, EM_SETSEL, at, at + 1);
        CHARFORMATW format{};
        format.cbSize = sizeof format;
        SendMessageW(view, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        EXPECT_STREQ(format.szFaceName, L"Courier New");
        EXPECT_EQ(format.yHeight, 160);
        return format.crTextColor;
    };
    EXPECT_EQ(format_at(L"POST "), RGB(0, 0, 255));        // header out
    EXPECT_EQ(format_at(L"HTTP/1.1 200"), RGB(0, 128, 0));  // header in
    EXPECT_EQ(format_at(L"{\"status\""), RGB(255, 0, 0));   // data in

    // Copy takes the whole text, as Unicode, whatever is selected; No to Clear keeps it, Yes
    // empties the view.
    SendMessageW(view, EM_SETSEL, 0, 3);
    click(hwnd, IDC_CONSOLE_COPY);
    ASSERT_TRUE(OpenClipboard(nullptr));
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const std::wstring clipboard = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ(clipboard, text);
    seam.answer(IDNO);
    click(hwnd, IDC_CONSOLE_CLEAR);
    EXPECT_EQ(ui::window(view).text(), text);
    seam.answer(IDYES);
    click(hwnd, IDC_CONSOLE_CLEAR);
    EXPECT_EQ(ui::window(view).text(), L"");
    const std::wstring clear = L"Are you sure you want to clear the cURL console?";
    EXPECT_TRUE(seam.showed({clear, clear}, MB_YESNO));
    EXPECT_EQ(test::read_file(log_file()), log);  // the log keeps what it has
}

}  // namespace

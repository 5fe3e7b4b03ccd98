// The windows on screens of 96, 144 and 192 DPI, from the keyboard, and as a screen reader finds
// them. Wine reads the DPI (LogPixels) once, as a program starts: the program runs its cases at
// the DPI of the session and then starts itself again at 144 and at 192 DPI. Each run leaves
// screenshots in screenshots\ beside the program.

#include "app/about_dlg_ids.h"
#include "app/main_window_ids.h"
#include "dialogs/conn_prop_ids.h"
#include "dialogs/curl_config_ids.h"
#include "dialogs/curl_console_ids.h"
#include "support/card_recording.h"
#include "support/dialog_driver.h"
#include "support/opened_main_window.h"
#include "support/program_copy.h"
#include "ui/dpi.h"
#include "vorn/vorn_curl.h"
#include "win/com.h"
#include "win/gdi.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>
#include <oleacc.h>
#include <richedit.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using test::texts;
using test::click;

constexpr wchar_t dpi_variable[] = L"PLAXOR_TEST_DPI";

// The DPI this run was started for.
int started_dpi()
{
    wchar_t value[16] = {};
    return GetEnvironmentVariableW(dpi_variable, value, 16) ? _wtoi(value) : ui::default_dpi;
}

// The window as the screen shows it, saved as NAME-DPI.png.
void save_screenshot(HWND window, const std::wstring& name)
{
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    test::pump_messages();
    RECT rc{};
    GetWindowRect(window, &rc);
    if (rc.right > GetSystemMetrics(SM_CXSCREEN) || rc.bottom > GetSystemMetrics(SM_CYSCREEN)) {
        printf("no screenshot of %ls: the display is too small\n", name.c_str());  // a person's own display
        return;
    }
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    win::client_dc screen(nullptr);
    win::unique_memory_dc memory(CreateCompatibleDC(screen.get()));
    win::unique_hbitmap picture(CreateCompatibleBitmap(screen.get(), width, height));
    {
        win::scoped_select into(memory.get(), picture.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), rc.left, rc.top, SRCCOPY);
    }
    const fs::path folder = test::program_folder() / L"screenshots";
    fs::create_directories(folder);
    const fs::path file = folder / (name + L"-" + std::to_wstring(started_dpi()) + L".png");
    ULONG_PTR token = 0;
    const Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    {
        Gdiplus::Bitmap image(picture.get(), nullptr);
        CLSID png{};
        CLSIDFromString(L"{557CF406-1A04-11D3-9A73-0000F81EF32E}", &png);
        EXPECT_EQ(image.Save(file.c_str(), &png, nullptr), Gdiplus::Ok) << file;
    }
    Gdiplus::GdiplusShutdown(token);
}

int text_width(const test::drawn_text& drawn)
{
    win::client_dc screen(nullptr);
    win::unique_hfont font(CreateFontIndirectW(&drawn.font));
    win::scoped_select selection(screen.get(), font.get());
    SIZE size{};
    GetTextExtentPoint32W(screen.get(), drawn.text.c_str(), static_cast<int>(drawn.text.size()), &size);
    return size.cx;
}

// A key pressed on `focus` and handled as the modal loop does.
void press(HWND window, HWND focus, WPARAM key)
{
    SetFocus(focus);
    MSG message{focus, WM_KEYDOWN, key, 1, 0, {}};
    if (!IsDialogMessageW(window, &message))
        DispatchMessageW(&message);
    test::pump_messages();
}

std::wstring class_of(HWND hwnd)
{
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

// The letter after a single "&", or 0.
wchar_t mnemonic_of(const std::wstring& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] != L'&')
            return static_cast<wchar_t>(towlower(text[i + 1]));
        ++i;
    }
    return 0;
}

std::wstring without_markers(std::wstring text)
{
    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
    return text;
}

// The controls of a window in the order Tab walks them (z-order, into controls that hold controls).
void controls_in_order(HWND parent, std::vector<HWND>& controls)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        controls.push_back(child);
        if (GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
            controls_in_order(child, controls);
    }
}

win::com_ptr<IAccessible> accessible_object(HWND control)
{
    win::com_ptr<IAccessible> object;
    AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                               reinterpret_cast<void**>(object.put()));
    return object;
}

VARIANT child_id(long child)
{
    VARIANT id{};
    id.vt = VT_I4;
    id.lVal = child;
    return id;
}

// What a screen reader reads as the name of the control, or of one of its items (1, 2, ...).
std::wstring accessible_name(HWND control, long child = CHILDID_SELF)
{
    const win::com_ptr<IAccessible> object = accessible_object(control);
    BSTR name = nullptr;
    if (!object || object->get_accName(child_id(child), &name) != S_OK || !name)
        return L"(none)";
    std::wstring text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
}

// Tab walks the window in reading order: rows top to bottom and left to right, in a window of
// columns (`column_dlu`: where the right column starts, in dialog units) column by column. Every
// control that takes the focus is a tab stop; labels and buttons carry mnemonics that do not
// clash; an edit takes its name from the label just before it, a check box from its own text,
// as the platform's accessibility interface reads them.
void check_keyboard_and_names(HWND window, int column_dlu)
{
    win::com_scope com;
    const std::wstring caption = ui::window(window).text();
    SCOPED_TRACE(std::string(caption.begin(), caption.end()));  // the captions are ASCII
    RECT band{column_dlu, 0, 0, 4};  // the column's left edge; how far apart the tops of one row may be
    MapDialogRect(window, &band);
    struct tab_stop {
        int id;
        bool right;
        RECT rc;
        int row;
    };
    std::vector<HWND> order;
    controls_in_order(window, order);
    std::vector<tab_stop> tab_stops;
    std::map<wchar_t, int> mnemonics;
    for (const HWND hwnd : order) {
        const int id = GetDlgCtrlID(hwnd);
        const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
        const std::wstring kind = class_of(hwnd);
        const std::wstring text = ui::window(hwnd).text();
        const LONG_PTR button_kind = style & BS_TYPEMASK;
        const bool is_button = kind == L"Button" && button_kind != BS_GROUPBOX;
        const bool is_radio = is_button && (button_kind == BS_AUTORADIOBUTTON || button_kind == BS_RADIOBUTTON);
        const bool takes_focus = is_button || kind == L"Edit" || kind == L"ListBox" || kind == L"ComboBox" ||
                                 kind == L"SysTabControl32" || kind == L"RichEdit20W";
        EXPECT_TRUE(!takes_focus || is_radio || (style & WS_TABSTOP)) << "not a tab stop: " << id;
        if (style & WS_TABSTOP) {
            RECT rc{};
            GetWindowRect(hwnd, &rc);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rc), 2);
            tab_stops.push_back({id, column_dlu && rc.left >= band.left, rc, 0});
        }
        if (const wchar_t letter = (kind == L"Static" || kind == L"Button") ? mnemonic_of(text) : 0)
            EXPECT_TRUE(mnemonics.emplace(letter, id).second) << "'" << static_cast<char>(letter) << "' twice: " << id;
        else
            EXPECT_FALSE(is_button && id != IDCANCEL && std::any_of(text.begin(), text.end(), iswalpha)) << "no mnemonic: " << id;
        if (kind == L"Edit") {
            const HWND label = GetWindow(hwnd, GW_HWNDPREV);
            const std::wstring label_text = label && class_of(label) == L"Static" ? ui::window(label).text() : L"";
            EXPECT_TRUE(mnemonic_of(label_text)) << "no label before edit " << id;
            EXPECT_EQ(accessible_name(hwnd), without_markers(label_text));
        } else if (is_button && button_kind != BS_PUSHBUTTON && button_kind != BS_DEFPUSHBUTTON) {
            EXPECT_EQ(accessible_name(hwnd), without_markers(text)) << id;
        }
    }
    // Rows: tops close to the first top of the row.
    std::vector<tab_stop> reading = tab_stops;
    const auto by = [](auto key) { return [key](const tab_stop& a, const tab_stop& b) { return key(a) < key(b); }; };
    std::stable_sort(reading.begin(), reading.end(), by([](const tab_stop& t) { return std::pair(t.right, t.rc.top); }));
    for (size_t i = 1; i < reading.size(); ++i) {
        const bool same_row = reading[i].right == reading[i - 1].right &&
                              reading[i].rc.top - reading[i - 1].rc.top <= band.bottom;
        reading[i].row = reading[i - 1].row + (same_row ? 0 : 1);
    }
    std::stable_sort(reading.begin(), reading.end(), by([](const tab_stop& t) { return std::pair(t.row, t.rc.left); }));
    const auto ids = [](const std::vector<tab_stop>& stops) {
        std::vector<int> result;
        for (const tab_stop& stop : stops)
            result.push_back(stop.id);
        return result;
    };
    EXPECT_EQ(ids(tab_stops), ids(reading));
}

class ScreenAndKeyboard : public test::opened_main_window {
protected:
    void SetUp() override
    {
        SetEnvironmentVariableW(L"APPDATA", root.path().c_str());  // where the console keeps its log
        fs::create_directories(root.path() / L"VORN" / L"PLAXOR");
        station.add_settings_keys(L"5.2.1");
        station.add_release({L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022", L"<<Unnamed Profile>>", L"x", L""});
        station.add_release({L"R23.1", L"ACAD-3001:409", L"AutoCAD Map 3D 2020", L"<<Unnamed Profile>>", L"x", L""});
        station.add_definition({L"acme_locator", L"ACME Engineering", L"ACME", L"plaxor.acme-eng.com", L"jsmith"});
        station.add_definition({L"northwind_locator", L"Northwind Drawings", L"NORTHWIND", L"dms.northwind.example", L"cad.admin"});
        station.set_default_definition(L"acme_locator");
        open();
    }

    int px(int length) const { return ui::scale(length, started_dpi()); }
    ui::list_box installed() const { return ui::list_box(GetDlgItem(main(), IDC_INSTALLED_LIST)); }
};

// Item heights, fonts and text positions read back from the drawing, at the DPI of the run.
TEST_F(ScreenAndKeyboard, CardsFollowTheDpiAndKeepTheirTextsInside)
{
    ASSERT_EQ(ui::dpi_of(main()), started_dpi());
    const LONG font_height = -MulDiv(8, started_dpi(), 72);  // the template's 8 points
    const LONG title_height = static_cast<LONG>(font_height * 1.2);
    const struct {
        ui::list_box list;
        int item_height;
    } lists[] = {{installed(), GetSystemMetrics(SM_CYICON) + 2 * px(4)}, {cards, px(80)}};
    for (const auto& [list, item_height] : lists) {
        ASSERT_EQ(list.count(), 2);
        for (int i = 0; i < list.count(); ++i) {
            EXPECT_EQ(list.send(LB_GETITEMHEIGHT, static_cast<WPARAM>(i)), item_height) << i;
            const RECT rc = list.item_rect(i);
            const std::vector<test::drawn_text> drawn = test::card_texts(list, i);
            for (const test::drawn_text& text : drawn) {
                EXPECT_TRUE(text.height == font_height || text.height == title_height) << test::in_font(text);
                const int right = (text.align & TA_RIGHT) ? text.at.x : text.at.x + text_width(text);
                EXPECT_LE(right, rc.right - px(4)) << test::in_font(text);
            }
        }
    }
    for (int i = 0; i < cards.count(); ++i) {
        const std::vector<test::drawn_text> drawn = test::card_texts(cards, i);
        ASSERT_EQ(drawn.size(), 8u);
        const RECT rc = cards.item_rect(i);
        EXPECT_EQ(drawn[0].at.y, rc.top + px(4));
        EXPECT_EQ(drawn[0].at.x, rc.left + px(4) + px(30) + px(4));
        // The title larger, title, seed and captions bold; each value beside its caption.
        EXPECT_EQ(drawn[0].height, title_height);
        for (const size_t bold : {0, 1, 2, 4, 6})
            EXPECT_EQ(drawn[bold].weight, FW_BOLD) << drawn[bold].text;
        for (const size_t caption : {2, 4, 6}) {
            EXPECT_EQ(drawn[caption].at.y, rc.top + px(4) + px(24) + px(16) * static_cast<int>(caption / 2 - 1));
            EXPECT_EQ(drawn[caption + 1].at.y, drawn[caption].at.y);
            EXPECT_LT(drawn[caption + 1].weight, FW_BOLD) << drawn[caption + 1].text;
            EXPECT_EQ(drawn[caption + 1].at.x, drawn[caption].at.x + px(80));
            EXPECT_LT(drawn[caption].at.x + text_width(drawn[caption]), drawn[caption + 1].at.x) << drawn[caption].text;
        }
    }
    save_screenshot(main(), L"main-window");
    seam.drive_dialog(IDD_CONN_PROP_MAIN, [](HWND dialog) { save_screenshot(dialog, L"connection-properties"); });
    select_cards({0});
    click(main(), IDC_EDIT);
    const HWND console = open_console();
    ASSERT_NE(console, nullptr);
    // Two lines of an exchange, 8 points high: their pitch follows the DPI.
    vorn_cURL::m_target->debug_output(2, L"> GET /drawing_management/dbclient.php HTTP/1.1\r\n");
    vorn_cURL::m_target->debug_output(1, L"< HTTP/1.1 200 OK\r\n");
    const ui::window text(GetDlgItem(console, IDC_CONSOLE_TEXT));
    const auto line_top = [&](int line) {
        POINTL at{};
        text.send(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), text.send(EM_LINEINDEX, static_cast<WPARAM>(line)));
        return at.y;
    };
    const LONG pitch = line_top(1) - line_top(0);
    EXPECT_GE(pitch, MulDiv(8, started_dpi(), 72));
    EXPECT_LE(pitch, MulDiv(12, started_dpi(), 72));
    save_screenshot(console, L"console");
    click(console, IDC_CONSOLE_CLOSE);
}

// A move to a monitor of twice the DPI: the window takes the system's rectangle, the cards their
// new heights and fonts, and the console's controls keep their proportions.
TEST_F(ScreenAndKeyboard, ADpiChangeRescalesTheCardsAndTheConsole)
{
    const int to = started_dpi() * 2;
    const auto doubled = [](HWND hwnd) {
        RECT rc{};
        GetWindowRect(hwnd, &rc);
        return RECT{rc.left, rc.top, rc.left + 2 * (rc.right - rc.left), rc.top + 2 * (rc.bottom - rc.top)};
    };
    RECT suggested = doubled(main());
    SendMessageW(main(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    GetWindowRect(main(), &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
    EXPECT_EQ(cards.send(LB_GETITEMHEIGHT, 0), ui::scale(80, to));
    const LONG font_height = MulDiv(-MulDiv(8, started_dpi(), 72), to, started_dpi());
    const std::vector<test::drawn_text> drawn = test::card_texts(cards, 0);
    EXPECT_EQ((std::vector<LONG>{drawn.at(0).height, drawn.at(3).height}),
              (std::vector<LONG>{static_cast<LONG>(font_height * 1.2), font_height}));

    const HWND console = open_console();
    ASSERT_NE(console, nullptr);
    const auto gap = [&](int id) {  // from the control's right and bottom edges to the client's
        RECT client{};
        RECT rc{};
        GetClientRect(console, &client);
        GetWindowRect(GetDlgItem(console, id), &rc);
        MapWindowPoints(nullptr, console, reinterpret_cast<POINT*>(&rc), 2);
        return std::vector<long>{client.right - rc.right, client.bottom - rc.bottom, rc.right - rc.left};
    };
    const std::vector<long> clear = gap(IDC_CONSOLE_CLEAR);
    suggested = doubled(console);
    SendMessageW(console, WM_DPICHANGED, MAKEWPARAM(started_dpi() * 2, started_dpi() * 2), reinterpret_cast<LPARAM>(&suggested));
    const std::vector<long> after = gap(IDC_CONSOLE_CLEAR);
    for (size_t i = 0; i < clear.size(); ++i)
        EXPECT_NEAR(after[i], 2 * clear[i], 2) << i;
    click(console, IDC_CONSOLE_CLOSE);
}

TEST_F(ScreenAndKeyboard, EveryWindowTabsInReadingOrderWithItsOwnMnemonics)
{
    check_keyboard_and_names(main(), 240);
    seam.drive_dialog(IDD_ABOUTBOX, [](HWND about) { check_keyboard_and_names(about, 0); });
    SendMessageW(main(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    seam.drive_dialog(IDD_CONN_PROP_MAIN, [](HWND dialog) { check_keyboard_and_names(dialog, 0); });
    select_cards({0});
    click(main(), IDC_EDIT);
    const HWND console = open_console();
    ASSERT_NE(console, nullptr);
    check_keyboard_and_names(console, 0);
    seam.drive_dialog(IDD_CURL_CONFIG, [](HWND dialog) { check_keyboard_and_names(dialog, 160); });
    click(console, IDC_CONSOLE_CONFIG);
    click(console, IDC_CONSOLE_CLOSE);
    EXPECT_EQ(seam.dialogs(), (std::vector<int>{IDD_ABOUTBOX, IDD_CONN_PROP_MAIN, IDD_CURL_CONFIG}));
}

// Each item's name as a screen reader reads it; the arrows move the selection, and Enter or the
// reader's default action does what a double click does.
TEST_F(ScreenAndKeyboard, ListItemsHaveNamesAndTheirActionsAreReachedWithoutAMouse)
{
    win::com_scope com;
    const struct {
        ui::list_box list;
        texts names;
    } lists[] = {
        {installed(),
         {L"AutoCAD 2022, R24.1 (ACAD-5101:409), not connected to PLAXOR",
          L"AutoCAD Map 3D 2020, R23.1 (ACAD-3001:409), not connected to PLAXOR"}},
        {cards,
         {L"ACME Engineering, HTTP: plaxor.acme-eng.com, As: jsmith/, Last Login: <Unknown>, current Instance",
          L"Northwind Drawings, HTTP: dms.northwind.example, As: cad.admin/, Last Login: <Unknown>, not current"}},
    };
    for (const auto& [list, names] : lists) {
        texts read;
        for (int child = 1; child <= list.count(); ++child)
            read.push_back(accessible_name(list.hwnd(), child));
        EXPECT_EQ(read, names);
    }

    select_cards({1});
    press(main(), cards.hwnd(), VK_UP);
    EXPECT_EQ(cards.selected_items(), std::vector<int>{0});
    EXPECT_TRUE(test::enabled(main(), IDC_EDIT));  // the list told the window
    seam.answer_dialog(IDD_CONN_PROP_MAIN, IDCANCEL);
    press(main(), cards.hwnd(), VK_RETURN);
    EXPECT_EQ(seam.dialogs(), std::vector<int>{IDD_CONN_PROP_MAIN});

    const ui::list_box releases = installed();
    press(main(), releases.hwnd(), VK_HOME);
    seam.answer(IDNO);
    press(main(), releases.hwnd(), VK_RETURN);
    seam.answer(IDNO);
    EXPECT_EQ(accessible_object(releases.hwnd())->accDoDefaultAction(child_id(2)), S_OK);
    EXPECT_EQ(seam.texts(), (texts{L"Connect AutoCAD 2022 from PLAXOR?", L"Connect AutoCAD Map 3D 2020 from PLAXOR?"}));
    EXPECT_FALSE(window->ended());  // Enter on a selected item did not press "Close"
}

// Sets the session's DPI for the programs started from now on, starts this program again and
// puts the DPI back. True when every case passed there.
bool passes_at(int dpi)
{
    constexpr wchar_t desktop[] = L"Control Panel\\Desktop";
    DWORD before = 0;
    DWORD size = sizeof before;
    const bool had = RegGetValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &before, &size) == ERROR_SUCCESS;
    const DWORD wanted = static_cast<DWORD>(dpi);
    RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &wanted, sizeof wanted);
    SetEnvironmentVariableW(dpi_variable, std::to_wstring(dpi).c_str());
    const int exit_code = test::run_program(GetCommandLineW());
    SetEnvironmentVariableW(dpi_variable, nullptr);
    if (had)
        RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &before, sizeof before);
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels");
    printf("[ at %d DPI ] %s\n", dpi, exit_code == 0 ? "passed" : "FAILED");
    return exit_code == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    LoadLibraryW(L"riched20.dll");  // the console's text box
    const bool started_again = GetEnvironmentVariableW(dpi_variable, nullptr, 0) != 0;
    if (!started_again)
        printf("[ at %d DPI ]\n", ui::default_dpi);
    int result = RUN_ALL_TESTS();
    if (!started_again)
        for (const int dpi : {144, 192})
            result |= passes_at(dpi) ? 0 : 1;
    return result;
}

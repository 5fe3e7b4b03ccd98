#include "app/configure_plaxor_app.h"
#include "support/card_recording.h"
#include "support/created_key.h"
#include "support/opened_main_window.h"
#include "support/program_copy.h"
#include "support/running_acad.h"
#include "win/gdi.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using test::card_texts, test::enabled, test::question_flags, test::text_of, test::texts;

constexpr wchar_t portable_marker[] = L"PLAXOR_MAIN_WINDOW_PORTABLE";

// The version, both folders and the count of definitions as the window shows them.
texts shown_settings(HWND dialog)
{
    return {text_of(dialog, IDC_VERSION_EDIT), text_of(dialog, IDC_INS_FACTORY_EDIT), text_of(dialog, IDC_CACHED_BASE_EDIT),
            text_of(dialog, IDC_COUNT_LABEL)};
}
ui::list_box list_of(HWND dialog, int id) { return ui::list_box(GetDlgItem(dialog, id)); }

// What the screen shows at a point of a window, once everything pending is painted.
COLORREF pixel(HWND window, int x, int y)
{
    test::pump_messages();
    UpdateWindow(window);
    win::client_dc dc(window);
    return GetPixel(dc.get(), x, y);
}

// The program's icon at the right edge is the only mark of a connected release.
bool shows_connected_mark(const ui::list_box& list, int index)
{
    list.send(LB_SETTOPINDEX, static_cast<WPARAM>(index));  // in view, or the screen has none of it
    const RECT rc = list.item_rect(index);
    const COLORREF background = pixel(list.hwnd(), rc.left + 2, rc.top + 2);
    win::client_dc dc(list.hwnd());
    const int left = rc.right - 4 - 40;
    for (int y = rc.top + 4; y < rc.top + 36; ++y)
        for (int x = left; x < left + 32; ++x)
            if (GetPixel(dc.get(), x, y) != background)
                return true;
    return false;
}

// The list tells its parent as it would after a click or a double click.
void notify(const ui::list_box& list, WORD code)
{
    SendMessageW(GetParent(list.hwnd()), WM_COMMAND, MAKEWPARAM(list.id(), code), reinterpret_cast<LPARAM>(list.hwnd()));
}

void select_only(const ui::list_box& list, std::initializer_list<int> indexes)
{
    list.set_selected(-1, false);
    for (const int index : indexes)
        list.set_selected(index, true);
    notify(list, LBN_SELCHANGE);
}

// The first text of each card: a release's product name, a definition's name.
std::vector<std::wstring> drawn_names(const ui::list_box& list)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < list.count(); ++i)
        names.push_back(card_texts(list, i).at(0).text);
    return names;
}

int index_of(const ui::list_box& list, const std::wstring& name)
{
    const std::vector<std::wstring> names = drawn_names(list);
    return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
}

// "ACAD | TRUSTEDPATHS" of a profile in the registry.
std::wstring profile_paths(const std::wstring& profile)
{
    const std::wstring key = L"Software\\Autodesk\\AutoCAD\\" + profile;
    return test::registry_text(HKEY_CURRENT_USER, key + L"\\General", L"ACAD") + L" | " +
           test::registry_text(HKEY_CURRENT_USER, key + L"\\Variables", L"TRUSTEDPATHS");
}
const std::wstring profile_2022 = L"R24.1\\ACAD-5101:409\\Profiles\\<<Unnamed Profile>>";
const std::wstring profile_2020 = L"R23.1\\ACAD-3001:409\\Profiles\\Drafting";

class MainWindow : public test::opened_main_window {
protected:
    const std::wstring client = test::program_folder().wstring();  // where connected profiles point
    fs::path install_2022;
    fs::path install_2020;

    void SetUp() override
    {
        // R23.1 is connected already; R25.0 has no release folder and cannot be; it has no acad.exe.
        install_2022 = station.add_release({L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022", L"<<Unnamed Profile>>", L"x;y", L"t"});
        install_2020 = station.add_release({L"R23.1", L"ACAD-3001:409", L"AutoCAD Map 3D 2020", L"Drafting",
                                            client + L"\\A2020;" + client + L";x", client + L";" + client + L"\\A2020"});
        station.add_release({L"R25.0", L"ACAD-8101:409", L"autocad 2025", L"<<Unnamed Profile>>", L"x", L"", false});
        station.add_definition({L"beta_locator", L"beta", L"BETA"});
        station.add_definition({L"alpha_locator", L"Alpha", L"ALPHA", L"alpha.example.com"});
        station.add_definition({L"gamma_locator", L"Gamma", L"GAMMA"});
        station.set_default_definition(L"beta_locator");
        station.add_settings_keys(L"1.2.3");
    }
};

TEST_F(MainWindow, StartsWithTheWorkstationInView)
{
    seam.drive_dialog(IDD_CONFIGUREPLAXOR_DIALOG, [&](HWND window) {
        EXPECT_EQ(ui::window(window).text(), L"Configure PLAXOR");
        EXPECT_EQ(shown_settings(window), (texts{L"1.2.3", station.factory(), station.cached_base(), L"3 Instance(s)"}));
        const auto end = static_cast<WORD>(station.factory().size());  // the caret after the end of the path
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_INS_FACTORY_EDIT, EM_GETSEL, 0, 0), MAKELONG(end, end));

        // Sorted by product name whatever the case; a release without acad.exe has no icon and an
        // item of 48 pixels (the other heights, the fonts and the places at each DPI are the screen
        // tests'). No login yet: "<Unknown>".
        const ui::list_box installed = list_of(window, IDC_INSTALLED_LIST);
        EXPECT_EQ(drawn_names(installed), (texts{L"AutoCAD 2022", L"autocad 2025", L"AutoCAD Map 3D 2020"}));
        EXPECT_EQ(installed.item_height(1), 48);
        const ui::list_box cards = list_of(window, IDC_INSTANCE_LIST);
        EXPECT_EQ(drawn_names(cards), (texts{L"Alpha", L"beta", L"Gamma"}));
        EXPECT_EQ(card_texts(cards, 0).at(7).text, L"<Unknown>");
        for (const int button : {IDC_EDIT, IDC_CURRENT, IDC_DELETE})
            EXPECT_FALSE(enabled(window, button)) << button;
        EXPECT_TRUE(enabled(window, IDC_CREATE));
        EXPECT_TRUE(enabled(window, IDC_CONSOLE));  // usable once the window has opened for good
        ui::button(GetDlgItem(window, IDOK)).click();
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(seam.dialogs_shown(), std::vector<bool>{true});
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(MainWindow, MissingSettingsKeysShowOneBoxEachAndTheVersionDecides)
{
    const std::wstring missing = L"Register Key 'SOFTWARE\\VORN\\PLAXOR' doesn't exist!";
    // Only the machine-wide key: one box for each folder, and the window opens without them.
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\VORN"), ERROR_SUCCESS);
    {
        CConfigurePLAXORDlg opened;
        ASSERT_TRUE(opened.create_modeless(nullptr));  // not ended while opening
        EXPECT_TRUE(seam.showed_errors({missing, missing}));
        EXPECT_EQ(shown_settings(opened.hwnd()), (texts{L"1.2.3", L"", L"", L"0 Instance(s)"}));
    }

    // No key anywhere: one box, and the window closes before it is ever shown.
    seam.clear();
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN"), ERROR_SUCCESS);
    seam.drive_dialog(IDD_CONFIGUREPLAXOR_DIALOG, [](HWND) { ADD_FAILURE() << "the window showed"; });
    theApp.InitInstance();
    EXPECT_EQ(seam.dialogs_shown(), std::vector<bool>{false});
    EXPECT_TRUE(seam.showed_errors({missing}));
}

TEST_F(MainWindow, RunningAutoCADsAreNamedAndTheWindowCloses)
{
    const test::running_acad first(install_2022 / L"acad.exe");
    const test::running_acad second(install_2020 / L"acad.exe");
    seam.drive_dialog(IDD_CONFIGUREPLAXOR_DIALOG, [](HWND) { ADD_FAILURE() << "the window showed"; });
    theApp.InitInstance();
    EXPECT_EQ(seam.dialogs_shown(), std::vector<bool>{false});
    ASSERT_EQ(seam.boxes().size(), 1u);
    EXPECT_EQ(seam.boxes()[0].flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    const std::wstring head = L"The following AutoCAD's are running:\n\n";
    const std::wstring tail = L"\nPlease close them before running 'Configure PLAXOR'!";
    const std::wstring a = L"\tAutoCAD 2022\n", b = L"\tAutoCAD Map 3D 2020\n";
    // In the system's process order, whichever that is.
    EXPECT_TRUE(seam.texts()[0] == head + a + b + tail || seam.texts()[0] == head + b + a + tail) << seam.texts()[0];
}

TEST_F(MainWindow, DoubleClickConnectsAndDisconnectsOneRelease)
{
    open();
    const ui::list_box installed = list_of(main(), IDC_INSTALLED_LIST);
    const int acad2022 = index_of(installed, L"AutoCAD 2022");

    select_only(installed, {acad2022, acad2022 + 1});
    notify(installed, LBN_DBLCLK);  // two selected: nothing asked
    EXPECT_TRUE(seam.boxes().empty());

    select_only(installed, {acad2022});
    seam.answer(IDNO);
    notify(installed, LBN_DBLCLK);
    EXPECT_EQ(profile_paths(profile_2022), L"x;y | t");
    seam.answer(IDYES);
    notify(installed, LBN_DBLCLK);
    EXPECT_EQ(profile_paths(profile_2022), client + L"\\A2022;" + client + L";x;y | t;" + client + L";" + client + L"\\A2022");
    EXPECT_TRUE(shows_connected_mark(installed, acad2022));
    seam.answer(IDYES);
    notify(installed, LBN_DBLCLK);
    EXPECT_EQ(profile_paths(profile_2022), L"x;y | t");
    EXPECT_FALSE(shows_connected_mark(installed, acad2022));

    EXPECT_TRUE(seam.showed({L"Connect AutoCAD 2022 from PLAXOR?", L"Connect AutoCAD 2022 from PLAXOR?",
                             L"Disconnent AutoCAD 2022 from PLAXOR?"}, question_flags));
}

// Every release, whatever its state; without releases both still ask and change nothing.
TEST_F(MainWindow, ConnectAllAndDisconnectAllTakeEveryRelease)
{
    open();
    const ui::list_box installed = list_of(main(), IDC_INSTALLED_LIST);
    const std::wstring connected_2020 = client + L"\\A2020;" + client + L";x | " + client + L";" + client + L"\\A2020";
    EXPECT_TRUE(shows_connected_mark(installed, index_of(installed, L"AutoCAD Map 3D 2020")));
    EXPECT_FALSE(shows_connected_mark(installed, index_of(installed, L"AutoCAD 2022")));

    seam.answer(IDYES);
    test::click(main(), IDC_CONNECT_ALL);
    EXPECT_EQ(profile_paths(profile_2022), client + L"\\A2022;" + client + L";x;y | t;" + client + L";" + client + L"\\A2022");
    EXPECT_EQ(profile_paths(profile_2020), connected_2020);
    for (const wchar_t* name : {L"AutoCAD 2022", L"AutoCAD Map 3D 2020"})
        EXPECT_TRUE(shows_connected_mark(installed, index_of(installed, name))) << name;
    EXPECT_FALSE(shows_connected_mark(installed, index_of(installed, L"autocad 2025")));

    seam.answer(IDNO);
    test::click(main(), IDC_DISCONNECT_ALL);
    EXPECT_EQ(profile_paths(profile_2020), connected_2020);
    seam.answer(IDYES);
    test::click(main(), IDC_DISCONNECT_ALL);
    EXPECT_EQ(profile_paths(profile_2022), L"x;y | t");
    EXPECT_EQ(profile_paths(profile_2020), L"x | ");
    for (int i = 0; i < installed.count(); ++i)
        EXPECT_FALSE(shows_connected_mark(installed, i)) << i;

    const std::wstring connect = L"Connect all installed AutoCAD's to PLAXOR?";
    const std::wstring disconnect = L"Disconnect all installed AutoCAD's to PLAXOR?";
    EXPECT_TRUE(seam.showed({connect, disconnect, disconnect}, question_flags));

    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD"), ERROR_SUCCESS);
    test::created_key(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD");  // there, but empty
    open();
    for (const int button : {IDC_CONNECT_ALL, IDC_DISCONNECT_ALL}) {
        seam.answer(IDYES);
        test::click(main(), button);
    }
    EXPECT_EQ(list_of(main(), IDC_INSTALLED_LIST).count(), 0);
    EXPECT_EQ(profile_paths(profile_2022), L"(none) | (none)");
    EXPECT_TRUE(seam.showed({connect, disconnect}, question_flags));
}

// The dialog manager hands Enter to the default button "Close" even while a list has the focus,
// as long as no item is selected there, and Escape to Cancel; the pump below does what the modal
// loop does with each key.
TEST_F(MainWindow, EnterOnAListAndEscapeCloseTheWindow)
{
    // The list with the focus, the key, the window's result.
    const std::tuple<int, WPARAM, INT_PTR> presses[] = {
        {IDC_INSTALLED_LIST, VK_RETURN, IDOK}, {IDC_INSTANCE_LIST, VK_RETURN, IDOK}, {IDC_INSTANCE_LIST, VK_ESCAPE, IDCANCEL}};
    for (const auto& [focus, key, result] : presses) {
        open();
        const HWND list = GetDlgItem(main(), focus);
        SetFocus(list);
        ASSERT_EQ(GetFocus(), list);
        PostMessageW(list, WM_KEYDOWN, key, 1);
        MSG message;
        while (!window->ended() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(main(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        EXPECT_TRUE(window->ended()) << focus << " " << key;
        EXPECT_EQ(window->result(), result) << focus << " " << key;
    }
    EXPECT_TRUE(seam.boxes().empty());
}

// Minimised, the window has no client area, so invalidating it asks for no painting; an internal
// paint makes the system send WM_PAINT all the same, and the window draws its icon.
TEST_F(MainWindow, PaintsItsIconWhileMinimised)
{
    open();
    const HWND hwnd = main();
    ShowWindow(hwnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(hwnd));
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_INTERNALPAINT | RDW_UPDATENOW);
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    const LRESULT icon = SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(icon, 0);
    EXPECT_EQ(SendMessageW(hwnd, WM_QUERYDRAGICON, 0, 0), icon);

    ShowWindow(hwnd, SW_RESTORE);
    UpdateWindow(hwnd);
    EXPECT_FALSE(IsIconic(hwnd));
    EXPECT_FALSE(window->ended());
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(MainWindow, CardsMarkTheDefaultAndTheSelectionEnablesTheirButtons)
{
    open();
    const HWND hwnd = main();
    const auto background = [&](int index) {
        const RECT rc = cards.item_rect(index);
        return pixel(cards.hwnd(), rc.right - 2, rc.bottom - 2);
    };
    EXPECT_EQ(background(0), RGB(255, 255, 255));
    EXPECT_EQ(background(1), RGB(200, 220, 255));  // beta, the default
    EXPECT_EQ(background(2), RGB(255, 255, 255));

    // The cards selected; whether Edit, Current and Delete are enabled.
    const std::pair<std::initializer_list<int>, std::vector<bool>> steps[] = {
        {{2}, {true, true, true}}, {{0, 1}, {false, false, true}}, {{}, {false, false, false}}, {{1}, {true, true, true}}};
    for (const auto& [selected, buttons] : steps) {
        select_only(cards, selected);
        EXPECT_EQ((std::vector<bool>{enabled(hwnd, IDC_EDIT), enabled(hwnd, IDC_CURRENT), enabled(hwnd, IDC_DELETE)}), buttons);
    }
    EXPECT_EQ(background(1), RGB(255, 202, 0));  // selected, the default too is amber
    EXPECT_EQ(background(0), RGB(255, 255, 255));
}

TEST_F(MainWindow, CheckForUpdatesStartsTheUpdaterAndCloses)
{
    const fs::path updater = root.path() / L"Updater.exe";
    fs::copy_file(test::program_folder() / L"Updater.exe", updater);
    open();
    const ui::button check(GetDlgItem(main(), IDC_CHECK_UPDATES));

    // No "Updater", then one naming a file that is not there.
    check.click();
    const test::created_key settings(HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR");
    settings.set(L"Updater", (root.path() / L"gone\\Updater.exe").wstring());
    check.click();
    const std::wstring present = updater.wstring();
    settings.set(L"Updater", present);
    EXPECT_TRUE(seam.showed({L"Updater.exe not present!", L"Updater.exe not present!"}, MB_OK | MB_ICONEXCLAMATION));

    seam.clear();
    seam.answer(IDNO);
    check.click();
    EXPECT_TRUE(seam.started().empty());
    EXPECT_FALSE(window->ended());

    seam.answer(IDYES);
    check.click();
    EXPECT_TRUE(seam.showed({L"Check for Updates?", L"Check for Updates?"}, question_flags));
    EXPECT_EQ(seam.started(), texts{present});
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(window->result(), IDOK);
    const fs::path mark = root.path() / L"Updater.exe.ran";  // left by the updater beside itself
    for (int i = 0; i < 100 && !fs::exists(mark); ++i)
        Sleep(100);
    EXPECT_TRUE(fs::exists(mark));
}

// Its last entry, after a separator.
TEST_F(MainWindow, TheSystemMenuOpensTheAboutBox)
{
    open();
    const HMENU menu = GetSystemMenu(main(), FALSE);
    const int items = GetMenuItemCount(menu);
    wchar_t entry[64] = {};
    GetMenuStringW(menu, items - 1, entry, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(entry), L"&About Configure PLAXOR...");
    EXPECT_EQ(GetMenuState(menu, items - 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    seam.drive_dialog(100, [](HWND about) {
        EXPECT_EQ(ui::window(about).text(), L"About ConfigurePLAXOR");
        texts statics;
        for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            statics.push_back(ui::window(child).text());
        EXPECT_NE(std::find(statics.begin(), statics.end(), L"ConfigurePLAXOR, Version 1.0"), statics.end());
        ui::button(GetDlgItem(about, IDOK)).click();
    });
    SendMessageW(main(), WM_SYSCOMMAND, GetMenuItemID(menu, items - 1), 0);
    EXPECT_EQ(seam.dialogs(), std::vector<int>{100});
    EXPECT_EQ(seam.dialogs_shown(), std::vector<bool>{true});
    EXPECT_FALSE(window->ended());
    EXPECT_TRUE(IsWindowVisible(main()));
    EXPECT_TRUE(IsWindowEnabled(main()));
}

// Portable.ini beside the program decides the settings, and the program's own folder is the one
// connected profiles point to: both need the program in a folder of its own. That folder ships
// the release folders of AutoCAD 2025 and 2027, not of 2026, which a row of Portable.ini adds.
TEST(PortableMainWindow, ShowsThePortableVersionAndConnectsToItsOwnFolder)
{
    test::temp_folder folder;
    for (const wchar_t* release_folder : {L"A2025", L"A2027"})
        fs::create_directories(folder.path() / release_folder);
    const fs::path updater = folder.path() / L"Updater.exe";
    fs::copy_file(test::program_folder() / L"Updater.exe", updater);
    std::ofstream(folder.path() / L"Portable.ini") << "[General]\nVersion=1.2.3\nInsFactory=C:\\Portable\\Factory\\\nUpdater="
                                                   << updater.string() << "\nAcadRelease1=R25.1|AutoCAD 2026|\\Custom\n";
    EXPECT_TRUE(test::passes_in_copy(folder.path(), L"PortableCopy.*", portable_marker));
}

TEST(PortableCopy, OpensFromItsOwnFolder)
{
    if (!test::is_copy(portable_marker))
        GTEST_SKIP() << "runs in a copy of this program started by PortableMainWindow";
    test::registry_sandbox sandbox;
    test::scripted_seam seam;
    test::temp_folder root;
    const test::workstation station(root.path());
    for (const auto& [release, name] : {std::pair{L"R24.1", L"AutoCAD 2022"}, {L"R25.0", L"AutoCAD 2025"},
                                        {L"R25.1", L"AutoCAD 2026"}, {L"R26.0", L"AutoCAD 2027"}})
        station.add_release({release, L"ACAD-5101:409", name, L"<<Unnamed Profile>>", L"x;y", L"t", false});
    CConfigurePLAXORDlg window;
    ASSERT_TRUE(window.create_modeless(nullptr));
    EXPECT_EQ(shown_settings(window.hwnd()), (texts{L"Portable (1.2.3)", L"C:\\Portable\\Factory\\", L"", L"0 Instance(s)"}));
    EXPECT_TRUE(seam.boxes().empty());

    const ui::list_box installed = list_of(window.hwnd(), IDC_INSTALLED_LIST);
    ASSERT_EQ(drawn_names(installed), (texts{L"AutoCAD 2022", L"AutoCAD 2025", L"AutoCAD 2026", L"AutoCAD 2027"}));
    const std::wstring client = test::program_folder().wstring();
    for (const auto& [index, release, suffix] : {std::tuple{0, L"R24.1", L"\\A2022"}, {1, L"R25.0", L"\\A2025"},
                                                 {2, L"R25.1", L"\\Custom"}, {3, L"R26.0", L"\\A2027"}}) {
        select_only(installed, {index});
        seam.answer(IDYES);
        notify(installed, LBN_DBLCLK);
        EXPECT_EQ(profile_paths(release + std::wstring(L"\\ACAD-5101:409\\Profiles\\<<Unnamed Profile>>")),
                  client + suffix + L";" + client + L";x;y | t;" + client + L";" + client + suffix);
    }

    // The registry of this user names no updater: the one started is the one Portable.ini names.
    seam.clear();
    seam.answer(IDYES);
    ui::button(GetDlgItem(window.hwnd(), IDC_CHECK_UPDATES)).click();
    EXPECT_EQ(seam.texts(), texts{L"Check for Updates?"});
    ASSERT_EQ(seam.started().size(), 1u);
    EXPECT_TRUE(fs::equivalent(seam.started()[0], test::program_folder() / L"Updater.exe"));
    EXPECT_TRUE(window.ended());
}

}  // namespace

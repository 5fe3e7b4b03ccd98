// Files, registry values and gateway answers that other programs and people wrote, made hostile
// by a seeded generator (the seed is in each case's name): the program neither crashes nor
// reads past its buffers, says what went wrong, and leaves everything stored as it was.

#include "app/main_window.h"
#include "app/main_window_ids.h"
#include "dialogs/curl_console_ids.h"
#include "connections/connection.h"
#include "host/acad_discovery.h"
#include "host/settings_store.h"
#include "vorn/dbc_login.h"
#include "vorn/vorn_curl.h"

#include "ui/show_error.h"
#include "support/created_key.h"
#include "support/hostile.h"
#include "support/opened_main_window.h"
#include "support/program_copy.h"
#include "support/unix_service.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using test::click;
using test::hostile_content;

void write(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

bool error_or_warning(const test::shown_box& box)
{
    const UINT icon = box.flags & MB_ICONMASK;
    return !box.text.empty() && (icon == MB_ICONERROR || icon == MB_ICONEXCLAMATION);
}

const std::string valid_definition =
    "[General]\nlogonex=2\nconn_name=Hostile\nconn_seed=acme\nconn_lastlogin=2024-03-14 09:26:53\nconn_colour=255\n"
    "server=db\ndatabase=plx\nlastuser=ann\n[httpConn]\nuserName=ann\npassword=Zm9v\nuser server logon=1\n"
    "serverUserName=web\nserverPassword=Zm9v\nNW user=ann\nhostName=plaxor.example.com\n"
    "process=/drawing_management/dbclient.php\nport=80\nreadSize=16384\n";

class HostileFiles : public test::opened_main_window {
protected:
    void SetUp() override
    {
        station.add_settings_keys(L"5.2.1");
        station.add_definition({L"good_locator", L"Good", L"good"});
        station.set_default_definition(L"good_locator");
    }

    // Opens the window on what is stored, draws it, reads every card as the drawing does, asks
    // to make each current and closes it again: no other box shown, nothing stored changed.
    void open_and_close(const std::string& what, int expected_cards)
    {
        SCOPED_TRACE(what);
        const test::stored_state before(root.path());
        open();
        RedrawWindow(main(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        EXPECT_EQ(cards.count(), expected_cards);
        for (int i = 0; i < cards.count(); ++i) {
            const connection& conn = *static_cast<instance_item*>(cards.data(i))->conn;
            EXPECT_LE(conn.get_name().str().size(), 1023u);
            for (const vorn_buffer& label : {conn.get_name_label(), conn.get_conn_label(), conn.get_user_label(),
                                             conn.get_lastlogin_label(), conn.get_seed_label(), conn.get_domain()})
                EXPECT_LE(label.str().size(), 2 * 1023u + 3);
            select_cards({i});  // its name in a question of 512 characters, answered No
            seam.answer(IDNO);
            click(main(), IDC_CURRENT);
        }
        window.reset();
        ASSERT_EQ(seam.boxes().size(), static_cast<size_t>(expected_cards));
        for (const test::shown_box& question : seam.boxes())
            EXPECT_TRUE(question.text.starts_with(L"Make '") && question.text.size() <= 511) << question.text.size();
        EXPECT_TRUE(before == test::stored_state(root.path()));
    }
};

TEST_F(HostileFiles, DefinitionsAndTheSetsRecordOfItsDefault)
{
    const fs::path factory = station.factory();
    int tried = 0;
    for (const hostile_content& file : test::hostile_ini_files(valid_definition, 1601, {64, 260, 1024})) {
        write(factory / L"hostile.ini", file.bytes);
        open_and_close("definition: " + file.name, 2);
        ++tried;
    }
    fs::remove(factory / L"hostile.ini");
    for (const hostile_content& file : test::hostile_ini_files("[General]\nLastDefault=good_locator\n", 1602, {260})) {
        write(factory / L"multi_conn.config", file.bytes);
        open_and_close("multi_conn.config: " + file.name, 1);
        ++tried;
    }
    std::printf("hostile definitions and multi_conn.config: %d cases\n", tried);
}

// Portable.ini must lie beside the program: this runs in a copy of it.
TEST(HostilePortableIni, SettingsReadFromItStayInTheirBuffers)
{
    constexpr wchar_t marker[] = L"PLAXOR_HOSTILE_PORTABLE";
    if (!test::is_copy(marker)) {
        const test::temp_folder folder;
        EXPECT_TRUE(test::passes_in_copy(folder.path(), L"HostilePortableIni.*", marker));
        return;
    }
    const test::registry_sandbox sandbox;
    const test::scripted_seam seam;
    const test::temp_folder root;
    test::workstation(root.path()).add_settings_keys(L"5.2.1", L"C:\\updater.exe");
    const fs::path ini = test::program_folder() / L"Portable.ini";
    const std::string valid = "[General]\nVersion=5.2.1\nInsFactory=C:\\F\\\nCachedBase=C:\\C\\\nUpdater=C:\\U.exe\n";
    for (const hostile_content& file : test::hostile_ini_files(valid, 1603, {260, 512})) {
        SCOPED_TRACE(file.name);
        write(ini, file.bytes);
        const test::stored_state before(root.path());
        for (const wchar_t* name : {L"Version", L"InsFactory", L"CachedBase", L"Updater"}) {
            bool portable = false;
            std::wstring value = L"as given";
            EXPECT_TRUE(show_failures(host::read_setting(portable, name, value, name[0] == L'V')));
            EXPECT_TRUE(portable);
            EXPECT_LE(value.size(), 511u);
        }
        EXPECT_TRUE(seam.texts().empty());
        EXPECT_TRUE(before == test::stored_state(root.path()));
        EXPECT_EQ(test::read_file(ini), file.bytes);
    }
    fs::remove(ini);
}

// The library's settings file and the console's position beside it, in a scratch %APPDATA%.
class HostileTransportFiles : public HostileFiles {
protected:
    void SetUp() override
    {
        HostileFiles::SetUp();
        fs::create_directories(folder);
        LoadLibraryW(L"riched20.dll");
    }

    test::temp_folder appdata;
    const test::moved_app_data moved{appdata.path()};
    const fs::path folder = appdata.path() / L"VORN" / L"PLAXOR";
};

TEST_F(HostileTransportFiles, SettingsAndConsolePositionStayInBoundsAndTheLoginStillAnswers)
{
    const std::string valid = "[cURL]\nproxy=\nproxy_port=3128\nproxy_use_cred=1\nproxy_user=pat\nproxy_password=Zm9v\n"
                              "conn_timeout=7\ntimeout=45\nhttp_auth=10\nuser_agent=agent\ntcp_nodelay=1\n"
                              "ssl_no_revoke=0\nssl_allow_beast=0\n";
    const long closed = test::closed_loopback_port();
    for (const hostile_content& file : test::hostile_ini_files(valid, 1604, {1024})) {
        SCOPED_TRACE(file.name);
        write(folder / L"dbclient.ini", file.bytes);
        vorn_cURL::read_config();
        for (const vorn_buffer* text : {&vorn_cURL::m_setting_proxy, &vorn_cURL::m_setting_proxy_user,
                                        &vorn_cURL::m_setting_proxy_password, &vorn_cURL::m_setting_user_agent})
            EXPECT_LE(text->str().size(), 1023u);
        // Whatever the timeouts read, a refused connection fails at once and says so.
        vorn_cURL::m_setting_proxy = L"";
        void* handle = nullptr;
        DBC_LOGIN_INFO info{};
        EXPECT_FALSE(dbc_LoginUser(L"", &handle, nullptr, &info, 1, L"localhost", L"/p.php", closed, 16384, false, 0, 0, 1, 0));
        wchar_t error[dbc_last_error_size];
        EXPECT_NE(std::wstring(dbc_LastError(nullptr, error, dbc_last_error_size)), L"") << file.name;
        EXPECT_EQ(test::read_file(folder / L"dbclient.ini"), file.bytes);
    }
    fs::remove(folder / L"dbclient.ini");
    vorn_cURL::read_config();

    open();
    const std::string position = "[General]\nposition_set=1\nposition_x=10\nposition_y=10\nposition_width=500\n"
                                 "position_height=600\n";
    auto files = test::hostile_ini_files(position, 1605, {12});
    for (const size_t digits : {10, 11, 12, 64})  // numbers at and past every int
        files.push_back({std::to_string(digits) + " nines", test::with_values_of_length(position, digits, '9')});
    for (const std::string value : {"-2147483649", "-1", "0"})
        files.push_back({"every value " + value, "[General]\nposition_set=1\nposition_x=" + value + "\nposition_y=" +
                                                     value + "\nposition_width=" + value + "\nposition_height=" + value + "\n"});
    for (const hostile_content& file : files) {
        SCOPED_TRACE("cURL_console.ini: " + file.name);
        write(folder / L"cURL_console.ini", file.bytes);
        click(main(), IDC_CONSOLE);
        const HWND console = FindWindowW(nullptr, L"cURL Console");
        ASSERT_NE(console, nullptr);
        RedrawWindow(console, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        click(console, IDC_CONSOLE_CLOSE);
        EXPECT_TRUE(test::enabled(main(), IDC_CONSOLE));
    }
    EXPECT_TRUE(seam.texts().empty());
    std::printf("hostile dbclient.ini and cURL_console.ini: %zu cases\n",
                test::hostile_ini_files(valid, 1604, {1024}).size() + files.size());
}

// A value of each kind that no program of ours writes.
struct hostile_value {
    const char* name;
    DWORD type;
    std::string bytes;
};

std::string wide_bytes(const std::wstring& text) { return {reinterpret_cast<const char*>(text.data()), text.size() * 2}; }

std::vector<hostile_value> hostile_values(unsigned seed)
{
    std::mt19937 random(seed);
    return {
        {"REG_DWORD", REG_DWORD, std::string("\x01\x02\x03\x04", 4)},
        {"REG_QWORD", REG_QWORD, std::string(8, '\x7f')},
        {"REG_BINARY", REG_BINARY, test::random_bytes(random, 37, -128, 127)},
        {"REG_MULTI_SZ", REG_MULTI_SZ, wide_bytes(std::wstring(L"C:\\a\0C:\\b\0\0", 11))},
        {"REG_NONE", REG_NONE, ""},
        {"empty REG_SZ", REG_SZ, ""},
        {"64 KB REG_SZ", REG_SZ, wide_bytes(std::wstring(32767, L'x') + L'\0')},
        {"REG_SZ with embedded NULs", REG_SZ, wide_bytes(std::wstring(L"C:\\a\0C:\\b;\0x\0", 13))},
        {"REG_SZ of an odd size without terminator", REG_SZ, "C\0:\0\\"},
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, wide_bytes(std::wstring(L"%NO_SUCH_VARIABLE%\\a;%PATH%;%PATH%") + L'\0')},
    };
}

struct value_place {
    HKEY hive;
    std::wstring key;
    const wchar_t* name;
};

class HostileRegistry : public test::opened_main_window {
protected:
    static void set(const value_place& place, const hostile_value& value)
    {
        test::created_key(place.hive, place.key).set_bytes(place.name, value.type, value.bytes);
    }
    // The window opened and closed on what is stored, and what it showed.
    std::vector<test::shown_box> open_and_close()
    {
        seam.clear();
        window = std::make_unique<CConfigurePLAXORDlg>();
        if (window->create_modeless(nullptr))
            RedrawWindow(main(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        window.reset();
        return seam.boxes();
    }
};

TEST_F(HostileRegistry, ValuesOfEveryWrongTypeAndSizeAreReadAsTheirBoxesSayAndKeptAsTheyAre)
{
    station.add_settings_keys(L"5.2.1", L"C:\\updater.exe");
    const wchar_t* const releases[][3] = {{L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022"},
                                          {L"R24.0", L"ACAD-4101:409", L"AutoCAD 2021"},
                                          {L"R23.1", L"ACAD-3001:409", L"AutoCAD 2020"},
                                          {L"R23.0", L"ACAD-2001:409", L"AutoCAD 2019"},
                                          {L"R22.0", L"ACAD-1001:409", L"AutoCAD 2018"}};
    for (const auto& [release, product, name] : releases)
        station.add_release({release, product, name, L"<<Unnamed Profile>>", L"C:\\support;", L"C:\\trusted;"});
    const std::wstring user = L"Software\\Autodesk\\AutoCAD\\", machine = L"SOFTWARE\\Autodesk\\AutoCAD\\";
    const std::wstring profile = L"\\Profiles\\<<Unnamed Profile>>";
    // One hostile value in each release, so that each is read before the next is.
    const value_place all[] = {
        {HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR", L"InsFactory"},
        {HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR", L"CachedBase"},
        {HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR", L"Updater"},
        {HKEY_CURRENT_USER, user + L"R24.1", L"CurVer"},
        {HKEY_CURRENT_USER, user + L"R24.0\\ACAD-4101:409\\Profiles", L""},
        {HKEY_CURRENT_USER, user + L"R23.1\\ACAD-3001:409" + profile + L"\\General", L"ACAD"},
        {HKEY_CURRENT_USER, user + L"R23.0\\ACAD-2001:409" + profile + L"\\Variables", L"TRUSTEDPATHS"},
        {HKEY_LOCAL_MACHINE, machine + L"R22.0\\ACAD-1001:409", L"AcadLocation"},
        {HKEY_LOCAL_MACHINE, machine + L"R22.0\\ACAD-1001:409", L"ProductName"},
    };
    const value_place version{HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN\\PLAXOR", L"Version"};
    int tried = 0;
    for (const hostile_value& value : hostile_values(1607)) {
        SCOPED_TRACE(value.name);
        for (const value_place& place : all)
            set(place, value);
        const test::stored_state before(root.path());
        for (const test::shown_box& box : open_and_close())
            EXPECT_TRUE(error_or_warning(box)) << testing::PrintToString(box.text);
        host::acad_install_list whole;  // as plaxorcfg reads them
        show_failures(host::discover_acad_installs(whole, host::discovery_mode::whole_values));
        EXPECT_EQ(whole.size(), 5u);
        set(version, value);
        for (const test::shown_box& box : open_and_close())
            EXPECT_TRUE(error_or_warning(box)) << testing::PrintToString(box.text);
        set(version, {"", REG_SZ, wide_bytes(std::wstring(L"5.2.1") + L'\0')});
        const test::stored_state after(root.path());
        EXPECT_EQ(before.user, after.user);
        EXPECT_EQ(before.machine, after.machine);
        EXPECT_TRUE(before.files == after.files);
        tried += static_cast<int>(std::size(all)) + 1;
    }
    std::printf("hostile registry values: %d cases\n", tried);
}

}  // namespace

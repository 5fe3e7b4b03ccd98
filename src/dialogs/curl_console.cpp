#include "dialogs/curl_console.h"

#include "dialogs/curl_config_dlg.h"
#include "dialogs/curl_console_ids.h"
#include "ui/dpi.h"
#include "ui/modal_seam.h"
#include "ui/wait_cursor.h"
#include "vorn/dbc_settings_file.h"
#include "vorn/vorn_clipboard.h"
#include "vorn/vorn_paths.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int path_size = 260;  // wide characters, terminator included
constexpr wchar_t section[] = L"General";

// One console at most: these are the process's.
wchar_t g_folder[path_size];
wchar_t g_log_path[path_size];
wchar_t g_settings_path[path_size];
FILE* g_log = nullptr;
int g_position_set = 0;
int g_position_x = 0;
int g_position_y = 0;
int g_position_width = 500;
int g_position_height = 800;

// Folder + name, or empty when it would not fit: an empty log path cannot be opened, so the
// console then tells the user and closes, and an empty settings path is neither read nor written.
void join(wchar_t (&path)[path_size], const wchar_t* name)
{
    path[0] = L'\0';
    if (g_folder[0] && _snwprintf_s(path, _TRUNCATE, L"%ls%ls", g_folder, name) < 0)
        path[0] = L'\0';
}

void find_paths()
{
    g_folder[0] = g_log_path[0] = g_settings_path[0] = L'\0';
    if (!dbc_getIniFilePath(g_folder, path_size))
        g_folder[0] = L'\0';
    removeLast(g_folder, L'\\', 0);
    join(g_log_path, L"\\cURL_console.log");
    join(g_settings_path, L"\\cURL_console.ini");
}

void read_position()
{
    const auto read = [](const wchar_t* key, int fallback) {
        return g_settings_path[0] ? static_cast<int>(GetPrivateProfileIntW(section, key, fallback, g_settings_path))
                                  : fallback;
    };
    g_position_set = read(L"position_set", 0);
    g_position_x = read(L"position_x", 0);
    g_position_y = read(L"position_y", 0);
    g_position_width = read(L"position_width", 500);
    g_position_height = read(L"position_height", 800);
}

void write_position()
{
    if (!g_settings_path[0])
        return;
    const auto write = [](const wchar_t* key, int value) {
        WritePrivateProfileStringW(section, key, std::to_wstring(value).c_str(), g_settings_path);
    };
    write(L"position_set", g_position_set);
    write(L"position_x", g_position_x);
    write(L"position_y", g_position_y);
    write(L"position_width", g_position_width);
    write(L"position_height", g_position_height);
}

COLORREF colour_of(int kind)
{
    switch (kind) {
    case 1: return RGB(0, 128, 0);
    case 2: return RGB(0, 0, 255);
    case 3: return RGB(255, 0, 0);
    default: return RGB(0, 0, 0);
    }
}

// The window's screen rectangle when neither minimised nor maximised: a console closed minimised
// must not open tiny and off-screen next time. The placement gives it in workspace coordinates,
// which are shifted from the screen's by a taskbar at the monitor's left or top.
RECT restored_rect(HWND window)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    RECT rc{};
    if (!GetWindowPlacement(window, &placement)) {
        GetWindowRect(window, &rc);
        return rc;
    }
    rc = placement.rcNormalPosition;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) &&
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        OffsetRect(&rc, monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top);
    return rc;
}

// At its own size (0, 0) or stretched.
HBITMAP load_banner(int width, int height)
{
    return static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_CURL_CONSOLE_BANNER), IMAGE_BITMAP, width, height, 0));
}

}  // namespace

cURL_console::cURL_console(cURL_closer* closer) : ui::dialog(IDD_CURL_CONSOLE), m_closer(closer)
{
    find_paths();
    read_position();
}

cURL_console::~cURL_console()
{
    if (g_log) {
        fclose(g_log);
        g_log = nullptr;
    }
    vorn_cURL::m_debug_stream = nullptr;
    if (vorn_cURL::m_target == this)
        vorn_cURL::m_target = nullptr;
    write_position();
    m_layout.release();
}

bool cURL_console::on_init()
{
    m_text = ui::rich_edit(item(IDC_CONSOLE_TEXT).hwnd());
    // The view holds what the log holds: past the control's default of 32,767 characters Windows
    // drops every further append without a word.
    m_text.send(EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    m_layout.capture(hwnd(), console_anchor_table, static_cast<int>(std::size(console_anchor_table)));
    ui::keep_own_layout_on_dpi_change(hwnd());  // the layout rescales itself
    m_banner.reset(load_banner(0, 0));
    BITMAP size{};
    if (dpi() != ui::default_dpi && GetObjectW(m_banner.get(), sizeof size, &size))  // drawn for 96 DPI
        m_banner.reset(load_banner(ui::scale(size.bmWidth, dpi()), ui::scale(size.bmHeight, dpi())));
    item(IDC_CONSOLE_BANNER).send(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_banner.get()));

    // The library makes its folder only when it first stores its settings: for a new user the
    // console is the first to need it.
    dbc_createIniFolder();
    if (!g_log_path[0] || _wfopen_s(&g_log, g_log_path, L"w+") != 0 || !g_log) {
        g_log = nullptr;
        ui::message_box(L"Failed to get tempory filename for console!", MB_OK);
        destroy_window();  // the object is gone after this
        return false;
    }
    vorn_cURL::m_target = this;
    vorn_cURL::m_debug_stream = g_log;
    m_ready = true;
    // A rectangle on no monitor (a screen since removed, or one stored minimised) would open the
    // console out of sight: the template's place is better.
    const RECT stored{g_position_x, g_position_y, g_position_x + g_position_width, g_position_y + g_position_height};
    if (g_position_set && MonitorFromRect(&stored, MONITOR_DEFAULTTONULL))
        MoveWindow(hwnd(), g_position_x, g_position_y, g_position_width, g_position_height, TRUE);
    return true;
}

bool cURL_console::on_command(int id, int code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_CONSOLE_CLOSE:
        destroy_window();
        return true;
    case IDC_CONSOLE_CONFIG:
        open_configuration();
        return true;
    case IDC_CONSOLE_COPY:
        copy_all();
        return true;
    case IDC_CONSOLE_CLEAR:
        clear();
        return true;
    default:
        return false;
    }
}

void cURL_console::on_size(UINT, int, int)
{
    record_position();
    m_layout.arrange();
}

void cURL_console::on_move(int, int)
{
    record_position();
}

void cURL_console::on_dpi_changed(int new_dpi)
{
    m_layout.rescale(dpi(), new_dpi);
}

void cURL_console::on_destroyed()
{
    if (m_closer)
        m_closer->on_console_closed(this);
    delete this;
}

void cURL_console::record_position()
{
    if (!m_ready)
        return;
    const RECT rc = restored_rect(hwnd());
    g_position_x = rc.left;
    g_position_y = rc.top;
    g_position_width = rc.right - rc.left;
    g_position_height = rc.bottom - rc.top;
    g_position_set = 1;
}

void cURL_console::debug_output(int kind, const wchar_t* text)
{
    CHARFORMATW format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_OFFSET;
    format.yHeight = 160;  // twips: 8 points
    wcscpy_s(format.szFaceName, L"Courier New");
    format.crTextColor = RGB(0, 0, 0);
    m_text.select(-1, -1);
    if (!m_text.set_selection_format(format))
        return;
    m_text.select(-1, -1);
    format.crTextColor = colour_of(kind);
    if (!m_text.set_selection_format(format))
        return;
    m_text.replace_selection(text);
    m_text.line_scroll(1);
}

void cURL_console::open_configuration()
{
    cURL_config configuration;
    ui::modal().run_dialog(configuration, hwnd());
}

// The whole text, whatever the user had selected; it stays selected. The lines end in CR LF, as
// every program that takes text from the clipboard expects (the control itself keeps only CR).
void cURL_console::copy_all() const
{
    ui::wait_cursor waiting;
    m_text.select(0, -1);
    GETTEXTLENGTHEX length{GTL_USECRLF | GTL_NUMCHARS, 1200};
    const size_t size = static_cast<size_t>(m_text.send(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length))) + 1;
    std::wstring text(size, L'\0');
    GETTEXTEX request{static_cast<DWORD>(size * sizeof(wchar_t)), GT_SELECTION | GT_USECRLF, 1200, nullptr, nullptr};
    const LRESULT copied = m_text.send(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    toClipboard(hwnd(), text.c_str());
}

// The log keeps what it has.
void cURL_console::clear() const
{
    if (ui::message_box(L"Are you sure you want to clear the cURL console?", MB_YESNO) == IDNO)
        return;
    m_text.select(0, -1);
    m_text.replace_selection(L"");
}

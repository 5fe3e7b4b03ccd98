#include "app/main_window.h"

#include "app/app_ids.h"
#include "app/main_window_ids.h"
#include "folders/working_folders.h"
#include "host/acad_discovery.h"
#include "host/folder_path.h"
#include "host/running_acads.h"
#include "host/settings_store.h"
#include "win/gdi.h"
#include "dialogs/curl_console.h"
#include "ui/modal_seam.h"
#include "ui/show_error.h"
#include "vorn/vorn_paths.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

// Every command of the window, and the panel or window operation it runs.
const CConfigurePLAXORDlg::command_route CConfigurePLAXORDlg::s_routes[] = {
    {IDC_INSTALLED_LIST, LBN_SELCHANGE, [](CConfigurePLAXORDlg&) {}},
    {IDC_INSTALLED_LIST, LBN_DBLCLK, [](CConfigurePLAXORDlg& w) { w.m_installed.toggle_release(); }},
    {IDC_CONNECT_ALL, BN_CLICKED, [](CConfigurePLAXORDlg& w) { w.m_installed.connect_all(); }},
    {IDC_DISCONNECT_ALL, BN_CLICKED, [](CConfigurePLAXORDlg& w) { w.m_installed.disconnect_all(); }},
    {IDC_INSTANCE_LIST, LBN_SELCHANGE, [](CConfigurePLAXORDlg& w) { w.m_instances.update_buttons(); }},
    {IDC_INSTANCE_LIST, LBN_DBLCLK, [](CConfigurePLAXORDlg& w) { w.m_instances.edit_selected(); }},
    {IDC_EDIT, BN_CLICKED, [](CConfigurePLAXORDlg& w) { w.m_instances.edit_selected(); }},
    {IDC_CURRENT, BN_CLICKED, [](CConfigurePLAXORDlg& w) { w.m_instances.make_selected_current(); }},
    {IDC_DELETE, BN_CLICKED, [](CConfigurePLAXORDlg& w) { w.m_instances.delete_selected(); }},
    {IDC_CREATE, BN_CLICKED, [](CConfigurePLAXORDlg& w) { w.m_instances.create(); }},
    {IDC_CONSOLE, BN_CLICKED, [](CConfigurePLAXORDlg& w) { w.open_console(); }},
    {IDC_INS_FACTORY_BROWSE, BN_CLICKED, [](CConfigurePLAXORDlg& w) { folders::choose_ins_factory(w.m_folders); }},
    {IDC_CACHED_BASE_BROWSE, BN_CLICKED, [](CConfigurePLAXORDlg& w) { folders::choose_cached_base(w.m_folders); }},
    {IDC_INS_FACTORY_IMPORT, BN_CLICKED, [](CConfigurePLAXORDlg& w) { folders::import_ins_factory(w.m_folders); }},
    {IDC_CACHED_BASE_IMPORT, BN_CLICKED, [](CConfigurePLAXORDlg& w) { folders::import_cached_base(w.m_folders); }},
    {IDC_CHECK_UPDATES, BN_CLICKED, [](CConfigurePLAXORDlg& w) { w.m_version.check_for_updates(); }},
};

CConfigurePLAXORDlg::CConfigurePLAXORDlg()
    : ui::dialog(IDD_CONFIGUREPLAXOR_DIALOG),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_installed(m_acad, m_exe_folder, m_style, m_hIcon),
      m_instances(*this, m_conns, m_style),
      m_folders(*this, m_conns, m_instances),
      m_version(*this)
{
    reflect_owner_draw(IDC_INSTALLED_LIST, m_installed);
    reflect_owner_draw(IDC_INSTANCE_LIST, m_instances);
}

CConfigurePLAXORDlg::~CConfigurePLAXORDlg()
{
    // While the panels are whole: the lists free their item holders as they are destroyed.
    destroy_window();
    m_conns.free_list();
}

// Everything is loaded before the running-AutoCAD test, and nothing is written anywhere before it.
bool CConfigurePLAXORDlg::on_init()
{
    m_installed.bind(*this);
    m_instances.bind();
    m_folders.bind();
    m_version.bind();
    m_style.set_dpi(dpi());
    m_style.create_fonts(ui::window(hwnd()).font());
    add_about_entry();
    ui::window(hwnd()).send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ui::window(hwnd()).send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    find_program_folder();
    // Whatever was found is listed, after the boxes of what was not. The administrator's rows
    // are read without a box, so a workstation without them starts as it always did.
    show_failures(host::discover_acad_installs(m_acad, host::discovery_mode::window,
                                               {host::read_release_rows(), m_exe_folder}));
    m_installed.fill();
    bool folders_read = false;
    if (!show_settings(folders_read))
        return true;
    // The set reads "InsFactory" once more for itself. After a failed read here, that read would
    // fail too: a third error box after those of "CachedBase" and "InsFactory", and an empty
    // folder that lists the "*.ini" files of the current folder. The set stays empty instead.
    if (folders_read)
        show_failures(m_conns.rebuild_list());
    fill_instance_list();
    // The template makes the Console button disabled: it is usable once the window has opened
    // for good, so a window that is about to close never starts a console.
    if (!refuse_running_acads())
        m_instances.enable_console(true);
    return true;
}

void CConfigurePLAXORDlg::add_about_entry()
{
    const HMENU menu = GetSystemMenu(hwnd(), FALSE);
    if (!menu)
        return;
    wchar_t text[256] = {};
    LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, text, 256);
    if (!text[0])
        return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text);
}

// The folder connected AutoCAD profiles point to: this program's own, with a trailing backslash.
void CConfigurePLAXORDlg::find_program_folder()
{
    m_exe_folder = host::program_folder();
}

// False when the version cannot be read: the window then closes before it is ever shown.
// `folders_read` tells whether the Instance Factory folder could be read.
bool CConfigurePLAXORDlg::show_settings(bool& folders_read)
{
    host::program_settings settings;
    if (!show_failures(host::read_program_settings(settings))) {
        end(IDOK);
        return false;
    }
    folders_read = settings.folders_read;
    m_version.show(settings.version, settings.portable);
    m_folders.show(settings.instance_factory, settings.cached_base);
    return true;
}

// Profiles must not change under a running AutoCAD: the window closes after the warning.
bool CConfigurePLAXORDlg::refuse_running_acads()
{
    std::vector<std::wstring> running;
    host::find_running_acads(m_acad, running);
    if (running.empty())
        return false;
    std::wstring text = L"The following AutoCAD's are running:\n\n";
    for (const std::wstring& name : running)
        text += L"\t" + name + L"\n";
    text += L"\nPlease close them before running 'Configure PLAXOR'!";
    ui::message_box(text, MB_OK | MB_ICONEXCLAMATION);
    end(IDOK);
    return true;
}

void CConfigurePLAXORDlg::on_dpi_changed(int new_dpi)
{
    m_style.set_dpi(new_dpi);
}

bool CConfigurePLAXORDlg::on_command(int id, int code, HWND)
{
    for (const command_route& route : s_routes) {
        if (route.id == id && route.code == code) {
            route.handler(*this);
            return true;
        }
    }
    return false;
}

// Minimised, the window shows its icon centred; otherwise the system paints.
bool CConfigurePLAXORDlg::on_paint()
{
    if (!IsIconic(hwnd()))
        return false;
    win::paint_dc dc(hwnd());
    SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    const RECT rc = ui::window(hwnd()).client_rect();
    const int x = (rc.right - rc.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rc.bottom - rc.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc.get(), x, y, m_hIcon);
    return true;
}

bool CConfigurePLAXORDlg::on_sys_command(WPARAM command, LPARAM)
{
    if ((command & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    show_about_box();
    return true;
}

// At most one console; one that cannot open its log has ended itself and told on_console_closed
// before create_modeless returns.
void CConfigurePLAXORDlg::open_console()
{
    if (m_console)
        return;
    auto* console = new cURL_console(this);
    m_console = console;
    if (console->create_modeless(hwnd())) {
        ShowWindow(console->hwnd(), SW_SHOW);
        m_instances.enable_console(false);
    } else if (m_console == console) {
        delete console;  // its window was never made, so it could not end itself
        m_console = nullptr;
    }
}

void CConfigurePLAXORDlg::on_console_closed(cURL_console*)
{
    m_console = nullptr;
    m_instances.enable_console(true);
}

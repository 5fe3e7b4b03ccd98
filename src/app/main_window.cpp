#include "app/main_window.h"

#include "app/app_ids.h"
#include "app/list_items.h"
#include "app/main_window_ids.h"
#include "host/acad_discovery.h"
#include "host/running_acads.h"
#include "host/settings_store.h"
#include "win/gdi.h"
#include "ui/modal_seam.h"
#include "vorn/vorn_paths.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

// Create, Edit, Current, Delete, the Console and the folder buttons join this table together
// with the dialogs and folder operations they open.
const CConfigurePLAXORDlg::command_route CConfigurePLAXORDlg::s_routes[] = {
    {IDC_INSTALLED_LIST, LBN_SELCHANGE, &CConfigurePLAXORDlg::do_nothing},
    {IDC_INSTALLED_LIST, LBN_DBLCLK, &CConfigurePLAXORDlg::toggle_release},
    {IDC_CONNECT_ALL, BN_CLICKED, &CConfigurePLAXORDlg::connect_all},
    {IDC_DISCONNECT_ALL, BN_CLICKED, &CConfigurePLAXORDlg::disconnect_all},
    {IDC_INSTANCE_LIST, LBN_SELCHANGE, &CConfigurePLAXORDlg::update_instance_buttons},
    {IDC_CHECK_UPDATES, BN_CLICKED, &CConfigurePLAXORDlg::check_for_updates},
};

CConfigurePLAXORDlg::CConfigurePLAXORDlg()
    : ui::dialog(IDD_CONFIGUREPLAXOR_DIALOG),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

CConfigurePLAXORDlg::~CConfigurePLAXORDlg()
{
    // While the object is whole: the lists free their item holders as they are destroyed.
    destroy_window();
    m_conns.free_list();
}

void CConfigurePLAXORDlg::bind_controls()
{
    m_installed_list = ui::list_box(item(IDC_INSTALLED_LIST).hwnd());
    m_ins_factory_edit = ui::edit(item(IDC_INS_FACTORY_EDIT).hwnd());
    m_cached_base_edit = ui::edit(item(IDC_CACHED_BASE_EDIT).hwnd());
    m_version_edit = ui::edit(item(IDC_VERSION_EDIT).hwnd());
    m_instance_list = ui::list_box(item(IDC_INSTANCE_LIST).hwnd());
    m_delete_btn = ui::button(item(IDC_DELETE).hwnd());
    m_current_btn = ui::button(item(IDC_CURRENT).hwnd());
    m_edit_btn = ui::button(item(IDC_EDIT).hwnd());
    m_count_label = ui::static_text(item(IDC_COUNT_LABEL).hwnd());
    m_console_btn = ui::button(item(IDC_CONSOLE).hwnd());
}

// Everything is loaded before the running-AutoCAD test, and nothing is written anywhere before it.
bool CConfigurePLAXORDlg::on_init()
{
    bind_controls();
    create_fonts();
    add_about_entry();
    ui::window(hwnd()).send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ui::window(hwnd()).send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    find_program_folder();
    host::discover_acad_installs(m_acad);  // shows its own boxes; whatever was found is listed
    fill_installed_list();
    bool folders_read = false;
    if (!show_settings(folders_read))
        return true;
    // The set reads "InsFactory" once more for itself. After a failed read here, that read would
    // fail too: a third error box after those of "CachedBase" and "InsFactory", and an empty
    // folder that lists the "*.ini" files of the current folder. The set stays empty instead.
    if (folders_read)
        m_conns.rebuild_list();
    fill_instance_list();
    refuse_running_acads();
    return true;
}

void CConfigurePLAXORDlg::create_fonts()
{
    m_hFont = ui::window(hwnd()).font();
    LOGFONTW font{};
    GetObjectW(m_hFont, sizeof font, &font);
    font.lfWeight = FW_BOLD;
    m_bold_font.reset();
    m_bold_font.reset(CreateFontIndirectW(&font));
    font.lfHeight = static_cast<LONG>(font.lfHeight * 1.2);  // toward zero: -11 gives -13
    m_title_font.reset(CreateFontIndirectW(&font));
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
    constexpr int size = 256;
    std::fill(std::begin(m_exe_folder), std::end(m_exe_folder), L'\0');
    GetModuleFileNameW(nullptr, m_exe_folder, size);
    m_exe_folder[size - 1] = L'\0';
    changeDelimiters(m_exe_folder, L'/', L'\\', size);
    removeLast(m_exe_folder, L'\\', 0);
    const size_t length = wcsnlen(m_exe_folder, size);
    if (length + 1 < size) {
        m_exe_folder[length] = L'\\';
        m_exe_folder[length + 1] = L'\0';
    }
}

void CConfigurePLAXORDlg::fill_installed_list()
{
    m_installed_list.set_redraw(false);
    for (auto& [release_key, release] : m_acad)
        add_item(m_installed_list, new release_item{&release});
    m_installed_list.set_redraw(true);
    m_installed_list.invalidate();
}

// False when the version cannot be read: the window then closes before it is ever shown.
// `folders_read` tells whether the Instance Factory folder could be read.
bool CConfigurePLAXORDlg::show_settings(bool& folders_read)
{
    bool portable = false;
    std::wstring version;
    std::wstring cached_base;
    std::wstring ins_factory;
    if (!host::read_setting(portable, L"Version", version, true)) {
        end(IDOK);
        return false;
    }
    host::read_setting(portable, L"CachedBase", cached_base, false);
    folders_read = host::read_setting(portable, L"InsFactory", ins_factory, false);

    m_version_edit.set_text(portable ? L"Portable (" + version + L")" : version);
    m_cached_base_edit.set_text(cached_base);
    m_ins_factory_edit.set_text(ins_factory);
    for (const ui::edit& box : {m_cached_base_edit, m_ins_factory_edit}) {
        box.select(65535, 65535);  // the end of a long path is the part that tells
        box.scroll_caret();
    }
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

bool CConfigurePLAXORDlg::on_command(int id, int code, HWND)
{
    for (const command_route& route : s_routes) {
        if (route.id == id && route.code == code) {
            (this->*route.handler)();
            return true;
        }
    }
    return false;
}

bool CConfigurePLAXORDlg::on_measure_item(MEASUREITEMSTRUCT& measure)
{
    if (measure.CtlID == IDC_INSTALLED_LIST)
        measure_release(measure);
    else if (measure.CtlID == IDC_INSTANCE_LIST)
        measure_instance(measure);
    else
        return false;
    return true;
}

bool CConfigurePLAXORDlg::on_draw_item(const DRAWITEMSTRUCT& draw)
{
    if (draw.CtlID == IDC_INSTALLED_LIST)
        draw_release(draw);
    else if (draw.CtlID == IDC_INSTANCE_LIST)
        draw_instance(draw);
    else
        return false;
    return true;
}

int CConfigurePLAXORDlg::on_compare_item(const COMPAREITEMSTRUCT& compare)
{
    if (compare.CtlID == IDC_INSTALLED_LIST)
        return compare_releases(compare);
    if (compare.CtlID == IDC_INSTANCE_LIST)
        return compare_instances(compare);
    return 0;
}

void CConfigurePLAXORDlg::on_delete_item(const DELETEITEMSTRUCT& deleted)
{
    if (deleted.CtlID == IDC_INSTALLED_LIST)
        delete reinterpret_cast<release_item*>(deleted.itemData);
    else if (deleted.CtlID == IDC_INSTANCE_LIST)
        delete reinterpret_cast<instance_item*>(deleted.itemData);
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

void CConfigurePLAXORDlg::draw_text(HDC dc, HFONT font, UINT align, COLORREF text_colour, COLORREF back_colour, int x,
                                    int y, const wchar_t* text) const
{
    win::scoped_select font_selection(dc, font);
    const UINT previous_align = SetTextAlign(dc, align);
    const COLORREF previous_text = SetTextColor(dc, text_colour);
    const COLORREF previous_back = SetBkColor(dc, back_colour);
    TextOutW(dc, x, y, text, static_cast<int>(wcslen(text)));
    SetBkColor(dc, previous_back);
    SetTextColor(dc, previous_text);
    SetTextAlign(dc, previous_align);
}

void CConfigurePLAXORDlg::on_console_closed(cURL_console*)
{
    m_console = nullptr;
    m_console_btn.enable(true);
}

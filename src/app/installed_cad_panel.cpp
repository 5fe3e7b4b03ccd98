#include "app/installed_cad_panel.h"

#include "app/list_items.h"
#include "app/main_window_ids.h"
#include "host/profile_connection.h"
#include "ui/modal_seam.h"
#include "ui/show_error.h"
#include "vorn/vorn_buffer.h"
#include "win/gdi.h"

#include <algorithm>
#include <cwchar>

namespace {

const host::acad_install* release_of(ULONG_PTR item_data)
{
    const auto* holder = reinterpret_cast<const release_item*>(item_data);
    return holder ? holder->release : nullptr;
}

constexpr int min_icon_column = 40;

bool ask(const wchar_t* question)
{
    return ui::message_box(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace

installed_cad_panel::installed_cad_panel(host::acad_install_list& releases, const std::wstring& exe_folder,
                                         const card_style& style, HICON connected_icon)
    : m_releases(releases), m_exe_folder(exe_folder), m_style(style), m_connected_icon(connected_icon)
{
}

void installed_cad_panel::bind(const ui::dialog& window)
{
    m_list = ui::list_box(window.item(IDC_INSTALLED_LIST).hwnd());
}

void installed_cad_panel::fill()
{
    m_list.set_redraw(false);
    for (auto& [release_key, release] : m_releases)
        add_item(m_list, new release_item{&release});
    m_list.set_redraw(true);
    m_list.invalidate();
}

void installed_cad_panel::measure_item(MEASUREITEMSTRUCT& measure)
{
    const host::acad_install* release = release_of(measure.itemData);
    const int icon_height = release && release->icon_height > 0 ? release->icon_height : m_style.scaled(min_icon_column);
    measure.itemHeight = static_cast<UINT>(icon_height + 2 * m_style.margin);
}

int installed_cad_panel::compare_items(const COMPAREITEMSTRUCT& compare)
{
    const host::acad_install* first = release_of(compare.itemData1);
    const host::acad_install* second = release_of(compare.itemData2);
    if (!first || !second)
        return 0;
    return _wcsicmp(first->product_name.c_str(), second->product_name.c_str());
}

void installed_cad_panel::delete_item(const DELETEITEMSTRUCT& deleted)
{
    delete reinterpret_cast<release_item*>(deleted.itemData);
}

// "AutoCAD 2022, R24.1 (ACAD-5101:409), connected to PLAXOR": what the card shows, the icon in words.
std::wstring installed_cad_panel::item_name(ULONG_PTR item_data)
{
    const host::acad_install* release = release_of(item_data);
    if (!release)
        return {};
    return release->product_name + L", " + release->release + L" (" + release->product_key + L"), " +
           (host::is_profile_connected(*release, m_exe_folder) ? L"connected to PLAXOR" : L"not connected to PLAXOR");
}

void installed_cad_panel::draw_item(const DRAWITEMSTRUCT& draw)
{
    const host::acad_install* release = release_of(draw.itemData);
    if (draw.itemID == static_cast<UINT>(-1) || !release)
        return;
    const HDC dc = draw.hDC;
    const RECT& rc = draw.rcItem;
    const int margin = m_style.margin;
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const COLORREF text_colour = selected ? RGB(255, 255, 255) : m_style.text_colour;
    const COLORREF back_colour = selected ? m_style.select_colour : m_style.back_colour;

    win::unique_hbrush background(CreateSolidBrush(back_colour));
    FillRect(dc, &rc, background.get());
    if (release->icon)
        DrawIcon(dc, rc.left + margin, rc.top + margin, release->icon.get());

    const int icon_column = std::max(release->icon_width, m_style.scaled(min_icon_column));
    const int x = rc.left + 2 * margin + icon_column;
    m_style.draw_text(dc, m_style.bold_font.get(), TA_LEFT, text_colour, back_colour, x, rc.top + margin,
                      release->product_name.c_str());
    const std::wstring second_line = release->release + L" (" + release->product_key + L")";
    m_style.draw_text(dc, m_style.font, TA_LEFT, text_colour, back_colour, x, rc.top + margin + m_style.line_height,
                      second_line.c_str());

    if (host::is_profile_connected(*release, m_exe_folder))
        DrawIcon(dc, rc.right - margin - icon_column, rc.top + margin, m_connected_icon);
    if (draw.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &rc);
}

void installed_cad_panel::toggle_release()
{
    if (m_list.selected_count() != 1)
        return;
    const std::vector<int> selected = m_list.selected_items();
    if (selected.size() != 1)
        return;
    auto* holder = static_cast<release_item*>(m_list.data(selected.front()));
    if (!holder)
        return;
    host::acad_install& release = *holder->release;
    const bool connected = host::is_profile_connected(release, m_exe_folder);

    vorn_buffer text;
    text.format(L"%ls %ls from PLAXOR?", connected ? L"Disconnent" : L"Connect", release.product_name.c_str());
    wchar_t question[256];
    wcsncpy_s(question, text.as_const_w_buffer(), _TRUNCATE);  // a very long product name is cut
    if (!ask(question))
        return;
    show_failures(host::set_profile_connection(!connected, release, m_exe_folder));
    m_list.invalidate(true);
}

void installed_cad_panel::connect_all()
{
    set_all_connections(true, L"Connect all installed AutoCAD's to PLAXOR?");
}

void installed_cad_panel::disconnect_all()
{
    set_all_connections(false, L"Disconnect all installed AutoCAD's to PLAXOR?");
}

// Every release, whatever its present state; one that fails has shown its box and the rest go on.
void installed_cad_panel::set_all_connections(bool connect, const wchar_t* question)
{
    if (!ask(question))
        return;
    for (auto& [release_key, release] : m_releases)
        show_failures(host::set_profile_connection(connect, release, m_exe_folder));
    m_list.invalidate(true);
}

// The "Installed CAD:" list: one card per installed release with its icon, product, release
// and product key, and the program's icon at the right edge when its profile is connected.

#include "app/list_items.h"
#include "app/main_window.h"
#include "host/profile_connection.h"
#include "win/gdi.h"
#include "ui/modal_seam.h"
#include "vorn/vorn_buffer.h"

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

void CConfigurePLAXORDlg::measure_release(MEASUREITEMSTRUCT& measure) const
{
    const host::acad_install* release = release_of(measure.itemData);
    const int icon_height = release && release->icon_height > 0 ? release->icon_height : min_icon_column;
    measure.itemHeight = static_cast<UINT>(icon_height + 2 * m_margin);
}

int CConfigurePLAXORDlg::compare_releases(const COMPAREITEMSTRUCT& compare)
{
    const host::acad_install* first = release_of(compare.itemData1);
    const host::acad_install* second = release_of(compare.itemData2);
    if (!first || !second)
        return 0;
    return _wcsicmp(first->product_name.c_str(), second->product_name.c_str());
}

void CConfigurePLAXORDlg::draw_release(const DRAWITEMSTRUCT& draw) const
{
    const host::acad_install* release = release_of(draw.itemData);
    if (draw.itemID == static_cast<UINT>(-1) || !release)
        return;
    const HDC dc = draw.hDC;
    const RECT& rc = draw.rcItem;
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const COLORREF text_colour = selected ? RGB(255, 255, 255) : m_text_colour;
    const COLORREF back_colour = selected ? m_select_colour : m_back_colour;

    win::unique_hbrush background(CreateSolidBrush(back_colour));
    FillRect(dc, &rc, background.get());
    if (release->icon)
        DrawIcon(dc, rc.left + m_margin, rc.top + m_margin, release->icon.get());

    const int icon_column = std::max(release->icon_width, min_icon_column);
    const int x = rc.left + 2 * m_margin + icon_column;
    draw_text(dc, m_bold_font.get(), TA_LEFT, text_colour, back_colour, x, rc.top + m_margin,
              release->product_name.c_str());
    const std::wstring second_line = release->release + L" (" + release->product_key + L")";
    draw_text(dc, m_hFont, TA_LEFT, text_colour, back_colour, x, rc.top + m_margin + m_line_height, second_line.c_str());

    if (host::is_profile_connected(*release, m_exe_folder))
        DrawIcon(dc, rc.right - m_margin - icon_column, rc.top + m_margin, m_hIcon);
    if (draw.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &rc);
}

void CConfigurePLAXORDlg::toggle_release()
{
    if (m_installed_list.selected_count() != 1)
        return;
    const std::vector<int> selected = m_installed_list.selected_items();
    if (selected.size() != 1)
        return;
    auto* holder = static_cast<release_item*>(m_installed_list.data(selected.front()));
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
    host::set_profile_connection(!connected, release, m_exe_folder);
    m_installed_list.invalidate(true);
}

void CConfigurePLAXORDlg::connect_all()
{
    set_all_connections(true, L"Connect all installed AutoCAD's to PLAXOR?");
}

void CConfigurePLAXORDlg::disconnect_all()
{
    set_all_connections(false, L"Disconnect all installed AutoCAD's to PLAXOR?");
}

// Every release, whatever its present state; one that fails has shown its box and the rest go on.
void CConfigurePLAXORDlg::set_all_connections(bool connect, const wchar_t* question)
{
    if (!ask(question))
        return;
    for (auto& [release_key, release] : m_acad)
        host::set_profile_connection(connect, release, m_exe_folder);
    m_installed_list.invalidate(true);
}

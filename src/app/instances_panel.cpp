// The "Connected Instances:" list: one four-line card per connection definition, the default
// one in light blue, with the number of definitions below the list.

#include "app/list_items.h"
#include "app/main_window.h"
#include "connections/connection.h"
#include "win/gdi.h"
#include "vorn/vorn_buffer.h"

#include <cwchar>

namespace {

constexpr COLORREF default_card_colour = RGB(200, 220, 255);
constexpr COLORREF card_colour = RGB(255, 255, 255);
constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF black = RGB(0, 0, 0);

const connection* connection_of(ULONG_PTR item_data)
{
    const auto* holder = reinterpret_cast<const instance_item*>(item_data);
    return holder ? holder->conn : nullptr;
}

}  // namespace

void CConfigurePLAXORDlg::fill_instance_list()
{
    m_instance_list.set_redraw(false);
    m_instance_list.reset();
    m_delete_btn.enable(false);
    m_edit_btn.enable(false);
    m_current_btn.enable(false);
    for (int i = 0; i < m_conns.total(); ++i)
        add_item(m_instance_list, new instance_item{m_conns.get_nth(i)});
    m_instance_list.set_redraw(true);
    m_instance_list.invalidate();

    vorn_buffer count;
    count.format(L"%ld Instance(s)", static_cast<long>(m_instance_list.count()));
    m_count_label.set_text(count.as_const_w_buffer());
}

void CConfigurePLAXORDlg::measure_instance(MEASUREITEMSTRUCT& measure) const
{
    measure.itemHeight = static_cast<UINT>(m_title_height + 3 * m_line_height + 2 * m_margin);
}

int CConfigurePLAXORDlg::compare_instances(const COMPAREITEMSTRUCT& compare)
{
    const connection* first = connection_of(compare.itemData1);
    const connection* second = connection_of(compare.itemData2);
    if (!first || !second)
        return 0;
    return _wcsicmp(first->get_name().as_const_w_buffer(), second->get_name().as_const_w_buffer());
}

void CConfigurePLAXORDlg::draw_instance(const DRAWITEMSTRUCT& draw) const
{
    const connection* conn = connection_of(draw.itemData);
    if (draw.itemID == static_cast<UINT>(-1) || !conn)
        return;
    const connection& c = *conn;
    const HDC dc = draw.hDC;
    const RECT& rc = draw.rcItem;

    vorn_buffer type_caption = c.get_type_label();
    type_caption += L":";

    RECT swatch{};
    swatch.left = rc.left + m_margin;
    swatch.top = rc.top + m_margin;
    swatch.right = swatch.left + m_swatch_size;
    swatch.bottom = swatch.top + m_swatch_size;
    const int x1 = swatch.right + m_margin;
    const int x2 = x1 + m_label_width;

    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const COLORREF name_colour = selected ? white : m_text_colour;
    const COLORREF other_colour = selected ? white : black;
    const COLORREF outline_colour = selected ? white : black;
    const COLORREF back_colour = selected ? m_select_colour
                                 : &c == m_conns.get_default() ? default_card_colour
                                                                : card_colour;

    win::unique_hbrush background(CreateSolidBrush(back_colour));
    win::unique_hbrush swatch_fill(CreateSolidBrush(c.m_colour));
    win::unique_hpen outline(CreatePen(PS_SOLID, 1, outline_colour));
    FillRect(dc, &rc, background.get());
    FillRect(dc, &swatch, swatch_fill.get());
    {
        win::scoped_select pen(dc, outline.get());
        win::scoped_select hollow(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, swatch.left, swatch.top, swatch.right, swatch.bottom);
    }

    int y = rc.top + m_margin;
    draw_text(dc, m_title_font.get(), TA_LEFT, name_colour, back_colour, x1, y, c.get_name_label());
    draw_text(dc, m_bold_font.get(), TA_RIGHT, name_colour, back_colour, rc.right - m_margin, y, c.get_seed_label());
    y += m_title_height;
    draw_text(dc, m_bold_font.get(), TA_LEFT, other_colour, back_colour, x1, y, type_caption);
    draw_text(dc, m_hFont, TA_LEFT, other_colour, back_colour, x2, y, c.get_conn_label());
    y += m_line_height;
    draw_text(dc, m_bold_font.get(), TA_LEFT, other_colour, back_colour, x1, y, L"As:");
    draw_text(dc, m_hFont, TA_LEFT, other_colour, back_colour, x2, y, c.get_user_label());
    y += m_line_height;
    draw_text(dc, m_bold_font.get(), TA_LEFT, other_colour, back_colour, x1, y, L"Last Login:");
    draw_text(dc, m_hFont, TA_LEFT, other_colour, back_colour, x2, y, c.get_lastlogin_label());

    if (draw.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &rc);
}

void CConfigurePLAXORDlg::update_instance_buttons()
{
    const int selected = m_instance_list.selected_count();
    m_delete_btn.enable(selected >= 1);
    m_edit_btn.enable(selected == 1);
    m_current_btn.enable(selected == 1);
}

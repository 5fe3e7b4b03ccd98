#include "app/instances_panel.h"

#include "app/list_items.h"
#include "app/main_window_ids.h"
#include "connections/connection.h"
#include "connections/multi_conn.h"
#include "dialogs/conn_prop_main_dlg.h"
#include "ui/modal_seam.h"
#include "ui/show_error.h"
#include "win/gdi.h"
#include "vorn/vorn_buffer.h"

#include <cwchar>
#include <string>
#include <vector>

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

instances_panel::instances_panel(ui::dialog& window, multi_conn& conns, const card_style& style)
    : m_window(window), m_conns(conns), m_style(style)
{
}

void instances_panel::bind()
{
    const ui::dialog& window = m_window;
    m_list = ui::list_box(window.item(IDC_INSTANCE_LIST).hwnd());
    m_delete_btn = ui::button(window.item(IDC_DELETE).hwnd());
    m_current_btn = ui::button(window.item(IDC_CURRENT).hwnd());
    m_edit_btn = ui::button(window.item(IDC_EDIT).hwnd());
    m_count_label = ui::static_text(window.item(IDC_COUNT_LABEL).hwnd());
    m_console_btn = ui::button(window.item(IDC_CONSOLE).hwnd());
}

void instances_panel::fill()
{
    m_list.set_redraw(false);
    m_list.reset();
    m_delete_btn.enable(false);
    m_edit_btn.enable(false);
    m_current_btn.enable(false);
    for (int i = 0; i < m_conns.total(); ++i)
        add_item(m_list, new instance_item{m_conns.get_nth(i)});
    m_list.set_redraw(true);
    m_list.invalidate();

    vorn_buffer count;
    count.format(L"%ld Instance(s)", static_cast<long>(m_list.count()));
    m_count_label.set_text(count.as_const_w_buffer());
}

void instances_panel::measure_item(MEASUREITEMSTRUCT& measure)
{
    measure.itemHeight = static_cast<UINT>(m_style.title_height + 3 * m_style.line_height + 2 * m_style.margin);
}

void instances_panel::delete_item(const DELETEITEMSTRUCT& deleted)
{
    delete reinterpret_cast<instance_item*>(deleted.itemData);
}

int instances_panel::compare_items(const COMPAREITEMSTRUCT& compare)
{
    const connection* first = connection_of(compare.itemData1);
    const connection* second = connection_of(compare.itemData2);
    if (!first || !second)
        return 0;
    return _wcsicmp(first->get_name().as_const_w_buffer(), second->get_name().as_const_w_buffer());
}

// The card's lines in reading order, and its colour in words: the light blue of the current one.
std::wstring instances_panel::item_name(ULONG_PTR item_data)
{
    const connection* conn = connection_of(item_data);
    if (!conn)
        return {};
    return conn->get_name_label().str() + L", " + conn->get_type_label().str() + L": " + conn->get_conn_label().str() +
           L", As: " + conn->get_user_label().str() + L", Last Login: " + conn->get_lastlogin_label().str() +
           (conn == m_conns.get_default() ? L", current Instance" : L", not current");
}

void instances_panel::draw_item(const DRAWITEMSTRUCT& draw)
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
    swatch.left = rc.left + m_style.margin;
    swatch.top = rc.top + m_style.margin;
    swatch.right = swatch.left + m_style.swatch_size;
    swatch.bottom = swatch.top + m_style.swatch_size;
    const int x1 = swatch.right + m_style.margin;
    const int x2 = x1 + m_style.label_width;

    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const COLORREF name_colour = selected ? white : m_style.text_colour;
    const COLORREF other_colour = selected ? white : black;
    const COLORREF outline_colour = selected ? white : black;
    const COLORREF back_colour = selected ? m_style.select_colour
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

    int y = rc.top + m_style.margin;
    m_style.draw_text(dc, m_style.title_font.get(), TA_LEFT, name_colour, back_colour, x1, y, c.get_name_label());
    m_style.draw_text(dc, m_style.bold_font.get(), TA_RIGHT, name_colour, back_colour, rc.right - m_style.margin, y, c.get_seed_label());
    y += m_style.title_height;
    m_style.draw_text(dc, m_style.bold_font.get(), TA_LEFT, other_colour, back_colour, x1, y, type_caption);
    m_style.draw_text(dc, m_style.font, TA_LEFT, other_colour, back_colour, x2, y, c.get_conn_label());
    y += m_style.line_height;
    m_style.draw_text(dc, m_style.bold_font.get(), TA_LEFT, other_colour, back_colour, x1, y, L"As:");
    m_style.draw_text(dc, m_style.font, TA_LEFT, other_colour, back_colour, x2, y, c.get_user_label());
    y += m_style.line_height;
    m_style.draw_text(dc, m_style.bold_font.get(), TA_LEFT, other_colour, back_colour, x1, y, L"Last Login:");
    m_style.draw_text(dc, m_style.font, TA_LEFT, other_colour, back_colour, x2, y, c.get_lastlogin_label());

    if (draw.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &rc);
}

void instances_panel::update_buttons()
{
    const int selected = m_list.selected_count();
    m_delete_btn.enable(selected >= 1);
    m_edit_btn.enable(selected == 1);
    m_current_btn.enable(selected == 1);
}

void instances_panel::enable_console(bool on)
{
    m_console_btn.enable(on);
}

connection* instances_panel::single_selection() const
{
    if (m_list.selected_count() != 1)
        return nullptr;
    const std::vector<int> selected = m_list.selected_items();
    if (selected.size() != 1)
        return nullptr;
    const auto* holder = static_cast<const instance_item*>(m_list.data(selected.front()));
    return holder ? holder->conn : nullptr;
}

bool instances_panel::has_factory_folder() const
{
    if (!multi_conn::folder().empty())
        return true;
    ui::message_box(L"No Instance Factory folder is set: choose one with '...' first!", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// Saved in place: the card keeps its place in the list even when its name changed. Save writes
// the file itself, so that the dialog stays open when it cannot.
void instances_panel::edit_selected()
{
    connection* conn = single_selection();
    if (!conn)
        return;
    conn_prop_main_dlg properties(m_conns, *conn);
    if (ui::modal().run_dialog(properties, m_window.hwnd()) != IDOK)
        return;
    if (!properties.wrote_file())
        show_failures(m_conns.save(*conn, definition_save::in_place));
    m_list.invalidate();
}

// The buttons keep their state: no selection change is reported for the deselection.
void instances_panel::make_selected_current()
{
    if (!has_factory_folder())
        return;
    connection* conn = single_selection();
    if (!conn)
        return;
    wchar_t question[512];
    _snwprintf_s(question, _TRUNCATE, L"Make '%ls' the current Instance??", conn->get_name().as_const_w_buffer());
    if (ui::message_box(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    show_failures(m_conns.set_default(conn));
    m_list.invalidate();
    m_list.set_selected(m_list.selected_items().front(), false);
}

void instances_panel::delete_selected()
{
    if (!has_factory_folder())
        return;
    const int count = m_list.selected_count();
    if (count <= 0)
        return;
    wchar_t question[512];
    _snwprintf_s(question, _TRUNCATE, L"Delete %ld Instance Conntection(s)?", static_cast<long>(count));
    if (ui::message_box(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    std::vector<vorn_buffer> stems;
    for (const int index : m_list.selected_items())
        stems.push_back(static_cast<const instance_item*>(m_list.data(index))->conn->file_stem);
    // The error box of a failed delete lets the list repaint: it must hold no definition that an
    // earlier step of this run destroyed.
    empty();
    for (const vorn_buffer& stem : stems) {
        connection* conn = m_conns.find_conn(stem);
        error_collector errors;
        if (conn && show_failures(m_conns.delete_conn(errors, conn)))
            delete conn;
    }
    reload();
}

// The dialog gives a created definition its file; the set reads it from there.
void instances_panel::create()
{
    if (!has_factory_folder())
        return;
    connection fresh;
    conn_prop_main_dlg properties(m_conns, fresh);
    if (ui::modal().run_dialog(properties, m_window.hwnd()) != IDOK)
        return;
    reload();
}

// The list lets go of the definitions before the set does: a box the reload shows lets the list
// repaint, and it must not draw a definition the set has destroyed.
void instances_panel::reload()
{
    empty();
    show_failures(m_conns.rebuild_list());
    fill();
}

#include "dialogs/anchor_layout.h"

#include "dialogs/curl_console_ids.h"

namespace {

constexpr anchor_rule follow_left{anchor_offset, 0, edge_left};
constexpr anchor_rule follow_top{anchor_offset, 0, edge_top};
constexpr anchor_rule follow_right{anchor_offset, 0, edge_right};
constexpr anchor_rule follow_bottom{anchor_offset, 0, edge_bottom};

int edge_of(const RECT& rect, int edge)
{
    switch (edge) {
    case edge_left: return rect.left;
    case edge_top: return rect.top;
    case edge_right: return rect.right;
    case edge_bottom: return rect.bottom;
    case edge_horizontal_centre: return (rect.left + rect.right) / 2;
    case edge_vertical_centre: return (rect.top + rect.bottom) / 2;
    default: return 0;
    }
}

bool is_horizontal(int edge)
{
    return edge == edge_left || edge == edge_right || edge == edge_horizontal_centre;
}

}  // namespace

const anchor_row console_anchor_table[6] = {
    {IDC_CONSOLE_BANNER, {follow_left, follow_top, follow_right, follow_top}},
    {IDC_CONSOLE_TEXT, {follow_left, follow_top, follow_right, follow_bottom}},
    {IDC_CONSOLE_CLOSE, {follow_left, follow_bottom, follow_left, follow_bottom}},
    {IDC_CONSOLE_CONFIG, {follow_left, follow_bottom, follow_left, follow_bottom}},
    {IDC_CONSOLE_COPY, {follow_right, follow_bottom, follow_right, follow_bottom}},
    {IDC_CONSOLE_CLEAR, {follow_right, follow_bottom, follow_right, follow_bottom}},
};

void anchor_layout::capture(HWND dialog, const anchor_row* rows, int count)
{
    release();
    m_dialog = dialog;
    GetClientRect(dialog, &m_client);
    for (int i = 0; i < count; ++i) {
        captured row{{}, &rows[i]};
        control_rect(rows[i].control_id, row.initial);
        m_rows.push_back(row);
    }
}

void anchor_layout::rescale(int from_dpi, int to_dpi)
{
    if (from_dpi <= 0 || from_dpi == to_dpi)
        return;
    const auto scale = [&](RECT& rect) {
        rect = {MulDiv(rect.left, to_dpi, from_dpi), MulDiv(rect.top, to_dpi, from_dpi), MulDiv(rect.right, to_dpi, from_dpi),
                MulDiv(rect.bottom, to_dpi, from_dpi)};
    };
    scale(m_client);
    for (captured& row : m_rows)
        scale(row.initial);
}

void anchor_layout::release()
{
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_results.clear();
    m_results.shrink_to_fit();
    m_computed = 0;
}

void anchor_layout::control_rect(int control_id, RECT& rect) const
{
    if (control_id == 0) {
        GetClientRect(m_dialog, &rect);
        return;
    }
    rect = {};
    GetWindowRect(GetDlgItem(m_dialog, control_id), &rect);
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    ScreenToClient(m_dialog, &corners[0]);
    ScreenToClient(m_dialog, &corners[1]);
    rect = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

// For the dialog: its client area at capture and now; for a control: its row's rectangle at
// capture and the one this arrange gave it, which only an earlier row has yet.
bool anchor_layout::reference_rects(int reference_id, RECT& before, RECT& now) const
{
    if (reference_id == 0) {
        before = m_client;
        GetClientRect(m_dialog, &now);
        return true;
    }
    for (int i = 0; i < m_computed && i < static_cast<int>(m_results.size()); ++i) {
        if (m_rows[i].row->control_id == reference_id) {
            before = m_rows[i].initial;
            now = m_results[i].rect;
            return true;
        }
    }
    return false;
}

int anchor_layout::edge_position(int edge, const RECT& initial, const anchor_rule& rule, const RECT& so_far) const
{
    const int own = edge_of(initial, edge);
    RECT before{}, now{};
    switch (rule.mode) {
    case anchor_offset:
        if (!reference_rects(rule.reference_id, before, now))
            return own;
        return own + (edge_of(now, rule.reference_edge) - edge_of(before, rule.reference_edge));
    case anchor_proportional: {
        if (!reference_rects(rule.reference_id, before, now))
            return own;
        const bool across = is_horizontal(edge);
        const int extent_before = across ? before.right - before.left : before.bottom - before.top;
        const int extent_now = across ? now.right - now.left : now.bottom - now.top;
        const int from = edge_of(before, rule.reference_edge);
        return (own - from) * extent_now / (extent_before < 1 ? 1 : extent_before) + edge_of(now, rule.reference_edge);
    }
    case anchor_keep_width:
        return so_far.left + (initial.right - initial.left);
    case anchor_keep_height:
        return so_far.top + (initial.bottom - initial.top);
    default:
        return 0;
    }
}

void anchor_layout::arrange()
{
    if (m_results.size() != m_rows.size())
        m_results.assign(m_rows.size(), placed{});
    m_computed = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const captured& row = m_rows[i];
        placed& result = m_results[i];
        ++m_computed;
        result.control_id = row.row->control_id;
        result.rect = {};
        result.rect.left = edge_position(edge_left, row.initial, row.row->edges[0], result.rect);
        result.rect.top = edge_position(edge_top, row.initial, row.row->edges[1], result.rect);
        result.rect.right = edge_position(edge_right, row.initial, row.row->edges[2], result.rect);
        result.rect.bottom = edge_position(edge_bottom, row.initial, row.row->edges[3], result.rect);
        const HWND control = GetDlgItem(m_dialog, result.control_id);
        result.eligible = IsWindowVisible(control) && !(GetWindowLongPtrW(control, GWL_STYLE) & WS_CLIPSIBLINGS);
        result.collapsed = false;
    }
    for (size_t i = 0; i < m_results.size(); ++i) {
        placed& result = m_results[i];
        for (size_t earlier = 0; earlier < i && result.eligible && !result.collapsed; ++earlier) {
            RECT overlap{};
            if (m_results[earlier].eligible && IntersectRect(&overlap, &result.rect, &m_results[earlier].rect))
                result.collapsed = true;
        }
        if (result.collapsed)
            result.rect = {};
        const RECT& r = result.rect;
        SetWindowPos(GetDlgItem(m_dialog, result.control_id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOCOPYBITS);
    }
}

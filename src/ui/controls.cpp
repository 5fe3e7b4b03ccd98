#include "ui/controls.h"

namespace ui {

std::vector<int> list_box::selected_items() const
{
    const int count = selected_count();
    if (count <= 0)
        return {};
    std::vector<int> indexes(static_cast<size_t>(count));
    const int got = static_cast<int>(send(LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(indexes.data())));
    indexes.resize(static_cast<size_t>(got > 0 ? got : 0));
    return indexes;
}

std::wstring combo_box::item_text(int index) const
{
    const LRESULT length = send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

int tab_control::insert(int index, const wchar_t* text) const
{
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(text);
    return static_cast<int>(send(TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

}  // namespace ui

#include "app/card_style.h"

#include "win/gdi.h"

#include <cwchar>

void card_style::create_fonts(HFONT dialog_font)
{
    font = dialog_font;
    LOGFONTW description{};
    GetObjectW(dialog_font, sizeof description, &description);
    description.lfWeight = FW_BOLD;
    bold_font.reset(CreateFontIndirectW(&description));
    description.lfHeight = static_cast<LONG>(description.lfHeight * 1.2);  // toward zero: -11 gives -13
    title_font.reset(CreateFontIndirectW(&description));
}

void card_style::draw_text(HDC dc, HFONT text_font, UINT align, COLORREF text_colour, COLORREF back_colour, int x,
                           int y, const wchar_t* text) const
{
    win::scoped_select font_selection(dc, text_font);
    const UINT previous_align = SetTextAlign(dc, align);
    const COLORREF previous_text = SetTextColor(dc, text_colour);
    const COLORREF previous_back = SetBkColor(dc, back_colour);
    TextOutW(dc, x, y, text, static_cast<int>(wcslen(text)));
    SetBkColor(dc, previous_back);
    SetTextColor(dc, previous_text);
    SetTextAlign(dc, previous_align);
}

#include "app/card_style.h"

#include "win/gdi.h"

#include <cwchar>

void card_style::create_fonts(HFONT dialog_font)
{
    font = m_dialog_font = dialog_font;
    m_dialog_font_dpi = dpi;
    m_dialog_description = {};
    GetObjectW(dialog_font, sizeof m_dialog_description, &m_dialog_description);
    create_variants(m_dialog_description);
}

void card_style::create_variants(LOGFONTW description)
{
    description.lfWeight = FW_BOLD;
    bold_font.reset(CreateFontIndirectW(&description));
    description.lfHeight = static_cast<LONG>(description.lfHeight * 1.2);  // toward zero: -11 gives -13
    title_font.reset(CreateFontIndirectW(&description));
}

void card_style::set_dpi(int new_dpi)
{
    const card_style at_96;
    dpi = new_dpi;
    title_height = scaled(at_96.title_height);
    line_height = scaled(at_96.line_height);
    margin = scaled(at_96.margin);
    label_width = scaled(at_96.label_width);
    swatch_size = scaled(at_96.swatch_size);
    if (!m_dialog_font)
        return;
    LOGFONTW description = m_dialog_description;
    if (new_dpi == m_dialog_font_dpi) {
        font = m_dialog_font;
        m_scaled_font.reset();
    } else {
        description.lfHeight = MulDiv(description.lfHeight, new_dpi, m_dialog_font_dpi);
        m_scaled_font.reset(CreateFontIndirectW(&description));
        font = m_scaled_font.get();
    }
    create_variants(description);
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

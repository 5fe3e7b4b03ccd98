#pragma once
// The fonts, metrics and colours that both lists of the main window draw their cards with, and
// the one text output they share. The metrics are given at 96 DPI and follow the window's DPI.

#include "ui/dpi.h"
#include "win/unique_handle.h"

#include <windows.h>

struct card_style {
    // The bold and title fonts follow the dialog's own font, which stays borrowed.
    void create_fonts(HFONT dialog_font);
    // Every metric for a window drawn at `new_dpi`. Once the fonts exist, a DPI other than the
    // one they were made at gets fonts of the style's own: the dialog's font scaled, and the bold
    // and title fonts from that.
    void set_dpi(int new_dpi);
    // A length given at 96 DPI, at the style's DPI.
    int scaled(int length) const { return ui::scale(length, dpi); }
    // The whole text at (x, y) in the font, alignment and colours given; the DC's own font,
    // alignment and colours are put back afterwards.
    void draw_text(HDC dc, HFONT font, UINT align, COLORREF text_colour, COLORREF back_colour, int x, int y,
                   const wchar_t* text) const;

    HFONT font = nullptr;
    win::unique_hfont bold_font;
    win::unique_hfont title_font;
    int dpi = ui::default_dpi;
    int title_height = 24;
    int line_height = 16;
    int margin = 4;
    int label_width = 80;
    int swatch_size = 30;
    COLORREF back_colour = RGB(255, 255, 255);
    COLORREF text_colour = RGB(0, 0, 0);
    COLORREF select_colour = RGB(255, 202, 0);

private:
    void create_variants(LOGFONTW description);

    HFONT m_dialog_font = nullptr;
    LOGFONTW m_dialog_description{};
    int m_dialog_font_dpi = ui::default_dpi;
    win::unique_hfont m_scaled_font;
};

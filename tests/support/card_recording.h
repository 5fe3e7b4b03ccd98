#pragma once
// What the main window draws for one card of its owner-drawn lists, taken down by a recording
// device context: each text with its position, font and alignment.

#include "ui/controls.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace test {

// One text of a drawing, with the font the device context held when it was written.
struct drawn_text {
    std::wstring text;
    POINT at;
    LONG height;  // the font's LOGFONT height; 0 for a stock font
    LONG weight;
    LOGFONTW font;
    UINT align;  // TA_LEFT or TA_RIGHT, ...
};

// "Alpha -13/700": the text with its font's height and weight.
inline std::wstring in_font(const drawn_text& drawn)
{
    return drawn.text + L" " + std::to_wstring(drawn.height) + L"/" + std::to_wstring(drawn.weight);
}

// What the main window draws for one card, as a recording device context takes it down.
inline std::vector<drawn_text> card_texts(const ui::list_box& list, int index)
{
    const HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    DRAWITEMSTRUCT draw{ODT_LISTBOX, static_cast<UINT>(list.id()), static_cast<UINT>(index), ODA_DRAWENTIRE, 0, list.hwnd(),
                        recorder, list.item_rect(index), reinterpret_cast<ULONG_PTR>(list.data(index))};
    SendMessageW(GetParent(list.hwnd()), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    const HENHMETAFILE recording = CloseEnhMetaFile(recorder);

    struct reader {
        std::map<DWORD, LOGFONTW> fonts;
        LOGFONTW selected{};
        UINT align = TA_LEFT;
        std::vector<drawn_text> texts;
    } state;
    EnumEnhMetaFile(nullptr, recording, [](HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) -> int {
        auto& s = *reinterpret_cast<reader*>(data);
        if (record->iType == EMR_EXTCREATEFONTINDIRECTW) {
            const auto* font = reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record);
            s.fonts[font->ihFont] = font->elfw.elfLogFont;
        } else if (record->iType == EMR_DELETEOBJECT) {
            s.fonts.erase(reinterpret_cast<const EMRDELETEOBJECT*>(record)->ihObject);  // its slot may hold a brush next
        } else if (record->iType == EMR_SELECTOBJECT) {
            const DWORD object = reinterpret_cast<const EMRSELECTOBJECT*>(record)->ihObject;
            const DWORD stock = object & ~ENHMETA_STOCK_OBJECT;
            if (const auto found = s.fonts.find(object); found != s.fonts.end())
                s.selected = found->second;
            else if ((object & ENHMETA_STOCK_OBJECT) && stock >= OEM_FIXED_FONT && stock <= DEFAULT_GUI_FONT && stock != DEFAULT_PALETTE)
                s.selected = {};
        } else if (record->iType == EMR_SETTEXTALIGN) {
            s.align = reinterpret_cast<const EMRSETTEXTALIGN*>(record)->iMode;
        } else if (record->iType == EMR_EXTTEXTOUTW) {
            const auto* out = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
            const auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + out->emrtext.offString);
            s.texts.push_back({std::wstring(chars, out->emrtext.nChars), {out->emrtext.ptlReference.x, out->emrtext.ptlReference.y},
                               s.selected.lfHeight, s.selected.lfWeight, s.selected, s.align});
        }
        return 1;
    }, &state, nullptr);
    DeleteEnhMetaFile(recording);
    return state.texts;
}

}  // namespace test

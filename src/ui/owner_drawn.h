#pragma once
// What an owner-drawn control's items need from whoever owns them. The dialog reflects
// WM_MEASUREITEM, WM_DRAWITEM, WM_COMPAREITEM and WM_DELETEITEM to the object registered for the
// control's id, so a list's item type and its drawing live together, away from the dialog.

#include <windows.h>

#include <string>

namespace ui {

class owner_drawn {
public:
    virtual void measure_item(MEASUREITEMSTRUCT& measure) = 0;
    virtual void draw_item(const DRAWITEMSTRUCT& draw) = 0;
    // For sorted lists: negative, 0 or positive as the first item goes before, with or after the second.
    virtual int compare_items(const COMPAREITEMSTRUCT& /*compare*/) { return 0; }
    // The item is leaving the control: free what its data holds.
    virtual void delete_item(const DELETEITEMSTRUCT& /*deleted*/) {}
    // What a screen reader says for the item: the texts its drawing shows, in words.
    virtual std::wstring item_name(ULONG_PTR /*item_data*/) { return {}; }

protected:
    ~owner_drawn() = default;
};

}  // namespace ui

#pragma once
// Thin views of the standard controls the program's dialogs use. Each method is one message;
// a view owns nothing and has no destructor of its own.

#include "ui/window.h"

#include <commctrl.h>
#include <richedit.h>

#include <vector>

namespace ui {

class static_text : public window {
public:
    using window::window;
};

class button : public window {
public:
    using window::window;
    void click() const { send(BM_CLICK); }
    int check_state() const { return static_cast<int>(send(BM_GETCHECK)); }
    void set_check(int state) const { send(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

class edit : public window {
public:
    using window::window;
    void select(int first, int last) const { send(EM_SETSEL, static_cast<WPARAM>(first), last); }
    void scroll_caret() const { send(EM_SCROLLCARET); }
};

class list_box : public window {
public:
    using window::window;
    int count() const { return static_cast<int>(send(LB_GETCOUNT)); }
    void reset() const { send(LB_RESETCONTENT); }
    // For a list without LBS_HASSTRINGS the "string" is the item data itself.
    int add(const void* data) const { return static_cast<int>(send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(data))); }
    void set_data(int index, const void* data) const { send(LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(data)); }
    void* data(int index) const { return reinterpret_cast<void*>(send(LB_GETITEMDATA, static_cast<WPARAM>(index))); }
    int selected_count() const { return static_cast<int>(send(LB_GETSELCOUNT)); }
    std::vector<int> selected_items() const;
    void set_selected(int index, bool on) const { send(LB_SETSEL, on ? TRUE : FALSE, index); }
    bool is_selected(int index) const { return send(LB_GETSEL, static_cast<WPARAM>(index)) > 0; }
    int item_height(int index) const { return static_cast<int>(send(LB_GETITEMHEIGHT, static_cast<WPARAM>(index))); }
    RECT item_rect(int index) const
    {
        RECT rc{};
        send(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc));
        return rc;
    }
};

class combo_box : public window {
public:
    using window::window;
    int count() const { return static_cast<int>(send(CB_GETCOUNT)); }
    int selection() const { return static_cast<int>(send(CB_GETCURSEL)); }
    void select(int index) const { send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
    int add(const wchar_t* text) const { return static_cast<int>(send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
    std::wstring item_text(int index) const;
};

class tab_control : public window {
public:
    using window::window;
    int insert(int index, const wchar_t* text) const;
    int selection() const { return static_cast<int>(send(TCM_GETCURSEL)); }
    // The display area of a window rectangle (false) or the window rectangle of a display area (true).
    void adjust_rect(bool larger, RECT& rc) const { send(TCM_ADJUSTRECT, larger ? TRUE : FALSE, reinterpret_cast<LPARAM>(&rc)); }
};

class rich_edit : public window {
public:
    using window::window;
    void select(long first, long last) const
    {
        CHARRANGE range{first, last};
        send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    bool set_selection_format(CHARFORMATW& format) const
    {
        return send(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)) != 0;
    }
    void replace_selection(const wchar_t* text) const { send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text)); }
    void line_scroll(int lines) const { send(EM_LINESCROLL, 0, lines); }
};

}  // namespace ui

#pragma once
// A dialog made from a dialog-box template of the program's resources: run modally with a
// result, or created modeless. One static procedure finds the object of each window and hands
// the message to a short virtual handler; the rules for what a dialog procedure returns are
// kept there, in one place.

#include "ui/owner_drawn.h"
#include "ui/window.h"

#include <windows.h>

#include <exception>
#include <vector>

namespace ui {

class dialog {
public:
    // The template is a resource of `module` (null: the executable that runs).
    explicit dialog(int template_id, HINSTANCE module = nullptr);
    // A window that still exists is unbound first and then destroyed, so that no message of
    // its teardown reaches an object half taken apart. Derived classes whose teardown messages
    // matter (WM_DELETEITEM of owner-drawn lists) destroy the window in their own destructor.
    virtual ~dialog();
    dialog(const dialog&) = delete;
    dialog& operator=(const dialog&) = delete;

    // Runs the modal loop and returns what end() was given; -1 when the window could not be made.
    // An exception thrown by a handler ends the dialog and is thrown again from here.
    INT_PTR run_modal(HWND owner);
    // Creates the window (hidden unless the template says WS_VISIBLE). False when it could not be
    // made, or when it ended itself while it was being made: the window is gone then, and an
    // object that owns itself may be gone with it, so the caller touches neither. An exception
    // thrown by a handler of a modeless window is reported in an error box and ends that window.
    bool create_modeless(HWND owner);

    // A modal dialog leaves its loop with the result; a modeless one is destroyed (EndDialog
    // would only hide it).
    void end(INT_PTR result);
    void destroy_window();

    HWND hwnd() const { return m_hwnd; }
    int template_id() const { return m_template_id; }
    window item(int id) const { return window(GetDlgItem(m_hwnd, id)); }
    // The result end() was given, once it was called.
    bool ended() const { return m_ended; }
    // The DPI the window is drawn at: the one it opened at, or the last one WM_DPICHANGED gave.
    int dpi() const { return m_dpi; }
    INT_PTR result() const { return m_result; }

protected:
    // The items of owner-drawn control `control_id` are measured, drawn, compared and deleted by
    // `items`. Call it before the window is made (in the constructor): a list box asks to be
    // measured while it is being created, before WM_INITDIALOG.
    void reflect_owner_draw(int control_id, owner_drawn& items);

    // WM_INITDIALOG: true lets the system set the focus.
    virtual bool on_init() { return true; }
    // Whether the window is centred over its owner when on_init left it where it opened. A modal
    // dialog is; a modeless window stays where it was put unless it asks.
    virtual bool centre_on_open() const { return m_modal; }
    // WM_COMMAND; true when handled. Unhandled IDOK and IDCANCEL clicks go to on_ok and on_cancel;
    // the close box arrives as IDCANCEL.
    virtual bool on_command(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual void on_ok() { end(IDOK); }
    virtual void on_cancel() { end(IDCANCEL); }
    // WM_NOTIFY; true when handled, with the result in `result`.
    virtual bool on_notify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // WM_PAINT; false leaves the painting to the system.
    virtual bool on_paint() { return false; }
    // WM_SYSCOMMAND; false leaves the command to the system.
    virtual bool on_sys_command(WPARAM /*command*/, LPARAM /*lparam*/) { return false; }
    // WM_SIZE and WM_MOVE, after which the system's own handling still runs.
    virtual void on_size(UINT /*kind*/, int /*width*/, int /*height*/) {}
    virtual void on_move(int /*x*/, int /*y*/) {}
    // The window moved to a monitor of another DPI (or the monitor's DPI changed). Called before
    // the window takes the rectangle the system suggests and the owner-drawn lists are measured
    // again; dpi() still gives the old DPI here.
    virtual void on_dpi_changed(int /*new_dpi*/) {}
    virtual HICON on_query_drag_icon() { return nullptr; }
    // The window is gone (WM_NCDESTROY) and the object unbound; a modeless window that owns
    // itself may delete itself here.
    virtual void on_destroyed() {}
    // Any other message; true when handled, with the result in `result`.
    virtual bool on_message(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/, LRESULT& /*result*/) { return false; }

private:
    // One per message being handled, innermost first: the destructor clears them all, so that
    // no procedure frame touches an object that a handler deleted.
    struct liveness {
        bool alive;
        liveness* outer;
    };
    struct reflection {
        int control_id;
        owner_drawn* items;
    };

    static INT_PTR CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
    static dialog* bound_object(HWND hwnd);
    bool dispatch(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
    bool reflect(UINT message, LPARAM lparam, LRESULT& result);
    void opened(const RECT& before);
    void change_dpi(int new_dpi, const RECT& suggested);
    void unbind();

    int m_template_id;
    HINSTANCE m_module;
    HWND m_hwnd = nullptr;
    bool m_modal = false;
    bool m_ended = false;
    INT_PTR m_result = 0;
    int m_dpi = 96;
    std::exception_ptr m_failure;
    std::vector<reflection> m_reflections;
    liveness* m_liveness = nullptr;
};

}  // namespace ui

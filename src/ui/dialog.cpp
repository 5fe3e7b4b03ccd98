#include "ui/dialog.h"

#include <utility>

namespace ui {
namespace {

// The dialog whose window is being created on this thread. Its first message binds it, before
// WM_INITDIALOG: an owner-drawn list box asks for WM_MEASUREITEM while the controls are made.
thread_local dialog* t_creating = nullptr;

// These messages hand their result back as the procedure's own return value; every other
// result goes through DWLP_MSGRESULT.
bool returns_directly(UINT message)
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

// A popup that did not place itself while it opened is centred over its owner, or on the work
// area of its monitor when it has none.
void center_popup(HWND hwnd)
{
    if (GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_CHILD | DS_CONTROL))
        return;
    RECT area{};
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
        area = monitor.rcWork;
    }
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    const int x = area.left + ((area.right - area.left) - (rc.right - rc.left)) / 2;
    const int y = area.top + ((area.bottom - area.top) - (rc.bottom - rc.top)) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

class creating_scope {
public:
    explicit creating_scope(dialog* d) : m_previous(std::exchange(t_creating, d)) {}
    ~creating_scope() { t_creating = m_previous; }
    creating_scope(const creating_scope&) = delete;
    creating_scope& operator=(const creating_scope&) = delete;

private:
    dialog* m_previous;
};

}  // namespace

dialog::dialog(int template_id, HINSTANCE module)
    : m_template_id(template_id), m_module(module ? module : GetModuleHandleW(nullptr))
{
}

dialog::~dialog()
{
    if (HWND hwnd = std::exchange(m_hwnd, nullptr)) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        DestroyWindow(hwnd);
    }
}

INT_PTR dialog::run_modal(HWND owner)
{
    m_modal = true;
    m_ended = false;
    m_failure = nullptr;
    INT_PTR result;
    {
        creating_scope scope(this);
        result = DialogBoxParamW(m_module, MAKEINTRESOURCEW(m_template_id), owner, &dialog::procedure, 0);
    }
    m_modal = false;
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    return result;
}

bool dialog::create_modeless(HWND owner)
{
    m_modal = false;
    m_ended = false;
    creating_scope scope(this);
    return CreateDialogParamW(m_module, MAKEINTRESOURCEW(m_template_id), owner, &dialog::procedure, 0) != nullptr;
}

void dialog::end(INT_PTR result)
{
    m_ended = true;
    m_result = result;
    if (m_hwnd)
        EndDialog(m_hwnd, result);
}

void dialog::destroy_window()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
}

dialog* dialog::bound_object(HWND hwnd)
{
    if (auto* self = reinterpret_cast<dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER)))
        return self;
    dialog* self = t_creating;
    if (!self || self->m_hwnd)
        return nullptr;
    t_creating = nullptr;
    self->m_hwnd = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    return self;
}

void dialog::unbind()
{
    SetWindowLongPtrW(m_hwnd, DWLP_USER, 0);
    m_hwnd = nullptr;
    on_destroyed();
}

INT_PTR CALLBACK dialog::procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept
{
    dialog* self = bound_object(hwnd);
    if (!self)
        return FALSE;
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->dispatch(message, wparam, lparam, result);
    } catch (...) {
        // Nothing may unwind through the system's frames: keep the failure for run_modal.
        if (!self->m_failure)
            self->m_failure = std::current_exception();
        if (!self->m_modal)
            std::terminate();
        EndDialog(hwnd, -1);
        handled = false;
    }
    if (message == WM_NCDESTROY) {
        self->unbind();  // may delete the object: nothing of it is used after this
        return FALSE;
    }
    if (returns_directly(message))
        return static_cast<INT_PTR>(result);
    if (handled)
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return handled ? TRUE : FALSE;
}

bool dialog::dispatch(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result)
{
    switch (message) {
    case WM_INITDIALOG: {
        RECT before{};
        GetWindowRect(m_hwnd, &before);
        result = on_init() ? TRUE : FALSE;
        RECT after{};
        if (m_hwnd && GetWindowRect(m_hwnd, &after) && after.left == before.left && after.top == before.top)
            center_popup(m_hwnd);
        return true;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wparam);
        const int code = HIWORD(wparam);
        if (on_command(id, code, reinterpret_cast<HWND>(lparam)))
            return true;
        if (code == BN_CLICKED && id == IDOK) {
            on_ok();
            return true;
        }
        if (code == BN_CLICKED && id == IDCANCEL) {
            on_cancel();
            return true;
        }
        return false;
    }
    case WM_MEASUREITEM:
        result = on_measure_item(*reinterpret_cast<MEASUREITEMSTRUCT*>(lparam)) ? TRUE : FALSE;
        return result != FALSE;
    case WM_DRAWITEM:
        result = on_draw_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)) ? TRUE : FALSE;
        return result != FALSE;
    case WM_COMPAREITEM:
        result = on_compare_item(*reinterpret_cast<const COMPAREITEMSTRUCT*>(lparam));
        return true;
    case WM_DELETEITEM:
        on_delete_item(*reinterpret_cast<const DELETEITEMSTRUCT*>(lparam));
        result = TRUE;
        return true;
    case WM_PAINT:
        return on_paint();
    case WM_SYSCOMMAND:
        return on_sys_command(wparam, lparam);
    case WM_SIZE:
        on_size(static_cast<UINT>(wparam), LOWORD(lparam), HIWORD(lparam));
        return false;
    case WM_MOVE:
        on_move(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        return false;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(on_query_drag_icon());
        return result != 0;
    default:
        return on_message(message, wparam, lparam, result);
    }
}

}  // namespace ui

#include "ui/dialog.h"

#include "ui/dpi.h"
#include "ui/list_access.h"
#include "ui/modal_seam.h"
#include "ui/modeless_keys.h"

#include <string>
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

// Centred over its owner, or on the work area of its monitor when it has none.
void center_popup(HWND hwnd)
{
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

// A handler's exception cannot reach whoever made a modeless window: the user is told, and only
// that window ends.
void report_failure(const std::exception_ptr& failure)
{
    std::wstring text = L"An unexpected error closed this window.";
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        wchar_t what[256] = {};
        MultiByteToWideChar(CP_ACP, 0, e.what(), -1, what, 255);
        text += L"\n\n";
        text += what;
    } catch (...) {
    }
    message_box(text, MB_OK | MB_ICONERROR);
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
    for (liveness* frame = m_liveness; frame; frame = frame->outer)
        frame->alive = false;
    if (HWND hwnd = std::exchange(m_hwnd, nullptr)) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        remove_modeless_window(hwnd);
        DestroyWindow(hwnd);
    }
}

void dialog::reflect_owner_draw(int control_id, owner_drawn& items)
{
    m_reflections.push_back({control_id, &items});
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
    HWND made;
    {
        creating_scope scope(this);
        made = CreateDialogParamW(m_module, MAKEINTRESOURCEW(m_template_id), owner, &dialog::procedure, 0);
    }
    // Only the handle is asked: the object may have gone with a window that ended while opening.
    return made && IsWindow(made);
}

void dialog::end(INT_PTR result)
{
    m_ended = true;
    m_result = result;
    if (!m_hwnd)
        return;
    if (m_modal)
        EndDialog(m_hwnd, result);
    else
        DestroyWindow(m_hwnd);  // may delete an object that owns itself: nothing follows here
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

// After WM_INITDIALOG, unless the window ended itself there.
void dialog::opened(const RECT& before)
{
    if (!m_hwnd)
        return;
    const bool top_level = (GetWindowLongPtrW(m_hwnd, GWL_STYLE) & (WS_CHILD | DS_CONTROL)) == 0;
    if (top_level && !m_modal)
        add_modeless_window(m_hwnd);
    RECT after{};
    if (top_level && centre_on_open() && GetWindowRect(m_hwnd, &after) && after.left == before.left &&
        after.top == before.top)
        center_popup(m_hwnd);
}

// Every item of the owner-drawn lists takes its height for the new DPI.
void dialog::change_dpi(int new_dpi, const RECT& suggested)
{
    on_dpi_changed(new_dpi);
    m_dpi = new_dpi;
    SetWindowPos(m_hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (const reflection& target : m_reflections) {
        const HWND control = GetDlgItem(m_hwnd, target.control_id);
        const int count = control ? static_cast<int>(SendMessageW(control, LB_GETCOUNT, 0, 0)) : 0;
        for (int index = 0; index < count; ++index) {
            MEASUREITEMSTRUCT measure{ODT_LISTBOX, static_cast<UINT>(target.control_id), static_cast<UINT>(index), 0, 0,
                                      static_cast<ULONG_PTR>(SendMessageW(control, LB_GETITEMDATA, index, 0))};
            target.items->measure_item(measure);
            SendMessageW(control, LB_SETITEMHEIGHT, index, static_cast<LPARAM>(measure.itemHeight));
        }
        if (control)
            InvalidateRect(control, nullptr, TRUE);
    }
}

void dialog::unbind()
{
    remove_modeless_window(m_hwnd);
    SetWindowLongPtrW(m_hwnd, DWLP_USER, 0);
    m_hwnd = nullptr;
    on_destroyed();
}

INT_PTR CALLBACK dialog::procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept
{
    dialog* self = bound_object(hwnd);
    if (!self)
        return FALSE;
    RECT before{};
    if (message == WM_INITDIALOG)
        GetWindowRect(hwnd, &before);
    liveness life{true, self->m_liveness};
    self->m_liveness = &life;
    LRESULT result = 0;
    bool handled = false;
    std::exception_ptr failure;
    try {
        handled = self->dispatch(message, wparam, lparam, result);
    } catch (...) {
        // Nothing may unwind through the system's frames.
        failure = std::current_exception();
    }
    if (life.alive) {
        self->m_liveness = life.outer;
        if (failure && self->m_modal) {
            // Kept for run_modal, which throws it again once the loop has ended.
            if (!self->m_failure)
                self->m_failure = failure;
            EndDialog(hwnd, -1);
            return FALSE;
        }
    }
    if (failure) {
        report_failure(failure);
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
        return FALSE;
    }
    if (!life.alive)
        return FALSE;  // a handler deleted the object: nothing of it may be touched
    if (message == WM_INITDIALOG)
        self->opened(before);
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

bool dialog::reflect(UINT message, LPARAM lparam, LRESULT& result)
{
    // Every owner-draw structure starts with the control's type and then its id.
    const UINT control_id = reinterpret_cast<const UINT*>(lparam)[1];
    for (const reflection& target : m_reflections) {
        if (static_cast<UINT>(target.control_id) != control_id)
            continue;
        switch (message) {
        case WM_MEASUREITEM:
            target.items->measure_item(*reinterpret_cast<MEASUREITEMSTRUCT*>(lparam));
            break;
        case WM_DRAWITEM:
            target.items->draw_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            break;
        case WM_COMPAREITEM:
            result = target.items->compare_items(*reinterpret_cast<const COMPAREITEMSTRUCT*>(lparam));
            return true;
        case WM_DELETEITEM:
            target.items->delete_item(*reinterpret_cast<const DELETEITEMSTRUCT*>(lparam));
            break;
        }
        result = TRUE;
        return true;
    }
    return false;
}

bool dialog::dispatch(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result)
{
    switch (message) {
    case WM_INITDIALOG:
        m_dpi = dpi_of(m_hwnd);
        for (const reflection& target : m_reflections)
            serve_list_items(GetDlgItem(m_hwnd, target.control_id), *target.items);
        result = on_init() ? TRUE : FALSE;
        return true;
    case WM_DPICHANGED:
        // Not marked handled: the system still scales a dialog's own controls and fonts.
        change_dpi(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return false;
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
    case WM_NOTIFY:
        return on_notify(*reinterpret_cast<const NMHDR*>(lparam), result);
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
        return reflect(message, lparam, result);
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

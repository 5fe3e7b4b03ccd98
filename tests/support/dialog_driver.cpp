#include "support/dialog_driver.h"

#include <map>

namespace test {
namespace {

struct pending_drive {
    ui::dialog* dlg;
    const dialog_driver* driver;
    bool driven = false;
};

// Thread timers (no window) reach their procedure through every modal loop's DispatchMessage.
thread_local std::map<UINT_PTR, pending_drive*> t_pending;

void CALLBACK on_timer(HWND, UINT, UINT_PTR timer, DWORD)
{
    const auto found = t_pending.find(timer);
    if (found == t_pending.end())
        return;
    pending_drive& drive = *found->second;
    const HWND hwnd = drive.dlg->hwnd();
    if (!hwnd || drive.dlg->ended())
        return;
    if (!IsWindowVisible(hwnd))
        return;  // the modal loop shows it when its queue first runs empty
    KillTimer(nullptr, timer);
    t_pending.erase(found);
    drive.driven = true;
    pump_messages();
    (*drive.driver)(hwnd);
    if (drive.dlg->hwnd() && !drive.dlg->ended())
        drive.dlg->end(IDCANCEL);
}

}  // namespace

INT_PTR run_driven(ui::dialog& dlg, HWND owner, const dialog_driver& driver, bool* driven)
{
    pending_drive drive{&dlg, &driver};
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &on_timer);
    t_pending[timer] = &drive;
    const INT_PTR result = dlg.run_modal(owner);
    if (t_pending.erase(timer))
        KillTimer(nullptr, timer);
    if (driven)
        *driven = drive.driven;
    return result;
}

void pump_messages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.lParam == reinterpret_cast<LPARAM>(&on_timer))
            continue;  // a driver's own tick: never run one driver inside another's pump
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace test

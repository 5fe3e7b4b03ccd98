#include "ui/modeless_keys.h"

#include "win/unique_handle.h"

#include <algorithm>
#include <vector>

namespace ui {
namespace {

using unique_hook = win::unique_handle<win::handle_traits<HHOOK, UnhookWindowsHookEx>>;

thread_local std::vector<HWND> t_windows;
thread_local unique_hook t_hook;
thread_local bool t_filtering = false;  // IsDialogMessage may call the filter again

// Runs for every message of a modal loop (dialog box or message box) before the loop looks at it.
LRESULT CALLBACK filter(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == MSGF_DIALOGBOX && !t_filtering) {
        MSG* message = reinterpret_cast<MSG*>(lparam);
        for (const HWND window : t_windows) {
            if (message->hwnd != window && !IsChild(window, message->hwnd))
                continue;
            // The list may change while the message is handled: nothing of it is used after.
            t_filtering = true;
            const bool handled = IsDialogMessageW(window, message) != FALSE;
            t_filtering = false;
            if (handled)
                return TRUE;
            break;
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

void add_modeless_window(HWND window)
{
    if (std::find(t_windows.begin(), t_windows.end(), window) != t_windows.end())
        return;
    t_windows.push_back(window);
    if (!t_hook)
        t_hook.reset(SetWindowsHookExW(WH_MSGFILTER, &filter, nullptr, GetCurrentThreadId()));
}

void remove_modeless_window(HWND window)
{
    std::erase(t_windows, window);
    if (t_windows.empty())
        t_hook.reset();
}

}  // namespace ui

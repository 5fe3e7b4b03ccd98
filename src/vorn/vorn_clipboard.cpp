#include "vorn/vorn_clipboard.h"

#include "win/unique_handle.h"

#include <cstring>
#include <cwchar>

namespace {

// Another program may hold the clipboard for a moment (clipboard viewers, remote desktop).
bool open_clipboard(HWND window)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(window))
            return true;
        Sleep(20);
    }
    return false;
}

}  // namespace

int toClipboard(HWND window, const wchar_t* text)
{
    if (!text)
        text = L"";
    const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    win::unique_hglobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory)
        return 0;
    void* target = GlobalLock(memory.get());
    if (!target)
        return 0;
    std::memcpy(target, text, bytes);
    GlobalUnlock(memory.get());

    if (!open_clipboard(window))
        return 0;
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr;
    CloseClipboard();
    if (!placed)
        return 0;
    memory.release();  // the clipboard owns it now
    return 1;
}

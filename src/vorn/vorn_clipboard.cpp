#include "vorn/vorn_clipboard.h"

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
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return 0;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return 0;
    }
    std::memcpy(target, text, bytes);
    GlobalUnlock(memory);

    if (!open_clipboard(window)) {
        GlobalFree(memory);
        return 0;
    }
    EmptyClipboard();
    // Once SetClipboardData succeeds the memory belongs to the clipboard.
    const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed)
        GlobalFree(memory);
    return placed ? 1 : 0;
}

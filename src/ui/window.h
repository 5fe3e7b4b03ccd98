#pragma once
// A non-owning view of a window: one-line wrappers over the messages and calls the program
// uses. Copying a view copies the handle; nothing is destroyed when a view goes away.

#include <windows.h>

#include <string>

namespace ui {

class window {
public:
    window() = default;
    explicit window(HWND hwnd) : m_hwnd(hwnd) {}

    HWND hwnd() const { return m_hwnd; }
    explicit operator bool() const { return m_hwnd != nullptr; }

    LRESULT send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const
    {
        return SendMessageW(m_hwnd, message, wparam, lparam);
    }

    std::wstring text() const;
    void set_text(const wchar_t* text) const { SetWindowTextW(m_hwnd, text); }
    void set_text(const std::wstring& text) const { SetWindowTextW(m_hwnd, text.c_str()); }

    bool is_enabled() const { return IsWindowEnabled(m_hwnd) != FALSE; }
    void enable(bool on) const { EnableWindow(m_hwnd, on ? TRUE : FALSE); }
    bool is_visible() const { return IsWindowVisible(m_hwnd) != FALSE; }
    void show(int how) const { ShowWindow(m_hwnd, how); }
    void invalidate(bool erase = true) const { InvalidateRect(m_hwnd, nullptr, erase ? TRUE : FALSE); }
    void set_redraw(bool on) const { send(WM_SETREDRAW, on ? TRUE : FALSE); }
    HFONT font() const { return reinterpret_cast<HFONT>(send(WM_GETFONT)); }
    RECT client_rect() const
    {
        RECT rc{};
        GetClientRect(m_hwnd, &rc);
        return rc;
    }
    int id() const { return GetDlgCtrlID(m_hwnd); }

protected:
    HWND m_hwnd = nullptr;
};

}  // namespace ui

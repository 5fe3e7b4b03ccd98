#pragma once
// Scoped device-context work for drawing code: a selection, a painting pass and a borrowed DC
// are each undone when the scope ends, so an early return never leaks one. The owned GDI
// objects themselves (fonts, brushes, pens, bitmaps, icons) are the aliases of unique_handle.h.

#include "win/unique_handle.h"

#include <windows.h>

namespace win {

// Selects an object into a DC and puts the previous one back.
class scoped_select {
public:
    scoped_select(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    ~scoped_select()
    {
        if (m_previous && m_previous != HGDI_ERROR)
            SelectObject(m_dc, m_previous);
    }
    scoped_select(const scoped_select&) = delete;
    scoped_select& operator=(const scoped_select&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// BeginPaint ... EndPaint.
class paint_dc {
public:
    explicit paint_dc(HWND hwnd) : m_hwnd(hwnd) { m_dc = BeginPaint(hwnd, &m_paint); }
    ~paint_dc() { EndPaint(m_hwnd, &m_paint); }
    paint_dc(const paint_dc&) = delete;
    paint_dc& operator=(const paint_dc&) = delete;

    HDC get() const { return m_dc; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint{};
    HDC m_dc = nullptr;
};

// GetDC ... ReleaseDC (null window: the screen).
class client_dc {
public:
    explicit client_dc(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
    ~client_dc()
    {
        if (m_dc)
            ReleaseDC(m_hwnd, m_dc);
    }
    client_dc(const client_dc&) = delete;
    client_dc& operator=(const client_dc&) = delete;

    HDC get() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// CreateCompatibleDC ... DeleteDC.
using unique_memory_dc = unique_handle<handle_traits<HDC, DeleteDC>>;

}  // namespace win

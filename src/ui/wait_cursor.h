#pragma once
// The hourglass for a blocking step (a test login, a copy): the previous cursor comes back when
// the scope ends, on every path out of it.

#include <windows.h>

namespace ui {

class wait_cursor {
public:
    wait_cursor() : m_previous(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~wait_cursor() { SetCursor(m_previous); }
    wait_cursor(const wait_cursor&) = delete;
    wait_cursor& operator=(const wait_cursor&) = delete;

private:
    HCURSOR m_previous;
};

}  // namespace ui

#include "ui/window.h"

namespace ui {

std::wstring window::text() const
{
    const int length = GetWindowTextLengthW(m_hwnd);
    std::wstring result(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(m_hwnd, result.data(), length + 1);
    result.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return result;
}

}  // namespace ui

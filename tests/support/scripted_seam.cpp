#include "support/scripted_seam.h"

#include <gtest/gtest.h>

namespace test {

scripted_seam::scripted_seam() : m_previous(ui::install_modal_seam(this)) {}

scripted_seam::~scripted_seam()
{
    ui::install_modal_seam(m_previous);
}

std::vector<std::wstring> scripted_seam::texts() const
{
    std::vector<std::wstring> result;
    for (const shown_box& box : m_boxes)
        result.push_back(box.text);
    return result;
}

int scripted_seam::message_box(HWND, const std::wstring& text, UINT flags)
{
    m_boxes.push_back({text, flags});
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if ((flags & MB_TYPEMASK) == MB_OK)
        return IDOK;
    ADD_FAILURE() << "unscripted question box";
    return IDNO;
}

}  // namespace test

#pragma once
// A modal seam for tests: records every message box (text and flags) and answers from a script.
// While installed it replaces the platform's boxes; the destructor puts the previous seam back.

#include "ui/modal_seam.h"

#include <deque>
#include <string>
#include <vector>

namespace test {

struct shown_box {
    std::wstring text;
    UINT flags;
};

class scripted_seam final : public ui::modal_seam {
public:
    scripted_seam();
    ~scripted_seam() override;
    scripted_seam(const scripted_seam&) = delete;
    scripted_seam& operator=(const scripted_seam&) = delete;

    // Answers for the next boxes, in order. An OK box without a scripted answer gets IDOK;
    // a question without one fails the test and gets IDNO, so nothing changes unasked.
    void answer(int button) { m_answers.push_back(button); }

    const std::vector<shown_box>& boxes() const { return m_boxes; }
    std::vector<std::wstring> texts() const;
    void clear() { m_boxes.clear(); }

    int message_box(HWND owner, const std::wstring& text, UINT flags) override;

private:
    ui::modal_seam* m_previous;
    std::deque<int> m_answers;
    std::vector<shown_box> m_boxes;
};

}  // namespace test

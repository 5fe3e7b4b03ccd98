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

testing::AssertionResult scripted_seam::showed_errors(const std::vector<std::wstring>& expected) const
{
    if (texts() != expected)
        return testing::AssertionFailure() << "shown " << testing::PrintToString(texts()) << "\nexpected "
                                           << testing::PrintToString(expected);
    for (const shown_box& box : m_boxes)
        if (box.flags != static_cast<UINT>(MB_OK | MB_ICONERROR))
            return testing::AssertionFailure() << "not an error box: " << testing::PrintToString(box.text);
    return testing::AssertionSuccess();
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

namespace test {

INT_PTR scripted_seam::run_dialog(ui::dialog& dlg, HWND owner)
{
    const int id = dlg.template_id();
    m_dialogs.push_back(id);
    m_dialogs_shown.push_back(false);
    const size_t slot = m_dialogs_shown.size() - 1;
    if (auto& drivers = m_drivers[id]; !drivers.empty()) {
        const dialog_driver driver = std::move(drivers.front());
        drivers.pop_front();
        bool shown = false;
        const INT_PTR result = run_driven(dlg, owner, driver, &shown);
        m_dialogs_shown[slot] = shown;
        return result;
    }
    if (auto& answers = m_dialog_answers[id]; !answers.empty()) {
        const INT_PTR result = answers.front();
        answers.pop_front();
        return result;
    }
    ADD_FAILURE() << "unscripted dialog " << id;
    return IDCANCEL;
}

bool scripted_seam::pick_folder(HWND, const std::wstring& title, const std::wstring& start_folder, std::wstring& chosen)
{
    m_folder_titles.push_back(title);
    m_folder_starts.push_back(start_folder);
    if (m_folders.empty()) {
        ADD_FAILURE() << "unscripted folder picker";
        return false;
    }
    const std::optional<std::wstring> answer = std::move(m_folders.front());
    m_folders.pop_front();
    if (!answer)
        return false;
    chosen = *answer;
    return true;
}

bool scripted_seam::choose_colour(HWND, COLORREF& colour)
{
    if (m_colours.empty()) {
        ADD_FAILURE() << "unscripted colour dialog";
        return false;
    }
    const std::optional<COLORREF> answer = m_colours.front();
    m_colours.pop_front();
    if (!answer)
        return false;
    colour = *answer;
    return true;
}

HINSTANCE scripted_seam::start_program(HWND owner, const std::wstring& file)
{
    m_started.push_back(file);
    return ui::platform_modal().start_program(owner, file);
}

ui::shell_outcome scripted_seam::copy_items(const std::wstring& from, const std::wstring& to)
{
    m_shell_operations.push_back(L"copy " + from + L" -> " + to);
    if (m_shell_answers.empty())
        return ui::platform_modal().copy_items(from, to);
    const ui::shell_outcome answer = m_shell_answers.front();
    m_shell_answers.pop_front();
    return answer;
}

ui::shell_outcome scripted_seam::delete_items(const std::wstring& from)
{
    m_shell_operations.push_back(L"delete " + from);
    if (m_shell_answers.empty())
        return ui::platform_modal().delete_items(from);
    const ui::shell_outcome answer = m_shell_answers.front();
    m_shell_answers.pop_front();
    return answer;
}

}  // namespace test

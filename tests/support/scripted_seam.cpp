#include "support/scripted_seam.h"

#include <gtest/gtest.h>

namespace test {
namespace {

// The next answer of a script, taken off it.
template <typename T>
T next(std::deque<T>& script)
{
    T answer = std::move(script.front());
    script.pop_front();
    return answer;
}

}  // namespace

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

testing::AssertionResult scripted_seam::showed(const std::vector<std::wstring>& expected, UINT flags) const
{
    if (texts() != expected)
        return testing::AssertionFailure() << "shown " << testing::PrintToString(texts()) << "\nexpected "
                                           << testing::PrintToString(expected);
    for (const shown_box& box : m_boxes)
        if (box.flags != flags)
            return testing::AssertionFailure() << "flags " << box.flags << " instead of " << flags << ": "
                                               << testing::PrintToString(box.text);
    return testing::AssertionSuccess();
}

int scripted_seam::message_box(HWND, const std::wstring& text, UINT flags)
{
    m_boxes.push_back({text, flags});
    if (!m_answers.empty())
        return next(m_answers);
    if ((flags & MB_TYPEMASK) == MB_OK)
        return IDOK;
    ADD_FAILURE() << "unscripted question box";
    return IDNO;
}

INT_PTR scripted_seam::run_dialog(ui::dialog& dlg, HWND owner)
{
    const int id = dlg.template_id();
    m_dialogs.push_back(id);
    m_dialogs_shown.push_back(false);
    const size_t slot = m_dialogs_shown.size() - 1;
    if (auto& drivers = m_drivers[id]; !drivers.empty()) {
        const dialog_driver driver = next(drivers);
        bool shown = false;
        const INT_PTR result = run_driven(dlg, owner, driver, &shown);
        m_dialogs_shown[slot] = shown;
        return result;
    }
    if (auto& answers = m_dialog_answers[id]; !answers.empty())
        return next(answers);
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
    const std::optional<std::wstring> answer = next(m_folders);
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
    const std::optional<COLORREF> answer = next(m_colours);
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
    return next(m_shell_answers);
}

ui::shell_outcome scripted_seam::delete_items(const std::wstring& from)
{
    m_shell_operations.push_back(L"delete " + from);
    if (m_shell_answers.empty())
        return ui::platform_modal().delete_items(from);
    return next(m_shell_answers);
}

}  // namespace test

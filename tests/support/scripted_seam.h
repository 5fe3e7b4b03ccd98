#pragma once
// A modal seam for tests: records every message box (text and flags) and answers from a script.
// While installed it replaces the platform's boxes; the destructor puts the previous seam back.
// Dialogs run for real under a test's driver (or are answered without running), folder and
// colour choices come from the script, and programs are really started and recorded.

#include "support/dialog_driver.h"
#include "ui/modal_seam.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
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
    // Exactly these boxes were shown, in order, each with these flags; or each an error box.
    testing::AssertionResult showed(const std::vector<std::wstring>& expected, UINT flags) const;
    testing::AssertionResult showed_errors(const std::vector<std::wstring>& expected) const
    {
        return showed(expected, MB_OK | MB_ICONERROR);
    }
    void clear() { m_boxes.clear(); }

    // The next run of the dialog with this template shows it and hands it to the driver; or it
    // is not shown and ends at once with the result. An unscripted dialog fails the test.
    void drive_dialog(int template_id, dialog_driver driver) { m_drivers[template_id].push_back(std::move(driver)); }
    void answer_dialog(int template_id, INT_PTR result) { m_dialog_answers[template_id].push_back(result); }
    // Template ids of the dialogs run, in order; whether each driven one was shown.
    const std::vector<int>& dialogs() const { return m_dialogs; }
    const std::vector<bool>& dialogs_shown() const { return m_dialogs_shown; }

    // The next folder picker yields this folder (nullopt: Cancel); titles and start folders asked.
    void answer_folder(std::optional<std::wstring> folder) { m_folders.push_back(std::move(folder)); }
    const std::vector<std::wstring>& folder_titles() const { return m_folder_titles; }
    const std::vector<std::wstring>& folder_starts() const { return m_folder_starts; }

    // The next colour dialog yields this colour (nullopt: Cancel).
    void answer_colour(std::optional<COLORREF> colour) { m_colours.push_back(colour); }

    // Programs started (they do start), in order.
    const std::vector<std::wstring>& started() const { return m_started; }

    // The next shell copy or delete ends so without touching anything; an unscripted one is
    // carried out by the platform. Each asked for is recorded as "copy FROM -> TO" or "delete FROM".
    void answer_shell(ui::shell_outcome outcome) { m_shell_answers.push_back(outcome); }
    const std::vector<std::wstring>& shell_operations() const { return m_shell_operations; }

    int message_box(HWND owner, const std::wstring& text, UINT flags) override;
    INT_PTR run_dialog(ui::dialog& dlg, HWND owner) override;
    bool pick_folder(HWND owner, const std::wstring& title, const std::wstring& start_folder,
                     std::wstring& chosen) override;
    bool choose_colour(HWND owner, COLORREF& colour) override;
    HINSTANCE start_program(HWND owner, const std::wstring& file) override;
    ui::shell_outcome copy_items(const std::wstring& from, const std::wstring& to) override;
    ui::shell_outcome delete_items(const std::wstring& from) override;

private:
    ui::modal_seam* m_previous;
    std::deque<int> m_answers;
    std::vector<shown_box> m_boxes;
    std::map<int, std::deque<dialog_driver>> m_drivers;
    std::map<int, std::deque<INT_PTR>> m_dialog_answers;
    std::vector<int> m_dialogs;
    std::vector<bool> m_dialogs_shown;
    std::deque<std::optional<std::wstring>> m_folders;
    std::vector<std::wstring> m_folder_titles;
    std::vector<std::wstring> m_folder_starts;
    std::deque<std::optional<COLORREF>> m_colours;
    std::vector<std::wstring> m_started;
    std::deque<ui::shell_outcome> m_shell_answers;
    std::vector<std::wstring> m_shell_operations;
};

}  // namespace test

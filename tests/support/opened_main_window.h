#pragma once
// The main window opened modeless on a test workstation, in a registry sandbox, with a scripted
// seam; and what the tests of its commands read and press in it and in the windows it opens.

#include "app/list_items.h"
#include "app/main_window.h"
#include "app/main_window_ids.h"
#include "connections/connection.h"
#include "support/moved_local_data.h"
#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/temp_folder.h"
#include "support/workstation.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace test {

using texts = std::vector<std::wstring>;
// A question the window asks: Yes and No, No the default.
constexpr UINT question_flags = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;

inline std::wstring text_of(HWND dialog, int id) { return ui::window(GetDlgItem(dialog, id)).text(); }
inline bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
inline void type(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }
inline void click(HWND dialog, int id) { ui::button(GetDlgItem(dialog, id)).click(); }

class opened_main_window : public ::testing::Test {
protected:
    registry_sandbox sandbox;
    scripted_seam seam;
    temp_folder root;
    workstation station{root.path()};
    scratch_local_data local_data;  // where the window's connects keep their restore points
    std::unique_ptr<CConfigurePLAXORDlg> window;
    ui::list_box cards;

    // On the workstation as the test has set it up. No AutoCAD is installed: the discovery's box
    // is forgotten.
    void open()
    {
        window = std::make_unique<CConfigurePLAXORDlg>();
        ASSERT_TRUE(window->create_modeless(nullptr));
        ShowWindow(window->hwnd(), SW_SHOW);
        cards = ui::list_box(GetDlgItem(window->hwnd(), IDC_INSTANCE_LIST));
        seam.clear();
    }

    HWND main() const { return window->hwnd(); }

    // The cURL console the main window's button opens, or null.
    HWND open_console() const
    {
        click(main(), IDC_CONSOLE);
        return FindWindowW(nullptr, L"cURL Console");
    }

    std::vector<std::wstring> card_names() const
    {
        std::vector<std::wstring> names;
        for (int i = 0; i < cards.count(); ++i)
            names.push_back(static_cast<instance_item*>(cards.data(i))->conn->get_name().str());
        return names;
    }

    // As a click would leave them, the window told.
    void select_cards(std::initializer_list<int> indexes) const
    {
        cards.set_selected(-1, false);
        for (const int index : indexes)
            cards.set_selected(index, true);
        SendMessageW(main(), WM_COMMAND, MAKEWPARAM(IDC_INSTANCE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(cards.hwnd()));
    }
};

}  // namespace test

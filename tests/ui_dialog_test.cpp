#include "support/dialog_driver.h"
#include "support/scripted_seam.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/wait_cursor.h"
#include "win/gdi.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int test_dialog = 901;
constexpr int page_dialog = 902;
constexpr int fixed_list = 10;
constexpr int variable_list = 11;
constexpr int label = 12;
constexpr int throw_button = 13;

class page : public ui::dialog {
public:
    explicit page(std::vector<std::string>& log) : ui::dialog(page_dialog), m_log(log) {}

protected:
    bool on_init() override
    {
        m_log.push_back("page init");
        return true;
    }

private:
    std::vector<std::string>& m_log;
};

// Both lists' items: the dialog reflects their owner-draw messages here.
class logged_items : public ui::owner_drawn {
public:
    explicit logged_items(std::vector<std::string>& log) : m_log(log) {}

    void measure_item(MEASUREITEMSTRUCT& measure) override
    {
        m_log.push_back("measure " + std::to_string(measure.CtlID));
        if (measure.CtlID == variable_list)
            measure.itemHeight = 10 + static_cast<UINT>(measure.itemData);
    }
    void draw_item(const DRAWITEMSTRUCT&) override {}
    int compare_items(const COMPAREITEMSTRUCT& compare) override
    {
        return static_cast<int>(compare.itemData1) < static_cast<int>(compare.itemData2) ? -1 : 1;
    }
    void delete_item(const DELETEITEMSTRUCT& deleted) override { m_log.push_back("delete " + std::to_string(deleted.CtlID)); }

private:
    std::vector<std::string>& m_log;
};

// Logs what reaches it, so that a test sees the order of the messages and which object got them.
class logging_dialog : public ui::dialog {
public:
    logging_dialog() : ui::dialog(test_dialog)
    {
        reflect_owner_draw(fixed_list, items);
        reflect_owner_draw(variable_list, items);
    }

    std::vector<std::string> log;
    logged_items items{log};
    page child{log};

protected:
    bool on_init() override
    {
        log.push_back("init");
        child.create_modeless(hwnd());
        ui::list_box list(item(variable_list).hwnd());
        for (auto value : {3, 1, 2})
            list.add(reinterpret_cast<void*>(static_cast<intptr_t>(value)));
        ui::list_box sorted(item(fixed_list).hwnd());
        for (auto value : {30, 10, 20})
            sorted.add(reinterpret_cast<void*>(static_cast<intptr_t>(value)));
        return true;
    }
    bool on_notify(const NMHDR& header, LRESULT& result) override
    {
        if (header.code != NM_CLICK)
            return false;
        result = 7;
        return true;
    }
    bool on_command(int id, int code, HWND) override
    {
        if (id == throw_button && code == BN_CLICKED)
            throw std::runtime_error("handler failed");
        return false;
    }
    HICON on_query_drag_icon() override { return LoadIconW(nullptr, IDI_INFORMATION); }
    bool on_message(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        if (message == WM_CTLCOLORSTATIC) {
            result = reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH));
            return true;
        }
        if (message != WM_APP)
            return false;
        result = 42;
        return true;
    }
    void on_destroyed() override { log.push_back("destroyed"); }
};

TEST(Dialog, BindsTheObjectBeforeTheControlsAskToBeMeasured)
{
    logging_dialog dlg;
    ASSERT_TRUE(dlg.create_modeless(nullptr));
    // The fixed-height list asks once while it is created, before WM_INITDIALOG; the variable
    // one asks per item as they are added; the page binds to its own object.
    const std::vector<std::string> opening(dlg.log.begin(), dlg.log.begin() + 6);
    EXPECT_EQ(opening, (std::vector<std::string>{"measure 10", "init", "page init", "measure 11", "measure 11", "measure 11"}));
    EXPECT_EQ(GetParent(dlg.child.hwnd()), dlg.hwnd());

    ui::list_box variable(dlg.item(variable_list).hwnd());
    EXPECT_EQ(variable.item_height(0), 13);
    EXPECT_EQ(variable.item_height(1), 11);
    ui::list_box sorted(dlg.item(fixed_list).hwnd());
    EXPECT_EQ(reinterpret_cast<intptr_t>(sorted.data(0)), 10);  // WM_COMPAREITEM's result arrived
    EXPECT_EQ(reinterpret_cast<intptr_t>(sorted.data(2)), 30);

    dlg.destroy_window();
    EXPECT_EQ(dlg.hwnd(), nullptr);
    EXPECT_EQ(dlg.log.back(), "destroyed");
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "delete 11"), 3);
}

TEST(Dialog, ReturnsEachResultTheWayTheSystemReadsIt)
{
    logging_dialog dlg;
    ASSERT_TRUE(dlg.create_modeless(nullptr));
    const HWND hwnd = dlg.hwnd();
    EXPECT_EQ(SendMessageW(hwnd, WM_APP, 0, 0), 42);  // through DWLP_MSGRESULT
    NMHDR click{dlg.item(label).hwnd(), label, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(SendMessageW(hwnd, WM_NOTIFY, label, reinterpret_cast<LPARAM>(&click)), 7);
    EXPECT_EQ(SendMessageW(hwnd, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(LoadIconW(nullptr, IDI_INFORMATION)));
    win::client_dc dc(dlg.item(label).hwnd());
    EXPECT_EQ(SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                           reinterpret_cast<LPARAM>(dlg.item(label).hwnd())),
              reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH)));
}

TEST(Dialog, AHandlersExceptionEndsTheModalRunAndIsThrownAfterIt)
{
    logging_dialog dlg;
    EXPECT_THROW(test::run_driven(dlg, nullptr, [](HWND hwnd) { ui::button(GetDlgItem(hwnd, throw_button)).click(); }),
                 std::runtime_error);
    EXPECT_EQ(dlg.hwnd(), nullptr);
}

// OK, Cancel and the close box end a modal run with their result. EndDialog would only hide a
// modeless window: they destroy it. Nothing moves a modeless window: it stays where the template put it.
TEST(Dialog, OkCancelAndTheCloseBoxEndModalRunsAndDestroyModelessWindows)
{
    const std::tuple<const char*, std::function<void(HWND)>, INT_PTR> endings[] = {
        {"OK", [](HWND hwnd) { ui::button(GetDlgItem(hwnd, IDOK)).click(); }, IDOK},
        {"Cancel", [](HWND hwnd) { ui::button(GetDlgItem(hwnd, IDCANCEL)).click(); }, IDCANCEL},
        {"close box", [](HWND hwnd) {
             SendMessageW(hwnd, WM_CLOSE, 0, 0);
             test::pump_messages();  // the system posts IDCANCEL
         }, IDCANCEL},
    };
    for (const auto& [name, ending, result] : endings) {
        SCOPED_TRACE(name);
        logging_dialog modal, modeless;
        bool shown = false;
        EXPECT_EQ(test::run_driven(modal, nullptr, ending, &shown), result);
        EXPECT_TRUE(shown);
        ASSERT_TRUE(modeless.create_modeless(nullptr));
        const HWND hwnd = modeless.hwnd();
        RECT rc{};
        GetWindowRect(hwnd, &rc);
        EXPECT_EQ(rc.left, 0);
        EXPECT_EQ(rc.top, 0);
        ending(hwnd);
        EXPECT_FALSE(IsWindow(hwnd));
        for (const logging_dialog* ended : {&modal, &modeless}) {
            EXPECT_EQ(ended->hwnd(), nullptr);
            EXPECT_EQ(ended->log.back(), "destroyed");
        }
    }
}

TEST(Dialog, AModelessHandlersExceptionIsReportedAndEndsOnlyThatWindow)
{
    test::scripted_seam seam;
    logging_dialog dlg;
    ASSERT_TRUE(dlg.create_modeless(nullptr));
    ui::button(dlg.item(throw_button).hwnd()).click();
    EXPECT_TRUE(seam.showed_errors({L"An unexpected error closed this window.\n\nhandler failed"}));
    EXPECT_EQ(dlg.hwnd(), nullptr);
    EXPECT_EQ(dlg.log.back(), "destroyed");
}

// A window that owns itself, ends itself while it opens and deletes itself when it is gone.
class self_ending_dialog : public ui::dialog {
public:
    explicit self_ending_dialog(bool& deleted) : ui::dialog(test_dialog), m_deleted(deleted) {}
    ~self_ending_dialog() override { m_deleted = true; }

protected:
    bool on_init() override
    {
        end(IDCANCEL);
        return true;
    }
    void on_destroyed() override { delete this; }

private:
    bool& m_deleted;
};

TEST(Dialog, AModelessWindowThatEndsWhileOpeningIsNeverTouchedAgain)
{
    bool deleted = false;
    EXPECT_FALSE((new self_ending_dialog(deleted))->create_modeless(nullptr));
    EXPECT_TRUE(deleted);
}

// Another window's modal loop (here a message box) hands Enter meant for an open modeless window
// to that window's IsDialogMessage, which presses its default button.
TEST(Dialog, AModelessWindowHearsItsKeysWhileAModalLoopRuns)
{
    logging_dialog dlg;
    ASSERT_TRUE(dlg.create_modeless(nullptr));
    PostMessageW(dlg.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
        if (const HWND box = FindWindowW(nullptr, L"modal loop"))
            PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    MessageBoxW(nullptr, L"Enter goes to the modeless window", L"modal loop", MB_OK);
    KillTimer(nullptr, timer);
    EXPECT_EQ(dlg.hwnd(), nullptr);
    EXPECT_EQ(dlg.log.back(), "destroyed");
}

TEST(Dialog, AnObjectDestroyedBeforeItsWindowHearsNothingOfTheTeardown)
{
    auto* dlg = new logging_dialog;
    ASSERT_TRUE(dlg->create_modeless(nullptr));
    const HWND hwnd = dlg->hwnd();
    delete dlg;  // list items are deleted after the object is gone: nothing may reach it
    EXPECT_FALSE(IsWindow(hwnd));
}

int g_closed = 0;
void count_close(int*) { ++g_closed; }
using counted = win::unique_handle<win::handle_traits<int*, count_close>>;

TEST(UniqueHandle, ClosesWhatItHoldsExactlyOnce)
{
    int a = 0, b = 0;
    g_closed = 0;
    {
        counted first(&a);
        counted second(std::move(first));
        EXPECT_FALSE(first);
        second.reset(&b);
        EXPECT_EQ(g_closed, 1);
        int* released = second.release();
        EXPECT_EQ(released, &b);
        counted third(&a);
        *third.put() = &b;  // put() closed &a first
        EXPECT_EQ(g_closed, 2);
    }
    EXPECT_EQ(g_closed, 3);
}

TEST(Scopes, PutBackWhatTheyChanged)
{
    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    SetCursor(arrow);
    {
        ui::wait_cursor waiting;
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    }
    EXPECT_EQ(GetCursor(), arrow);

    win::unique_memory_dc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_FONT);
    win::unique_hfont font(CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma"));
    {
        win::scoped_select selected(dc.get(), font.get());
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), before);
}

}  // namespace

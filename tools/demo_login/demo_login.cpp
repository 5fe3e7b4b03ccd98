// Tries the test login of connection definitions from the command line, the way the Connection
// Properties dialog tests one, and prints what a person would see: the server's seed and values
// on success, the failure message otherwise. The demo workstation uses it to show that its
// definitions reach the reference gateway.
// Usage: demo_login.exe DEFINITION.ini [PASSWORD]   (the password is never printed)
#include "connections/connection.h"
#include "ui/modal_seam.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Message boxes become console lines: the tool runs without a window. A login shows nothing else.
class console_seam final : public ui::modal_seam {
public:
    int message_box(HWND, const std::wstring& text, UINT) override
    {
        std::wprintf(L"  %ls\n", text.c_str());
        return IDOK;
    }
    INT_PTR run_dialog(ui::dialog& dlg, HWND owner) override { return ui::platform_modal().run_dialog(dlg, owner); }
    bool pick_folder(HWND owner, const std::wstring& title, const std::wstring& start, std::wstring& chosen) override
    {
        return ui::platform_modal().pick_folder(owner, title, start, chosen);
    }
    bool choose_colour(HWND owner, COLORREF& colour) override
    {
        return ui::platform_modal().choose_colour(owner, colour);
    }
    HINSTANCE start_program(HWND owner, const std::wstring& file) override
    {
        return ui::platform_modal().start_program(owner, file);
    }
    ui::shell_outcome copy_items(const std::wstring& from, const std::wstring& to) override
    {
        return ui::platform_modal().copy_items(from, to);
    }
    ui::shell_outcome delete_items(const std::wstring& from) override { return ui::platform_modal().delete_items(from); }
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: demo_login DEFINITION.ini [PASSWORD]\n");
        return 2;
    }
    console_seam seam;
    ui::install_modal_seam(&seam);

    connection definition{vorn_buffer(argv[1])};
    definition.read_ini();
    if (argc > 2)
        definition.m_password = argv[2];
    std::wprintf(L"%ls (%ls %ls):\n", definition.get_name_label().as_const_w_buffer(),
                 definition.get_type_label().as_const_w_buffer(), definition.get_conn_label().as_const_w_buffer());
    if (!definition.reconnect())
        return 1;
    std::wprintf(L"  logged in: seed %ls, gateway %ls%ls port %ld\n", definition.get_seed_label().as_const_w_buffer(),
                 definition.plx2HttpServer().as_const_w_buffer(), definition.plx2HttpProcess().as_const_w_buffer(),
                 definition.plx2HttpPort());
    return 0;
}

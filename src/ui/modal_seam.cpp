#include "ui/modal_seam.h"

#include "ui/dialog.h"
#include "win/com.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shobjidl.h>

namespace ui {
namespace {

constexpr wchar_t program_caption[] = L"ConfigurePLAXOR";

class platform_seam final : public modal_seam {
public:
    int message_box(HWND owner, const std::wstring& text, UINT flags) override
    {
        return MessageBoxW(owner, text.c_str(), program_caption, flags);
    }

    INT_PTR run_dialog(dialog& dlg, HWND owner) override { return dlg.run_modal(owner); }

    bool pick_folder(HWND owner, const std::wstring& title, const std::wstring& start_folder,
                     std::wstring& chosen) override
    {
        win::com_scope com;
        win::com_ptr<IFileOpenDialog> picker;
        if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(picker.put()))))
            return false;
        FILEOPENDIALOGOPTIONS options = 0;
        picker->GetOptions(&options);
        picker->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_CREATEPROMPT |
                           FOS_DONTADDTORECENT);
        picker->SetTitle(title.c_str());
        win::com_ptr<IShellItem> start;
        if (!start_folder.empty() &&
            SUCCEEDED(SHCreateItemFromParsingName(start_folder.c_str(), nullptr, IID_PPV_ARGS(start.put()))))
            picker->SetFolder(start.get());
        if (picker->Show(owner) != S_OK)
            return false;
        win::com_ptr<IShellItem> result;
        if (FAILED(picker->GetResult(result.put())))
            return false;
        win::unique_cotaskmem<wchar_t> path;
        if (FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, path.put())) || !path.get())
            return false;
        chosen = path.get();
        return true;
    }

    bool choose_colour(HWND owner, COLORREF& colour) override
    {
        static COLORREF custom_colours[16] = {};
        CHOOSECOLORW choice{};
        choice.lStructSize = sizeof choice;
        choice.hwndOwner = owner;
        choice.rgbResult = colour;
        choice.lpCustColors = custom_colours;
        choice.Flags = CC_FULLOPEN | CC_RGBINIT;
        if (!ChooseColorW(&choice))
            return false;
        colour = choice.rgbResult;
        return true;
    }

    HINSTANCE start_program(HWND owner, const std::wstring& file) override
    {
        return ShellExecuteW(owner, nullptr, file.c_str(), L"", L"", SW_SHOW);
    }

    shell_outcome copy_items(const std::wstring& from, const std::wstring& to) override
    {
        return shell_operation(FO_COPY, from, &to);
    }

    shell_outcome delete_items(const std::wstring& from) override { return shell_operation(FO_DELETE, from, nullptr); }

private:
    // Each path in a zeroed buffer of its own with a second terminator: the shell's list format.
    static shell_outcome shell_operation(UINT function, const std::wstring& from, const std::wstring* to)
    {
        wchar_t from_list[shell_path_limit + 2] = {};
        wchar_t to_list[shell_path_limit + 2] = {};
        if (from.size() > shell_path_limit || (to && to->size() > shell_path_limit))
            return shell_outcome::failed;
        from.copy(from_list, from.size());
        if (to)
            to->copy(to_list, to->size());
        SHFILEOPSTRUCTW operation{};
        operation.wFunc = function;
        operation.pFrom = from_list;
        operation.pTo = to ? to_list : nullptr;
        operation.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
        const int status = SHFileOperationW(&operation);
        if (operation.fAnyOperationsAborted)
            return shell_outcome::aborted;
        return status == 0 ? shell_outcome::done : shell_outcome::failed;
    }
};

platform_seam g_platform;
modal_seam* g_installed = nullptr;

}  // namespace

modal_seam& modal()
{
    return g_installed ? *g_installed : g_platform;
}

modal_seam& platform_modal()
{
    return g_platform;
}

modal_seam* install_modal_seam(modal_seam* seam)
{
    modal_seam* previous = g_installed;
    g_installed = seam;
    return previous;
}

int message_box(const std::wstring& text, UINT flags)
{
    return modal().message_box(GetActiveWindow(), text, flags);
}

}  // namespace ui

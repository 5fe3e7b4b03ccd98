#include "ui/modal_seam.h"

namespace ui {
namespace {

constexpr wchar_t program_caption[] = L"ConfigurePLAXOR";

class platform_seam final : public modal_seam {
public:
    int message_box(HWND owner, const std::wstring& text, UINT flags) override
    {
        return MessageBoxW(owner, text.c_str(), program_caption, flags);
    }
};

platform_seam g_platform;
modal_seam* g_installed = nullptr;

}  // namespace

modal_seam& modal()
{
    return g_installed ? *g_installed : g_platform;
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

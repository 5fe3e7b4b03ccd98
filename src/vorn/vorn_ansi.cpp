#include "vorn/vorn_ansi.h"

#include <windows.h>

bool fits_ansi_code_page(std::wstring_view text)
{
    if (text.empty())
        return true;
    const int length = static_cast<int>(text.size());
    BOOL used_default = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &used_default);
    return size > 0 && !used_default;
}

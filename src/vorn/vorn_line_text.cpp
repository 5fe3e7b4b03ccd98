#include "vorn/vorn_line_text.h"

bool holds_control_character(std::wstring_view text)
{
    for (const wchar_t c : text)
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return true;
    return false;
}

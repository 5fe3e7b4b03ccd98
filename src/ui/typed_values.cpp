#include "ui/typed_values.h"

#include "ui/modal_seam.h"
#include "vorn/vorn_ansi.h"
#include "vorn/vorn_buffer.h"
#include "vorn/vorn_line_text.h"

namespace ui {

bool is_storable_line(const wchar_t* label, const std::wstring& value)
{
    if (!holds_control_character(value))
        return true;
    vorn_buffer text;
    text.format(L"The %ls cannot hold a line break or another control character!", label);
    message_box(text.str(), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool is_storable_password(const std::wstring& password)
{
    if (fits_ansi_code_page(password))
        return true;
    message_box(L"The password holds characters that this computer's ANSI code page cannot represent, so it "
                L"cannot be stored! Please choose a password without them.",
                MB_OK | MB_ICONEXCLAMATION);
    return false;
}

}  // namespace ui

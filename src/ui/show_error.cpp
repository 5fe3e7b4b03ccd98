#include "ui/show_error.h"

#include "ui/modal_seam.h"
#include "vorn/vorn_buffer.h"

#include <cstdarg>

void show_error(const wchar_t* format, ...)
{
    vorn_buffer text;
    va_list args;
    va_start(args, format);
    text.format_v(format, args);
    va_end(args);
    ui::message_box(text.str(), MB_OK | MB_ICONERROR);
}

bool show_failures(const win::outcome& result)
{
    for (const win::failure& each : result.failures())
        ui::message_box(each.text, each.flags);
    return static_cast<bool>(result);
}

#include "ui/show_error.h"

#include "ui/modal_seam.h"
#include "vorn/dbc_login.h"
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

void show_dbc_error(void* handle, const wchar_t* format, ...)
{
    vorn_buffer text;
    va_list args;
    va_start(args, format);
    text.format_v(format, args);
    va_end(args);
    wchar_t last_error[dbc_last_error_size] = {};
    text += dbc_LastError(handle, last_error, dbc_last_error_size);
    ui::message_box(text.str(), MB_OK | MB_ICONERROR);
}

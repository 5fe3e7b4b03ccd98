#include "connections/library_error.h"

#include "vorn/dbc_login.h"

std::wstring with_library_error(void* handle, const std::wstring& message)
{
    wchar_t last_error[dbc_last_error_size] = {};
    return message + dbc_LastError(handle, last_error, dbc_last_error_size);
}

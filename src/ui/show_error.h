#pragma once
// The program's error box: a printf-style message (%ls or %s for wide text) shown with only an
// OK button and the error icon. Operations that fail report through it and return false.

void show_error(const wchar_t* format, ...);

// As show_error, followed by the client library's last-error text for the login handle (null:
// the library's last failure without a handle).
void show_dbc_error(void* handle, const wchar_t* format, ...);

#pragma once
// The program's error box: a printf-style message (%ls or %s for wide text) shown with only an
// OK button and the error icon. Operations that fail report through it and return false.

void show_error(const wchar_t* format, ...);

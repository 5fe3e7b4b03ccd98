#pragma once
// The program's error box: a printf-style message (%ls or %s for wide text) shown with only an
// OK button and the error icon. Only the windows show boxes; below them failures come back as
// values, which show_failures turns into boxes.

#include "win/outcome.h"

void show_error(const wchar_t* format, ...);

// Shows each failure of the outcome at once, in its order, with its own flags; true when there
// was none.
bool show_failures(const win::outcome& result);

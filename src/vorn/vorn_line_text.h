#pragma once
// A value that goes into a line-oriented file (an INI file, a line of a log or of a command's
// output) must stay on its line: a line break in it would start a line of its own choosing, for
// example a "[section]" that the next reader takes for the real one.

#include <string_view>

// True when the text holds a C0 control character (tab, CR and LF among them), DEL or a C1
// control character: none of them belongs in a one-line value.
bool holds_control_character(std::wstring_view text);

#pragma once
// The name a definition takes from its file: the file name without folder and extension.

#include "vorn/vorn_buffer.h"

// "C:\f\abc_locator.ini" gives "abc_locator"; cut to 259 characters, the room a path component has.
vorn_buffer file_stem_of(const vorn_buffer& path);

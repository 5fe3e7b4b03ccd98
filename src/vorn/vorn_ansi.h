#pragma once
// Passwords are narrowed to the ANSI code page before they are enciphered, because the client
// deciphers them that way. A character the code page lacks would be narrowed to '?' and the
// stored password would silently differ from the one typed.

#include <string_view>

// True when every character of the text survives the round trip through the ANSI code page:
// none is replaced by the default character or by a "best fit" look-alike.
bool fits_ansi_code_page(std::wstring_view text);

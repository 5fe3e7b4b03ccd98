#pragma once
// UTF-8, the encoding of everything the library sends and receives over HTTP.

#include <string>

std::string to_utf8(const std::wstring& text);
// Invalid sequences become U+FFFD.
std::wstring from_utf8(const std::string& text);

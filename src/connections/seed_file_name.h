#pragma once
// A new definition's file is named after the server's seed: "<seed in lower case>_locator.ini"
// in the Instance Factory folder, and the client finds the definition again by that stem. The
// seed comes from the server, so it is checked before it names anything: a seed that cannot be
// that file's name, unaltered and inside the folder, is refused, never mended.

#include <string>
#include <string_view>

// Why the seed cannot name a definition's file in `folder` (which ends with a backslash); empty
// when it can. `path` then holds the file's path.
std::wstring seed_file_problem(const std::wstring& folder, std::wstring_view seed, std::wstring& path);

// The text as a box may show it: each control character written as \xHH, and a text longer than
// a box line cut with "...".
std::wstring shown_server_text(std::wstring_view text);

#pragma once
// The texts of an AutoCAD profile that need no registry: its support path and trusted paths as
// lists, and the number a release key stands for. Kept apart so that they can be checked on their
// own, outside the platform.

#include <string>
#include <vector>

namespace host {

// Splits at ";" as the end of each entry: "a;;b" gives a, (empty), b; "a;" gives a; "" gives none.
std::vector<std::wstring> split_path_list(const std::wstring& text);

// The entries joined with ";" between them.
std::wstring join_path_list(const std::vector<std::wstring>& list);

// The number after the "R" of a release key, read as the standard text-to-double conversion
// reads decimal text (0 when nothing can be read).
double release_number(const std::wstring& release_key);

}  // namespace host

#pragma once
// The working folders are settings that administrators also write by script and by hand, often
// without the trailing backslash that every path built on them relies on ("Factory" + "*" would
// also match "Factory Backup").

#include <string>

namespace host {

// The folder ending in exactly one backslash however many it was written with (none, as a
// script may set it, or two, as a picked drive root comes back), so "C:" and "C:\\" are "C:\".
// Empty stays empty: no folder is set, and nothing may read the current directory instead.
std::wstring with_one_backslash(const std::wstring& folder);

// The full path of this program's executable, however long; empty when it cannot be had.
std::wstring program_path();

// The folder of this program's executable with its trailing backslash: the client folder that
// connected profiles point to unless another is given, and where Portable.ini lies. Empty when
// the executable's path cannot be had.
std::wstring program_folder();

}  // namespace host

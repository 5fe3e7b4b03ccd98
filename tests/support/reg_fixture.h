#pragma once
// Builds registry content from text in the format regedit exports (version 5.00), so that a
// test shows the registry it sets up. Keys under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE land
// in whatever those hives are redirected to. Understood value forms: "text", dword:, hex:,
// hex(N): with continuation lines, and @ or "" for the default value; ';' starts a comment.
// The real AutoCAD profile exports kept with the tests lie in real-profiles beside the programs.

#include <filesystem>
#include <string>

namespace test {

void load_reg_text(const std::wstring& text);

// A regedit export on disk, UTF-16LE with a byte-order mark as regedit writes it: its text, for
// a fixture that moves the export's keys before it loads them, or loaded as it is.
std::wstring read_reg_file(const std::filesystem::path& file);
void load_reg_file(const std::filesystem::path& file);

}  // namespace test

#pragma once
// Builds registry content from text in the format regedit exports (version 5.00), so that a
// test shows the registry it sets up. Keys under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE land
// in whatever those hives are redirected to. Understood value forms: "text", dword:, hex:,
// hex(N): with continuation lines, and @ or "" for the default value; ';' starts a comment.

#include <filesystem>
#include <string>

namespace test {

void load_reg_text(const std::wstring& text);

// The text of a regedit export on disk: UTF-16LE with a byte-order mark, or UTF-8. Read apart
// from loading for a fixture that moves the export's keys before it loads them.
std::wstring read_reg_file(const std::filesystem::path& file);

void load_reg_file(const std::filesystem::path& file);

// Folder of the real AutoCAD profile exports kept with the tests.
std::filesystem::path real_profiles_folder();

}  // namespace test

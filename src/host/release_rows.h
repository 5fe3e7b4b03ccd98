#pragma once
// Releases beyond the built-in tables. An administrator may add rows in the program's settings
// ("AcadRelease1" to "AcadRelease20", each "R26.0|AutoCAD 2027|\A2027"), and a client
// installation that ships the release folder "\A" and the product's year makes that release
// connectable on its own. A built-in row always wins over both.

#include <string>
#include <vector>

namespace host {

struct release_row {
    std::wstring release;       // the release key, matched whole ("R26.0")
    std::wstring product_name;  // listed until the machine's "ProductName" replaces it
    std::wstring suffix;        // the release folder below the client folder ("\A2027")
};

// What discovery and connecting add to the built-in tables.
struct release_extensions {
    std::vector<release_row> rows;  // the administrator's, checked
    std::wstring client_folder;     // whose shipped release folders count; empty: none
};

constexpr int release_row_settings = 20;      // "AcadRelease1" to "AcadRelease20"
constexpr size_t max_release_key = 16;        // "R" and a decimal number
constexpr size_t max_row_product_name = 200;  // fits whole in the window's 256-character question
constexpr size_t max_row_suffix = 100;

// The row a setting's text describes, or the reason it is not one.
bool parse_release_row(const std::wstring& text, release_row& row, std::wstring& problem);

// The administrator's rows from the program's settings (Portable.ini, else the machine-wide
// registry key), read without a box: settings that cannot be read add no row. A malformed row,
// or one whose release an earlier row names, is left out; `ignored` receives a line for each.
std::vector<release_row> read_release_rows(std::vector<std::wstring>* ignored = nullptr);

// The row for the release key (matched whole, case counting), or null.
const release_row* find_release_row(const std::vector<release_row>& rows, const std::wstring& release);

// The year a product name carries ("AutoCAD 2027 - English" gives 2027): its last group of
// exactly four digits, or 0 when it has none.
int product_year(const std::wstring& product_name);

// The suffix a client installation names its release folder for that year by: "\A2027".
std::wstring year_suffix(int year);

// Whether client folder + suffix is a folder (the client folder with or without its backslash).
bool client_holds_folder(const std::wstring& client_folder, const std::wstring& suffix);

}  // namespace host

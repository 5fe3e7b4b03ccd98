// A profile's support path and trusted paths as lists, and the number of a release key. The
// input is a value's text in UTF-16. Split and joined again, a text comes back as it was (less a
// final ";", which ends the last entry); a list joined and split again comes back as it was (less
// a final empty entry). A release key reads as the standard conversion reads its decimal number.

#include "fuzz_support.h"

#include "host/acad_install.h"
#include "host/profile_text.h"

#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// What the standard conversion reads of the text when it reads a decimal number (and not a
// hexadecimal one, an infinity or a NaN, which release keys never are); nothing otherwise.
bool decimal_reading(const std::wstring& text, double& number)
{
    wchar_t* end = nullptr;
    number = std::wcstod(text.c_str(), &end);
    const std::wstring read(text.c_str(), static_cast<size_t>(end - text.c_str()));
    return end != text.c_str() && read.find_first_not_of(L"0123456789+-.eE \t\n\v\f\r") == std::wstring::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::wstring text = fuzz::utf16_text(data, size);

    const std::vector<std::wstring> entries = host::split_path_list(text);
    for (const std::wstring& entry : entries)
        fuzz::check(entry.find(L';') == std::wstring::npos, "an entry holds no separator");
    const std::wstring joined = host::join_path_list(entries);
    const std::wstring expected = !text.empty() && text.back() == L';' ? text.substr(0, text.size() - 1) : text;
    fuzz::check(joined == expected, "split then joined, a text comes back",
                fuzz::narrow_for_log(text) + " -> " + fuzz::narrow_for_log(joined));
    fuzz::check(host::split_path_list(joined) == entries || (!entries.empty() && entries.back().empty()),
                "a list joined then split comes back");

    // The text as a release key, and its NUL-free start as the conversion reads it.
    const double number = host::release_number(text);
    fuzz::check(!std::isnan(number), "a release key never reads as NaN");
    const std::wstring rest = text.size() > 1 ? text.substr(1) : std::wstring();
    double standard = 0;
    if (rest.find(L'\0') == std::wstring::npos && decimal_reading(rest, standard))
        fuzz::check(number == standard, "a release key reads as the standard conversion reads it",
                    fuzz::narrow_for_log(text));
    if (const wchar_t* name = host::product_name_for(number))
        fuzz::check(std::wstring(name).starts_with(L"AutoCAD 20"), "a known release has a product name");
    return 0;
}

#include "host/release_rows.h"

#include "host/settings_store.h"

#include <windows.h>

#include <algorithm>

namespace host {
namespace {

constexpr wchar_t field_separator = L'|';
constexpr size_t max_row_text = max_release_key + max_row_product_name + max_row_suffix + 2;

bool is_digit(wchar_t ch) { return ch >= L'0' && ch <= L'9'; }

// "R", digits, and at most one decimal part: what discovery lists and the suffix table names.
bool is_release_key(const std::wstring& key)
{
    if (key.size() < 2 || key.size() > max_release_key || key[0] != L'R' || !is_digit(key[1]))
        return false;
    const size_t dot = key.find(L'.');
    const auto digits = [&](size_t from, size_t to) {
        return from < to && std::all_of(key.begin() + from, key.begin() + to, is_digit);
    };
    return dot == std::wstring::npos ? digits(1, key.size()) : digits(1, dot) && digits(dot + 1, key.size());
}

// A folder below the client folder: "\" and names, none empty, "." or "..", and nothing that
// would break a ";" path list or leave the client folder.
bool is_suffix(const std::wstring& suffix)
{
    if (suffix.size() < 2 || suffix.size() > max_row_suffix || suffix[0] != L'\\' || suffix.back() == L'\\')
        return false;
    if (suffix.find_first_of(L";/:*?\"<>|") != std::wstring::npos || suffix.find(L"\\\\") != std::wstring::npos)
        return false;
    if (std::any_of(suffix.begin(), suffix.end(), [](wchar_t ch) { return ch < 0x20; }))
        return false;
    const std::wstring names = suffix + L"\\";
    return names.find(L"\\.\\") == std::wstring::npos && names.find(L"\\..\\") == std::wstring::npos;
}

}  // namespace

bool parse_release_row(const std::wstring& text, release_row& row, std::wstring& problem)
{
    if (text.size() > max_row_text) {
        problem = L"longer than " + std::to_wstring(max_row_text) + L" characters";
        return false;
    }
    const size_t first = text.find(field_separator);
    const size_t second = first == std::wstring::npos ? first : text.find(field_separator, first + 1);
    if (second == std::wstring::npos || text.find(field_separator, second + 1) != std::wstring::npos) {
        problem = L"not three fields \"release|product name|suffix\"";
        return false;
    }
    release_row read{text.substr(0, first), text.substr(first + 1, second - first - 1), text.substr(second + 1)};
    if (!is_release_key(read.release))
        problem = L"\"" + read.release + L"\" is no release key such as R26.0";
    else if (read.product_name.empty() || read.product_name.size() > max_row_product_name)
        problem = L"the product name is empty or longer than " + std::to_wstring(max_row_product_name) + L" characters";
    else if (!is_suffix(read.suffix))
        problem = L"the suffix is no folder name such as \\A2027";
    if (!problem.empty())
        return false;
    row = std::move(read);
    return true;
}

std::vector<release_row> read_release_rows(std::vector<std::wstring>* ignored)
{
    std::vector<release_row> rows;
    for (int number = 1; number <= release_row_settings; ++number) {
        const std::wstring name = release_row_setting(number);
        std::wstring text;
        if (!read_optional_setting(name.c_str(), text, true) || text.empty())
            continue;
        release_row row;
        std::wstring problem;
        if (parse_release_row(text, row, problem) && find_release_row(rows, row.release))
            problem = row.release + L" has a row already";
        if (problem.empty())
            rows.push_back(std::move(row));
        else if (ignored)
            ignored->push_back(name + L" is ignored: " + problem);
    }
    return rows;
}

const release_row* find_release_row(const std::vector<release_row>& rows, const std::wstring& release)
{
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const release_row& r) { return r.release == release; });
    return row == rows.end() ? nullptr : &*row;
}

int product_year(const std::wstring& product_name)
{
    int year = 0;
    for (size_t at = 0; at < product_name.size();) {
        size_t end = at;
        while (end < product_name.size() && is_digit(product_name[end]))
            ++end;
        if (end - at == 4)
            year = std::stoi(product_name.substr(at, 4));
        at = end == at ? at + 1 : end;
    }
    return year;
}

std::wstring year_suffix(int year) { return L"\\A" + std::to_wstring(year); }

bool client_holds_folder(const std::wstring& client_folder, const std::wstring& suffix)
{
    if (client_folder.empty() || suffix.empty())
        return false;
    std::wstring folder = client_folder;
    if (folder.back() == L'\\')
        folder.pop_back();
    folder += suffix;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace host

#include "vorn/vorn_curl_debug.h"

#include "vorn/vorn_curl.h"
#include "vorn/vorn_utf8.h"

#include <vector>

namespace {

// A 1 MiB answer would make the console crawl: what is shown of a body stops here.
constexpr size_t shown_data_limit = 64 * 1024;

// The log marks each line with its kind the way curl's verbose output does.
const wchar_t* line_marker(int kind)
{
    switch (kind) {
    case vorn_debug_header_in: return L"< ";
    case vorn_debug_header_out: return L"> ";
    case vorn_debug_data_in: return L"{ ";
    case vorn_debug_data_out: return L"} ";
    default: return L"* ";
    }
}

std::vector<std::wstring> split_lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n')
            ++end;
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty())  // a header block ends with an empty line
        lines.pop_back();
    return lines;
}

}  // namespace

bool vorn_debug_wanted()
{
    return vorn_cURL::m_target || vorn_cURL::m_debug_stream;
}

void vorn_debug(int kind, const std::wstring& text)
{
    if (!vorn_debug_wanted())
        return;
    std::wstring shown = text;
    if (shown.size() > shown_data_limit)
        shown = shown.substr(0, shown_data_limit) + L"\n[" +
                std::to_wstring(text.size() - shown_data_limit) + L" more characters not shown]";
    const std::vector<std::wstring> lines = split_lines(shown);

    if (vorn_cURL::m_target) {
        std::wstring piece;
        for (const std::wstring& line : lines)
            piece += line + L"\r\n";
        if (piece.empty())
            piece = L"\r\n";
        vorn_cURL::m_target->debug_output(kind, piece.c_str());
    }
    if (FILE* stream = vorn_cURL::m_debug_stream) {
        // The stream is open in text mode: '\n' becomes the platform's line end.
        std::string piece;
        for (const std::wstring& line : lines)
            piece += to_utf8(line_marker(kind) + line) + "\n";
        fputs(piece.c_str(), stream);
        fflush(stream);  // readable at once, and complete should the program end abruptly
    }
}

// Appending login traces to the cURL console: 500 debug lines (a dozen test logins) through the
// library's debug target, against the same lines appended bare to a rich edit of the console's
// size with the same messages, character formats and raised text limit (the floor: the console
// keeps every line, so the floor must too). Under Wine an append costs more the more text the rich
// edit holds, tens of milliseconds a line after a few hundred, so three rounds take minutes.

#include "bench_timing.h"
#include "dialogs/curl_console.h"
#include "dialogs/curl_console_ids.h"
#include "support/temp_folder.h"
#include "vorn/vorn_curl.h"

#include <windows.h>

#include <richedit.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int line_count = 500;

// One exchange of a test login as the transport reports it, kind by kind.
const std::vector<std::pair<int, std::wstring>> trace = {
    {vorn_debug_info, L"Connecting to localhost port 8080\r\n"},
    {vorn_debug_header_out, L"POST /drawing_management/dbclient.php HTTP/1.1\r\n"},
    {vorn_debug_header_out, L"Host: localhost:8080\r\n"},
    {vorn_debug_header_out, L"Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"},
    {vorn_debug_data_out, L"action=login&user=tester&password=****&remember=1&read_size=16384\r\n"},
    {vorn_debug_header_in, L"HTTP/1.1 200 OK\r\n"},
    {vorn_debug_header_in, L"Content-Type: application/json\r\n"},
    {vorn_debug_header_in, L"Set-Cookie: ****\r\n"},
    {vorn_debug_data_in, L"{\"status\":\"ok\",\"vars\":{\"PLX2_SEED\":{\"int\":0,\"text\":\"LAB\"}}}\r\n"},
    {vorn_debug_info, L"Connection left open for the next request\r\n"},
};

// The console's own steps, without the console.
void append_bare(HWND view, int kind, const wchar_t* text)
{
    static const COLORREF colours[] = {RGB(0, 0, 0), RGB(0, 128, 0), RGB(0, 0, 255), RGB(255, 0, 0)};
    CHARFORMATW format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_OFFSET;
    format.yHeight = 160;
    wcscpy_s(format.szFaceName, L"Courier New");
    CHARRANGE end{-1, -1};
    SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    if (!SendMessageW(view, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)))
        return;
    SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    format.crTextColor = kind >= 0 && kind < 4 ? colours[kind] : RGB(0, 0, 0);
    if (!SendMessageW(view, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)))
        return;
    SendMessageW(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    SendMessageW(view, EM_LINESCROLL, 0, 1);
}

int text_length(HWND view)
{
    return static_cast<int>(SendMessageW(view, WM_GETTEXTLENGTH, 0, 0));
}

}  // namespace

int main()
{
    LoadLibraryW(L"riched20.dll");
    test::temp_folder appdata;  // the console's log and place
    SetEnvironmentVariableW(L"APPDATA", appdata.path().c_str());
    CreateDirectoryW((appdata.path() / L"VORN").c_str(), nullptr);
    CreateDirectoryW((appdata.path() / L"VORN" / L"PLAXOR").c_str(), nullptr);

    cURL_console* console = nullptr;
    HWND bare_window = nullptr;
    HWND bare_view = nullptr;
    int console_length = 0;
    const auto times = bench::time_rounds(
        0, 3, bench::order::taking_turns,
        {{[&] {
              console = new cURL_console(nullptr);
              if (!console->create_modeless(nullptr) || !vorn_cURL::m_target) {
                  std::fprintf(stderr, "the console did not open\n");
                  std::exit(1);
              }
              ShowWindow(console->hwnd(), SW_SHOW);
              for (int i = 0; i < line_count; ++i) {
                  const auto& [kind, text] = trace[static_cast<size_t>(i) % trace.size()];
                  vorn_cURL::m_target->debug_output(kind, text.c_str());
              }
          },
          [&] {
              console_length = text_length(GetDlgItem(console->hwnd(), IDC_CONSOLE_TEXT));
              console->destroy_window();  // deletes the console
              return console_length > 0;
          }},
         {[&] {
              bare_window = CreateWindowExW(0, L"STATIC", L"floor", WS_POPUP | WS_VISIBLE, 0, 0, 480, 640, nullptr,
                                            nullptr, nullptr, nullptr);
              bare_view = CreateWindowExW(0, L"RichEdit20W", L"",
                                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_BORDER | ES_MULTILINE |
                                              ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                                          10, 200, 460, 400, bare_window, nullptr, nullptr, nullptr);
              SendMessageW(bare_view, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);  // as the console does
              for (int i = 0; i < line_count; ++i) {
                  const auto& [kind, text] = trace[static_cast<size_t>(i) % trace.size()];
                  append_bare(bare_view, kind, text.c_str());
              }
          },
          [&] {
              const int bare_length = text_length(bare_view);
              DestroyWindow(bare_window);
              return bare_length == console_length;
          }}});
    if (!times) {
        std::fprintf(stderr, "the console or the floor did not take the whole trace\n");
        return 1;
    }
    const double console_ms = bench::median((*times)[0]);
    const double floor_ms = bench::median((*times)[1]);
    bench::print_milliseconds("console_append_500_lines", console_ms, 1);
    bench::print_milliseconds("console_append_floor_bare_rich_edit", floor_ms, 1);
    bench::print_ratio("console_append_ratio_to_floor", console_ms / floor_ms);
    return 0;
}

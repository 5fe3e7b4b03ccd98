// plaxorcfg.exe: the console program around plaxorcfg_main. A console shows the text as it is;
// a file or pipe, which fleet tools read, receives UTF-8 without a byte-order mark and CR LF line
// ends.

#include "cli/plaxorcfg.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

class handle_sink final : public cli::text_sink {
public:
    explicit handle_sink(DWORD which) : m_handle(GetStdHandle(which))
    {
        DWORD mode = 0;
        m_console = GetConsoleMode(m_handle, &mode) != FALSE;
    }

    void write(const std::wstring& text) override
    {
        std::wstring lines;
        for (const wchar_t ch : text)
            lines += ch == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, ch);
        DWORD written = 0;
        if (m_console) {
            WriteConsoleW(m_handle, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
            return;
        }
        const int size = WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), nullptr, 0,
                                             nullptr, nullptr);
        std::string bytes(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), bytes.data(), size, nullptr,
                            nullptr);
        WriteFile(m_handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

private:
    HANDLE m_handle;
    bool m_console = false;
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    handle_sink out(STD_OUTPUT_HANDLE);
    handle_sink err(STD_ERROR_HANDLE);
    return cli::plaxorcfg_main(std::vector<std::wstring>(argv + 1, argv + argc), out, err);
}

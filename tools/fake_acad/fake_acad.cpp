// A stand-in for AutoCAD's acad.exe in tests and the demo workstation: it carries an icon for
// the Installed CAD list and, when started, stays running for the given number of seconds
// (default 60) so that running-AutoCAD detection can see it.
#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int)
{
    long seconds = 60;
    if (command_line && *command_line)
        seconds = std::wcstol(command_line, nullptr, 10);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    return 0;
}

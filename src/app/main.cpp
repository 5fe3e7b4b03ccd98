// The program's entry point. The main window arrives with the application object; until then the
// program starts and ends at once, and serves as the module that exports the connection classes.

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return 0;
}

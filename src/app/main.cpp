// The program's entry point: it takes no arguments and runs the application object.

#include "app/configure_plaxor_app.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    theApp.InitInstance();
    return 0;
}

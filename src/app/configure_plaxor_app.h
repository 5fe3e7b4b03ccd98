#pragma once
// The application object: prepares the user-interface libraries, runs the main window
// modally and ends when it closes. It carries the program's two error routines.

class CConfigurePLAXORApp {
public:
    // The start-up sequence. False: the program ends as soon as the main window has closed.
    bool InitInstance();

    // A printf-style message (%ls or %s for wide text) in an OK box with the error icon.
    void show_error(const wchar_t* format, ...) const;
    // As show_error, followed by the client library's last-error text for the login handle
    // (null: the library's last failure without a handle).
    void show_dbc_error(void* handle, const wchar_t* format, ...) const;
};

extern CConfigurePLAXORApp theApp;

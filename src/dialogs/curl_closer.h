#pragma once
// How the cURL console tells its owner that it has closed: called once, after the console's
// window has been destroyed and just before the console deletes itself.

class cURL_console;

class cURL_closer {
public:
    virtual void on_console_closed(cURL_console* console) = 0;

protected:
    ~cURL_closer() = default;
};

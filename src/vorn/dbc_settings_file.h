#pragma once
// Where the client library keeps its own settings: %APPDATA%\VORN\PLAXOR\dbclient.ini.

// Writes the path of the settings file into the buffer of `size` wide characters. Non-zero on
// success; 0 with an empty buffer (when it has room for the terminator) when the user's
// application-data folder is unknown or the path does not fit.
int dbc_getIniFilePath(wchar_t* buffer, int size);

// Creates the folders of the settings file when they are missing. Non-zero when they exist.
int dbc_createIniFolder();

#pragma once
// The server variables a login brings, by name.

#include <map>
#include <string>

struct dbc_server_var {
    long int_value = 0;
    std::wstring text;
};

using dbc_server_vars = std::map<std::wstring, dbc_server_var>;

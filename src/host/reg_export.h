#pragma once
// Values of the current user's keys in the text of a regedit export (version 5.00), and that
// text read back: the form a restore point takes, so that the platform's own `reg import` (or a
// double-click in Explorer) puts the values back without this program.

#include "host/registry.h"

#include <string>
#include <vector>

namespace host {

struct exported_value {
    std::wstring key_path;  // under HKEY_CURRENT_USER
    std::wstring name;      // empty: the key's default value
    stored_value value;     // one that did not exist is deleted by the import
};

// The export's text, CR LF line ends, without the byte-order mark the file starts with. Each
// `comment` line follows the header as a ";" line. A plain text value is written as a quoted
// string; one that a quoted string would not give back byte for byte, and every expandable
// string (hex(2)), as hexadecimal bytes.
std::wstring reg_export_text(const std::vector<exported_value>& values, const std::vector<std::wstring>& comments);

// Whether the export's lines can hold the value's key path and name: a line end in either would
// cut its line, and the text would read back as other values or not at all.
bool can_export(const exported_value& entry);

// Reads text in the form reg_export_text writes, for keys under HKEY_CURRENT_USER only. False
// with `error` naming the first line that cannot be read.
bool parse_reg_export(const std::wstring& text, std::vector<exported_value>& values, std::wstring& error);

}  // namespace host

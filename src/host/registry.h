#pragma once
// The registry rules that settings, AutoCAD discovery, profile connection and restore points
// share: error texts, how a key is opened and a failure reported, finding a value by name,
// writing text, and reading a value whole and putting it back. Nothing here creates or deletes a
// key; a value is deleted only by write_stored_value, when the value put back did not exist.

#include "win/outcome.h"
#include "win/unique_handle.h"
#include "vorn/vorn_buffer.h"

#include <windows.h>

#include <string>
#include <vector>

namespace host {

constexpr int registry_error_size = 512;  // wide characters, terminator included
using registry_error_text = wchar_t[registry_error_size];

constexpr REGSAM read_access = KEY_READ;         // 0x20019
constexpr REGSAM write_access = KEY_ALL_ACCESS;  // 0xF003F

// Registry types that carry text: REG_SZ, REG_EXPAND_SZ, and the numbers past the known types.
bool is_text_type(DWORD type);

// "HKEY_CURRENT_USER" for that hive, "HKEY_LOCAL_MACHINE" for any other.
const wchar_t* hive_name(HKEY hive);

// The text for a failed registry call; empty for status 0 or a status the system has no text for.
// A missing subkey reads as "(null)".
void format_registry_error(LONG status, registry_error_text& text, HKEY hive, const wchar_t* subkey);

// The failure with the format_registry_error text, shown in an OK box with the error icon.
win::outcome registry_failure(LONG status, HKEY hive, const wchar_t* subkey);

// RegOpenKeyExW with options 0; the key is set only on success.
LONG open_key(HKEY hive, const std::wstring& path, REGSAM access, win::unique_hkey& key);

// open_key whose failure is the registry_failure naming `named_hive` and the path.
win::outcome open_key_or_fail(HKEY hive, const std::wstring& path, REGSAM access, win::unique_hkey& key,
                              HKEY named_hive);

// Finds a value by its exact name (case counting; empty names the default value). When `data`
// is given and the value is text, it receives the text; values of other types leave it alone.
// A value found that cannot be read (longer than 4,096 bytes) gives false, and its
// registry_failure goes to `unread` when given.
bool find_registry_value(HKEY key, const wchar_t* name, vorn_buffer* data, win::outcome* unread = nullptr);

// Writes the text with its terminating NUL counted, as REG_SZ unless another text type is given.
win::outcome set_string_value(HKEY key, const wchar_t* name, const wchar_t* value, DWORD type = REG_SZ);

// A value exactly as the registry stores it, or the fact that there is none.
struct stored_value {
    bool exists = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    bool operator==(const stored_value&) const = default;
};

// The value the registry's own lookup finds by that name (case ignored, as for a write of that
// name), whole. ERROR_SUCCESS with `exists` false when there is none; `value` is set only on
// success.
LONG read_stored_value(HKEY key, const wchar_t* name, stored_value& value);

// Puts the value back as it was: its bytes and type, or no value at all when it did not exist.
LONG write_stored_value(HKEY key, const wchar_t* name, const stored_value& value);

// The text of a value of a text type, up to its first NUL.
std::wstring stored_text(const stored_value& value);

}  // namespace host

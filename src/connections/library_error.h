#pragma once
// How a failure of the client library is told: the message, then the library's own text.

#include <string>

// The message followed by the library's last-error text for the login handle (null: the
// library's last failure without a handle).
std::wstring with_library_error(void* handle, const std::wstring& message);

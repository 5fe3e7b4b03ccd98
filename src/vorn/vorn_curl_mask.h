#pragma once
// Hides credentials in the transport's debug output. What the exchange shows of itself goes
// to a window and a log file that users copy into support mails, so no password, logon token
// or session cookie may stay readable there.

#include <string>

// The text that stands for a hidden value.
constexpr wchar_t vorn_mask[] = L"****";

// A block of header lines ("Name: value", any line ends): Authorization and
// Proxy-Authorization keep their scheme name only (when it is a known one); Cookie and Set-Cookie
// lose their value; lines folded onto a hidden value (beginning with a blank) go as well.
std::wstring mask_header_lines(const std::wstring& headers);

// A request or answer body: in a form (name=value&...) the value of every field whose name speaks
// of a password; in JSON (a body that begins with '{' or '[') the value of every such member.
std::wstring mask_body(const std::wstring& body);

// A proxy address as it may be shown: a user-info part ("user:password@" before the host, with
// or without a scheme in front) is replaced by the mask, so "http://pat:pw@proxy:3128" shows as
// "http://****@proxy:3128".
std::wstring mask_proxy_user_info(const std::wstring& proxy);

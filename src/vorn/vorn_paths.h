#pragma once
// Path and text helpers of the client library. They work in place on terminated
// wide-character buffers, never beyond the length the caller gives.

// Non-zero when a file (not a folder) exists at the path.
int fileExists(const wchar_t* path);

// Position (from 0) of the first `ch` among the first `length` characters; -1 when none.
int findFirstTime(const wchar_t* text, wchar_t ch, int length);

// Ends the text before its last `ch` (keep_delimiter 0) or just after it (non-zero);
// a text without `ch` is left as it is.
void removeLast(wchar_t* text, wchar_t ch, int keep_delimiter);

// Replaces each `from` by `to` among the first `length` characters, stopping at the terminator.
void changeDelimiters(wchar_t* text, wchar_t from, wchar_t to, int length);

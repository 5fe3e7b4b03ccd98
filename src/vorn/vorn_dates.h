#pragma once
// Dates of the client library: the ODBC date-and-time record, its stored text (which reads back
// exactly and does not depend on the user's locale) and its shown text (the user's own short
// date and time). A year of 0 means "no date".

#include <windows.h>

#include <sql.h>
#include <sqltypes.h>

constexpr int dbc_date_style_stored = 3;  // "2024-03-07 14:05:09", a fraction appended when set
constexpr int dbc_date_style_shown = 101; // the user's short date and time

// Writes the date in the given style into the buffer of `size` wide characters. Non-zero on
// success; a date that is not a real one (year 0 included), an unknown style or a buffer too
// small leave the buffer empty (when it has room for the terminator) and give 0.
int dbc_formatDate(const TIMESTAMP_STRUCT* date, wchar_t* buffer, int size, int style);

// Reads text in the stored form into the date. Non-zero on success; any other text leaves the
// date all zeros and gives 0.
int dbc_assignDate(const wchar_t* text, TIMESTAMP_STRUCT* date);

// The local time now.
void dbc_getTimeNow(TIMESTAMP_STRUCT* date);

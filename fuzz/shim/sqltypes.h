#pragma once
// ODBC's integer types and date-and-time record, as the fuzzed date code names them.
#include <cstdint>

using SQLSMALLINT = std::int16_t;
using SQLUSMALLINT = std::uint16_t;
using SQLUINTEGER = std::uint32_t;

struct TIMESTAMP_STRUCT {
    SQLSMALLINT year;
    SQLUSMALLINT month;
    SQLUSMALLINT day;
    SQLUSMALLINT hour;
    SQLUSMALLINT minute;
    SQLUSMALLINT second;
    SQLUINTEGER fraction;
};

#pragma once
// The ODBC date-and-time record, as the fuzzed date code names it (see windows.h here).
#include "sqltypes.h"

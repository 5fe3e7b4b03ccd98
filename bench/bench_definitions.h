#pragma once
// Connection definitions as benchmarks write them into an Instance Factory folder; the bare calls
// of the set's rebuild reading them, which a benchmark takes as its floor, come with them.

#include "bench_profile_calls.h"

#include <string>

namespace bench {

// `count` definitions "site<i>_locator.ini", written by the program itself: every HTTP key set,
// both passwords enciphered.
void write_definitions(const std::wstring& folder, int count);

}  // namespace bench

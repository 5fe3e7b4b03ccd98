#pragma once
// Takes the transport's debug output down as the console would receive it, with the kind of
// each piece.

#include "vorn/vorn_curl.h"

#include <string>
#include <vector>

namespace test {

struct debug_recorder : vorn_cURL_debug_target {
    std::vector<int> kinds;
    std::wstring text;
    void debug_output(int kind, const wchar_t* piece) override
    {
        kinds.push_back(kind);
        text += piece;
    }
};

}  // namespace test

#pragma once
// Hands the pieces of an exchange to vorn_cURL::m_target and vorn_cURL::m_debug_stream.
// Callers mask credentials first (vorn_curl_mask.h).

#include <string>

// True while anything listens, so that callers can skip building texts nobody reads.
bool vorn_debug_wanted();

// One piece of the given kind (vorn_cURL_debug_kind); its lines may end in any way.
void vorn_debug(int kind, const std::wstring& text);

// The two settings of the transport that its debug output reads; the rest of vorn_cURL (the
// settings file, WinHTTP) is not part of the Linux build.
#include "vorn/vorn_curl.h"

vorn_cURL_debug_target* vorn_cURL::m_target = nullptr;
FILE* vorn_cURL::m_debug_stream = nullptr;

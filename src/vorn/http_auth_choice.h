#pragma once
// Which HTTP authentication scheme answers a server's or proxy's challenge. The schemes are
// WinHTTP's WINHTTP_AUTH_SCHEME_* bits; the server's choice is limited by a libcurl CURLAUTH_*
// mask (vorn_cURL::m_httpAuth).

#include <string>

// The strongest of the offered schemes that the mask allows (Negotiate, NTLM, Digest, Basic,
// in that order), or 0 when it allows none. DIGEST_IE counts as Digest and NTLM_WB as NTLM;
// CURLAUTH_ONLY chooses nothing by itself.
unsigned long choose_server_auth_scheme(long curl_mask, unsigned long offered_schemes);

// The strongest offered scheme for a proxy: the proxy credentials have no mask of their own.
unsigned long choose_proxy_auth_scheme(unsigned long offered_schemes);

// The scheme's name as HTTP writes it; the offered schemes as "Basic, Digest" for texts.
std::wstring auth_scheme_name(unsigned long scheme);
std::wstring auth_scheme_names(unsigned long schemes);

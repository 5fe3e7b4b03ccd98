#include "vorn/http_auth_choice.h"

#include "vorn/vorn_curl.h"

#include <windows.h>

#include <winhttp.h>

namespace {

struct scheme_rule {
    unsigned long scheme;
    unsigned long curl_bits;  // any of them allows the scheme
    const wchar_t* name;
};

// Strongest first.
constexpr scheme_rule rules[] = {
    {WINHTTP_AUTH_SCHEME_NEGOTIATE, vorn_auth_negotiate, L"Negotiate"},
    {WINHTTP_AUTH_SCHEME_NTLM, vorn_auth_ntlm | vorn_auth_ntlm_wb, L"NTLM"},
    {WINHTTP_AUTH_SCHEME_DIGEST, vorn_auth_digest | vorn_auth_digest_ie, L"Digest"},
    {WINHTTP_AUTH_SCHEME_BASIC, vorn_auth_basic, L"Basic"},
};

}  // namespace

unsigned long choose_server_auth_scheme(long curl_mask, unsigned long offered_schemes)
{
    const unsigned long mask = static_cast<unsigned long>(curl_mask);
    for (const scheme_rule& rule : rules)
        if ((offered_schemes & rule.scheme) && (mask & rule.curl_bits))
            return rule.scheme;
    return 0;
}

unsigned long choose_proxy_auth_scheme(unsigned long offered_schemes)
{
    for (const scheme_rule& rule : rules)
        if (offered_schemes & rule.scheme)
            return rule.scheme;
    return 0;
}

std::wstring auth_scheme_name(unsigned long scheme)
{
    for (const scheme_rule& rule : rules)
        if (scheme == rule.scheme)
            return rule.name;
    return L"scheme " + std::to_wstring(scheme);
}

std::wstring auth_scheme_names(unsigned long schemes)
{
    std::wstring names;
    for (const scheme_rule& rule : rules)
        if (schemes & rule.scheme)
            names += (names.empty() ? L"" : L", ") + std::wstring(rule.name);
    return names.empty() ? L"none" : names;
}

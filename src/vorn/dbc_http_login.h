#pragma once
// An HTTP login: the gateway's login POST with the user details of
// dbc_connect_set_userdetails, and its answer.

#include "vorn/dbc_server_vars.h"

#include <string>

struct http_login_target {
    std::wstring host;
    std::wstring process;  // the gateway's path; '/' is put in front when missing
    long port = 0;
    long read_size = 0;
    bool ssl = false;
    long timeout = 0;  // seconds; 0: the transport's setting
};

struct http_login_result {
    dbc_server_vars vars;
    unsigned long status = 0;
    std::wstring url;
};

void set_http_user_details(const wchar_t* user, const wchar_t* password, bool remember,
                           const wchar_t* server_user, const wchar_t* server_password,
                           bool server_remember);

// True with the server variables; false with the text to report.
bool http_login(const http_login_target& target, http_login_result& result, std::wstring& error);

// The form body of the login (UTF-8, URL-encoded); exposed for the tests and the benchmark.
std::string login_form_body(const std::wstring& user, const std::wstring& password, bool remember,
                            long read_size);

#pragma once
// The gateway's answer to a login: HTTP 200 with
//   {"status":"ok","vars":{"PLX2_SEED":{"int":0,"text":"acme"}, ...}}
// or, with any status, {"status":"error","message":"..."}.

#include "vorn/dbc_server_vars.h"

#include <string>

// True with the variables of an "ok" answer; false with the text to report: the gateway's
// own message, "HTTP <code> <reason>" for another status, or what is wrong with the body.
bool read_login_answer(unsigned long status, const std::wstring& reason, const std::string& body,
                       dbc_server_vars& vars, std::wstring& error);

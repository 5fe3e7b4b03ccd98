#pragma once
// The gateway's answer to a login: HTTP 200 with
//   {"status":"ok","vars":{"PLX2_SEED":{"int":0,"text":"acme"}, ...}}
// or, with any status, {"status":"error","message":"..."}.

#include "vorn/dbc_server_vars.h"

#include <string>

// True with the variables of an "ok" answer; false with the text to report: the gateway's
// own message, "HTTP <code> <reason>" for another status, or what is wrong with the body.
// An answer with a control character in a variable's name or text is refused (see below).
bool read_login_answer(unsigned long status, const std::wstring& reason, const std::string& body,
                       dbc_server_vars& vars, std::wstring& error);

// False with the text to report when the variable's name or text holds a line break or another
// control character. The program stores the server's texts in one-line values (the seed names
// a definition's file and is written into it), and a line break there would start a line of the
// server's choosing; a server that sends one is broken or hostile, so the whole login is
// refused rather than a text stored that the server never sent.
bool check_server_var(const std::wstring& name, const dbc_server_var& var, std::wstring& error);

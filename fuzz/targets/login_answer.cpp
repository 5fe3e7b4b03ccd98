// The gateway's answer to a login. The input is the answer's body; a first line of three digits
// gives another HTTP status than 200. Read, written back in the gateway's own form and read again,
// an accepted answer gives the same variables, none of whose names or texts holds a control
// character; a refused one gives a reason and no variables.

#include "fuzz_support.h"

#include "vorn/dbc_login_answer.h"
#include "vorn/vorn_line_text.h"
#include "vorn/vorn_utf8.h"

#include <nlohmann/json.hpp>

#include <string>

namespace {

std::string gateway_answer(const dbc_server_vars& vars)
{
    nlohmann::json answer = {{"status", "ok"}, {"vars", nlohmann::json::object()}};
    for (const auto& [name, var] : vars)
        answer["vars"][to_utf8(name)] = {{"int", var.int_value}, {"text", to_utf8(var.text)}};
    return answer.dump();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string body(reinterpret_cast<const char*>(data), size);
    unsigned long status = 200;
    if (body.size() >= 4 && body[3] == '\n' && std::isdigit(static_cast<unsigned char>(body[0])) &&
        std::isdigit(static_cast<unsigned char>(body[1])) && std::isdigit(static_cast<unsigned char>(body[2]))) {
        status = std::stoul(body.substr(0, 3));
        body.erase(0, 4);
    }
    dbc_server_vars vars;
    std::wstring error;
    const bool read = read_login_answer(status, L"Reason", body, vars, error);
    if (!read) {
        fuzz::check(vars.empty() && !error.empty(), "a refused answer gives a reason and no variables");
        return 0;
    }
    for (const auto& [name, var] : vars)
        fuzz::check(!holds_control_character(name) && !holds_control_character(var.text),
                    "an accepted answer holds no control character", fuzz::narrow_for_log(name));
    dbc_server_vars again;
    std::wstring again_error;
    const std::string written = gateway_answer(vars);
    fuzz::check(read_login_answer(200, L"OK", written, again, again_error) && again.size() == vars.size(),
                "the variables written back read again", written + "\n" + fuzz::narrow_for_log(again_error));
    for (const auto& [name, var] : vars) {
        const auto found = again.find(name);
        fuzz::check(found != again.end() && found->second.int_value == var.int_value && found->second.text == var.text,
                    "a variable written back reads as it was", fuzz::narrow_for_log(name) + "\n" + written);
    }
    return 0;
}

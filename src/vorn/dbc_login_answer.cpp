#include "vorn/dbc_login_answer.h"

#include "vorn/vorn_line_text.h"
#include "vorn/vorn_utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>

namespace {

using json = nlohmann::json;

// Parsed without exceptions: a body that is not JSON comes back "discarded".
json parse(const std::string& body)
{
    return json::parse(body, nullptr, /*allow_exceptions=*/false);
}

std::wstring text_of(const json& value)
{
    return from_utf8(value.get_ref<const std::string&>());
}

bool is_error_answer(const json& answer)
{
    if (!answer.is_object())
        return false;
    const auto status = answer.find("status");
    return status != answer.end() && status->is_string() && status->get_ref<const std::string&>() == "error";
}


bool fail(std::wstring& error, const std::wstring& text)
{
    error = text;
    return false;
}

bool read_var(const std::string& name, const json& value, dbc_server_vars& vars, std::wstring& error)
{
    const std::wstring wide_name = from_utf8(name);
    const std::wstring bad = L"The server's answer is malformed: the variable " + wide_name +
                             L" is not an object of an integer \"int\" and a text \"text\"";
    if (!value.is_object())
        return fail(error, bad);
    dbc_server_var var;
    if (const auto number = value.find("int"); number != value.end()) {
        if (!number->is_number_integer())
            return fail(error, bad);
        const long long wide = number->is_number_unsigned()
                                   ? static_cast<long long>(std::min<unsigned long long>(number->get<unsigned long long>(), std::numeric_limits<long long>::max()))
                                   : number->get<long long>();
        if (wide < std::numeric_limits<long>::min() || wide > std::numeric_limits<long>::max())
            return fail(error, L"The server's answer is malformed: the integer of " + wide_name + L" is out of range");
        var.int_value = static_cast<long>(wide);
    }
    if (const auto text = value.find("text"); text != value.end()) {
        if (!text->is_string())
            return fail(error, bad);
        var.text = text_of(*text);
    }
    if (!check_server_var(wide_name, var, error))
        return false;
    vars[wide_name] = var;
    return true;
}

}  // namespace

bool check_server_var(const std::wstring& name, const dbc_server_var& var, std::wstring& error)
{
    if (holds_control_character(name))
        return fail(error, L"A server variable's name holds a line break or another control character: the login "
                           L"is refused");
    if (holds_control_character(var.text))
        return fail(error, L"The server variable " + name +
                               L" holds a line break or another control character: the login is refused");
    return true;
}

bool read_login_answer(unsigned long status, const std::wstring& reason, const std::string& body,
                       dbc_server_vars& vars, std::wstring& error)
{
    vars.clear();
    const json answer = parse(body);
    if (is_error_answer(answer)) {
        const auto message = answer.find("message");
        if (message != answer.end() && message->is_string() && !message->get_ref<const std::string&>().empty())
            return fail(error, text_of(*message));
        return fail(error, L"The server refused the login without giving a reason");
    }
    if (status != 200)
        return fail(error, L"HTTP " + std::to_wstring(status) + (reason.empty() ? L"" : L" " + reason));
    if (body.empty())  // a server that went away before it wrote its answer
        return fail(error, L"The server's answer is empty");
    if (answer.is_discarded())
        return fail(error, L"The server's answer is not valid JSON");
    if (!answer.is_object())
        return fail(error, L"The server's answer is malformed: it is not a JSON object");
    const auto state = answer.find("status");
    if (state == answer.end() || !state->is_string())
        return fail(error, L"The server's answer is malformed: it has no \"status\"");
    if (state->get_ref<const std::string&>() != "ok")
        return fail(error, L"The server's answer has the unknown status \"" + text_of(*state) + L"\"");
    const auto found = answer.find("vars");
    if (found == answer.end() || !found->is_object())
        return fail(error, L"The server's answer is malformed: it has no \"vars\" object");
    for (const auto& [name, value] : found->items())
        if (!read_var(name, value, vars, error)) {
            vars.clear();
            return false;
        }
    return true;
}

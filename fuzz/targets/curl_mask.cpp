// The debug output's masking: an exchange's header block, form or JSON body and proxy address,
// masked and handed to the debug output as the transport does. No credential may reach the
// window's text or the log.
//
// An input that starts with "H:", "B:" or "P:" is the UTF-8 text of a header block, a body or a
// proxy address as an exchange has it (the seeds are real ones of the reference gateway); the
// credentials to look for are read from its structure: the words of Authorization,
// Proxy-Authorization, Cookie and Set-Cookie values and of the lines folded onto them, form
// fields and JSON members whose name speaks of a password, a proxy's user info. Any other input
// builds an exchange with credentials in every place they travel (folded and later lines, any
// case, URL-encoded, JSON strings and numbers).

#include "fuzz_support.h"

#include "vorn/vorn_curl.h"
#include "vorn/vorn_curl_debug.h"
#include "vorn/vorn_curl_mask.h"
#include "vorn/vorn_utf8.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct recorder : vorn_cURL_debug_target {
    std::wstring text;
    void debug_output(int, const wchar_t* piece) override { text += piece; }
};

// The input under construction: its text, the credentials in it and the rest of it.
struct exchange {
    std::wstring text;
    std::vector<std::wstring> secrets;
    std::vector<std::wstring> public_parts;

    void open(const std::wstring& part)
    {
        text += part;
        public_parts.push_back(part);
    }
    void secret(const std::wstring& part)
    {
        text += part;
        secrets.push_back(part);
    }
};

std::wstring pick(FuzzedDataProvider& input, std::initializer_list<const wchar_t*> choices)
{
    return *(choices.begin() + input.ConsumeIntegralInRange<size_t>(0, choices.size() - 1));
}

// Free text of the input: anything but the line ends that would make it another line.
std::wstring free_text(FuzzedDataProvider& input, size_t longest, const std::wstring& banned = L"\r\n")
{
    std::wstring text;
    const size_t length = input.ConsumeIntegralInRange<size_t>(0, longest);
    for (size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
        const wchar_t ch = static_cast<wchar_t>(input.ConsumeIntegral<uint16_t>() & (input.ConsumeBool() ? 0x7F : 0xFFFF));
        if (banned.find(ch) == std::wstring::npos)
            text += ch;
    }
    return text;
}

// A credential: 6 to 24 characters of the kinds tokens, passwords and cookies are made of.
std::wstring credential(FuzzedDataProvider& input)
{
    static constexpr wchar_t kinds[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=._~-!$'()*,;";
    std::wstring text;
    const size_t length = input.ConsumeIntegralInRange<size_t>(6, 24);
    for (size_t i = 0; i < length; ++i)
        text += kinds[input.ConsumeIntegralInRange<size_t>(0, std::size(kinds) - 2)];
    if (text.find_first_not_of(L"*") == std::wstring::npos)
        text[0] = L'x';
    return text;
}

std::wstring line_end(FuzzedDataProvider& input)
{
    return pick(input, {L"\r\n", L"\n", L"\r", L"\r\r\n", L"\r\n\r\n"});
}

std::wstring blanks(FuzzedDataProvider& input)
{
    return pick(input, {L"", L" ", L"\t", L"  ", L" \t"});
}

void header_block(FuzzedDataProvider& input, exchange& out)
{
    const size_t lines = input.ConsumeIntegralInRange<size_t>(1, 12);
    for (size_t i = 0; i < lines; ++i) {
        if (input.ConsumeBool()) {
            out.open(free_text(input, 40) + line_end(input));
            continue;
        }
        static constexpr const wchar_t* names[] = {
            L"Authorization", L"authorization", L"AUTHORIZATION", L"AuThOrIzAtIoN", L"Proxy-Authorization",
            L"proxy-authorization", L"PROXY-Authorization", L"Cookie", L"cookie", L"COOKIE", L"Set-Cookie",
            L"set-cookie", L"SET-COOKIE"};
        const size_t name = input.ConsumeIntegralInRange<size_t>(0, std::size(names) - 1);
        out.open(blanks(input) + names[name] + blanks(input) + L":" + blanks(input));
        if (name < 7 && input.ConsumeBool())  // an authorization with a scheme in front
            out.open(pick(input, {L"Basic", L"bearer", L"Digest", L"NTLM", L"Negotiate"}) + pick(input, {L" ", L"\t", L"  "}));
        out.secret(credential(input));
        while (input.ConsumeBool()) {  // more of the value: on the same line, or folded onto the next
            out.open(input.ConsumeBool() ? pick(input, {L" ", L"; ", L"=", L", "}) : pick(input, {L"\r\n", L"\n", L"\r"}) + pick(input, {L" ", L"\t", L"   "}));
            out.secret(credential(input));
        }
        out.open(line_end(input));
    }
}

std::wstring url_encoded(const std::wstring& text)
{
    static constexpr wchar_t hex[] = L"0123456789ABCDEF";
    std::wstring out;
    for (const wchar_t ch : to_utf8(text)) {
        const unsigned char byte = static_cast<unsigned char>(ch);
        if ((byte >= L'A' && byte <= L'Z') || (byte >= L'a' && byte <= L'z') || (byte >= L'0' && byte <= L'9') ||
            byte == L'-' || byte == L'_' || byte == L'.' || byte == L'~')
            out += static_cast<wchar_t>(byte);
        else
            out += std::wstring{L'%', hex[byte >> 4], hex[byte & 15]};
    }
    return out;
}

std::wstring password_name(FuzzedDataProvider& input)
{
    return pick(input, {L"password", L"Password", L"PASSWORD", L"pwd", L"PWD", L"new_password", L"passphrase",
                        L"user_pass", L"proxyPwd", L"oldPassWord"});
}

void form_body(FuzzedDataProvider& input, exchange& out)
{
    const size_t fields = input.ConsumeIntegralInRange<size_t>(1, 8);
    for (size_t i = 0; i < fields; ++i) {
        if (i)
            out.open(L"&");
        if (input.ConsumeBool()) {
            out.open(url_encoded(free_text(input, 12)) + L"=" + url_encoded(free_text(input, 20)));
        } else {
            out.open(password_name(input) + L"=");
            out.secret(url_encoded(credential(input)));
        }
    }
}

std::wstring json_string(const std::wstring& text)
{
    std::wstring out = L"\"";
    for (const wchar_t ch : text) {
        if (ch == L'"' || ch == L'\\')
            out += std::wstring{L'\\', ch};
        else if (ch < 0x20) {
            wchar_t escaped[8];
            std::swprintf(escaped, 8, L"\\u%04x", static_cast<unsigned>(ch));
            out += escaped;
        } else
            out += ch;
    }
    return out + L"\"";
}

void json_object(FuzzedDataProvider& input, exchange& out, int depth)
{
    out.open(L"{" + blanks(input));
    const size_t members = input.ConsumeIntegralInRange<size_t>(0, 6);
    for (size_t i = 0; i < members; ++i) {
        if (i)
            out.open(L"," + blanks(input));
        const int kind = input.ConsumeIntegralInRange<int>(0, 4);
        if (kind == 0 && depth < 3) {
            out.open(json_string(free_text(input, 10, L"")) + L":" + blanks(input));
            json_object(input, out, depth + 1);
        } else if (kind == 1) {
            out.open(json_string(free_text(input, 10, L"")) + blanks(input) + L":" + blanks(input) +
                     (input.ConsumeBool() ? json_string(free_text(input, 20, L"")) : std::to_wstring(input.ConsumeIntegral<int>())));
        } else if (kind == 2) {  // a password as a number
            std::wstring digits;
            for (int d = 0; d < 8; ++d)
                digits += static_cast<wchar_t>(L'1' + input.ConsumeIntegralInRange<int>(0, 8));
            out.open(json_string(password_name(input)) + blanks(input) + L":" + blanks(input));
            out.secret(digits);
        } else {
            out.open(json_string(password_name(input)) + blanks(input) + L":" + blanks(input) + L"\"");
            out.secret(credential(input));
            out.open(L"\"");
        }
    }
    out.open(blanks(input) + L"}");
}

void proxy_address(FuzzedDataProvider& input, exchange& out)
{
    if (input.ConsumeBool())
        out.open(pick(input, {L"http://", L"https://", L"socks5://", L"HTTP://"}));
    out.secret(credential(input) + (input.ConsumeBool() ? pick(input, {L":", L"@", L":@"}) + credential(input) : L""));
    out.open(L"@" + free_text(input, 30, L"@\r\n"));
}


// ---- Credentials read from a real text's structure

std::wstring ascii_lower(std::wstring text)
{
    for (wchar_t& ch : text)
        if (ch >= L'A' && ch <= L'Z')
            ch = static_cast<wchar_t>(ch - L'A' + L'a');
    return text;
}

std::wstring trimmed(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L" \t");
    return first == std::wstring::npos ? std::wstring() : text.substr(first, text.find_last_not_of(L" \t") + 1 - first);
}

std::vector<std::wstring> words(const std::wstring& text, const wchar_t* separators = L" \t")
{
    std::vector<std::wstring> found;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find_first_of(separators, at), text.size());
        if (end > at)
            found.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return found;
}

bool speaks_of_password(const std::wstring& name)
{
    const std::wstring text = ascii_lower(name);
    return text.find(L"pass") != std::wstring::npos || text.find(L"pwd") != std::wstring::npos;
}

void header_secrets(const std::wstring& text, std::vector<std::wstring>& secrets)
{
    bool folded_onto_secret = false;
    for (const std::wstring& line : words(text, L"\r\n")) {
        if (folded_onto_secret && (line[0] == L' ' || line[0] == L'\t')) {
            for (const std::wstring& word : words(line))
                secrets.push_back(word);
            continue;
        }
        folded_onto_secret = false;
        const size_t colon = line.find(L':');
        if (colon == std::wstring::npos)
            continue;
        const std::wstring name = ascii_lower(trimmed(line.substr(0, colon)));
        const bool authorization = name == L"authorization" || name == L"proxy-authorization";
        if (!authorization && name != L"cookie" && name != L"set-cookie")
            continue;
        folded_onto_secret = true;
        std::vector<std::wstring> value = words(line.substr(colon + 1));
        static const std::wstring schemes[] = {L"basic", L"bearer", L"digest", L"ntlm", L"negotiate", L"kerberos"};
        if (authorization && !value.empty() && std::find(std::begin(schemes), std::end(schemes), ascii_lower(value[0])) != std::end(schemes))
            value.erase(value.begin());
        secrets.insert(secrets.end(), value.begin(), value.end());
    }
}

void json_secrets(const nlohmann::json& value, bool secret, const std::string& body, std::vector<std::wstring>& secrets)
{
    if (value.is_object()) {
        for (const auto& [name, member] : value.items())
            // A name written with escapes is not the name the body shows; only plain ones count.
            json_secrets(member, secret || (speaks_of_password(from_utf8(name)) &&
                                            body.find(nlohmann::json(name).dump()) != std::string::npos), body, secrets);
    } else if (value.is_array()) {
        for (const auto& item : value)
            json_secrets(item, secret, body, secrets);
    } else if (secret && !value.is_null()) {
        const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
        if (body.find(text) != std::string::npos)
            secrets.push_back(from_utf8(text));
    }
}

void body_secrets(const std::string& body, std::vector<std::wstring>& secrets)
{
    const size_t first = body.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && (body[first] == '{' || body[first] == '[')) {
        const nlohmann::json value = nlohmann::json::parse(body, nullptr, false);
        if (!value.is_discarded())
            json_secrets(value, false, body, secrets);
        return;
    }
    for (const std::wstring& field : words(from_utf8(body), L"&")) {
        const size_t equals = field.find(L'=');
        if (equals != std::wstring::npos && speaks_of_password(field.substr(0, equals)))
            secrets.push_back(field.substr(equals + 1));
    }
}

void proxy_secrets(const std::wstring& proxy, std::vector<std::wstring>& secrets)
{
    const size_t at = proxy.rfind(L'@');
    if (at == std::wstring::npos)
        return;
    std::wstring user_info = proxy.substr(0, at);
    const size_t scheme = user_info.find(L"://");
    if (scheme != std::wstring::npos && scheme > 0 &&
        user_info.find_first_not_of(L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.") == scheme)
        user_info.erase(0, scheme + 3);
    for (const std::wstring& part : words(user_info, L":"))
        secrets.push_back(part);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    exchange in;
    int kind = 0;
    int debug_kind = vorn_debug_info;
    const std::string raw(reinterpret_cast<const char*>(data), size);
    if (size >= 2 && raw[1] == ':' && (raw[0] == 'H' || raw[0] == 'B' || raw[0] == 'P')) {
        kind = raw[0] == 'H' ? 0 : raw[0] == 'B' ? 2 : 3;
        debug_kind = kind == 0 ? vorn_debug_header_in : kind == 2 ? vorn_debug_data_in : vorn_debug_info;
        in.text = from_utf8(raw.substr(2));
        if (kind == 0)
            header_secrets(in.text, in.secrets);
        else if (kind == 2)
            body_secrets(raw.substr(2), in.secrets);
        else
            proxy_secrets(in.text, in.secrets);
        // The debug output ends lines its own way: a credential is looked for line by line. A
        // word that stands more than once in the text, or is too short to tell, proves nothing.
        std::vector<std::wstring> lines;
        for (const std::wstring& secret : in.secrets)
            for (const std::wstring& line : words(secret, L"\r\n"))
                lines.push_back(line);
        in.secrets = lines;
        std::erase_if(in.secrets, [&](const std::wstring& secret) {
            return secret.size() < 4 || secret.find(L'*') != std::wstring::npos ||
                   in.text.find(secret) != in.text.rfind(secret);
        });
    } else {
        FuzzedDataProvider input(data, size);
        kind = input.ConsumeIntegralInRange<int>(0, 3);
        if (kind == 0) {
            header_block(input, in);
            debug_kind = input.ConsumeBool() ? vorn_debug_header_out : vorn_debug_header_in;
        } else if (kind == 1) {
            form_body(input, in);
            debug_kind = vorn_debug_data_out;
        } else if (kind == 2) {
            json_object(input, in, 0);
            debug_kind = input.ConsumeBool() ? vorn_debug_data_out : vorn_debug_data_in;
        } else {
            proxy_address(input, in);
        }
    }
    const std::wstring masked = kind == 0   ? mask_header_lines(in.text)
                                : kind == 3 ? mask_proxy_user_info(in.text)
                                            : mask_body(in.text);

    recorder window;
    char* log_text = nullptr;
    size_t log_size = 0;
    FILE* log = open_memstream(&log_text, &log_size);
    vorn_cURL::m_target = &window;
    vorn_cURL::m_debug_stream = log;
    vorn_debug(debug_kind, masked);
    vorn_cURL::m_target = nullptr;
    vorn_cURL::m_debug_stream = nullptr;
    std::fclose(log);
    // Each line of the log starts with the marker of its kind ("< ", "* "...): not the input's.
    std::string logged;
    for (size_t at = 0; at < log_size;) {
        const size_t end = std::min(std::string_view(log_text, log_size).find('\n', at), log_size);
        logged.append(log_text + std::min(at + 2, end), log_text + end).append("\n");
        at = end + 1;
    }
    std::free(log_text);

    for (const std::wstring& secret : in.secrets) {
        // A credential that the rest of the input holds as well proves nothing.
        bool elsewhere = std::wstring(vorn_mask).find(secret) != std::wstring::npos;
        for (const std::wstring& part : in.public_parts)
            elsewhere = elsewhere || part.find(secret) != std::wstring::npos;
        if (elsewhere)
            continue;
        fuzz::check(masked.find(secret) == std::wstring::npos && window.text.find(secret) == std::wstring::npos &&
                        logged.find(to_utf8(secret)) == std::string::npos,
                    "a credential of the input reaches the debug output",
                    "credential: " + fuzz::narrow_for_log(secret) + "\ninput: " + fuzz::narrow_for_log(in.text) +
                        "\nshown: " + fuzz::narrow_for_log(window.text));
    }
    return 0;
}

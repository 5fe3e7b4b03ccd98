#pragma once
// Base64 (RFC 4648, with padding) for binary data that must travel as plain ASCII text,
// such as cipher text kept in an INI file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

std::string to_base64(const std::vector<unsigned char>& data);

// Nothing for text that is not canonical base64 (wrong length, foreign characters, stray bits).
std::optional<std::vector<unsigned char>> from_base64(std::string_view text);

}  // namespace vorn

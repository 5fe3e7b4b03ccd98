#include "vorn/vorn_base64.h"

namespace vorn {
namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int value_of(char ch)
{
    if (ch >= 'A' && ch <= 'Z')
        return ch - 'A';
    if (ch >= 'a' && ch <= 'z')
        return ch - 'a' + 26;
    if (ch >= '0' && ch <= '9')
        return ch - '0' + 52;
    if (ch == '+')
        return 62;
    if (ch == '/')
        return 63;
    return -1;
}

}  // namespace

std::string to_base64(const std::vector<unsigned char>& data)
{
    std::string text;
    text.reserve((data.size() + 2) / 3 * 4);
    for (size_t i = 0; i < data.size(); i += 3) {
        const size_t left = data.size() - i;
        const unsigned group = (data[i] << 16) | (left > 1 ? data[i + 1] << 8 : 0) | (left > 2 ? data[i + 2] : 0);
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += left > 1 ? alphabet[(group >> 6) & 63] : '=';
        text += left > 2 ? alphabet[group & 63] : '=';
    }
    return text;
}

std::optional<std::vector<unsigned char>> from_base64(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::vector<unsigned char> data;
    data.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int padding = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
        if (padding == 1 && text[i + 2] == '=')
            return std::nullopt;  // "x=" followed by a character
        unsigned group = 0;
        for (int j = 0; j < 4 - padding; ++j) {
            const int value = value_of(text[i + j]);
            if (value < 0)
                return std::nullopt;
            group |= static_cast<unsigned>(value) << (18 - 6 * j);
        }
        // Bits the padding hides must be zero, so each byte string has exactly one text.
        if ((padding == 1 && (group & 0xFF)) || (padding == 2 && (group & 0xFFFF)))
            return std::nullopt;
        data.push_back(static_cast<unsigned char>(group >> 16));
        if (padding < 2)
            data.push_back(static_cast<unsigned char>(group >> 8));
        if (padding < 1)
            data.push_back(static_cast<unsigned char>(group));
    }
    return data;
}

}  // namespace vorn

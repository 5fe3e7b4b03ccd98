// Base64 and the cipher texts of stored passwords. Base64 read and written again is the same
// text (there is one text for each byte string), and bytes written and read again are the same
// bytes. A cipher text is taken only whole: with the cipher of the shim (bcrypt.h here), what
// comes out is the cipher text's own bytes, without a NUL; and a password enciphered deciphers
// back to itself.

#include "fuzz_support.h"

#include "vorn/vorn_base64.h"
#include "vorn/vorn_crypt.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<unsigned char> bytes(data, data + size);

    if (const auto decoded = vorn::from_base64(text))
        fuzz::check(vorn::to_base64(*decoded) == text, "base64 read and written again is the same text", text);
    const std::string encoded = vorn::to_base64(bytes);
    const auto back = vorn::from_base64(encoded);
    fuzz::check(back && *back == bytes, "bytes written as base64 read back", encoded);

    const std::string cipher = text.substr(0, text.find('\0'));
    if (char* plain = dbcCrypt_decrypt(nullptr, cipher.c_str())) {
        const std::string shown(plain);
        dbcCrypt_free(plain);
        const auto sealed = vorn::from_base64(std::string_view(cipher).substr(4));
        fuzz::check(cipher.starts_with("VC1:") && sealed && sealed->size() == 12 + shown.size() + 16 &&
                        std::equal(shown.begin(), shown.end(), sealed->begin() + 12,
                                   [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; }),
                    "a deciphered text is the cipher text's own bytes", cipher);
    }
    fuzz::check(dbcCrypt_decrypt(reinterpret_cast<const void*>(1), cipher.c_str()) == nullptr,
                "an unknown key deciphers nothing");

    const std::string password = text.substr(0, text.find('\0'));
    char* enciphered = dbcCrypt_encrypt(nullptr, password.c_str());
    fuzz::check(enciphered != nullptr, "a password enciphers");
    char* deciphered = dbcCrypt_decrypt(nullptr, enciphered);
    fuzz::check(deciphered && password == deciphered, "a password deciphers back to itself", enciphered);
    dbcCrypt_free(enciphered);
    dbcCrypt_free(deciphered);
    return 0;
}

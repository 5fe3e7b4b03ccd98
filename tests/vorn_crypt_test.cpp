#include "vorn/vorn_crypt.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct crypt_deleter {
    void operator()(char* text) const { dbcCrypt_free(text); }
};
using crypt_text = std::unique_ptr<char, crypt_deleter>;

std::string encrypt(const std::string& plain)
{
    crypt_text cipher(dbcCrypt_encrypt(nullptr, plain.c_str()));
    EXPECT_NE(cipher, nullptr);
    return cipher ? cipher.get() : "";
}

// Null for a text that does not decipher.
std::unique_ptr<std::string> decrypt(const std::string& cipher)
{
    crypt_text plain(dbcCrypt_decrypt(nullptr, cipher.c_str()));
    return plain ? std::make_unique<std::string>(plain.get()) : nullptr;
}

TEST(Crypt, RoundTripsWithAFreshNonceInPlainAscii)
{
    for (const std::string& plain : {std::string("s3cret"), std::string(), std::string("p\xe4ss w\xf6rd=;\"[x]"), std::string(1023, 'x')}) {
        const std::string cipher = encrypt(plain);
        EXPECT_TRUE(cipher.starts_with("VC1:")) << cipher;
        for (const char ch : cipher)
            EXPECT_TRUE(ch > ' ' && ch < 127) << cipher;
        const auto back = decrypt(cipher);
        ASSERT_NE(back, nullptr) << cipher;
        EXPECT_EQ(*back, plain);
        EXPECT_NE(encrypt(plain), cipher) << "the same text must not encipher the same way twice";
    }
}

TEST(Crypt, TextThatDoesNotAuthenticateGivesNull)
{
    const std::string cipher = encrypt("s3cret");
    std::string flipped = cipher;
    flipped[10] = flipped[10] == 'A' ? 'B' : 'A';
    std::string other_version = cipher;
    other_version[2] = '2';
    const std::string not_ours[] = {
        flipped,
        other_version,
        cipher.substr(0, cipher.size() - 4),
        cipher + "AAAA",
        "VC1:",
        "VC1:AAAA",
        "VC1:" + std::string(64, 'A'),
        "s3cret",
        "",
        "VC1:!!!!" + cipher.substr(8),
        cipher.substr(4),
    };
    for (const std::string& text : not_ours)
        EXPECT_EQ(decrypt(text), nullptr) << text;

    EXPECT_EQ(dbcCrypt_encrypt(&cipher, "s3cret"), nullptr) << "only the library's own key exists";
    EXPECT_EQ(dbcCrypt_decrypt(&cipher, cipher.c_str()), nullptr);
    EXPECT_EQ(dbcCrypt_decrypt(nullptr, nullptr), nullptr);
    dbcCrypt_free(nullptr);
}

}  // namespace

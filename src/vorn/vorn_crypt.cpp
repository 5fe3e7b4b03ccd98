#include "vorn/vorn_crypt.h"

#include "vorn/vorn_base64.h"

#include <windows.h>

#include <bcrypt.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view version_prefix = "VC1:";
constexpr ULONG nonce_size = 12;  // the size GCM is made for
constexpr ULONG tag_size = 16;

// The library's own AES-256 key (see the header for what it does and does not protect).
constexpr unsigned char library_key[32] = {
    0x3a, 0x91, 0x5c, 0xe2, 0x07, 0xb4, 0x6f, 0x18, 0xd3, 0x42, 0x8e, 0x7b, 0x21, 0xc9, 0x55, 0xf0,
    0x9d, 0x64, 0x0e, 0xa7, 0x33, 0xbc, 0x58, 0x12, 0xe6, 0x4f, 0x81, 0x2d, 0xca, 0x70, 0x1b, 0x96};

bool succeeded(NTSTATUS status)
{
    return status >= 0;
}

// The AES-GCM provider, opened once for the process: opening it costs far more than a cipher call.
BCRYPT_ALG_HANDLE aes_gcm()
{
    static const BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE handle = nullptr;
        if (!succeeded(BCryptOpenAlgorithmProvider(&handle, BCRYPT_AES_ALGORITHM, nullptr, 0)))
            return BCRYPT_ALG_HANDLE{};
        const wchar_t mode[] = BCRYPT_CHAIN_MODE_GCM;
        if (!succeeded(BCryptSetProperty(handle, BCRYPT_CHAINING_MODE, (PUCHAR)mode, sizeof mode, 0))) {
            BCryptCloseAlgorithmProvider(handle, 0);
            return BCRYPT_ALG_HANDLE{};
        }
        return handle;
    }();
    return provider;
}

class gcm_key {
public:
    gcm_key()
    {
        if (BCRYPT_ALG_HANDLE provider = aes_gcm())
            if (!succeeded(BCryptGenerateSymmetricKey(provider, &m_key, nullptr, 0, (PUCHAR)library_key,
                                                      sizeof library_key, 0)))
                m_key = nullptr;
    }
    ~gcm_key()
    {
        if (m_key)
            BCryptDestroyKey(m_key);
    }
    gcm_key(const gcm_key&) = delete;
    gcm_key& operator=(const gcm_key&) = delete;

    BCRYPT_KEY_HANDLE get() const { return m_key; }

private:
    BCRYPT_KEY_HANDLE m_key = nullptr;
};

// The version prefix is authenticated too, so a text cannot be passed off under another version.
BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO cipher_info(unsigned char* nonce, unsigned char* tag)
{
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = nonce;
    info.cbNonce = nonce_size;
    info.pbAuthData = (PUCHAR)version_prefix.data();
    info.cbAuthData = static_cast<ULONG>(version_prefix.size());
    info.pbTag = tag;
    info.cbTag = tag_size;
    return info;
}

char* new_text(std::string_view text)
{
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

void wipe(std::vector<unsigned char>& data)
{
    if (!data.empty())
        SecureZeroMemory(data.data(), data.size());
}

// nonce | cipher text | tag
std::optional<std::vector<unsigned char>> seal(const char* plain)
{
    const gcm_key key;
    if (!key.get())
        return std::nullopt;
    const ULONG plain_size = static_cast<ULONG>(std::strlen(plain));
    std::vector<unsigned char> sealed(nonce_size + plain_size + tag_size);
    unsigned char* nonce = sealed.data();
    unsigned char* cipher = nonce + nonce_size;
    unsigned char* tag = cipher + plain_size;
    if (!succeeded(BCryptGenRandom(nullptr, nonce, nonce_size, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return std::nullopt;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = cipher_info(nonce, tag);
    ULONG written = 0;
    if (!succeeded(BCryptEncrypt(key.get(), (PUCHAR)plain, plain_size, &info, nullptr, 0, cipher, plain_size,
                                 &written, 0)) ||
        written != plain_size)
        return std::nullopt;
    return sealed;
}

std::optional<std::vector<unsigned char>> unseal(std::vector<unsigned char>& sealed)
{
    if (sealed.size() < nonce_size + tag_size)
        return std::nullopt;
    const gcm_key key;
    if (!key.get())
        return std::nullopt;
    const ULONG cipher_size = static_cast<ULONG>(sealed.size() - nonce_size - tag_size);
    unsigned char* nonce = sealed.data();
    unsigned char* cipher = nonce + nonce_size;
    unsigned char* tag = cipher + cipher_size;
    std::vector<unsigned char> plain(cipher_size + 1, 0);  // room for the terminator
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = cipher_info(nonce, tag);
    ULONG written = 0;
    if (!succeeded(BCryptDecrypt(key.get(), cipher, cipher_size, &info, nullptr, 0, plain.data(), cipher_size,
                                 &written, 0)) ||
        written != cipher_size) {
        wipe(plain);
        return std::nullopt;
    }
    return plain;
}

}  // namespace

char* dbcCrypt_encrypt(const void* key, const char* plain)
{
    if (key || !plain)
        return nullptr;
    std::optional<std::vector<unsigned char>> sealed = seal(plain);
    if (!sealed)
        return nullptr;
    return new_text(std::string(version_prefix) + vorn::to_base64(*sealed));
}

char* dbcCrypt_decrypt(const void* key, const char* cipher)
{
    if (key || !cipher)
        return nullptr;
    const std::string_view text(cipher);
    if (!text.starts_with(version_prefix))
        return nullptr;
    std::optional<std::vector<unsigned char>> sealed = vorn::from_base64(text.substr(version_prefix.size()));
    if (!sealed)
        return nullptr;
    std::optional<std::vector<unsigned char>> plain = unseal(*sealed);
    if (!plain)
        return nullptr;
    // Text from encrypt never holds a NUL; one inside means it was not ours.
    const size_t length = std::strlen(reinterpret_cast<const char*>(plain->data()));
    char* result = length + 1 == plain->size() ? new_text({reinterpret_cast<const char*>(plain->data()), length})
                                               : nullptr;
    wipe(*plain);
    return result;
}

void dbcCrypt_free(char* text)
{
    if (!text)
        return;
    SecureZeroMemory(text, std::strlen(text));
    delete[] text;
}

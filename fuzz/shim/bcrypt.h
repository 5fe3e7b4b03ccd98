#pragma once
// The BCrypt calls of the password encipherment (see windows.h here). The cipher behind them in
// win32_shim.cpp is no cipher: it leaves the bytes as they are and accepts every tag, so that a
// fuzzed cipher text reaches everything the product does around the platform's cipher (prefix,
// base64, sizes, the terminator); the platform's own authentication is not what is fuzzed.
#include "windows.h"

using BCRYPT_HANDLE = void*;
using BCRYPT_ALG_HANDLE = void*;
using BCRYPT_KEY_HANDLE = void*;

struct BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO {
    ULONG cbSize;
    ULONG dwInfoVersion;
    PUCHAR pbNonce;
    ULONG cbNonce;
    PUCHAR pbAuthData;
    ULONG cbAuthData;
    PUCHAR pbTag;
    ULONG cbTag;
    PUCHAR pbMacContext;
    ULONG cbMacContext;
    ULONG cbAAD;
    unsigned long long cbData;
    ULONG dwFlags;
};
#define BCRYPT_INIT_AUTH_MODE_INFO(info)                                                                  \
    do {                                                                                                  \
        std::memset(&(info), 0, sizeof(info));                                                            \
        (info).cbSize = sizeof(info);                                                                     \
        (info).dwInfoVersion = 1;                                                                         \
    } while (0)

#define BCRYPT_AES_ALGORITHM L"AES"
#define BCRYPT_CHAINING_MODE L"ChainingMode"
#define BCRYPT_CHAIN_MODE_GCM L"ChainingModeGCM"
#define BCRYPT_USE_SYSTEM_PREFERRED_RNG 0x00000002

NTSTATUS BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE* algorithm, LPCWSTR id, LPCWSTR implementation, ULONG flags);
NTSTATUS BCryptSetProperty(BCRYPT_HANDLE object, LPCWSTR property, PUCHAR input, ULONG size, ULONG flags);
NTSTATUS BCryptCloseAlgorithmProvider(BCRYPT_ALG_HANDLE algorithm, ULONG flags);
NTSTATUS BCryptGenerateSymmetricKey(BCRYPT_ALG_HANDLE algorithm, BCRYPT_KEY_HANDLE* key, PUCHAR key_object,
                                    ULONG key_object_size, PUCHAR secret, ULONG secret_size, ULONG flags);
NTSTATUS BCryptDestroyKey(BCRYPT_KEY_HANDLE key);
NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG size, ULONG flags);
NTSTATUS BCryptEncrypt(BCRYPT_KEY_HANDLE key, PUCHAR input, ULONG input_size, void* padding, PUCHAR iv,
                       ULONG iv_size, PUCHAR output, ULONG output_size, ULONG* result, ULONG flags);
NTSTATUS BCryptDecrypt(BCRYPT_KEY_HANDLE key, PUCHAR input, ULONG input_size, void* padding, PUCHAR iv,
                       ULONG iv_size, PUCHAR output, ULONG output_size, ULONG* result, ULONG flags);

#pragma once
// Password encipherment of the client library. Cipher texts are plain ASCII, so they can be
// kept in INI files: "VC1:" followed by the base64 of nonce, cipher text and tag (AES-256-GCM).
//
// The key is the library's own and the same on every workstation, because definition files are
// copied between workstations (a folder import) and must still open there. So this keeps a
// password from being read at a glance, by a search through files or in a backup, and it makes
// any change to a stored text detectable (such a text then deciphers to nothing). It does not
// protect against anyone who can run or take apart the library: the key travels with it. Keep the
// files themselves where only their users can read them.

// `key` selects the key: only 0, the library's own key, is known; any other gives null.
// Both return newly allocated text that the caller releases with dbcCrypt_free, or null:
// encrypt when the platform's cipher fails, decrypt for any text that was not made by
// dbcCrypt_encrypt with this key or was changed since.
char* dbcCrypt_encrypt(const void* key, const char* plain);
char* dbcCrypt_decrypt(const void* key, const char* cipher);

// Wipes and releases a text of dbcCrypt_encrypt or dbcCrypt_decrypt; null is allowed.
void dbcCrypt_free(char* text);

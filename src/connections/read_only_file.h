#pragma once
// A file marked read-only is not to be changed. Windows refuses a private-profile write to it
// anyway; Wine lets an administrator make it, so the writers of the connection files ask first.

#include <windows.h>

inline bool is_read_only_file(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

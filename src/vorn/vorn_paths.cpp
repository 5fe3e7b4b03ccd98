#include "vorn/vorn_paths.h"

#include <windows.h>

#include <cwchar>

int fileExists(const wchar_t* path)
{
    if (!path || !*path)
        return 0;
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int findFirstTime(const wchar_t* text, wchar_t ch, int length)
{
    if (!text)
        return -1;
    for (int i = 0; i < length && text[i]; ++i)
        if (text[i] == ch)
            return i;
    return -1;
}

void removeLast(wchar_t* text, wchar_t ch, int keep_delimiter)
{
    if (!text || ch == L'\0')
        return;
    wchar_t* last = std::wcsrchr(text, ch);
    if (!last)
        return;
    if (keep_delimiter)
        last[1] = L'\0';
    else
        *last = L'\0';
}

void changeDelimiters(wchar_t* text, wchar_t from, wchar_t to, int length)
{
    if (!text)
        return;
    for (int i = 0; i < length && text[i]; ++i)
        if (text[i] == from)
            text[i] = to;
}

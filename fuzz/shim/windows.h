#pragma once
// The few Win32 declarations that the fuzzed sources name, for a Linux build with clang. The
// sources are compiled as they are; this is no emulation of the platform: handle types are
// opaque, and only the calls those sources make are given (win32_shim.cpp), each doing the one
// thing the fuzzed code asks of it.
//
// wchar_t is 32 bits here against 16 on Windows. The fuzzed code treats wchar_t as a code unit
// and counts bytes with sizeof(wchar_t) throughout, so it runs unchanged; the targets feed it
// UTF-16 code units only (0..0xFFFF, lone surrogates included) and the UTF-8 conversions below
// give and take UTF-16 code units, so the wide texts it sees are the ones Windows would give it.

#include <cstddef>
#include <cstdint>
#include <cstring>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using LONGLONG = std::int64_t;
using BOOL = int;
using UINT = unsigned int;
using UCHAR = unsigned char;
using PUCHAR = unsigned char*;
using LPCWSTR = const wchar_t*;
using LPWSTR = wchar_t*;
using LPCSTR = const char*;
using LPSTR = char*;
using REGSAM = DWORD;
using NTSTATUS = LONG;

using HANDLE = void*;
using HGDIOBJ = void*;
using HLOCAL = void*;
using HGLOBAL = void*;
struct HKEY__;
using HKEY = HKEY__*;
struct HICON__;
using HICON = HICON__*;
struct HFONT__;
using HFONT = HFONT__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HPEN__;
using HPEN = HPEN__*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HINSTANCE__;
using HMODULE = HINSTANCE__*;

#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

// Declared for win/unique_handle.h; the fuzzed code never closes a handle, so none is defined.
BOOL CloseHandle(HANDLE);
BOOL FindClose(HANDLE);
LONG RegCloseKey(HKEY);
BOOL DeleteObject(HGDIOBJ);
BOOL DestroyIcon(HICON);
BOOL FreeLibrary(HMODULE);
HGLOBAL GlobalFree(HGLOBAL);
HLOCAL LocalFree(HLOCAL);

// Registry value types and access rights.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#define KEY_READ 0x20019
#define KEY_ALL_ACCESS 0xF003F

// Text conversion: CP_UTF8 only.
#define CP_UTF8 65001
int WideCharToMultiByte(UINT code_page, DWORD flags, const wchar_t* wide, int wide_length, char* narrow,
                        int narrow_size, const char* default_char, BOOL* used_default);
int MultiByteToWideChar(UINT code_page, DWORD flags, const char* narrow, int narrow_length, wchar_t* wide,
                        int wide_size);

// Message-box flags, which a failure carries up to the window that shows it.
#define MB_OK 0x00000000L
#define MB_ICONERROR 0x00000010L
#define MB_ICONEXCLAMATION 0x00000030L

// Ordinal compare of UTF-16 code units; with ignore_case, by an upper-case table (here the C
// library's, which the fuzzed sources only use to test equality).
#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3
int CompareStringOrdinal(const wchar_t* first, int first_length, const wchar_t* second, int second_length,
                         BOOL ignore_case);

inline void* SecureZeroMemory(void* data, std::size_t size)
{
    volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
    while (size--)
        *bytes++ = 0;
    return data;
}

// Dates and times: the "user's locale" is en-US.
struct SYSTEMTIME {
    WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
#define LOCALE_NAME_USER_DEFAULT nullptr
#define DATE_SHORTDATE 0x00000001
void GetLocalTime(SYSTEMTIME* time);
int GetDateFormatEx(LPCWSTR locale, DWORD flags, const SYSTEMTIME* date, LPCWSTR format, LPWSTR text, int size,
                    LPCWSTR calendar);
int GetTimeFormatEx(LPCWSTR locale, DWORD flags, const SYSTEMTIME* time, LPCWSTR format, LPWSTR text, int size);

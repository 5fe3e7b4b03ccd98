#pragma once
// One owner for every kind of Windows handle: moves, never copies, and closes what it
// holds exactly once. Nothing of the program is included here: every layer may use it.

#include <windows.h>

#include <utility>

namespace win {

template <typename Traits>
class unique_handle {
public:
    using pointer = typename Traits::pointer;

    unique_handle() = default;
    explicit unique_handle(pointer value) : m_value(value) {}
    unique_handle(const unique_handle&) = delete;
    unique_handle& operator=(const unique_handle&) = delete;
    unique_handle(unique_handle&& other) noexcept : m_value(other.release()) {}
    unique_handle& operator=(unique_handle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~unique_handle() { reset(); }

    pointer get() const { return m_value; }
    explicit operator bool() const { return m_value != Traits::invalid(); }

    pointer release() { return std::exchange(m_value, Traits::invalid()); }

    void reset(pointer value = Traits::invalid())
    {
        const pointer old = std::exchange(m_value, value);
        if (old != Traits::invalid())
            Traits::close(old);
    }

    // For calls that hand out a new handle through an out parameter: closes the old one first.
    pointer* put()
    {
        reset();
        return &m_value;
    }

private:
    pointer m_value = Traits::invalid();
};

template <typename T, auto Close, T Invalid = nullptr>
struct handle_traits {
    using pointer = T;
    static constexpr T invalid() { return Invalid; }
    static void close(T value) { Close(value); }
};

struct file_handle_traits {
    using pointer = HANDLE;
    static pointer invalid() { return INVALID_HANDLE_VALUE; }
    static void close(pointer value) { CloseHandle(value); }
};

struct find_handle_traits {
    using pointer = HANDLE;
    static pointer invalid() { return INVALID_HANDLE_VALUE; }
    static void close(pointer value) { FindClose(value); }
};

using unique_hkey = unique_handle<handle_traits<HKEY, RegCloseKey>>;
using unique_handle_null = unique_handle<handle_traits<HANDLE, CloseHandle>>;  // processes, threads, events
using unique_file = unique_handle<file_handle_traits>;
using unique_find = unique_handle<find_handle_traits>;
using unique_hfont = unique_handle<handle_traits<HFONT, DeleteObject>>;
using unique_hbrush = unique_handle<handle_traits<HBRUSH, DeleteObject>>;
using unique_hpen = unique_handle<handle_traits<HPEN, DeleteObject>>;
using unique_hbitmap = unique_handle<handle_traits<HBITMAP, DeleteObject>>;
using unique_hicon = unique_handle<handle_traits<HICON, DestroyIcon>>;
using unique_hmodule = unique_handle<handle_traits<HMODULE, FreeLibrary>>;
// Memory the platform hands out and expects back through its own allocator.
using unique_hglobal = unique_handle<handle_traits<HGLOBAL, GlobalFree>>;
using unique_local_memory = unique_handle<handle_traits<HLOCAL, LocalFree>>;

}  // namespace win

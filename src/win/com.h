#pragma once
// COM for the length of a scope, interface pointers and the memory COM hands out, each released
// exactly once.

#include <objbase.h>
#include <windows.h>

#include <utility>

namespace win {

// COM on this thread for the scope; a thread that has COM already keeps it as it was.
class com_scope {
public:
    com_scope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~com_scope()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    com_scope(const com_scope&) = delete;
    com_scope& operator=(const com_scope&) = delete;

private:
    HRESULT m_result;
};

// One reference to a COM object.
template <typename T>
class com_ptr {
public:
    com_ptr() = default;
    ~com_ptr() { reset(); }
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    com_ptr(com_ptr&& other) noexcept : m_value(std::exchange(other.m_value, nullptr)) {}
    com_ptr& operator=(com_ptr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_value = std::exchange(other.m_value, nullptr);
        }
        return *this;
    }

    T* operator->() const { return m_value; }
    T* get() const { return m_value; }
    explicit operator bool() const { return m_value != nullptr; }
    // For calls that hand out a new reference through an out parameter.
    T** put()
    {
        reset();
        return &m_value;
    }
    void reset()
    {
        if (T* old = std::exchange(m_value, nullptr))
            old->Release();
    }

private:
    T* m_value = nullptr;
};

// A block from CoTaskMemAlloc, such as a shell item's display name.
template <typename T>
class unique_cotaskmem {
public:
    unique_cotaskmem() = default;
    ~unique_cotaskmem() { CoTaskMemFree(m_value); }
    unique_cotaskmem(const unique_cotaskmem&) = delete;
    unique_cotaskmem& operator=(const unique_cotaskmem&) = delete;

    T* get() const { return m_value; }
    T** put()
    {
        CoTaskMemFree(std::exchange(m_value, nullptr));
        return &m_value;
    }

private:
    T* m_value = nullptr;
};

}  // namespace win

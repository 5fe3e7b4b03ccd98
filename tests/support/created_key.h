#pragma once
// A registry key created (or opened) for writing a test's or a benchmark's fixture, closed when it
// goes; a key that cannot be created throws, since nothing after it would mean anything.

#include <windows.h>

#include <stdexcept>
#include <string>

namespace test {

class created_key {
public:
    created_key(HKEY hive, const std::wstring& path)
    {
        if (RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create a fixture key");
    }
    ~created_key() { RegCloseKey(m_key); }
    created_key(const created_key&) = delete;
    created_key& operator=(const created_key&) = delete;

    void set(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ) const
    {
        RegSetValueExW(m_key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void set_bytes(const std::wstring& name, DWORD type, const std::string& bytes) const
    {
        RegSetValueExW(m_key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    }
    void set_number(const std::wstring& name, DWORD number) const
    {
        RegSetValueExW(m_key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }

private:
    HKEY m_key = nullptr;
};

}  // namespace test

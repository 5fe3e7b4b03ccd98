#pragma once
// A PLAXOR workstation built for a test or a benchmark in the (sandboxed) registry and a
// temporary folder: the program's settings keys, installed AutoCAD releases with their current
// profile and stand-in acad.exe, and connection definitions in the Instance Factory folder.

#include <windows.h>

#include <filesystem>
#include <string>

namespace test {

struct installed_release {
    std::wstring release;       // "R24.1"
    std::wstring product_key;   // "ACAD-5101:409"
    std::wstring product_name;  // machine-wide "ProductName"
    std::wstring profile = L"<<Unnamed Profile>>";
    std::wstring support_path;  // "ACAD"
    std::wstring trusted_paths; // "TRUSTEDPATHS"
    bool with_acad_exe = true;  // a stand-in acad.exe (with its icon) in the install folder
};

struct stored_definition {
    std::wstring file_stem;  // the file is <stem>.ini
    std::wstring name;
    std::wstring seed;
    std::wstring host = L"plaxor.example.com";
    std::wstring user = L"cad";
    COLORREF colour = RGB(0, 128, 255);
};

class workstation {
public:
    // Folders "factory" and "cached" under `root`.
    explicit workstation(const std::filesystem::path& root);

    // SOFTWARE\VORN\PLAXOR: "Version" machine-wide; "InsFactory", "CachedBase" and, when given,
    // "Updater" for the user.
    void add_settings_keys(const std::wstring& version, const std::wstring& updater = {}) const;
    // Returns the install folder (root\<product name>\).
    std::filesystem::path add_release(const installed_release& setup) const;
    void add_definition(const stored_definition& setup) const;
    void set_default_definition(const std::wstring& file_stem) const;

    // With a trailing backslash, as the settings hold them.
    std::wstring factory() const { return m_factory.wstring() + L"\\"; }
    std::wstring cached_base() const { return m_cached.wstring() + L"\\"; }

private:
    std::filesystem::path m_root;
    std::filesystem::path m_factory;
    std::filesystem::path m_cached;
};

// Value of a text value in the (sandboxed) registry, or "(none)".
std::wstring registry_text(HKEY hive, const std::wstring& key, const wchar_t* name);

}  // namespace test

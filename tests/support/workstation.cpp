#include "support/workstation.h"

#include "support/created_key.h"
#include "support/temp_folder.h"

namespace test {

namespace fs = std::filesystem;

workstation::workstation(const fs::path& root) : m_root(root), m_factory(root / L"factory"), m_cached(root / L"cached")
{
    fs::create_directories(m_factory);
    fs::create_directories(m_cached);
}

void workstation::add_settings_keys(const std::wstring& version, const std::wstring& updater) const
{
    created_key(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VORN\\PLAXOR").set(L"Version", version);
    const created_key user(HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR");
    user.set(L"InsFactory", factory());
    user.set(L"CachedBase", cached_base());
    if (!updater.empty())
        user.set(L"Updater", updater);
}

fs::path workstation::add_release(const installed_release& setup) const
{
    const std::wstring autocad = L"Software\\Autodesk\\AutoCAD\\" + setup.release;
    created_key(HKEY_CURRENT_USER, autocad).set(L"CurVer", setup.product_key);
    const std::wstring profiles = autocad + L"\\" + setup.product_key + L"\\Profiles";
    created_key(HKEY_CURRENT_USER, profiles).set(L"", setup.profile);
    created_key(HKEY_CURRENT_USER, profiles + L"\\" + setup.profile + L"\\General").set(L"ACAD", setup.support_path);
    created_key(HKEY_CURRENT_USER, profiles + L"\\" + setup.profile + L"\\Variables")
        .set(L"TRUSTEDPATHS", setup.trusted_paths);

    const fs::path folder = m_root / setup.product_name;
    fs::create_directories(folder);
    if (setup.with_acad_exe)
        fs::copy_file(program_folder() / L"acad.exe", folder / L"acad.exe", fs::copy_options::overwrite_existing);
    const created_key machine(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD\\" + setup.release + L"\\" + setup.product_key);
    machine.set(L"AcadLocation", folder.wstring());
    machine.set(L"ProductName", setup.product_name);
    return folder.wstring() + L"\\";
}

void workstation::add_definition(const stored_definition& setup) const
{
    const std::wstring file = (m_factory / (setup.file_stem + L".ini")).wstring();
    const auto put = [&](const wchar_t* section, const wchar_t* key, const std::wstring& value) {
        WritePrivateProfileStringW(section, key, value.c_str(), file.c_str());
    };
    put(L"General", L"logonex", L"2");
    put(L"General", L"conn_name", setup.name);
    put(L"General", L"conn_seed", setup.seed);
    put(L"General", L"conn_colour", std::to_wstring(setup.colour));
    put(L"httpConn", L"userName", setup.user);
    put(L"httpConn", L"hostName", setup.host);
    put(L"httpConn", L"process", L"/drawing_management/dbclient.php");
}

void workstation::set_default_definition(const std::wstring& file_stem) const
{
    WritePrivateProfileStringW(L"General", L"LastDefault", file_stem.c_str(),
                               (m_factory / L"multi_conn.config").wstring().c_str());
}

std::wstring registry_text(HKEY hive, const std::wstring& key, const wchar_t* name)
{
    wchar_t data[2048] = {};
    DWORD size = sizeof data;
    if (RegGetValueW(hive, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return L"(none)";
    return data;
}

}  // namespace test

#include "host/acad_discovery.h"

#include "host/profile_connection.h"
#include "host/registry.h"
#include "vorn/vorn_paths.h"

#include <commctrl.h>
#include <shellapi.h>


namespace host {
namespace {

constexpr wchar_t autocad_key_path[] = L"Software\\Autodesk\\AutoCAD";
constexpr wchar_t machine_autocad_path[] = L"SOFTWARE\\Autodesk\\AutoCAD\\";
constexpr DWORD key_name_size = 512;  // wide characters

// One value of an open key when it is found as text, else empty; `type` receives a text type
// only when the value is read whole. Read whole, a value is the one the registry's own lookup
// finds (case ignored), the one that a write of the name replaces. A value that cannot be read
// adds its failure to `read` and reads as empty. `whole` receives the value as read whole, when
// it was.
std::wstring read_text_value(HKEY key, const wchar_t* name, discovery_mode mode, win::outcome& read,
                             DWORD* type = nullptr, std::optional<stored_value>* whole = nullptr)
{
    if (whole)
        whole->reset();
    if (mode == discovery_mode::whole_values) {
        stored_value value;
        if (const LONG status = read_stored_value(key, name, value); status != ERROR_SUCCESS)
            read.went_past(registry_failure(status, HKEY_CURRENT_USER, nullptr));
        else if (whole)
            *whole = value;
        if (!value.exists || !is_text_type(value.type))
            return {};
        if (type)
            *type = value.type;
        return stored_text(value);
    }
    vorn_buffer value;
    win::outcome unread;
    find_registry_value(key, name, &value, &unread);
    read.went_past(std::move(unread));
    return value.str();
}

// The pixel size of an icon as its mask bitmap gives it; a mask without a colour bitmap holds
// the AND and XOR masks one above the other, so its height is halved.
void read_icon_size(acad_install& record)
{
    ICONINFO info{};
    if (!GetIconInfo(record.icon.get(), &info))
        return;
    win::unique_hbitmap mask(info.hbmMask);
    win::unique_hbitmap colour(info.hbmColor);
    BITMAP bitmap{};
    if (GetObjectW(mask.get(), sizeof bitmap, &bitmap) == sizeof bitmap) {
        record.icon_width = bitmap.bmWidth;
        record.icon_height = colour ? bitmap.bmHeight : bitmap.bmHeight / 2;
    }
}

// The icon the shell shows for the file, from its system image list: what a file without an icon
// of its own gets.
HICON shell_icon(const std::wstring& exe_path)
{
    SHFILEINFOW info{};
    const auto image_list = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(exe_path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_ICON));
    win::unique_hicon copy(info.hIcon);  // SHGFI_ICON hands us a copy we must destroy
    return image_list ? ImageList_GetIcon(image_list, info.iIcon, ILD_NORMAL) : nullptr;
}

// The shell's large icon of an executable is its first icon at the system's large icon size:
// taken from the file itself, it is the same icon without the shell's system image list, whose
// building costs tens of milliseconds at each start.
void read_icon(acad_install& record)
{
    const std::wstring exe_path = record.install_folder + L"acad.exe";
    if (!fileExists(exe_path.c_str()))
        return;
    HICON icon = nullptr;
    UINT icon_id = 0;
    PrivateExtractIconsW(exe_path.c_str(), 0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), &icon, &icon_id,
                         1, 0);
    record.icon.reset(icon);
    if (!record.icon)
        record.icon.reset(shell_icon(exe_path));
    if (record.icon)
        read_icon_size(record);
}

// The machine's "ProductName" of a release that no row lists, when its year names a release
// folder the client folder holds. Read without a box: a release found wanting is not listed,
// and a key that is no AutoCAD release at all must not bring one up.
bool shipped_release(HKEY autocad_key, const std::wstring& release, const std::wstring& client_folder,
                     std::wstring& product_name)
{
    if (client_folder.empty())
        return false;
    const auto read_text = [](HKEY hive, const std::wstring& path, const wchar_t* name, std::wstring& text) {
        win::unique_hkey key;
        stored_value value;
        if (open_key(hive, path, read_access, key) != ERROR_SUCCESS ||
            read_stored_value(key.get(), name, value) != ERROR_SUCCESS || !value.exists || !is_text_type(value.type))
            return false;
        text = stored_text(value);
        return true;
    };
    std::wstring product_key, name;
    if (!read_text(autocad_key, release, L"CurVer", product_key) ||
        !read_text(HKEY_LOCAL_MACHINE, machine_autocad_path + release + L"\\" + product_key, L"ProductName", name))
        return false;
    const int year = product_year(name);
    if (year == 0 || !client_holds_folder(client_folder, year_suffix(year)))
        return false;
    product_name = name;
    return true;
}

// An administrator's row first; else "\A" and the year of the built-in product name or, without
// one, of the product name read.
void choose_extra_suffix(acad_install& record, const std::vector<release_row>& rows)
{
    if (built_in_suffix(record.release))
        return;
    if (const release_row* row = find_release_row(rows, record.release)) {
        record.extra_suffix_source = suffix_source::administrator;
        record.extra_suffix = row->suffix;
        return;
    }
    const wchar_t* table_name = product_name_for(release_number(record.release));
    int year = table_name ? product_year(table_name) : 0;
    if (year == 0)
        year = product_year(record.product_name);
    if (year != 0) {
        record.extra_suffix_source = suffix_source::client_folder;
        record.extra_suffix = year_suffix(year);
    }
}

win::outcome read_machine_side(acad_install& record, discovery_mode mode, machine_installs* machine)
{
    if (!machine)
        return read_install_details(record, mode);
    const std::wstring key = record.release + L"\\" + record.product_key;
    auto found = machine->find(key);
    if (found == machine->end()) {
        win::outcome read = read_install_details(record, mode);
        found = machine->emplace(key, machine_install{record.install_folder, record.product_name, std::move(read)}).first;
    } else if (found->second.read) {
        record.install_folder = found->second.install_folder;
        record.product_name = found->second.product_name;
    }
    return found->second.read;
}

}  // namespace

win::outcome read_release_profile(HKEY autocad_key, const std::wstring& release, acad_install_list& list,
                                  discovery_mode mode)
{
    acad_install& record = list[release];
    win::unique_hkey key;
    win::outcome read;

    if (!(read += open_key_or_fail(autocad_key, release, read_access, key, HKEY_CURRENT_USER)))
        return read;
    const std::wstring product_key = read_text_value(key.get(), L"CurVer", mode, read);
    record.product_key = product_key;
    key.reset();

    const std::wstring profiles_path = release + L"\\" + product_key + L"\\Profiles";
    if (!(read += open_key_or_fail(autocad_key, profiles_path, read_access, key, HKEY_CURRENT_USER)))
        return read;
    const std::wstring profile = read_text_value(key.get(), L"", mode, read);
    record.profile = profile;
    key.reset();

    const std::wstring profile_path = profiles_path + L"\\" + profile;
    if (!(read += open_key_or_fail(autocad_key, profile_path + L"\\General", read_access, key, HKEY_CURRENT_USER)))
        return read;
    record.support_path_text = read_text_value(key.get(), L"ACAD", mode, read, &record.support_path_type,
                                                &record.support_path_stored);
    key.reset();

    if (!(read += open_key_or_fail(autocad_key, profile_path + L"\\Variables", read_access, key, HKEY_CURRENT_USER)))
        return read;
    record.trusted_paths_text = read_text_value(key.get(), L"TRUSTEDPATHS", mode, read, &record.trusted_paths_type,
                                                 &record.trusted_paths_stored);
    return read;
}

win::outcome read_install_details(acad_install& record, discovery_mode mode)
{
    const std::wstring machine_path = machine_autocad_path + record.release + L"\\" + record.product_key;
    win::unique_hkey key;
    win::outcome read = open_key_or_fail(HKEY_LOCAL_MACHINE, machine_path, read_access, key, HKEY_LOCAL_MACHINE);
    if (!read)
        return read;
    std::wstring location = read_text_value(key.get(), L"AcadLocation", mode, read);
    const std::wstring product_name = read_text_value(key.get(), L"ProductName", mode, read);
    if (location.empty() || location.back() != L'\\')
        location += L'\\';
    key.reset();

    record.install_folder = location;
    record.product_name = product_name;
    if (mode == discovery_mode::window)
        read_icon(record);
    return read;
}

win::outcome discover_acad_installs(acad_install_list& list, discovery_mode mode, const release_extensions& extensions,
                                    HKEY user, machine_installs* machine)
{
    win::unique_hkey autocad_key;
    win::outcome found = open_key_or_fail(user, autocad_key_path, read_access, autocad_key, HKEY_CURRENT_USER);
    if (!found)
        return found;

    DWORD release_count = 0;
    if (RegQueryInfoKeyW(autocad_key.get(), nullptr, nullptr, nullptr, &release_count, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        release_count = 0;

    for (DWORD index = 0; index < release_count; ++index) {
        wchar_t name[key_name_size] = {};
        DWORD name_length = key_name_size;
        if (RegEnumKeyExW(autocad_key.get(), index, name, &name_length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        if (name[0] != L'R')
            continue;
        std::wstring listed_name;
        if (const wchar_t* table_name = product_name_for(release_number(name)))
            listed_name = table_name;
        else if (const release_row* row = find_release_row(extensions.rows, name))
            listed_name = row->product_name;
        else if (!shipped_release(autocad_key.get(), name, extensions.client_folder, listed_name))
            continue;
        acad_install& record = list[name];
        record.release = name;
        record.product_name = listed_name;
        found.went_past(read_release_profile(autocad_key.get(), name, list, mode));
    }
    autocad_key.reset();

    for (auto& [release, record] : list) {
        found.went_past(read_machine_side(record, mode, machine));
        record.support_paths = split_path_list(record.support_path_text);
        record.trusted_paths = split_path_list(record.trusted_paths_text);
        choose_extra_suffix(record, extensions.rows);
    }
    return found;
}

}  // namespace host

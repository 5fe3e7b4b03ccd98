#include "host/profile_connection.h"

#include "host/registry.h"
#include "host/release_rows.h"
#include "host/restore_point.h"
#include "win/same_text.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace host {

const release_suffix_row release_suffix_table[5] = {
    {L"R22.0", L"\\A2018"}, {L"R23.0", L"\\A2019"}, {L"R23.1", L"\\A2020"},
    {L"R24", L"\\A2021"},   {L"R24.1", L"\\A2022"},
};

namespace {

using win::same_text;

using path_list = std::vector<std::wstring>;

bool contains_folder(const path_list& list, const std::wstring& folder)
{
    return std::any_of(list.begin(), list.end(), [&](const std::wstring& entry) { return same_text(entry, folder); });
}

void connect_lists(acad_install& record, const std::wstring& release_folder, const std::wstring& client_folder)
{
    path_list& support = record.support_paths;
    if (support.empty()) {
        support = {release_folder, client_folder};
    } else {
        if (!same_text(support[0], release_folder))
            support.insert(support.begin(), release_folder);
        if (support.size() < 2 || !same_text(support[1], client_folder))
            support.insert(support.begin() + 1, client_folder);
    }

    path_list& trusted = record.trusted_paths;
    const bool has_client = contains_folder(trusted, client_folder);
    const bool has_release = contains_folder(trusted, release_folder);
    if (!has_client)
        trusted.push_back(client_folder);
    if (!has_release)
        trusted.push_back(release_folder);
}

void disconnect_lists(acad_install& record, const std::wstring& release_folder, const std::wstring& client_folder)
{
    // Only the two entries that connecting put in front are taken out of the support path; the
    // same folder further down was put there by someone else.
    path_list& support = record.support_paths;
    if (!support.empty() && same_text(support.front(), release_folder))
        support.erase(support.begin());
    if (!support.empty() && same_text(support.front(), client_folder))
        support.erase(support.begin());

    path_list& trusted = record.trusted_paths;
    std::erase_if(trusted, [&](const std::wstring& entry) {
        return same_text(entry, release_folder) || same_text(entry, client_folder);
    });
}

std::wstring client_folder_of(const std::wstring& base_folder)
{
    return !base_folder.empty() && base_folder.back() == L'\\' ? base_folder.substr(0, base_folder.size() - 1)
                                                                 : base_folder;
}

std::wstring profile_key_path(const acad_install& record)
{
    return L"Software\\Autodesk\\AutoCAD\\" + record.release + L"\\" + record.product_key + L"\\Profiles\\" +
           record.profile;
}

// Writes the joined list under the value name, with the type given, unless the stored text
// already is that text (case and length counting); the stored text follows only a write that
// succeeded, a refused write is gone past. Fails, with nothing written, when the value cannot be
// kept in the restore point.
win::outcome write_if_changed(HKEY key, const std::wstring& key_path, const wchar_t* name, const path_list& list,
                              DWORD type, std::wstring& stored_text)
{
    const std::wstring joined = join_path_list(list);
    if (joined == stored_text)
        return {};
    if (win::outcome kept = keep_before_write(key, key_path, name); !kept)
        return kept;
    win::outcome written = set_string_value(key, name, joined.c_str(), type);
    if (written)
        stored_text = joined;
    return win::outcome().went_past(std::move(written));
}

// Whether the value of the open key reads back whole as the text, with the type when it is there
// at all.
bool holds(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type)
{
    stored_value value;
    if (read_stored_value(key, name, value) != ERROR_SUCCESS)
        return false;
    if (!value.exists)
        return text.empty();
    return value.type == type && stored_text(value) == text;
}

}  // namespace

const wchar_t* built_in_suffix(const std::wstring& release)
{
    const auto row = std::find_if(std::begin(release_suffix_table), std::end(release_suffix_table),
                                  [&](const release_suffix_row& r) { return release == r.release; });
    return row == std::end(release_suffix_table) ? nullptr : row->suffix;
}

connect_obstacle connect_obstacle_of(const acad_install& record, const std::wstring& base_folder)
{
    if (built_in_suffix(record.release))
        return connect_obstacle::none;
    switch (record.extra_suffix_source) {
    case suffix_source::administrator:
        return connect_obstacle::none;
    case suffix_source::client_folder:
        return client_holds_folder(base_folder, record.extra_suffix) ? connect_obstacle::none
                                                                     : connect_obstacle::no_release_folder;
    case suffix_source::none:
        break;
    }
    return connect_obstacle::no_row;
}

std::wstring release_folder_of(const acad_install& record, const std::wstring& base_folder)
{
    const wchar_t* suffix = built_in_suffix(record.release);
    if (!suffix && record.extra_suffix_source == suffix_source::none)
        return {};
    return client_folder_of(base_folder) + (suffix ? suffix : record.extra_suffix.c_str());
}

bool release_folders(const acad_install& record, const std::wstring& base_folder, std::wstring& release_folder,
                     std::wstring& client_folder)
{
    client_folder = client_folder_of(base_folder);
    release_folder = client_folder;
    if (connect_obstacle_of(record, base_folder) != connect_obstacle::none)
        return false;
    release_folder = release_folder_of(record, base_folder);
    return true;
}

bool is_profile_connected(const acad_install& record, const std::wstring& base_folder)
{
    std::wstring release_folder, client_folder;
    if (!release_folders(record, base_folder, release_folder, client_folder))
        return false;

    const path_list& support = record.support_paths;
    if (support.empty() || !same_text(support[0], release_folder))
        return false;
    if (support.size() > 1 && !same_text(support[1], client_folder))
        return false;

    // Exactly two, wherever they stand: the client folder twice passes as well.
    const path_list& trusted = record.trusted_paths;
    const auto count = std::count_if(trusted.begin(), trusted.end(), [&](const std::wstring& entry) {
        return same_text(entry, client_folder) || same_text(entry, release_folder);
    });
    return count == 2;
}

bool plan_profile_connection(bool connect, acad_install& record, const std::wstring& base_folder)
{
    std::wstring release_folder, client_folder;
    if (!release_folders(record, base_folder, release_folder, client_folder))
        return false;
    if (connect)
        connect_lists(record, release_folder, client_folder);
    else
        disconnect_lists(record, release_folder, client_folder);
    return true;
}

win::outcome set_profile_connection(bool connect, acad_install& record, const std::wstring& base_folder)
{
    if (!plan_profile_connection(connect, record, base_folder))
        return win::outcome::failed();
    return write_profile_paths(record);
}

win::outcome write_profile_paths(acad_install& record, HKEY user, const wchar_t** not_read_back)
{
    const std::wstring profile_path = profile_key_path(record);
    win::outcome written;
    if (not_read_back)
        *not_read_back = nullptr;
    for (const profile_value& value : profile_values) {
        const std::wstring key_path = profile_path + L"\\" + value.key;
        win::unique_hkey key;
        if (!(written += open_key_or_fail(user, key_path, write_access, key, HKEY_CURRENT_USER)) ||
            !(written += write_if_changed(key.get(), key_path, value.name, record.*value.paths, record.*value.type,
                                          record.*value.text)))
            return written;
        if (not_read_back && !*not_read_back &&
            !holds(key.get(), value.name, join_path_list(record.*value.paths), record.*value.type))
            *not_read_back = value.name;
    }
    return written;
}

std::vector<exported_value> values_to_write(const acad_install& record)
{
    std::vector<exported_value> values;
    for (const profile_value& value : profile_values)
        if (join_path_list(record.*value.paths) != record.*value.text && record.*value.stored)
            values.push_back({profile_key_path(record) + L"\\" + value.key, value.name, *(record.*value.stored)});
    return values;
}

const wchar_t* first_value_not_written(const acad_install& record, HKEY user)
{
    const std::wstring profile_path = profile_key_path(record);
    for (const profile_value& value : profile_values) {
        win::unique_hkey key;
        if (open_key(user, profile_path + L"\\" + value.key, read_access, key) != ERROR_SUCCESS ||
            !holds(key.get(), value.name, join_path_list(record.*value.paths), record.*value.type))
            return value.name;
    }
    return nullptr;
}

}  // namespace host

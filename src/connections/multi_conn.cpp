#include "connections/multi_conn.h"

#include "connections/seed_file_name.h"
#include "host/folder_path.h"
#include "host/settings_store.h"
#include "vorn/vorn_profile_draft.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

constexpr wchar_t config_file_name[] = L"multi_conn.config";
constexpr wchar_t config_section[] = L"General";
constexpr wchar_t last_default_key[] = L"LastDefault";
constexpr size_t path_capacity = 260;  // wide characters, terminator included
constexpr DWORD stem_capacity = 260;

// The Instance Factory folder with its trailing backslash; empty when the setting cannot be read,
// and the outcome says why.
win::outcome instance_factory_folder(std::wstring& folder)
{
    bool is_portable = false;
    folder.clear();
    win::outcome read = host::read_setting(is_portable, host::instance_factory_setting, folder, false);
    folder = host::with_one_backslash(folder);
    return read;
}

// A failure with the printf-style text (%s and %ls both wide) shown in an error box.
win::outcome failed_with(const wchar_t* format, const wchar_t* text = nullptr, const wchar_t* more = nullptr)
{
    vorn_buffer message;
    message.format(format, text, more);
    return win::outcome::failed(message.str());
}

std::wstring config_path(const std::wstring& folder)
{
    return folder + config_file_name;
}

// The first definition of the list whose `field` equals `wanted`, case aside.
connection* find_by(const std::vector<connection*>* list, vorn_buffer connection::*field, const vorn_buffer& wanted)
{
    if (!list)
        return nullptr;
    for (connection* conn : *list)
        if (conn && (conn->*field).compare_no_case(wanted))
            return conn;
    return nullptr;
}

}  // namespace

// A list that destroys its definitions, in index order, when its last holder lets it go.
std::shared_ptr<multi_conn::connection_list> multi_conn::new_list()
{
    return std::shared_ptr<connection_list>(new connection_list, [](connection_list* list) {
        for (connection* conn : *list)
            delete conn;
        delete list;
    });
}

multi_conn::multi_conn() = default;

multi_conn::multi_conn(const multi_conn& other) = default;

multi_conn& multi_conn::operator=(const multi_conn& other) = default;

multi_conn::~multi_conn()
{
    free_list();
}

win::outcome multi_conn::rebuild_list()
{
    free_list();
    std::wstring folder;
    win::outcome read = instance_factory_folder(folder);
    m_list = new_list();
    if (folder.empty())
        return read;

    // A folder whose pattern or definition paths do not fit the platform's path limit is not
    // listed: it could not be read reliably.
    const std::wstring pattern = folder + L"*.ini";
    if (pattern.size() >= path_capacity)
        return read;
    WIN32_FIND_DATAW entry;
    win::unique_find listing(FindFirstFileW(pattern.c_str(), &entry));
    if (!listing)
        return read;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const std::wstring path = folder + entry.cFileName;
        if (path.size() >= path_capacity)
            continue;
        auto conn = std::make_unique<connection>(vorn_buffer(path.c_str()));
        conn->read_ini();
        m_list->push_back(conn.get());
        conn.release();
    } while (FindNextFileW(listing.get(), &entry));
    listing.reset();
    get_lastsaved_default(folder);
    return read;
}

void multi_conn::get_lastsaved_default(const std::wstring& folder)
{
    wchar_t stem[stem_capacity] = {};
    GetPrivateProfileStringW(config_section, last_default_key, L"", stem, stem_capacity, config_path(folder).c_str());
    if (connection* recorded = find_conn(stem))
        m_default = recorded;
    else if (m_list && !m_list->empty())
        m_default = m_list->front();
}

void multi_conn::free_list()
{
    if (!m_list)
        return;
    // A copy that still holds the list may destroy its definitions at any time after this, so
    // a set never keeps a default from a list it let go, whether or not it was the last holder.
    if (holds(m_default))
        m_default = nullptr;
    m_list.reset();
}

int multi_conn::total() const
{
    return m_list ? static_cast<int>(m_list->size()) : 0;
}

connection* multi_conn::get_nth(int n) const
{
    if (!m_list)
        return nullptr;
    if (n < 0 || n >= total())
        throw std::out_of_range("multi_conn::get_nth: no definition at this position");
    return (*m_list)[static_cast<size_t>(n)];
}

connection* multi_conn::get_default() const
{
    return m_default;
}

win::outcome multi_conn::set_default(connection* conn)
{
    std::wstring folder;
    win::outcome read = instance_factory_folder(folder);
    if (conn && !folder.empty()) {
        // Through a draft: a read-only record stays as it is, a full disk does not cut it.
        vorn_profile_draft draft(config_path(folder));
        if (draft.write(config_section, last_default_key, conn->file_stem))
            draft.replace_file();
    }
    m_default = conn;
    return read;
}

connection* multi_conn::find_conn(vorn_buffer stem) const
{
    return find_by(m_list.get(), &connection::file_stem, stem);
}

connection* multi_conn::find_conn_by_seed(vorn_buffer seed) const
{
    return find_by(m_list.get(), &connection::m_seed, seed);
}

// The name comes from the server: the failure shows it as sent, its control characters escaped.
// A setting that cannot be read reads as no folder, and its failure comes first.
win::outcome multi_conn::create_new(error_collector&, vorn_buffer name, vorn_buffer& path)
{
    std::wstring folder;
    win::outcome made = instance_factory_folder(folder);
    made = win::outcome().went_past(std::move(made));
    if (folder.empty())
        return made += failed_with(L"No Instance Factory folder is set: choose one with '...' first!");
    const std::wstring sent = name.str();
    name.lower();
    std::wstring file;
    const std::wstring problem = seed_file_problem(folder, name.str(), file);
    if (!problem.empty())
        return made += failed_with(L"Can't create connection! The server's seed '%ls' cannot name its file: %ls. The "
                                   L"seed must be corrected on the server.",
                                   shown_server_text(sent).c_str(), problem.c_str());
    path = file.c_str();
    if (file_exists(path))
        return made += failed_with(L"Can't create connection! File '%s' already exists!", path.as_const_w_buffer());
    return made;
}

win::outcome multi_conn::delete_conn(error_collector&, connection* conn)
{
    if (!holds(conn))
        return failed_with(L"Connection is not in the standard set!");
    if (!DeleteFileW(conn->ini_path))
        return failed_with(L"Connection file [%s] does not exist!", conn->ini_path.as_const_w_buffer());
    m_list->erase(std::find(m_list->begin(), m_list->end(), conn));
    // The caller destroys the definition next; the recorded default stays for the next rebuild.
    if (m_default == conn)
        m_default = nullptr;
    return {};
}

win::outcome multi_conn::save(connection& conn, definition_save how)
{
    if (how == definition_save::in_place) {
        const win::outcome written = conn.write_ini();
        if (written)
            return {};
        return failed_with(L"Can't save connection! The file '%ls' cannot be written: %ls.",
                           conn.ini_path.as_const_w_buffer(), written.text().c_str());
    }
    error_collector errors;
    vorn_buffer path;
    win::outcome created = create_new(errors, conn.m_seed, path);
    if (!created)
        return created;
    const win::outcome written = conn.copy_to_file(path);
    if (!written)
        return created += failed_with(L"Can't create connection! The file '%ls' cannot be written: %ls.",
                                      path.as_const_w_buffer(), written.text().c_str());
    return created;
}

std::wstring multi_conn::folder()
{
    std::wstring folder;
    host::read_optional_setting(host::instance_factory_setting, folder, false);
    return host::with_one_backslash(folder);
}

void multi_conn::report() const
{
    // Nothing is reported about a definition: its file may hold credentials.
}

bool multi_conn::file_exists(const wchar_t* path)
{
    WIN32_FIND_DATAW entry;
    return win::unique_find(FindFirstFileW(path, &entry)).get() != INVALID_HANDLE_VALUE;
}

void multi_conn::add_new_connection(connection* conn)
{
    if (!conn)
        return;
    conn->read_ini();
    if (!m_list)
        m_list = new_list();
    m_list->push_back(conn);
}

bool multi_conn::holds(const connection* conn) const
{
    return conn && m_list && std::find(m_list->begin(), m_list->end(), conn) != m_list->end();
}

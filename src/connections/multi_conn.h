#pragma once
// The connection definitions of the Instance Factory folder, one of them the default (the
// "current Instance"). The set owns the definitions it loaded; the default is recorded by its
// file stem as "LastDefault" in the folder's "multi_conn.config".

#include "connections/connection.h"
#include "connections/exports.h"
#include "vorn/vorn_buffer.h"
#include "win/outcome.h"

#include <memory>
#include <string>
#include <vector>

// Passed to create_new and delete_conn by the callers; the two return their failures.
struct error_collector {};

// How multi_conn::save writes a definition: Save writes its own file, Create gives it a new one.
enum class definition_save { in_place, create };

class PLAXOR_EXPORT multi_conn {
public:
    multi_conn();
    virtual ~multi_conn();
    // A copy names the same list as the original; the definitions go when the last of them lets
    // the list go (free_list, rebuild_list or destruction). A set that lets the list go forgets
    // its default when the default is one of the list's definitions.
    multi_conn(const multi_conn& other);
    multi_conn& operator=(const multi_conn& other);

    // Drops every definition and loads the folder anew; the default becomes the recorded one
    // when it is still there, else the first one loaded. Fails when the setting cannot be read;
    // the set is then empty.
    win::outcome rebuild_list();
    void free_list();

    int total() const;
    // Null while no list was built; std::out_of_range for n outside 0 .. total() - 1.
    connection* get_nth(int n) const;
    connection* get_default() const;
    // Makes the definition the default and records it in the folder. Fails, with the default
    // made all the same, when the setting cannot be read: nothing is recorded then.
    win::outcome set_default(connection* conn);
    connection* find_conn(vorn_buffer stem) const;
    connection* find_conn_by_seed(vorn_buffer seed) const;

    // The path for a new definition named `name`: "<folder><name in lower case>_locator.ini".
    // Fails when no folder is set, when the name cannot be that file's name unaltered inside the
    // folder (seed_file_name.h), or when a file is already there.
    win::outcome create_new(error_collector& errors, vorn_buffer name, vorn_buffer& path);
    // Deletes the definition's file and takes it out of the set; the caller destroys it.
    win::outcome delete_conn(error_collector& errors, connection* conn);

    // Writes the definition, the one way Create and Save both take: in place at its own file, or
    // created at the path create_new makes from its seed, which it then takes. Done when the file
    // holds every field; else the file and the definition are as they were, and the failure says
    // why.
    win::outcome save(connection& conn, definition_save how);

    // The Instance Factory folder (with its trailing backslash) as the setting holds it, read
    // without a box: empty when none is set or the setting cannot be read. The set never lists,
    // records or creates anything without one: an empty folder would be the current directory.
    static std::wstring folder();

    void report() const;
    // True when anything, a folder included, matches the path.
    static bool file_exists(const wchar_t* path);

private:
    using connection_list = std::vector<connection*>;

    static std::shared_ptr<connection_list> new_list();
    // The default recorded in the folder's multi_conn.config, else the first definition.
    void get_lastsaved_default(const std::wstring& folder);
    void add_new_connection(connection* conn);
    bool holds(const connection* conn) const;

    std::shared_ptr<connection_list> m_list;  // null until the first rebuild_list()
    connection* m_default = nullptr;          // not owned
};

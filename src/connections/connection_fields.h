#pragma once
// Every field of a definition, once: where it lives, the value a new definition starts with and
// the value a file without the key gives. The two differ on purpose for some keys (a file
// without a colour is white, a new definition black). The constructors, copy_from, read_ini and
// write_ini walk this table, and so can any code that shows or edits the fields one by one.

#include "connections/connection.h"

#include <climits>
#include <variant>

// Where a field lives, which decides what the file and the copies do with it.
enum class field_place {
    general,    // the file's section "General"
    http_conn,  // the file's section "httpConn"
    memory,     // not in the file; copies take it
    server,     // what the last login fetched: a copy for editing goes without, copy_from keeps its own
    login,      // the last login itself: no copy takes it
};

enum class text_form {
    plain,
    name,      // not stored when it only repeats the file's name, which is also what none reads as
    password,  // plain here, enciphered in the file
};

// A text; at most 1023 characters of it come back from the file.
struct text_field {
    vorn_buffer connection::*member;
    const wchar_t* when_new = L"";
    const wchar_t* when_missing = L"";
    text_form form = text_form::plain;
};

// A number; one read from the file is brought within lowest..highest.
struct number_field {
    int connection::*member;
    int when_new = 0;
    int when_missing = 0;
    int lowest = INT_MIN;
    int highest = INT_MAX;
};

// A flag, 1 or 0 in the file.
struct flag_field {
    bool connection::*member;
    bool when_new = false;
    bool when_missing = false;
};

// A colour, a number in the file; a file without one gives connection::s_def_colour.
struct colour_field {
    COLORREF connection::*member;
    COLORREF when_new = 0;
};

// A date in its stored form; year 0 (never) is stored empty, and is what a new definition, a
// file without the date and a text that is no date give.
struct date_field {
    TIMESTAMP_STRUCT connection::*member;
};

// A value the file does not keep; empty, zero or null in a new definition.
template <typename T>
struct memory_field {
    T connection::*member;
};

struct connection_field {
    field_place place;
    const wchar_t* key;  // null for a field the file does not keep
    std::variant<text_field, number_field, flag_field, colour_field, date_field, memory_field<vorn_buffer>,
                 memory_field<int>, memory_field<bool>, memory_field<long>, memory_field<void*>>
        kind;
};

// In the order of the file's keys, which write_ini keeps. Each kind lists the member, then the
// value when new, then the value when missing from the file.
inline constexpr connection_field connection_fields[] = {
    {field_place::memory, nullptr, memory_field<vorn_buffer>{&connection::ini_path}},
    {field_place::memory, nullptr, memory_field<vorn_buffer>{&connection::file_stem}},
    {field_place::general, L"logonex",
     number_field{&connection::m_login_type, login_type_http, login_type_lan, login_type_lan, login_type_http}},
    {field_place::general, L"conn_name", text_field{&connection::m_name, L"", L"", text_form::name}},
    {field_place::general, L"conn_seed", text_field{&connection::m_seed}},
    {field_place::server, nullptr, memory_field<vorn_buffer>{&connection::m_server_host}},
    {field_place::server, nullptr, memory_field<vorn_buffer>{&connection::m_server_process}},
    {field_place::server, nullptr, memory_field<vorn_buffer>{&connection::m_server_blobs_process}},
    {field_place::server, nullptr, memory_field<int>{&connection::m_server_port}},
    {field_place::server, nullptr, memory_field<bool>{&connection::m_server_ssl}},
    {field_place::server, nullptr, memory_field<vorn_buffer>{&connection::m_first_folder}},
    {field_place::general, L"conn_lastlogin", date_field{&connection::m_last_login}},
    {field_place::general, L"conn_colour", colour_field{&connection::m_colour, RGB(0, 0, 0)}},
    {field_place::general, L"conntype", text_field{&connection::m_connection_type, L"HTTP"}},
    {field_place::general, L"trusted", flag_field{&connection::m_trusted}},
    {field_place::general, L"encrypted", flag_field{&connection::m_encrypted, true, true}},
    {field_place::general, L"alwaysprompt", flag_field{&connection::m_always_prompt}},
    {field_place::general, L"connformat", text_field{&connection::m_connect_text}},
    {field_place::general, L"connectionlen", number_field{&connection::m_connection_length}},
    {field_place::general, L"timeout", number_field{&connection::m_timeout, 6, 6}},
    {field_place::general, L"connection", text_field{&connection::m_connection}},
    {field_place::general, L"dbtype", text_field{&connection::m_database_type}},
    {field_place::general, L"server", text_field{&connection::m_server}},
    {field_place::general, L"database", text_field{&connection::m_database}},
    {field_place::general, L"dbdriver", text_field{&connection::m_database_driver}},
    {field_place::general, L"lastuser", text_field{&connection::m_last_user}},
    {field_place::general, L"dsnname", text_field{&connection::m_dsn_name}},
    {field_place::http_conn, L"userName", text_field{&connection::m_user_name}},
    {field_place::http_conn, L"remember password", flag_field{&connection::m_remember_password, true, false}},
    {field_place::http_conn, L"password", text_field{&connection::m_password, L"", L"", text_form::password}},
    {field_place::http_conn, L"ssl", flag_field{&connection::m_ssl}},
    {field_place::http_conn, L"user server logon", flag_field{&connection::m_user_server_logon, true, true}},
    {field_place::http_conn, L"serverUserName", text_field{&connection::m_server_user_name}},
    {field_place::http_conn, L"server remember password",
     flag_field{&connection::m_server_remember_password, true, false}},
    {field_place::http_conn, L"serverPassword",
     text_field{&connection::m_server_password, L"", L"", text_form::password}},
    // A new definition starts with the network user logged on here, which connection() asks for.
    {field_place::http_conn, L"NW user", text_field{&connection::m_network_user}},
    // A new definition points at the HTTP gateway of the maker's own server until it is edited.
    {field_place::http_conn, L"hostName", text_field{&connection::m_host_name, L"plaxor.vorn.example"}},
    {field_place::http_conn, L"process", text_field{&connection::m_process, L"/drawing_management/dbclient.php"}},
    {field_place::http_conn, L"port", number_field{&connection::m_port, 80, 80}},
    {field_place::http_conn, L"readSize", number_field{&connection::m_read_size, 16384, 16384}},
    {field_place::http_conn, L"plot only", flag_field{&connection::m_plot_only}},
    {field_place::login, nullptr, memory_field<void*>{&connection::login_handle}},
    {field_place::memory, nullptr, memory_field<bool>{&connection::m_vanilla_masters}},
    {field_place::memory, nullptr, memory_field<long>{&connection::m_cad_save_format}},
};

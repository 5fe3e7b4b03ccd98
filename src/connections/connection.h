#pragma once
// One connection definition: how the PLAXOR client logs in to one server, on the local network
// (LAN) or through the server's HTTP gateway. In memory it is this object; on disk one INI file
// in the Instance Factory folder, named after the server's seed ("<seed>_locator.ini").
//
// The fields are public: the set, the main window and the Connection Properties dialog read and
// edit them directly, plaxorcfg reads them; connection_fields.h lists them with their keys and
// values when new. The values the last login fetched from the server have accessors.

#include "connections/exports.h"
#include "vorn/vorn_buffer.h"
#include "vorn/vorn_dates.h"
#include "win/outcome.h"

#include <windows.h>

#include <string>

struct DBC_VAR;

constexpr int login_type_lan = 1;
constexpr int login_type_http = 2;
constexpr int server_credential_size = 64;  // wide characters of set_server_credentials' buffers

class PLAXOR_EXPORT connection {
public:
    // The colour of a definition whose file has no colour: white.
    static COLORREF s_def_colour;

    // A new definition, not yet saved anywhere, with the values a new definition starts with.
    connection();
    // A definition of the file at `path`, named after the file; call read_ini() next.
    explicit connection(vorn_buffer path);
    // A copy for editing: never logged in, without the server's values.
    connection(const connection& other);
    // A full copy, login and server values included.
    connection& operator=(const connection& other);
    virtual ~connection();

    // Takes every stored value of `other` (its file included) and forgets the own login; the
    // server's values stay as they were.
    void copy_from(const connection& other);

    void read_ini();
    // Done when the file holds every field; else it is as it was, and the failure's text is the
    // reason alone (the system's text where the system gave one), for the set's save to word.
    win::outcome write_ini();
    // Gives the definition the file at `path` (named after it) and writes it there; when that
    // fails, the definition keeps its file and name as they were.
    win::outcome copy_to_file(vorn_buffer path);
    // True until a file exists at ini_path.
    bool is_new() const;

    vorn_buffer get_name() const;
    // The camelCase accessors are the exported interface the client's other programs link
    // against: their names and signatures stay as they are.
    vorn_buffer getServerUserName() const;
    vorn_buffer getServerPassword() const;  // plain
    vorn_buffer plx2HttpServer() const;
    vorn_buffer plx2HttpProcess() const;
    vorn_buffer plx2HttpProcessBlobs() const;
    vorn_buffer firstFolder() const;
    long plx2HttpPort() const;
    bool plx2HttpSSL() const;
    bool vanilla_masters() const;
    long cad_save_format() const;
    void* hConnTemp() const;

    // Logs in through the client library and takes the server's seed and HTTP values; a failure
    // carries the library's last-error text after its own. Does not write the file.
    win::outcome reconnect();
    bool is_connected() const;
    // The user and password the login uses: the server logon's when it is set, else the HTTP
    // user's. Each is cut to fit its buffer (sizes in wide characters, terminator included).
    void get_plx_user(wchar_t* user, int user_size, wchar_t* password, int password_size) const;
    // The separate server logon: the flag, and when it is set its user and password (cut to fit).
    void set_server_credentials(wchar_t (&user)[server_credential_size],
                                wchar_t (&password)[server_credential_size], bool& use_server_logon) const;

    // What the main window and the Connection Properties dialog show.
    vorn_buffer get_type_label() const;
    vorn_buffer get_seed_label() const;
    vorn_buffer get_domain() const;
    vorn_buffer get_name_label() const;
    vorn_buffer get_conn_label() const;
    vorn_buffer get_user_label() const;
    vorn_buffer get_lastlogin_label() const;

    vorn_buffer ini_path;   // empty until the definition has a file
    vorn_buffer file_stem;  // the file's name without folder and extension
    int m_login_type = 0;   // login_type_lan or login_type_http
    vorn_buffer m_name;
    vorn_buffer m_seed;
    // What the last login fetched from the server.
    vorn_buffer m_server_host;
    vorn_buffer m_server_process;
    vorn_buffer m_server_blobs_process;
    int m_server_port = 0;
    bool m_server_ssl = false;
    vorn_buffer m_first_folder;  // first folder of the server process; empty for the standard one
    TIMESTAMP_STRUCT m_last_login = {};  // year 0: never
    COLORREF m_colour = 0;
    // The LAN login.
    vorn_buffer m_connection_type;
    bool m_trusted = false;
    bool m_encrypted = false;
    bool m_always_prompt = false;
    vorn_buffer m_connect_text;
    int m_connection_length = 0;
    int m_timeout = 0;
    vorn_buffer m_connection;
    vorn_buffer m_database_type;
    vorn_buffer m_server;
    vorn_buffer m_database;
    vorn_buffer m_database_driver;
    vorn_buffer m_last_user;
    vorn_buffer m_dsn_name;
    // The HTTP login.
    vorn_buffer m_user_name;
    bool m_remember_password = false;
    vorn_buffer m_password;  // plain here, enciphered in the file
    bool m_ssl = false;
    bool m_user_server_logon = false;
    vorn_buffer m_server_user_name;
    bool m_server_remember_password = false;
    vorn_buffer m_server_password;  // plain here, enciphered in the file
    vorn_buffer m_network_user;
    vorn_buffer m_host_name;
    vorn_buffer m_process;
    int m_port = 0;
    int m_read_size = 0;
    bool m_plot_only = false;
    void* login_handle = nullptr;  // the last successful login, or null
    bool m_vanilla_masters = false;
    long m_cad_save_format = 0;

private:
    void set_default();
    vorn_buffer get_def_name() const;
    // Forgets the login; the client library is not asked to release it.
    void free_connection();
    // One server variable of the current login.
    win::outcome getDbcVar(const wchar_t* name, DBC_VAR* var);
};

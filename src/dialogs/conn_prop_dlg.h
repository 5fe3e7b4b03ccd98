#pragma once
// The "HTTP" page of Connection Properties: host, process, SSL, port, read size and the two
// sets of credentials of the dialog's working copy. The page knows nothing of the dialog that
// holds it: it calls back whoever holds it when a box that decides on saving has changed.

#include "ui/controls.h"
#include "ui/dialog.h"

#include <functional>

class connection;

class conn_prop_dlg : public ui::dialog {
public:
    // `changed` runs after the host, process, login, password or server login has changed,
    // "Use Same Credentials" was checked or the port box lost the focus; never while the page
    // fills.
    conn_prop_dlg(connection& conn, std::function<void()> changed);

    // The working copy takes every control of the page.
    void read_controls();
    // The server logon follows its check box, which enables the server credentials with it.
    void apply_server_credentials();
    // With "Use Same Credentials" checked, the server login and password repeat the login's;
    // then the holder hears of the change.
    void copy_same_credentials();
    // Whether every one-line box holds a value the file can keep; the first that does not has
    // shown its warning.
    bool lines_storable() const;
    // Whether both passwords can be enciphered as typed; the first that cannot has shown its
    // warning.
    bool passwords_storable() const;

protected:
    bool on_init() override;
    bool on_command(int id, int code, HWND control) override;

private:
    void fill_read_sizes() const;
    void tell_changed() const;

    std::function<void()> m_changed;
    connection& m_conn;
    bool m_ready = false;
    ui::edit m_host_edit;
    ui::edit m_process_edit;
    ui::button m_ssl_check;
    ui::edit m_port_edit;
    ui::combo_box m_read_size_combo;
    ui::edit m_login_edit;
    ui::edit m_password_edit;
    ui::button m_server_credentials_check;
    ui::button m_same_credentials_check;
    ui::edit m_server_login_edit;
    ui::edit m_server_password_edit;
};

#pragma once
// cURL Configuration: the client library's HTTP transport settings, read from the library when
// the dialog opens and written back by Save, which has the library store them. The
// authentication methods are the exception: each click sets them in the library at once.

#include "ui/controls.h"
#include "ui/dialog.h"

#include <array>

class cURL_config : public ui::dialog {
public:
    cURL_config();

    // The authentication controls from the library's m_httpAuth.
    void show_auth();

protected:
    bool on_init() override;
    bool on_command(int id, int code, HWND control) override;
    void on_ok() override;

private:
    static constexpr size_t auth_boxes = 7;

    void apply_combination();
    void enable_auth_boxes(bool on) const;
    void enable_proxy_credentials() const;
    void normalise_number(const ui::edit& box, long below_one) const;

    std::array<int, auth_boxes> m_auth_ids{};
    std::array<long, auth_boxes> m_auth_bits{};
    ui::edit m_proxy_edit;
    ui::edit m_proxy_port_edit;
    ui::edit m_proxy_user_edit;
    ui::edit m_proxy_password_edit;
    ui::edit m_conn_timeout_edit;
    ui::edit m_timeout_edit;
    ui::edit m_user_agent_edit;
    ui::button m_save_btn;
};

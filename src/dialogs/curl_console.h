#pragma once
// The cURL console: a modeless, resizable window that shows the client library's transport
// debug output in colour while it is open, and has the library write the same output to
// cURL_console.log beside the library's settings file. Its screen rectangle is kept in
// cURL_console.ini there. It owns itself: once its window is gone it tells its closer and
// deletes itself.

#include "dialogs/anchor_layout.h"
#include "dialogs/curl_closer.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "vorn/vorn_curl.h"
#include "win/unique_handle.h"

class cURL_console : public ui::dialog, private vorn_cURL_debug_target {
public:
    // Made with new; create_modeless then opens it, and a console that cannot open its log
    // ends itself during that call.
    explicit cURL_console(cURL_closer* closer);
    ~cURL_console() override;

protected:
    bool on_init() override;
    bool on_command(int id, int code, HWND control) override;
    void on_size(UINT kind, int width, int height) override;
    void on_move(int x, int y) override;
    void on_dpi_changed(int new_dpi) override;
    void on_destroyed() override;

private:
    void debug_output(int kind, const wchar_t* text) override;
    void record_position();
    void open_configuration();
    void copy_all() const;
    void clear() const;

    cURL_closer* m_closer;
    bool m_ready = false;
    anchor_layout m_layout;
    win::unique_hbitmap m_banner;
    ui::rich_edit m_text;
};

#pragma once
// Linux programs that tests under Wine start beside themselves: the reference gateway and a
// real forward proxy (tinyproxy). Each listens on a free loopback port and reports it in a
// ready file; it ends when the object that started it is destroyed or the test process ends,
// either of which closes the loopback connection it keeps to the test.

#include "support/temp_folder.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test {

// The Linux path of a Windows path, as Wine maps it.
std::string unix_path(const std::filesystem::path& windows_path);
// The Windows path of a Linux path; CreateProcess starts a Linux program given it.
std::wstring dos_path(const std::string& unix);

// Starts a Linux program (absolute Linux path) with its arguments and does not wait: Wine hands
// out no handle of a Linux process. False when it could not be started.
bool start_linux_program(const std::vector<std::string>& command);
// Runs a shell command line on the Linux side and waits for it (ten seconds at the most): its
// exit status, or -1.
int linux_shell(const std::string& script);

// A loopback port that nothing listens on, so that a connection to it is refused at once: that
// of a socket bound and closed again; 0 when none could be had.
long closed_loopback_port();

class unix_service {
public:
    // `command`: a Linux program (absolute Linux path) and its arguments; the program takes
    // --ready-file and --watch-port as tools/gateway/service_life.py does.
    explicit unix_service(const std::vector<std::string>& command);
    ~unix_service();
    unix_service(const unix_service&) = delete;
    unix_service& operator=(const unix_service&) = delete;

    bool started() const { return m_port != 0; }
    long port() const { return m_port; }
    // A line the program printed before it listened that begins with `prefix`, without it.
    std::string reported(const std::string& prefix) const;

private:
    temp_folder m_folder;  // the ready file
    std::uintptr_t m_watch = ~std::uintptr_t{0};  // the program's connection (a SOCKET)
    long m_port = 0;
    std::vector<std::string> m_lines;
};

// The reference gateway with the given configuration file; `tls` makes it answer HTTPS with
// a certificate made in `cert_folder`; `request_log` receives one line per request.
std::vector<std::string> gateway_command(const std::filesystem::path& config, bool tls = false,
                                         const std::filesystem::path& cert_folder = {},
                                         const std::filesystem::path& request_log = {});
// tinyproxy, asking for Basic authentication when `user` is not empty.
std::vector<std::string> proxy_command(const std::string& user = {}, const std::string& password = {},
                                       const std::filesystem::path& log = {});

}  // namespace test

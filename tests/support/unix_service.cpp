#include <winsock2.h>  // before anything brings windows.h

#include "support/unix_service.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#ifndef PLAXOR_SOURCE_DIR
#error "PLAXOR_SOURCE_DIR must name the source tree (a Linux path)"
#endif

namespace test {

namespace {

// A TCP socket bound to a free loopback port, and that port; INVALID_SOCKET when none could be had.
SOCKET bound_loopback_socket(long& port)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return INVALID_SOCKET;
    SOCKET bound = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    if (bound != INVALID_SOCKET && bind(bound, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
        return bound;
    }
    if (bound != INVALID_SOCKET)
        closesocket(bound);
    return INVALID_SOCKET;
}

// The loopback port that every started program connects to before it reports ready. The
// programs start one after another, so the connection waiting here belongs to the one that
// just reported. One listener for the whole process: Wine does not take kindly to a second.
class watch_listener {
public:
    static const watch_listener& instance()
    {
        static const watch_listener listener;
        return listener;
    }
    long port() const { return m_port; }
    SOCKET accept_one() const
    {
        fd_set waiting;
        FD_ZERO(&waiting);
        FD_SET(m_socket, &waiting);
        timeval patience{5, 0};
        return select(0, &waiting, nullptr, nullptr, &patience) == 1 ? accept(m_socket, nullptr, nullptr)
                                                                      : INVALID_SOCKET;
    }

private:
    watch_listener() : m_socket(bound_loopback_socket(m_port))
    {
        if (m_socket == INVALID_SOCKET || listen(m_socket, 8) != 0)
            m_port = 0;
    }

    long m_port = 0;
    SOCKET m_socket;  // open until the process ends
};

std::wstring quoted(const std::string& argument)
{
    std::wstring text = L"\"";
    for (const char ch : argument)
        text += (ch == '"' ? L"\\\"" : std::wstring(1, static_cast<wchar_t>(static_cast<unsigned char>(ch))));
    return text + L"\"";
}

// Wine's conversions between its Windows and Linux paths; null outside Wine.
template <typename Function>
Function wine_function(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}


std::string script(const char* name)
{
    return std::string(PLAXOR_SOURCE_DIR) + "/tools/gateway/" + name;
}

}  // namespace

long closed_loopback_port()
{
    long port = 0;
    const SOCKET probe = bound_loopback_socket(port);
    if (probe == INVALID_SOCKET)
        return 0;
    closesocket(probe);
    return port;
}

std::wstring dos_path(const std::string& unix)
{
    WCHAR* dos = nullptr;
    if (const auto convert = wine_function<WCHAR*(CDECL*)(const char*)>("wine_get_dos_file_name"))
        dos = convert(unix.c_str());
    std::wstring result = dos ? dos : std::wstring(unix.begin(), unix.end());  // the paths here are ASCII
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}

std::string unix_path(const std::filesystem::path& windows_path)
{
    char* unix = nullptr;
    if (const auto convert = wine_function<char*(CDECL*)(const WCHAR*)>("wine_get_unix_file_name"))
        unix = convert(windows_path.wstring().c_str());
    std::string result = unix ? unix : windows_path.string();
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

bool start_linux_program(const std::vector<std::string>& command)
{
    std::wstring line = L"\"" + dos_path(command.front()) + L"\"";
    for (size_t i = 1; i < command.size(); ++i)
        line += L" " + quoted(command[i]);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    // A Linux program gets no process handle under Wine, and the thread handle beside it is not
    // one to close: its value may name another object of this process (a registry key, say).
    if (process.hProcess) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return true;
}

int linux_shell(const std::string& script)
{
    const temp_folder folder;
    const std::filesystem::path status = folder.path() / L"status";
    if (!start_linux_program({"/bin/sh", "-c", script + "; echo $? > '" + unix_path(status) + "'"}))
        return -1;
    for (int i = 0; i < 200 && read_file(status).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string text = read_file(status);
    return text.empty() ? -1 : std::stoi(text);
}

unix_service::unix_service(const std::vector<std::string>& command)
{
    const watch_listener& watch = watch_listener::instance();
    if (!watch.port())
        return;

    const auto ready = m_folder.path() / L"ready";
    std::vector<std::string> watched = command;
    watched.insert(watched.end(), {"--ready-file", unix_path(ready), "--watch-port", std::to_string(watch.port())});
    if (!start_linux_program(watched))
        return;

    // Making a certificate takes a moment; a program that fails writes "failed ..." at once.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < give_up && !std::filesystem::exists(ready))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream file(ready);
    for (std::string text; std::getline(file, text);) {
        m_lines.push_back(text);
        if (text.rfind("listening ", 0) == 0)
            m_port = std::stol(text.substr(text.rfind(':') + 1));
        else if (text.rfind("failed ", 0) == 0)
            std::fprintf(stderr, "%s: %s\n", command[1].c_str(), text.c_str());
    }
    if (m_port && (m_watch = watch.accept_one()) == INVALID_SOCKET)
        m_port = 0;
}

unix_service::~unix_service()
{
    if (m_watch == INVALID_SOCKET)
        return;
    closesocket(m_watch);
    // The folder goes with this object: the program takes its ready file away once it has seen
    // the connection close.
    for (int wait = 0; wait < 100 && std::filesystem::exists(m_folder.path() / L"ready"); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

std::string unix_service::reported(const std::string& prefix) const
{
    for (const std::string& text : m_lines)
        if (text.rfind(prefix, 0) == 0)
            return text.substr(prefix.size());
    return {};
}

std::vector<std::string> gateway_command(const std::filesystem::path& config, bool tls,
                                         const std::filesystem::path& cert_folder,
                                         const std::filesystem::path& request_log)
{
    std::vector<std::string> command{"/usr/bin/python3", script("gateway.py"), "--config", unix_path(config)};
    if (tls)
        command.insert(command.end(), {"--tls", "--cert-dir", unix_path(cert_folder)});
    if (!request_log.empty())
        command.insert(command.end(), {"--request-log", unix_path(request_log)});
    return command;
}

std::vector<std::string> proxy_command(const std::string& user, const std::string& password,
                                       const std::filesystem::path& log)
{
    std::vector<std::string> command{"/usr/bin/python3", script("proxy.py")};
    if (!user.empty())
        command.insert(command.end(), {"--user", user, "--password", password});
    if (!log.empty())
        command.insert(command.end(), {"--log", unix_path(log)});
    return command;
}

}  // namespace test

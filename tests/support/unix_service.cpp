#include "support/unix_service.h"

#include <winsock2.h>
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

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());  // the paths and options here are ASCII
}

std::wstring quoted(const std::string& argument)
{
    std::wstring text = L"\"";
    for (const char ch : argument) {
        if (ch == '"')
            text += L'\\';
        text += static_cast<wchar_t>(static_cast<unsigned char>(ch));
    }
    return text + L"\"";
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
    watch_listener()
    {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
            return;
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        if (m_socket != INVALID_SOCKET && bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            listen(m_socket, 8) == 0 && getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }

    SOCKET m_socket = INVALID_SOCKET;  // open until the process ends
    long m_port = 0;
};

std::string script(const char* name)
{
    return std::string(PLAXOR_SOURCE_DIR) + "/tools/gateway/" + name;
}

}  // namespace

std::wstring dos_path(const std::string& unix)
{
    using to_dos = WCHAR*(CDECL*)(const char*);
    const auto convert = reinterpret_cast<to_dos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (!convert)
        return widen(unix);
    WCHAR* dos = convert(unix.c_str());
    std::wstring result = dos ? dos : widen(unix);
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}

std::string unix_path(const std::filesystem::path& windows_path)
{
    using to_unix = char*(CDECL*)(const WCHAR*);
    const auto convert = reinterpret_cast<to_unix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert)
        return windows_path.string();
    char* unix = convert(windows_path.wstring().c_str());
    std::string result = unix ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

unix_service::unix_service(const std::vector<std::string>& command)
{
    const watch_listener& watch = watch_listener::instance();
    if (!watch.port())
        return;

    const auto ready = m_folder.path() / L"ready";
    std::wstring line = L"\"" + dos_path(command.front()) + L"\"";
    for (size_t i = 1; i < command.size(); ++i)
        line += L" " + quoted(command[i]);
    line += L" --ready-file " + quoted(unix_path(ready)) + L" --watch-port " + std::to_wstring(watch.port());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    // A Linux program gets no process handle under Wine.
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);

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
    if (m_port) {
        m_watch = watch.accept_one();
        if (m_watch == INVALID_SOCKET)
            m_port = 0;
    }
}

unix_service::~unix_service()
{
    if (m_watch == INVALID_SOCKET)
        return;
    closesocket(m_watch);
    // The folder goes with this object: the program takes its ready file away once it has seen
    // the connection close.
    const auto ready = m_folder.path() / L"ready";
    for (int wait = 0; wait < 100 && std::filesystem::exists(ready); ++wait)
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

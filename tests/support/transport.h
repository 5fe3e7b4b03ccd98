#pragma once
// What tests read of the transport: its settings on one line, and its debug output as the
// console receives it (each piece with its kind) and, when given a file, as the library logs it.

#include "vorn/vorn_curl.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace test {

// "proxy pat:pw@host:port conn 7 timeout 45 auth 1 agent 'x' nodelay 0 no_revoke 1 beast 1", the
// credentials shown only while the proxy uses them.
inline std::wstring transport_settings()
{
    using c = vorn_cURL;
    const std::wstring credentials = c::m_setting_proxy_use_cred ? c::m_setting_proxy_user.str() + L":" +
                                                                       c::m_setting_proxy_password.str() + L"@"
                                                                 : L"";
    return L"proxy " + credentials + c::m_setting_proxy.str() + L":" + std::to_wstring(c::m_setting_proxy_port) +
           L" conn " + std::to_wstring(c::m_setting_conn_timeout) + L" timeout " + std::to_wstring(c::m_setting_timeout) +
           L" auth " + std::to_wstring(c::m_httpAuth) + L" agent '" + c::m_setting_user_agent.str() + L"' nodelay " +
           std::to_wstring(c::m_setting_tcp_nodelay) + L" no_revoke " + std::to_wstring(c::m_ssl_no_revoke) +
           L" beast " + std::to_wstring(c::m_ssl_allow_beast);
}

// Receives the debug output from construction until stop() or destruction.
class debug_recorder : public vorn_cURL_debug_target {
public:
    explicit debug_recorder(const std::filesystem::path& log = {})
    {
        if (!log.empty())
            m_log = _wfopen(log.c_str(), L"w+");
        vorn_cURL::m_target = this;
        vorn_cURL::m_debug_stream = m_log;
    }
    ~debug_recorder() override { stop(); }
    debug_recorder(const debug_recorder&) = delete;
    debug_recorder& operator=(const debug_recorder&) = delete;

    void stop()
    {
        vorn_cURL::m_target = nullptr;
        vorn_cURL::m_debug_stream = nullptr;
        if (m_log)
            fclose(m_log);
        m_log = nullptr;
    }
    void debug_output(int kind, const wchar_t* piece) override
    {
        kinds.push_back(kind);
        text += piece;
    }

    std::vector<int> kinds;
    std::wstring text;

private:
    FILE* m_log = nullptr;
};

}  // namespace test

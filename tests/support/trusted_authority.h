#pragma once
// A test certificate authority trusted in the user's root store while the object lives. The real
// store: Wine builds its chain engine's roots from the machine store, which a redirected
// HKEY_LOCAL_MACHINE would hide, so the authority is taken out again at the end. Windows and Wine
// read the stores once, when the first chain is built: trust comes before a program's first HTTPS.

#include "support/temp_folder.h"
#include "support/unix_service.h"

#include <windows.h>

#include <wincrypt.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace test {

class trusted_authority {
public:
    explicit trusted_authority(const std::filesystem::path& der_file)
    {
        const std::string der = read_file(der_file);
        m_store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"ROOT");
        if (m_store && CertAddEncodedCertificateToStore(m_store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                        static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                        &m_certificate))
            CertControlStore(m_store, 0, CERT_STORE_CTRL_COMMIT, nullptr);  // where the chain engine reads
    }
    ~trusted_authority()
    {
        if (m_certificate)
            CertDeleteCertificateFromStore(m_certificate);  // frees the context too
        if (m_store) {
            CertControlStore(m_store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
            CertCloseStore(m_store, 0);
        }
    }
    trusted_authority(const trusted_authority&) = delete;
    trusted_authority& operator=(const trusted_authority&) = delete;

    bool trusted() const { return m_certificate != nullptr; }

private:
    HCERTSTORE m_store = nullptr;
    PCCERT_CONTEXT m_certificate = nullptr;
};

// An HTTPS gateway with this configuration, its authority trusted, for as long as it lives.
class trusted_gateway {
public:
    explicit trusted_gateway(const std::string& config_text)
    {
        const auto config = m_folder.path() / L"gateway.ini";
        std::ofstream(config) << config_text;
        m_gateway = std::make_unique<unix_service>(gateway_command(config, true, ca_folder()));
        if (m_gateway->started())
            m_authority = std::make_unique<trusted_authority>(m_gateway->reported("certificate authority "));
    }
    bool started() const { return m_authority && m_authority->trusted(); }
    long port() const { return m_gateway->port(); }
    // Another gateway started with this folder answers with a certificate of the same authority.
    std::filesystem::path ca_folder() const { return m_folder.path() / L"ca"; }

private:
    temp_folder m_folder;  // away from every workstation: the configuration has passwords in clear
    std::unique_ptr<unix_service> m_gateway;
    std::unique_ptr<trusted_authority> m_authority;
};

}  // namespace test

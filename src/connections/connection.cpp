#include "connections/connection.h"

#include "connections/connection_fields.h"
#include "connections/file_stem.h"
#include "vorn/vorn_paths.h"

#include <winnetwk.h>

#include <type_traits>
#include <variant>

namespace {

vorn_buffer network_user_name()
{
    constexpr DWORD user_capacity = 64;
    wchar_t user[user_capacity] = {};
    DWORD size = user_capacity;
    if (WNetGetUserW(nullptr, user, &size) != NO_ERROR)
        return {};
    user[user_capacity - 1] = L'\0';
    return user;
}

// Gives the field the value a new definition starts with.
template <typename Kind>
void start(connection& conn, const Kind& kind)
{
    auto& value = conn.*kind.member;
    if constexpr (requires { kind.when_new; })
        value = kind.when_new;
    else
        value = std::remove_reference_t<decltype(value)>();
}

}  // namespace

COLORREF connection::s_def_colour = 16777215;  // 0xFFFFFF

connection::connection()
{
    set_default();
}

connection::connection(vorn_buffer path) : ini_path(path), file_stem(file_stem_of(path)), m_name(file_stem) {}

connection::connection(const connection& other)
{
    copy_from(other);
}

connection& connection::operator=(const connection& other) = default;

connection::~connection()
{
    login_handle = nullptr;
}

void connection::set_default()
{
    for (const connection_field& field : connection_fields)
        std::visit([this](const auto& kind) { start(*this, kind); }, field.kind);
    m_network_user = network_user_name();
}

void connection::copy_from(const connection& other)
{
    for (const connection_field& field : connection_fields)
        std::visit(
            [&](const auto& kind) {
                if (field.place == field_place::login)
                    start(*this, kind);
                else if (field.place != field_place::server)
                    this->*kind.member = other.*kind.member;
            },
            field.kind);
}

win::outcome connection::copy_to_file(vorn_buffer path)
{
    vorn_buffer old_path = ini_path;
    vorn_buffer old_stem = file_stem;
    vorn_buffer old_name = m_name;
    ini_path = path;
    file_stem = file_stem_of(path);
    m_name = file_stem;
    win::outcome result = write_ini();
    if (!result) {
        ini_path = old_path;
        file_stem = old_stem;
        m_name = old_name;
    }
    return result;
}

bool connection::is_new() const
{
    return ini_path.is_empty() || !fileExists(ini_path);
}

// The accessors are defined here, not in the header, so that the program exports them.

vorn_buffer connection::get_name() const
{
    return m_name;
}

vorn_buffer connection::getServerUserName() const
{
    return m_server_user_name;
}

vorn_buffer connection::getServerPassword() const
{
    return m_server_password;
}

vorn_buffer connection::plx2HttpServer() const
{
    return m_server_host;
}

vorn_buffer connection::plx2HttpProcess() const
{
    return m_server_process;
}

vorn_buffer connection::plx2HttpProcessBlobs() const
{
    return m_server_blobs_process;
}

vorn_buffer connection::firstFolder() const
{
    return m_first_folder;
}

long connection::plx2HttpPort() const
{
    return m_server_port;
}

bool connection::plx2HttpSSL() const
{
    return m_server_ssl;
}

bool connection::vanilla_masters() const
{
    return m_vanilla_masters;
}

long connection::cad_save_format() const
{
    return m_cad_save_format;
}

void* connection::hConnTemp() const
{
    return login_handle;
}

bool connection::is_connected() const
{
    return login_handle != nullptr;
}

void connection::free_connection()
{
    login_handle = nullptr;
}

#include "bench_profile_calls.h"

#include <iterator>

namespace bench {
namespace {

struct profile_key {
    const wchar_t* section;
    const wchar_t* key;
    bool is_text;
};

constexpr profile_key definition_keys[] = {
    {L"General", L"logonex", false},        {L"General", L"conn_name", true},
    {L"General", L"conn_seed", true},       {L"General", L"conn_lastlogin", true},
    {L"General", L"conn_colour", false},    {L"General", L"conntype", true},
    {L"General", L"trusted", false},        {L"General", L"encrypted", false},
    {L"General", L"alwaysprompt", false},   {L"General", L"connformat", true},
    {L"General", L"connectionlen", false},  {L"General", L"timeout", false},
    {L"General", L"connection", true},      {L"General", L"dbtype", true},
    {L"General", L"server", true},          {L"General", L"database", true},
    {L"General", L"dbdriver", true},        {L"General", L"lastuser", true},
    {L"General", L"dsnname", true},         {L"httpConn", L"userName", true},
    {L"httpConn", L"remember password", false}, {L"httpConn", L"password", true},
    {L"httpConn", L"ssl", false},           {L"httpConn", L"user server logon", false},
    {L"httpConn", L"serverUserName", true}, {L"httpConn", L"server remember password", false},
    {L"httpConn", L"serverPassword", true}, {L"httpConn", L"NW user", true},
    {L"httpConn", L"hostName", true},       {L"httpConn", L"process", true},
    {L"httpConn", L"port", false},          {L"httpConn", L"readSize", false},
    {L"httpConn", L"plot only", false},
};
static_assert(std::size(definition_keys) == 33);

constexpr int text_size = 1024;  // wide characters
wchar_t text_buffer[text_size];

}  // namespace

int rebuild_profile_calls(const std::wstring& folder)
{
    int files = 0;
    list_definitions(folder, [&](const wchar_t* path) {
        for (const profile_key& key : definition_keys)
            if (key.is_text)
                GetPrivateProfileStringW(key.section, key.key, L"", text_buffer, text_size, path);
            else
                GetPrivateProfileIntW(key.section, key.key, 0, path);
        ++files;
    });
    return files;
}

}  // namespace bench

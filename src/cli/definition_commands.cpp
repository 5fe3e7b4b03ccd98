// definitions list and definitions test: the connection definitions of the Instance Factory
// folder that the settings name, and the test login of one of them. No credential is ever shown.

#include "cli/commands.h"
#include "cli/plaxorcfg.h"
#include "connections/multi_conn.h"
#include "host/settings_store.h"
#include "win/same_text.h"

#include <windows.h>

namespace cli {
namespace {

using win::same_text;

std::wstring file_name(const connection& definition)
{
    const std::wstring& path = definition.ini_path.str();
    return path.substr(path.find_last_of(L"\\/") + 1);
}

void write_list_json(const multi_conn& set, const std::wstring& folder, std::wstring& text)
{
    json_writer json(text);
    json.begin_object();
    json.string(L"instance_factory", folder);
    json.begin_array(L"definitions");
    for (int i = 0; i < set.total(); ++i) {
        const connection& definition = *set.get_nth(i);
        json.begin_object();
        json.string(L"name", definition.get_name_label().str());
        json.string(L"file", file_name(definition));
        json.string(L"type", definition.get_type_label().str());
        json.string(L"connection", definition.get_conn_label().str());
        json.string(L"user", definition.get_user_label().str());
        json.string(L"seed", definition.m_seed.str());
        if (definition.m_last_login.year == 0)
            json.null(L"last_login");
        else
            json.string(L"last_login", definition.get_lastlogin_label().str());
        json.boolean(L"default", &definition == set.get_default());
        json.end_object();
    }
    json.end_array();
    json.end_object();
}

void write_list_text(const multi_conn& set, const std::wstring& folder, text_sink& out)
{
    write_line(out, L"Definitions in " + folder + L" (* the current one):");
    if (set.total() == 0)
        write_line(out, L"  none");
    for (int i = 0; i < set.total(); ++i) {
        const connection& definition = *set.get_nth(i);
        write_line(out, (&definition == set.get_default() ? L"* " : L"  ") + definition.get_name_label().str() + L"  " +
                            definition.get_type_label().str() + L" " + definition.get_conn_label().str() + L", user " +
                            definition.get_user_label().str() + L", seed " + definition.get_seed_label().str() +
                            L", last login " + definition.get_lastlogin_label().str() + L"  (" + file_name(definition) +
                            L")");
    }
}

outcome test_login(const multi_conn& set, const std::wstring& name, text_sink& out)
{
    connection* found = nullptr;
    for (int i = 0; i < set.total() && !found; ++i) {
        connection* definition = set.get_nth(i);
        if (same_text(definition->get_name_label().str(), name) || same_text(definition->file_stem.str(), name))
            found = definition;
    }
    if (!found)
        return {exit_failed, L"no definition is named " + name};
    const std::wstring label = found->get_name_label().str();
    if (const win::outcome login = found->reconnect(); !login)
        return failure(label + L": the test login failed", login);
    write_line(out, label + L": logged in; seed " + found->get_seed_label().str() + L", gateway " +
                        found->plx2HttpServer().str() + found->plx2HttpProcess().str() + L" port " +
                        std::to_wstring(found->plx2HttpPort()));
    return {};
}

}  // namespace

outcome definitions(const options& given, text_sink& out, warning_list& warnings)
{
    host::program_settings settings;
    const win::outcome read = host::read_program_settings(settings);
    if (!read || !settings.folders_read)
        return failure(L"the Instance Factory folder cannot be read from the settings", read);
    warnings.warn(read);
    multi_conn set;
    warnings.warn(set.rebuild_list());  // a definition that cannot be read is left out, as the window leaves it
    if (given.action == L"test")
        return test_login(set, given.operand, out);
    if (given.json) {
        std::wstring text;
        write_list_json(set, settings.instance_factory, text);
        out.write(text);
    } else {
        write_list_text(set, settings.instance_factory, out);
    }
    return {};
}

}  // namespace cli

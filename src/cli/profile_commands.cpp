// status, connect, disconnect and restore: the AutoCAD profiles of the current user (or of each
// user the command line names), read whole and written with their own types, through the same
// discovery and connection rules as the window.

#include "cli/commands.h"
#include "cli/each_user.h"
#include "cli/plaxorcfg.h"
#include "host/acad_discovery.h"
#include "host/folder_path.h"
#include "host/profile_connection.h"
#include "host/registry.h"
#include "host/restore_point.h"
#include "host/running_acads.h"
#include "host/settings_store.h"
#include "win/same_text.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <optional>

namespace cli {
namespace {

using win::same_text;

using host::acad_install;

// The folder connected profiles point to: the one given, else the executable's own, with its
// trailing backslash as the window has it.
std::wstring client_folder(const options& given)
{
    return given.client_folder.empty() ? host::program_folder() : given.client_folder;
}

std::wstring title(const acad_install& record)
{
    return record.release + L" " + record.product_name;
}

bool connectable(const acad_install& record, const std::wstring& folder)
{
    return host::connect_obstacle_of(record, folder) == host::connect_obstacle::none;
}

// Why the release cannot be connected: "no row" or "no release folder", with what is missing.
std::wstring obstacle(const acad_install& record, const std::wstring& folder, bool detailed)
{
    switch (host::connect_obstacle_of(record, folder)) {
    case host::connect_obstacle::none:
        return {};
    case host::connect_obstacle::no_release_folder:
        return detailed ? L"no row names " + record.release + L", and no release folder " +
                              host::release_folder_of(record, folder)
                        : L"no release folder";
    case host::connect_obstacle::no_row:
        break;
    }
    return detailed ? L"no row names " + record.release + L" and its product name carries no year" : L"no row";
}

// The administrator's rows and the client folder, read once for every user: the rows left out
// are warnings, and so are the settings' failures gone past before.
host::release_extensions extensions_of(warning_list& warnings, const std::wstring& folder,
                                       const win::outcome& settings_read = {})
{
    std::vector<std::wstring> ignored;
    host::release_extensions extensions{host::read_release_rows(&ignored), folder};
    for (const std::wstring& line : ignored)
        warnings.warn(line);
    warnings.warn(settings_read);
    return extensions;
}

// Whether the user's registry has no AutoCAD key at all: the user never ran AutoCAD.
bool without_autocad(HKEY user)
{
    win::unique_hkey key;
    return host::open_key(user, L"Software\\Autodesk\\AutoCAD", host::read_access, key) == ERROR_FILE_NOT_FOUND;
}

// The releases of the user, read whole; the machine's side of them once for every user of the run.
// Failures of single releases are warnings: the window lists what it could read, and so does this.
// Of the many users of a machine, one who never ran AutoCAD is no news for a warning: the output
// says the user has no release.
host::acad_install_list discover(warning_list& warnings, const host::release_extensions& extensions,
                                 const host::user_registry& user, host::machine_installs& machine)
{
    host::acad_install_list list;
    const win::outcome found =
        host::discover_acad_installs(list, host::discovery_mode::whole_values, extensions, user.root, &machine);
    if (found || user.sid.empty() || !without_autocad(user.root))
        warnings.warn(found);
    return list;
}

// Profiles must not change under a running AutoCAD: it writes its profile back when it exits.
// For one user of many, only the AutoCAD that user runs counts. The processes are listed once
// per run (none listed: the list could not be had).
bool refuse_while_running(const host::acad_install_list& list, const host::user_registry& user,
                          const std::optional<std::vector<host::running_acad>>& processes, outcome& refusal)
{
    if (!processes) {
        refusal = failure(L"the running programs cannot be listed, so nothing was written");
        return true;
    }
    const std::vector<std::wstring> running = host::installs_running(list, *processes, user.sid);
    if (running.empty())
        return false;
    std::wstring names;
    for (const std::wstring& name : running)
        names += (names.empty() ? L"" : L", ") + name;
    refusal = {exit_acad_running, names + (running.size() == 1 ? L" is" : L" are") +
                                      L" running: nothing was written; run again once AutoCAD is closed"};
    return true;
}

// The running acad.exe processes, when the command may write; none when they cannot be listed.
std::optional<std::vector<host::running_acad>> running_processes(const options& given)
{
    std::vector<host::running_acad> processes;
    if (given.dry_run || given.list || host::list_running_acads(processes))
        return processes;
    return std::nullopt;
}

bool pick_targets(const options& given, const std::wstring& folder, host::acad_install_list& list,
                  std::vector<acad_install*>& targets, std::wstring& error)
{
    if (given.all) {
        for (auto& [release, record] : list)
            targets.push_back(&record);
        return true;
    }
    for (const std::wstring& wanted : given.releases) {
        const auto found = std::find_if(list.begin(), list.end(), [&](const auto& entry) { return same_text(entry.first, wanted); });
        if (found == list.end()) {
            std::wstring installed;
            for (const auto& [release, record] : list)
                installed += (installed.empty() ? L"" : L", ") + release;
            error = wanted + L" is not an AutoCAD release of this user (installed: " +
                    (installed.empty() ? L"none" : installed) + L")";
            return false;
        }
        if (!connectable(found->second, folder)) {
            error = title(found->second) + L" cannot be connected to PLAXOR (" + obstacle(found->second, folder, true) + L")";
            return false;
        }
        if (std::find(targets.begin(), targets.end(), &found->second) == targets.end())
            targets.push_back(&found->second);
    }
    return true;
}

void show_values(text_sink& out, const std::wstring& name, const std::wstring& before, const std::wstring& after)
{
    write_line(out, L"  " + name + L" before: " + before);
    write_line(out, L"  " + name + L" after:  " + after);
}

void write_json_folders(const host::program_settings& settings, json_writer& json)
{
    json.string(L"instance_factory", settings.instance_factory);
    json.string(L"cached_base", settings.cached_base);
}

// A run over many users gives each user's folders with that user instead.
void write_status_json_head(const host::program_settings& settings, const std::wstring& folder, bool with_folders,
                            json_writer& json)
{
    json.begin_object();
    json.string(L"version", settings.version);
    json.string(L"settings", settings.portable ? L"Portable.ini" : L"registry");
    if (with_folders)
        write_json_folders(settings, json);
    json.string(L"client_folder", folder);
}

void write_releases_json(const std::wstring& folder, const host::acad_install_list& list, json_writer& json)
{
    json.begin_array(L"releases");
    for (const auto& [release, record] : list) {
        json.begin_object();
        json.string(L"release", record.release);
        json.string(L"product_name", record.product_name);
        json.string(L"product_key", record.product_key);
        json.string(L"profile", record.profile);
        json.string(L"install_folder", record.install_folder);
        json.boolean(L"connectable", connectable(record, folder));
        json.boolean(L"connected", host::is_profile_connected(record, folder));
        if (const std::wstring path = host::release_folder_of(record, folder); path.empty())
            json.null(L"release_folder");
        else
            json.string(L"release_folder", path);
        if (const std::wstring reason = obstacle(record, folder, false); reason.empty())
            json.null(L"reason");
        else
            json.string(L"reason", reason);
        json.end_object();
    }
    json.end_array();
}

void write_folders(const host::program_settings& settings, text_sink& out)
{
    write_line(out, L"Instance Factory: " + settings.instance_factory);
    write_line(out, L"Cached Base:      " + settings.cached_base);
}

void write_status_head(const host::program_settings& settings, const std::wstring& folder, bool with_folders,
                       text_sink& out)
{
    write_line(out, L"Configure PLAXOR " + settings.version + L", settings " +
                        (settings.portable ? L"in Portable.ini" : L"in the registry"));
    if (with_folders)
        write_folders(settings, out);
    write_line(out, L"Client folder:    " + folder);
}

void write_releases_text(const std::wstring& folder, const host::acad_install_list& list, text_sink& out)
{
    if (list.empty())
        write_line(out, L"No AutoCAD release of this user.");
    for (const auto& [release, record] : list) {
        const std::wstring state = !connectable(record, folder) ? L"cannot be connected (" + obstacle(record, folder, true) + L")"
                                   : host::is_profile_connected(record, folder) ? L"connected"
                                                                                 : L"not connected";
        write_line(out, title(record) + L": " + state);
        write_line(out, L"  product " + record.product_key + L", profile " + record.profile);
        write_line(out, L"  installed in " + record.install_folder);
    }
}

// The releases that can be connected but are not, one line each; how many.
size_t write_unconnected(const std::wstring& folder, const host::acad_install_list& list, text_sink& out)
{
    size_t count = 0;
    for (const auto& [release, record] : list) {
        if (!connectable(record, folder) || host::is_profile_connected(record, folder))
            continue;
        write_line(out, title(record) + L": not connected");
        ++count;
    }
    return count;
}

std::wstring point_file(const std::wstring& point, const std::wstring& folder)
{
    if (point.find_first_of(L"\\/") != std::wstring::npos)
        return point;
    const bool has_extension = point.size() > 4 && same_text(point.substr(point.size() - 4), L".reg");
    return folder + L"\\" + point + (has_extension ? L"" : L".reg");
}

outcome list_points(text_sink& out, const std::wstring& folder)
{
    const std::vector<std::wstring> points = host::list_restore_points(folder);
    write_line(out, L"Restore points in " + folder + L":");
    if (points.empty())
        write_line(out, L"  none");
    for (const std::wstring& point : points) {
        std::vector<host::exported_value> values;
        std::wstring error;
        const std::wstring name = point.substr(point.find_last_of(L'\\') + 1);
        const std::wstring stem = name.substr(0, name.size() - 4);
        write_line(out, L"  " + stem + L"  " +
                            (host::read_restore_point(point, values, error) ? std::to_wstring(values.size()) + L" values"
                                                                             : L"unreadable: " + error));
    }
    return {};
}

// A value as a dry run shows it.
std::wstring value_text(const host::stored_value& value)
{
    if (!value.exists)
        return L"(no value)";
    return host::is_text_type(value.type) ? host::stored_text(value)
                                          : L"(a value of type " + std::to_wstring(value.type) + L")";
}

std::wstring profile_of(const host::exported_value& entry)
{
    return entry.key_path.substr(0, entry.key_path.find_last_of(L'\\'));
}

// What putting the point back would change, profile by profile, in the form connect --dry-run
// shows; nothing is written.
outcome show_restore(const std::wstring& file, const std::vector<host::exported_value>& values, HKEY user,
                     text_sink& out)
{
    for (size_t first = 0, end = 0; first < values.size(); first = end) {
        const std::wstring profile = profile_of(values[first]);
        std::vector<host::stored_value> now;
        for (end = first; end < values.size() && profile_of(values[end]) == profile; ++end) {
            const host::exported_value& entry = values[end];
            win::unique_hkey key;
            now.emplace_back();
            win::outcome read = host::open_key_or_fail(user, entry.key_path, host::read_access, key, HKEY_CURRENT_USER);
            if (read) {
                if (const LONG status = host::read_stored_value(key.get(), entry.name.c_str(), now.back()); status != ERROR_SUCCESS)
                    read = host::registry_failure(status, HKEY_CURRENT_USER, entry.key_path.c_str());
            }
            if (!read)
                return failure(L"the restore point " + file + L" could not be put back", read);
        }
        bool changes = false;
        for (size_t i = first; i < end; ++i)
            changes |= !(now[i - first] == values[i].value);
        write_line(out, L"HKEY_CURRENT_USER\\" + profile + L": " +
                            (changes ? L"would be put back" : L"already as the restore point holds it"));
        for (size_t i = first; i < end; ++i)
            show_values(out, values[i].name, value_text(now[i - first]), value_text(values[i].value));
    }
    return {};
}

// The program's settings for the run. A run over the users of the machine reads the machine's part
// alone here: the folders of the account it runs as are none of those users' (SYSTEM has none,
// which is no failure of theirs), and each user's own are read from that user's registry.
win::outcome read_run_settings(const options& given, host::program_settings& settings)
{
    if (!reaches_users(given))
        return host::read_program_settings(settings);
    return host::read_setting(settings.portable, host::version_setting, settings.version, true);
}

// Connects or disconnects the targets in the user's registry, each value read back after it is
// written; a dry run only shows them.
outcome write_connections(bool connect, const options& given, const std::wstring& folder, const host::user_registry& user,
                          const std::vector<acad_install*>& targets, text_sink& out, warning_list& warnings)
{
    const std::wstring done = connect ? L"connected" : L"disconnected";
    // Every release is planned first, so that the restore point is written once for all the
    // values the run changes, not once for each.
    constexpr size_t value_count = std::size(host::profile_values);
    struct plan {
        std::wstring before[value_count], after[value_count];
    };
    std::vector<plan> plans(targets.size());
    std::vector<host::exported_value> changing;
    for (size_t t = 0; t < targets.size(); ++t) {
        acad_install& record = *targets[t];
        if (!connectable(record, folder))
            continue;
        for (size_t i = 0; i < value_count; ++i)
            plans[t].before[i] = record.*host::profile_values[i].text;
        host::plan_profile_connection(connect, record, folder);
        for (size_t i = 0; i < value_count; ++i)
            plans[t].after[i] = host::join_path_list(record.*host::profile_values[i].paths);
        for (auto& value : host::values_to_write(record))
            changing.push_back(std::move(value));
    }
    if (!given.dry_run)
        host::keep_before_writes(changing);

    std::wstring failures;
    for (size_t t = 0; t < targets.size(); ++t) {
        acad_install* record = targets[t];
        if (!connectable(*record, folder)) {
            warnings.warn(title(*record) + L" skipped: cannot be connected (" + obstacle(*record, folder, true) + L")");
            continue;
        }
        const std::wstring(&before)[value_count] = plans[t].before;
        const std::wstring(&after)[value_count] = plans[t].after;
        bool changes = false;
        for (size_t i = 0; i < value_count; ++i)
            changes = changes || after[i] != before[i];
        if (given.dry_run) {
            write_line(out, title(*record) + L": " + (changes ? L"would be " + done : L"already " + done));
            for (size_t i = 0; i < value_count; ++i)
                show_values(out, host::profile_values[i].name, before[i], after[i]);
            continue;
        }
        if (!changes) {
            write_line(out, title(*record) + L": already " + done);
            continue;
        }
        const wchar_t* differing = nullptr;
        const win::outcome wrote = host::write_profile_paths(*record, user.root, &differing);
        const bool written = wrote.clean();
        const std::wstring problem = !written   ? L"not " + done + L": " + failure_lines(wrote)
                                     : differing ? L"\"" + std::wstring(differing) + L"\" does not read back as written"
                                                 : std::wstring();
        if (problem.empty())
            write_line(out, title(*record) + L": " + done);
        else
            failures += (failures.empty() ? L"" : L"; ") + title(*record) + L" " + problem;
    }
    const std::wstring point = host::restore_run_file();
    if (!point.empty())
        write_line(out, L"Restore point: " + point);
    if (!failures.empty())
        return failure(failures, {}, point);
    return {};
}

}  // namespace

outcome show_status(const options& given, text_sink& out, warning_list& warnings)
{
    host::program_settings settings;
    const win::outcome read = read_run_settings(given, settings);
    if (!read)
        return failure(L"the program's settings cannot be read", read);
    const std::wstring folder = client_folder(given);
    const host::release_extensions extensions = extensions_of(warnings, folder, read);
    std::wstring json_text;
    json_writer json(json_text);
    if (given.json)
        write_status_json_head(settings, folder, !reaches_users(given), json);
    else if (!given.check)
        write_status_head(settings, folder, !reaches_users(given), out);
    if (given.json && reaches_users(given))
        json.begin_array(L"users");

    size_t unconnected = 0;
    host::machine_installs machine;
    outcome done = for_each_user(given, out, warnings, !given.json, [&](const host::user_registry& user, warning_list& warnings) -> outcome {
        const host::acad_install_list list = discover(warnings, extensions, user, machine);
        host::program_settings own = settings;
        if (reaches_users(given) && !given.check)
            host::read_user_folders(user.root, own);
        if (given.check) {
            unconnected += write_unconnected(folder, list, out);
        } else if (!given.json) {
            if (reaches_users(given))
                write_folders(own, out);
            write_releases_text(folder, list, out);
        } else if (!reaches_users(given)) {
            write_releases_json(folder, list, json);
        } else {
            json.begin_object();
            json.string(L"user", user.name);
            json.string(L"sid", user.sid);
            write_json_folders(own, json);
            write_releases_json(folder, list, json);
            json.end_object();
        }
        return {};
    });
    if (given.json) {
        if (reaches_users(given))
            json.end_array();
        json.end_object();
        out.write(json_text);
    }
    if (done.code != exit_done || !given.check)
        return done;
    if (unconnected != 0)
        return {exit_failed, std::to_wstring(unconnected) + (unconnected == 1 ? L" release that can be connected is"
                                                                              : L" releases that can be connected are") +
                                 L" not connected"};
    write_line(out, L"Every release that can be connected is connected.");
    return {};
}

outcome change_connections(bool connect, const options& given, text_sink& out, warning_list& warnings)
{
    host::program_settings settings;
    const win::outcome read = read_run_settings(given, settings);
    if (!read)
        return failure(L"the program's settings cannot be read, so nothing was written", read);
    const std::wstring folder = client_folder(given);
    const host::release_extensions extensions = extensions_of(warnings, folder, read);
    const std::optional<std::vector<host::running_acad>> processes = running_processes(given);
    host::machine_installs machine;
    return for_each_user(given, out, warnings, true, [&](const host::user_registry& user, warning_list& warnings) -> outcome {
        host::acad_install_list list = discover(warnings, extensions, user, machine);
        // Whatever releases were asked for: one of many users who never ran AutoCAD has none to give.
        if (list.empty() && !user.sid.empty()) {
            write_line(out, L"No AutoCAD release of this user.");
            return {};
        }
        std::vector<acad_install*> targets;
        std::wstring error;
        if (!pick_targets(given, folder, list, targets, error))
            return {exit_failed, error + L"; nothing was written"};
        outcome refusal;
        if (!given.dry_run && refuse_while_running(list, user, processes, refusal))
            return refusal;
        return write_connections(connect, given, folder, user, targets, out, warnings);
    });
}

outcome restore(const options& given, text_sink& out, warning_list& warnings)
{
    const std::optional<std::vector<host::running_acad>> processes = running_processes(given);
    host::machine_installs machine;
    return for_each_user(given, out, warnings, true, [&](const host::user_registry& user, warning_list& warnings) -> outcome {
        const std::wstring points = host::restore_point_folder(user.profile_folder);
        if (given.list)
            return list_points(out, points);
        const std::wstring file = point_file(given.operand, points);
        std::vector<host::exported_value> values;
        std::wstring error;
        if (!host::read_restore_point(file, values, error))
            return {exit_failed, error + L"; nothing was written"};
        if (given.dry_run)
            return show_restore(file, values, user.root, out);
        const host::acad_install_list list =
            discover(warnings, extensions_of(warnings, client_folder(given)), user, machine);
        outcome refusal;
        if (refuse_while_running(list, user, processes, refusal))
            return refusal;

        std::wstring mismatch;
        const win::outcome applied = host::apply_restore_point(values, mismatch, user.root);
        const std::wstring point = host::restore_run_file();
        if (!applied)
            return mismatch.empty()
                       ? failure(L"the restore point " + file + L" was not applied in full", applied, point)
                       : failure(mismatch + L" does not read back as the restore point " + file + L" holds it", {}, point);
        write_line(out, L"Put back " + std::to_wstring(values.size()) + L" values from " + file);
        if (!point.empty())
            write_line(out, L"Restore point of the values they replaced: " + point);
        return {};
    });
}

}  // namespace cli

#include "cli/each_user.h"

#include "cli/plaxorcfg.h"
#include "host/restore_point.h"
#include "host/user_hive.h"

#include <vector>

namespace cli {
namespace {

// The users the command line names: every one, or the one --user names.
outcome chosen_users(const options& given, std::vector<host::user_profile>& users)
{
    const win::outcome listed = host::list_user_profiles(users);
    if (!listed)
        return failure(L"the user profiles of this machine cannot be listed", listed);
    if (given.all_users)
        return {};
    std::wstring known;
    for (const host::user_profile& user : users) {
        if (host::names_user(user, given.user)) {
            users = {user};
            return {};
        }
        known += (known.empty() ? L"" : L", ") + host::shown_user(user);
    }
    return {exit_failed, L"no user profile of this machine is " + given.user + L" (users: " +
                             (known.empty() ? L"none" : known) + L"); nothing was written"};
}

}  // namespace

outcome for_each_user(const options& given, text_sink& out, warning_list& warnings, bool headed, const user_work& work)
{
    if (!reaches_users(given))
        return work({}, warnings);
    std::vector<host::user_profile> users;
    if (outcome chosen = chosen_users(given, users); chosen.code != exit_done)
        return chosen;

    host::unload_hives_on_console_events();
    std::wstring failed, running;
    // Under a user's heading, or else as a warning. A failure needs no warning: the run's last line
    // names it.
    const auto note = [&](const std::wstring& who, const std::wstring& line, bool failure) {
        if (headed)
            write_line(out, L"  " + line);
        else if (!failure)
            warnings.warn(who + L": " + line);
    };
    for (const host::user_profile& user : users) {
        const std::wstring who = host::shown_user(user);
        if (host::stop_requested()) {
            failed += (failed.empty() ? L"" : L"; ") + std::wstring(L"stopped by a console event before ") + who;
            break;
        }
        if (headed)
            write_line(out, L"User " + who + L":");
        host::user_hive hive;
        std::wstring reason;
        switch (hive.open(user, reason)) {
        case host::hive_state::no_hive_file:
            note(who, L"skipped: " + reason, false);
            continue;
        case host::hive_state::not_loadable:
            note(who, L"skipped: the hive cannot be loaded: " + reason, true);
            failed += (failed.empty() ? L"" : L"; ") + who + L": the hive cannot be loaded: " + reason;
            continue;
        case host::hive_state::open:
            break;
        }
        host::begin_restore_run(host::restore_point_folder(user.folder));
        warning_list own;
        const outcome done = work({hive.root(), user.folder, user.sid, user.name}, own);
        hive.close();
        for (const std::wstring& line : own.lines())
            warnings.warn(who + L": " + line);
        if (done.code == exit_done)
            continue;
        note(who, (done.code == exit_acad_running ? L"skipped: " : L"failed: ") + done.message, true);
        std::wstring& list = done.code == exit_acad_running ? running : failed;
        list += (list.empty() ? L"" : L"; ") + who + L": " + done.message;
    }
    if (!failed.empty())
        return {exit_failed, L"not done for every user: " + failed + (running.empty() ? L"" : L"; " + running)};
    if (!running.empty())
        return {exit_acad_running, running};
    return {};
}

}  // namespace cli

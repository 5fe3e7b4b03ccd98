#pragma once
// The work of a command for the running user, or, with --all-users or --user, for each chosen
// user of the machine in that user's own registry.

#include "cli/command_support.h"
#include "host/user_profiles.h"

#include <functional>

namespace cli {

// Whether the command line names other users than the running one.
inline bool reaches_users(const options& given)
{
    return given.all_users || !given.user.empty();
}

// The work for one user; its warnings go to the list given, which names the user before each.
using user_work = std::function<outcome(const host::user_registry& user, warning_list& warnings)>;

// Without --all-users or --user: the work for the running user, its outcome as it is. Else each
// user in turn, each with a restore run of its own in the user's folder: `headed` puts a line
// naming the user before its output, and the line that tells a user's skip or failure after it,
// on standard output; otherwise that line is a warning. A user without a hive file is skipped
// and changes nothing; one whose hive cannot be loaded is skipped and fails the run; a user whose
// work gives exit_acad_running makes the run end so when nothing else failed.
outcome for_each_user(const options& given, text_sink& out, warning_list& warnings, bool headed,
                      const user_work& work);

}  // namespace cli

#include "cli/plaxorcfg.h"

#include "cli/commands.h"
#include "cli/machine_log.h"
#include "host/restore_point.h"

#include "plaxor_version.h"

#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace cli {
namespace {

constexpr wchar_t help_head[] =
    L"plaxorcfg: Configure PLAXOR from the command line; it never asks anything.\n"
    L"\n";

constexpr wchar_t help_tail[] =
    L"\n"
    L"Before a run first writes a profile value it saves the value in a restore point, a file that\n"
    L"`reg import` also puts back: %LOCALAPPDATA%\\VORN\\PLAXOR\\Restore Points\\<date>_<time>.reg\n"
    L"(with --all-users or --user, in that user's own AppData\\Local below the profile folder)\n"
    L"\n"
    L"--log PATH, with any command, appends what the run did to PATH (its folder made when missing)\n"
    L"in ConfigMgr's log format; run as SYSTEM, every run does so to\n"
    L"%ProgramData%\\VORN\\PLAXOR\\Logs\\plaxorcfg.log. A log is kept to 1 MB and one older file (.lo_).\n"
    L"\n"
    L"Text read from elsewhere shows its control characters escaped: \\r \\n \\t \\xHH \\uHHHH.\n"
    L"\n"
    L"Exit codes: 0 done (also when nothing needed changing); 1618 an installed AutoCAD is\n"
    L"running (nothing written; retry later; with --all-users: for some user, whose profiles\n"
    L"were left, and nothing else failed); 2 usage error; 1 any other failure (with --all-users\n"
    L"also a user hive that cannot be loaded; a profile without a hive file is only named).\n";

using operand_list = std::vector<std::wstring>;

// A command of plaxorcfg: everything that names it, checks its command line and runs it. The
// help text is its rows' usage lines, then their descriptions, in the table's order.
struct command {
    const wchar_t* name;
    const wchar_t* allowed;  // its options, each between spaces
    // How many operands the command line must have, once its options are read.
    size_t (*operand_count)(const operand_list& operands, const options& given);
    // What else is wrong with the command line once the count is right, or nothing; it may take
    // the operands into `given`.
    std::wstring (*check)(const operand_list& operands, options& given);
    outcome (*run)(const options& given, text_sink& out, warning_list& warnings);
    const wchar_t* usage;        // lines of the help text's synopsis
    const wchar_t* description;  // lines of the help text's descriptions; empty: told with another
};

size_t no_operands(const operand_list&, const options&)
{
    return 0;
}

std::wstring nothing_more(const operand_list&, options&)
{
    return {};
}

// --all-users and --user exclude each other.
std::wstring check_users(const options& given)
{
    if (given.all_users && !given.user.empty())
        return given.command + L" takes either --all-users or --user";
    return {};
}

std::wstring check_status(const operand_list&, options& given)
{
    if (given.check && given.json)
        return L"--json is not an option of status --check";
    return check_users(given);
}

std::wstring check_connections(const operand_list&, options& given)
{
    if (given.all == !given.releases.empty())
        return given.command + L" takes either --all or --release";
    return check_users(given);
}

std::wstring check_restore(const operand_list&, options& given)
{
    if (given.list && given.dry_run)
        return L"--dry-run is not an option of restore --list";
    if (!given.list && given.all_users)
        return L"restore puts a point back for one user: --user, not --all-users";
    return check_users(given);
}

std::wstring check_definitions(const operand_list& operands, options& given)
{
    given.action = operands[0];
    if (given.action != L"list" && given.action != L"test")
        return L"definitions takes list or test";
    if (given.action == L"test" && given.json)
        return L"--json is not an option of definitions test";
    return {};
}

std::wstring check_active_setup(const operand_list& operands, options& given)
{
    given.action = operands[0];
    if (given.action != L"install" && given.action != L"remove")
        return L"active-setup takes install or remove";
    if (given.action == L"remove" && !given.client_folder.empty())
        return L"--client-folder is not an option of active-setup remove";
    return {};
}

constexpr wchar_t connection_options[] = L" --all --release --dry-run --client-folder --all-users --user ";

const command commands[] = {
    {L"status", L" --json --check --client-folder --all-users --user ", no_operands, check_status, show_status,
     L"  plaxorcfg status [--json | --check] [--client-folder PATH] [--all-users | --user NAME]\n",
     L"status       the AutoCAD releases of this user: product, profile, install folder, whether\n"
     L"             connected, and why one cannot be; --json gives one JSON object; --check lists\n"
     L"             only the releases that can be connected but are not, and exits 1 if there are any\n"},
    {L"connect", connection_options, no_operands, check_connections,
     [](const options& given, text_sink& out, warning_list& warnings) {
         return change_connections(true, given, out, warnings);
     },
     L"  plaxorcfg connect (--all | --release R24.1 ...) [--dry-run] [--client-folder PATH]\n"
     L"                    [--all-users | --user NAME]\n",
     L"connect      puts the client folder and its release folder in front of the profile's support\n"
     L"             path and among its trusted paths; disconnect takes them out again\n"
     L"  --all             every release that can be connected (the others with their reason\n"
     L"                    on standard error)\n"
     L"  --release R       that release; give it again for more\n"
     L"  --dry-run         writes nothing, shows each value before and after\n"
     L"  --client-folder   the PLAXOR client folder (default: the folder of plaxorcfg.exe)\n"
     L"  --all-users       every user of this machine, logged on or not (as SYSTEM or an\n"
     L"                    administrator); a user whose AutoCAD runs is skipped (exit 1618)\n"
     L"  --user NAME       one user of this machine, by account name or SID\n"},
    {L"disconnect", connection_options, no_operands, check_connections,
     [](const options& given, text_sink& out, warning_list& warnings) {
         return change_connections(false, given, out, warnings);
     },
     L"  plaxorcfg disconnect (--all | --release R24.1 ...) [--dry-run] [--client-folder PATH]\n"
     L"                    [--all-users | --user NAME]\n",
     L""},
    {L"restore", L" --list --dry-run --all-users --user ",
     [](const operand_list&, const options& given) -> size_t { return given.list ? 0 : 1; }, check_restore, restore,
     L"  plaxorcfg restore --list [--all-users | --user NAME]\n"
     L"  plaxorcfg restore POINT [--dry-run] [--user NAME]\n",
     L"restore      --list lists the restore points; POINT (a name from the list, or a file) puts\n"
     L"             its values back, --dry-run shows them before and after; a point that holds\n"
     L"             anything but a profile's ACAD or TRUSTEDPATHS text is refused whole\n"},
    {L"definitions", L" --json ",
     [](const operand_list& operands, const options&) -> size_t {
         return operands.empty() || operands[0] != L"test" ? 1 : 2;
     },
     check_definitions, definitions,
     L"  plaxorcfg definitions list [--json]\n"
     L"  plaxorcfg definitions test NAME\n",
     L"definitions  list lists the connection definitions; test NAME tries the test login of one\n"},
    {L"active-setup", L" --client-folder ", [](const operand_list&, const options&) -> size_t { return 1; },
     check_active_setup, active_setup,
     L"  plaxorcfg active-setup install [--client-folder PATH]\n"
     L"  plaxorcfg active-setup remove\n",
     L"active-setup install has Windows run connect --all (with that client folder) once for each\n"
     L"             user at the next logon, again after each install; remove retires it (run as an\n"
     L"             administrator)\n"},
    {L"--version", L" ", no_operands, nothing_more,
     [](const options&, text_sink& out, warning_list&) {
         write_line(out, PLAXOR_VERSION_WIDE_TEXT);
         return outcome{};
     },
     L"  plaxorcfg --version\n",
     L"--version    the version of this release, alone on its line\n"},
};

std::wstring help_text()
{
    std::wstring text = help_head;
    for (const command& each : commands)
        text += each.usage;
    text += L"\n";
    for (const command& each : commands)
        text += each.description;
    return text + help_tail;
}

const command* find_command(const std::wstring& name)
{
    for (const command& each : commands)
        if (name == each.name)
            return &each;
    return nullptr;
}

// Takes the options into `given` and the other arguments into `operands`: what is wrong with them,
// or nothing.
std::wstring read_options(const std::vector<std::wstring>& args, const wchar_t* allowed, options& given,
                          operand_list& operands)
{
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg.rfind(L"--", 0) != 0) {
            operands.push_back(arg);
            continue;
        }
        if (std::wstring(allowed).find(L" " + arg + L" ") == std::wstring::npos)
            return arg + L" is not an option of " + given.command;
        if (arg == L"--release" || arg == L"--client-folder" || arg == L"--user") {
            if (i + 1 == args.size() || args[i + 1].empty() || args[i + 1].rfind(L"--", 0) == 0)
                return arg + L" needs a value";
            if (arg == L"--release")
                given.releases.push_back(args[++i]);
            else
                (arg == L"--user" ? given.user : given.client_folder) = args[++i];
        }
        given.all_users |= arg == L"--all-users";
        given.check |= arg == L"--check";
        given.all |= arg == L"--all";
        given.dry_run |= arg == L"--dry-run";
        given.json |= arg == L"--json";
        given.list |= arg == L"--list";
    }
    return {};
}

// The command the line names, or null with what is wrong with the line.
const command* parse(const std::vector<std::wstring>& args, options& given, std::wstring& problem)
{
    if (args.empty()) {
        problem = L"no command given";
        return nullptr;
    }
    given.command = args[0];
    const command* found = find_command(given.command);
    if (!found) {
        problem = L"unknown command " + given.command;
        return nullptr;
    }
    operand_list operands;
    problem = read_options(args, found->allowed, given, operands);
    if (problem.empty()) {
        const size_t wanted = found->operand_count(operands, given);
        if (operands.size() > wanted)
            problem = L"too many arguments for " + given.command;
        else if (operands.size() < wanted)
            problem = L"an argument is missing for " + given.command;
        else
            problem = found->check(operands, given);
    }
    if (!problem.empty())
        return nullptr;
    if (!operands.empty())
        given.operand = operands.back();
    return found;
}

// --log PATH may stand anywhere on any command line: it is taken out before the command's own
// options are read. What is wrong with it, or nothing.
std::wstring take_log_option(std::vector<std::wstring>& args, std::wstring& file)
{
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != L"--log")
            continue;
        if (i + 1 == args.size() || args[i + 1].empty() || args[i + 1].rfind(L"--", 0) == 0)
            return L"--log needs a value";
        file = args[i + 1];
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        --i;
    }
    return {};
}

bool asks_for_help(const std::vector<std::wstring>& args)
{
    for (const std::wstring& arg : args)
        if (arg == L"--help" || arg == L"-h" || arg == L"/?")
            return true;
    return !args.empty() && args[0] == L"help";
}

void write_warnings(const warning_list& warnings, text_sink& err)
{
    for (const std::wstring& warning : warnings.lines())
        write_line(err, L"plaxorcfg: warning: " + warning);
}

// The run once the log is set up: `usage_problem` is what is already known to be wrong with the
// command line.
int run(const std::vector<std::wstring>& args, std::wstring usage_problem, text_sink& out, text_sink& err,
        warning_list& warnings)
{
    if (usage_problem.empty() && asks_for_help(args)) {
        out.write(help_text());
        return exit_done;
    }
    options given;
    const command* named = usage_problem.empty() ? parse(args, given, usage_problem) : nullptr;
    if (!named) {
        write_warnings(warnings, err);
        write_line(err, L"plaxorcfg: " + usage_problem + L" (plaxorcfg --help lists the commands)");
        return exit_usage;
    }

    host::begin_restore_run();
    outcome result;
    try {
        result = named->run(given, out, warnings);
    } catch (const std::exception& problem) {
        result = failure(L"stopped by an internal error (" + std::wstring(problem.what(), problem.what() + std::strlen(problem.what())) + L")");
    }

    // What was gone past is told also when the run failed: a user skipped or a release left out
    // on the way is as much news then.
    write_warnings(warnings, err);
    if (result.code != exit_done)
        write_line(err, L"plaxorcfg: " + result.message);
    return result.code;
}

}  // namespace

int plaxorcfg_main(const std::vector<std::wstring>& args, text_sink& out, text_sink& err)
{
    std::vector<std::wstring> command_line = args;
    std::wstring log_option;
    const std::wstring log_problem = take_log_option(command_line, log_option);
    machine_log log(machine_log_file(log_option));
    log.write(L"start: " + logged_command_line(args), log_type::information);
    warning_list warnings;
    warnings.warn(log.trouble());
    int code = exit_done;
    {
        logged_sink logged_out(out, log, false), logged_err(err, log, true);
        code = run(command_line, log_problem, logged_out, logged_err, warnings);
    }
    log.write(L"exit code " + std::to_wstring(code),
              code == exit_done ? log_type::information : code == exit_acad_running ? log_type::warning : log_type::error);
    return code;
}

}  // namespace cli

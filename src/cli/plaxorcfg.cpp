#include "cli/plaxorcfg.h"

#include "cli/commands.h"
#include "host/restore_point.h"

#include <cstring>
#include <exception>

namespace cli {
namespace {

constexpr wchar_t help_text[] =
    L"plaxorcfg: Configure PLAXOR from the command line; it never asks anything.\n"
    L"\n"
    L"  plaxorcfg status [--json] [--client-folder PATH]\n"
    L"  plaxorcfg connect (--all | --release R24.1 ...) [--dry-run] [--client-folder PATH]\n"
    L"  plaxorcfg disconnect (--all | --release R24.1 ...) [--dry-run] [--client-folder PATH]\n"
    L"  plaxorcfg restore --list\n"
    L"  plaxorcfg restore POINT [--dry-run]\n"
    L"  plaxorcfg definitions list [--json]\n"
    L"  plaxorcfg definitions test NAME\n"
    L"\n"
    L"status       the AutoCAD releases of this user: product, profile, install folder, whether\n"
    L"             connected, and why one cannot be; --json gives one JSON object\n"
    L"connect      puts the client folder and its release folder in front of the profile's support\n"
    L"             path and among its trusted paths; disconnect takes them out again\n"
    L"  --all             every release that can be connected (the others with their reason\n"
    L"                    on standard error)\n"
    L"  --release R       that release; give it again for more\n"
    L"  --dry-run         writes nothing, shows each value before and after\n"
    L"  --client-folder   the PLAXOR client folder (default: the folder of plaxorcfg.exe)\n"
    L"restore      --list lists the restore points; POINT (a name from the list, or a file) puts\n"
    L"             its values back, --dry-run shows them before and after; a point that holds\n"
    L"             anything but a profile's ACAD or TRUSTEDPATHS text is refused whole\n"
    L"definitions  list lists the connection definitions; test NAME tries the test login of one\n"
    L"\n"
    L"Before a run first writes a profile value it saves the value in a restore point, a file that\n"
    L"`reg import` also puts back: %LOCALAPPDATA%\\VORN\\PLAXOR\\Restore Points\\<date>_<time>.reg\n"
    L"\n"
    L"Text read from elsewhere shows its control characters escaped: \\r \\n \\t \\xHH \\uHHHH.\n"
    L"\n"
    L"Exit codes: 0 done (also when nothing needed changing); 1618 an installed AutoCAD is\n"
    L"running (nothing written; retry later); 2 usage error; 1 any other failure.\n";

// The options each command takes, each between spaces.
const wchar_t* options_of(const std::wstring& command)
{
    if (command == L"status")
        return L" --json --client-folder ";
    if (command == L"connect" || command == L"disconnect")
        return L" --all --release --dry-run --client-folder ";
    if (command == L"restore")
        return L" --list --dry-run ";
    if (command == L"definitions")
        return L" --json ";
    return nullptr;
}

// Takes the options into `given` and the other arguments into `operands`: what is wrong with them,
// or nothing.
std::wstring read_options(const std::vector<std::wstring>& args, options& given, std::vector<std::wstring>& operands)
{
    given.command = args[0];
    const wchar_t* allowed = options_of(given.command);
    if (!allowed)
        return L"unknown command " + given.command;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg.rfind(L"--", 0) != 0) {
            operands.push_back(arg);
            continue;
        }
        if (std::wstring(allowed).find(L" " + arg + L" ") == std::wstring::npos)
            return arg + L" is not an option of " + given.command;
        if (arg == L"--release" || arg == L"--client-folder") {
            if (i + 1 == args.size() || args[i + 1].empty() || args[i + 1].rfind(L"--", 0) == 0)
                return arg + L" needs a value";
            if (arg == L"--release")
                given.releases.push_back(args[++i]);
            else
                given.client_folder = args[++i];
        }
        given.all |= arg == L"--all";
        given.dry_run |= arg == L"--dry-run";
        given.json |= arg == L"--json";
        given.list |= arg == L"--list";
    }
    return {};
}

// What is wrong with the command line, or nothing.
std::wstring parse(const std::vector<std::wstring>& args, options& given)
{
    if (args.empty())
        return L"no command given";
    std::vector<std::wstring> operands;
    if (std::wstring problem = read_options(args, given, operands); !problem.empty())
        return problem;
    const std::wstring& command = given.command;
    const size_t wanted_operands = command == L"definitions" ? (operands.empty() || operands[0] != L"test" ? 1 : 2)
                                   : command == L"restore"   ? (given.list ? 0 : 1)
                                                             : 0;
    if (operands.size() > wanted_operands)
        return L"too many arguments for " + command;
    if (operands.size() < wanted_operands)
        return L"an argument is missing for " + command;
    if (command == L"restore" && given.list && given.dry_run)
        return L"--dry-run is not an option of restore --list";
    if ((command == L"connect" || command == L"disconnect") && given.all == !given.releases.empty())
        return command + L" takes either --all or --release";
    if (command == L"definitions") {
        given.action = operands[0];
        if (given.action != L"list" && given.action != L"test")
            return L"definitions takes list or test";
        if (given.action == L"test" && given.json)
            return L"--json is not an option of definitions test";
    }
    if (!operands.empty())
        given.operand = operands.back();
    return {};
}

bool asks_for_help(const std::vector<std::wstring>& args)
{
    for (const std::wstring& arg : args)
        if (arg == L"--help" || arg == L"-h" || arg == L"/?")
            return true;
    return !args.empty() && args[0] == L"help";
}

outcome run(const options& given, text_sink& out, warning_list& warnings)
{
    if (given.command == L"status")
        return show_status(given, out, warnings);
    if (given.command == L"connect" || given.command == L"disconnect")
        return change_connections(given.command == L"connect", given, out, warnings);
    if (given.command == L"restore")
        return restore(given, out, warnings);
    return definitions(given, out, warnings);
}

}  // namespace

int plaxorcfg_main(const std::vector<std::wstring>& args, text_sink& out, text_sink& err)
{
    if (asks_for_help(args)) {
        out.write(help_text);
        return exit_done;
    }
    options given;
    if (const std::wstring problem = parse(args, given); !problem.empty()) {
        write_line(err, L"plaxorcfg: " + problem + L" (plaxorcfg --help lists the commands)");
        return exit_usage;
    }

    warning_list warnings;
    host::begin_restore_run();
    outcome result;
    try {
        result = run(given, out, warnings);
    } catch (const std::exception& problem) {
        result = failure(L"stopped by an internal error (" + std::wstring(problem.what(), problem.what() + std::strlen(problem.what())) + L")");
    }

    if (result.code != exit_done) {
        write_line(err, L"plaxorcfg: " + result.message);
        return result.code;
    }
    for (const std::wstring& warning : warnings.lines())
        write_line(err, L"plaxorcfg: warning: " + warning);
    return exit_done;
}

}  // namespace cli

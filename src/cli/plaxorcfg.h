#pragma once
// plaxorcfg: the silent command line of Configure PLAXOR for fleet deployment. It connects and
// disconnects AutoCAD profiles, lists and re-applies restore points, and lists and tests the
// connection definitions, through the same host and connections layers as the window, and never
// asks anything. `plaxorcfg --help` lists the commands.

#include "cli/text_sink.h"

#include <string>
#include <vector>

namespace cli {

// The exit codes fleet tools read.
constexpr int exit_done = 0;            // also when nothing needed changing
constexpr int exit_failed = 1;          // any other failure
constexpr int exit_usage = 2;           // the command line cannot be understood
constexpr int exit_acad_running = 1618; // an installed AutoCAD runs: nothing written, retry later

// Runs one command line (the arguments after the program's name) and returns the exit code.
// Output goes to `out`; every non-zero exit writes one line to `err`. Each call is a run of its
// own: what it writes is kept in a restore point of its own.
int plaxorcfg_main(const std::vector<std::wstring>& args, text_sink& out, text_sink& err);

}  // namespace cli

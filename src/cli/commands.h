#pragma once
// The commands of plaxorcfg, each run with a parsed and checked command line.

#include "cli/command_support.h"

namespace cli {

// status [--json] [--client-folder PATH]
outcome show_status(const options& given, text_sink& out, warning_list& warnings);
// connect | disconnect  --all | --release R...  [--dry-run] [--client-folder PATH]
outcome change_connections(bool connect, const options& given, text_sink& out, warning_list& warnings);
// restore --list | restore POINT [--dry-run]
outcome restore(const options& given, text_sink& out, warning_list& warnings);
// definitions list [--json] | definitions test NAME
outcome definitions(const options& given, text_sink& out, warning_list& warnings);
// active-setup install [--client-folder PATH] | active-setup remove
outcome active_setup(const options& given, text_sink& out, warning_list& warnings);

}  // namespace cli

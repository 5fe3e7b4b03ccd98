#pragma once
// The machine log: what a run under a deployment engine did, kept where administrators look for
// it when nobody saw the console. It is written in the line format of ConfigMgr's log viewers
// (CMTrace and its kin), which colour warnings and errors and merge it with the engines' own logs
// by time:
//   <![LOG[text]LOG]!><time="HH:MM:SS.mmm+bias" date="MM-DD-YYYY" component="plaxorcfg" context="" type="1" thread="N" file="">
// where bias is the time zone's bias in minutes (UTC = local time + bias) and type is 1
// information, 2 warning, 3 error. The file is UTF-8 with a byte-order mark, which those viewers
// need to read anything but ASCII.

#include "cli/text_sink.h"
#include "win/outcome.h"

#include <windows.h>

#include <string>
#include <vector>

namespace cli {

// A log file grows to this size; then it becomes the one older file and a new one begins.
constexpr ULONGLONG machine_log_limit = 1024 * 1024;

// Whether this process runs as the local system account, as the deployment engines run it.
bool runs_as_system();

// Where this run logs: `given` (--log) when given, else %ProgramData%\VORN\PLAXOR\Logs\plaxorcfg.log
// when running as the local system account, else nowhere (empty).
std::wstring machine_log_file(const std::wstring& given);

// The older file beside a log: its extension's last character made "_" (plaxorcfg.lo_), as
// ConfigMgr keeps its own logs' older files, so its viewers open both together.
std::wstring older_log_file(const std::wstring& file);

// The command line as the log holds it: each argument quoted when it holds a blank, and the value
// of an option whose name speaks of a credential masked (--password x, /pwd:x, --token=x). Like
// every text the log holds, it loses the user information of an address (https://user:pw@host)
// as it is written.
std::wstring logged_command_line(const std::vector<std::wstring>& args);

enum class log_type { information = 1, warning = 2, error = 3 };

class machine_log {
public:
    explicit machine_log(std::wstring file) : m_file(std::move(file)) {}
    machine_log(const machine_log&) = delete;
    machine_log& operator=(const machine_log&) = delete;

    bool active() const { return !m_file.empty(); }
    // One record per line of the text. A record that cannot be written is lost, not the run: the
    // first failure is kept for the run's warnings, and nothing more is tried.
    void write(const std::wstring& text, log_type type);
    const win::outcome& trouble() const { return m_trouble; }

private:
    win::outcome append(const std::string& bytes);

    std::wstring m_file;  // empty: this run keeps no log
    win::outcome m_trouble;
};

// A sink that passes its text on and logs each whole line: standard output as information,
// standard error's warning lines as warnings and its other lines as errors.
class logged_sink final : public text_sink {
public:
    logged_sink(text_sink& next, machine_log& log, bool standard_error) : m_next(next), m_log(log), m_standard_error(standard_error) {}
    ~logged_sink() override;

    void write(const std::wstring& text) override;

private:
    void log_line(const std::wstring& line);

    text_sink& m_next;
    machine_log& m_log;
    bool m_standard_error;
    std::wstring m_pending;  // a line not ended yet
};

}  // namespace cli

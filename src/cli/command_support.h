#pragma once
// What the commands of plaxorcfg share: the parsed command line, the warnings a command gathers,
// and JSON text.

#include "cli/text_sink.h"
#include "win/outcome.h"

#include <string>
#include <vector>

namespace cli {

struct options {
    std::wstring command;     // status, connect, disconnect, restore, definitions
    std::wstring action;      // of definitions: list or test
    std::wstring operand;     // the restore point, the definition's name
    std::vector<std::wstring> releases;
    std::wstring client_folder;  // empty: the folder of the executable
    std::wstring user;           // --user: one user of the machine, by name or SID
    bool all_users = false;      // every user of the machine
    bool check = false;          // status: the exit code tells whether all is connected
    bool all = false;
    bool dry_run = false;
    bool json = false;
    bool list = false;
};

struct outcome {
    int code = 0;
    std::wstring message;  // the line on standard error when the code is not 0
};

// Lines for standard error that do not fail the command: printed when it succeeds.
class warning_list {
public:
    void warn(const std::wstring& line) { m_lines.push_back(line); }
    // Each failure the outcome holds, as one line.
    void warn(const win::outcome& gone_past);
    const std::vector<std::wstring>& lines() const { return m_lines; }

private:
    std::vector<std::wstring> m_lines;
};

// The text on one line: line ends and tabs become single spaces, and none stand at either end.
std::wstring one_line(const std::wstring& text);

// Text from outside (the registry, files, servers, the command line) as it stands on a plain
// output line, which fleet tools read line by line: each control character (C0, DEL, C1) and
// the Unicode line and paragraph separators become an escape, \r, \n, \t, \xHH below U+0080
// and \uHHHH above; everything else stays as it is, backslashes too, so paths read as paths.
// JSON output escapes in its own way (json_string).
std::wstring escaped(const std::wstring& text);

// Writes one plain output line: the text escaped, then the line end.
void write_line(text_sink& out, const std::wstring& line);

// The failures' texts, each on one line, joined by "; ".
std::wstring failure_lines(const win::outcome& result);

// A failure (exit 1) whose message goes on with the failures of the step that failed, when it
// has any, and the restore point, when one was written.
outcome failure(const std::wstring& message, const win::outcome& step = {}, const std::wstring& restore_point = {});

// Writes one JSON value, object members and array elements each on a line of its own.
class json_writer {
public:
    explicit json_writer(std::wstring& out) : m_out(out) {}
    // `key` null: an array element or the whole document.
    void begin_object(const wchar_t* key = nullptr) { open(key, L'{'); }
    void end_object() { close(L'}'); }
    void begin_array(const wchar_t* key) { open(key, L'['); }
    void end_array() { close(L']'); }
    void string(const wchar_t* key, const std::wstring& value);
    void boolean(const wchar_t* key, bool value);
    void null(const wchar_t* key);

private:
    void open(const wchar_t* key, wchar_t bracket);
    void close(wchar_t bracket);
    void member(const wchar_t* key);

    std::wstring& m_out;
    std::vector<bool> m_empty;  // per open object or array: nothing in it yet
};

// A JSON string: quoted, with quotes, backslashes, control characters and unpaired surrogates
// escaped; everything else stays as it is (standard output carries it as UTF-8).
std::wstring json_string(const std::wstring& text);

}  // namespace cli

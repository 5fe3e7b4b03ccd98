#pragma once
// What the commands of plaxorcfg share: the parsed command line, the seam that turns the host
// layer's message boxes into recorded lines, the program's settings, and JSON text.

#include "cli/text_sink.h"
#include "ui/modal_seam.h"

#include <string>
#include <vector>

namespace cli {

struct options {
    std::wstring command;     // status, connect, disconnect, restore, definitions
    std::wstring action;      // of definitions: list or test
    std::wstring operand;     // the restore point, the definition's name
    std::vector<std::wstring> releases;
    std::wstring client_folder;  // empty: the folder of the executable
    bool all = false;
    bool dry_run = false;
    bool json = false;
    bool list = false;
};

struct outcome {
    int code = 0;
    std::wstring message;  // the line on standard error when the code is not 0
};

// Nothing is ever asked: a question gets "No", a dialog, picker or shell operation does not run.
// Each box is recorded as one line.
class console_seam final : public ui::modal_seam {
public:
    // The lines recorded since the last call (warnings aside), joined by "; ".
    std::wstring take();
    bool empty() const { return m_lines.empty(); }
    // What was recorded so far is no failure of what follows: it is shown as warnings when the
    // command succeeds.
    void keep_as_warnings();
    // A line for standard error that does not fail the command.
    void warn(const std::wstring& line) { m_warnings.push_back(line); }
    const std::vector<std::wstring>& warnings() const { return m_warnings; }

    int message_box(HWND owner, const std::wstring& text, UINT flags) override;
    INT_PTR run_dialog(ui::dialog& dlg, HWND owner) override;
    bool pick_folder(HWND owner, const std::wstring& title, const std::wstring& start_folder,
                     std::wstring& chosen) override;
    bool choose_colour(HWND owner, COLORREF& colour) override;
    HINSTANCE start_program(HWND owner, const std::wstring& file) override;
    ui::shell_outcome copy_items(const std::wstring& from, const std::wstring& to) override;
    ui::shell_outcome delete_items(const std::wstring& from) override;

private:
    std::vector<std::wstring> m_lines;
    std::vector<std::wstring> m_warnings;
};

// Equal but for case, as Windows compares release keys, names and file names.
bool same_text(const std::wstring& a, const std::wstring& b);

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

// A failure (exit 1) whose message goes on with what the boxes said, when they said anything,
// and the restore point, when one was written.
outcome failure(const std::wstring& message, console_seam& seam, const std::wstring& restore_point = {});

// The program's settings, read as the window reads them: "Version" machine-wide, the folders
// for the user, from Portable.ini beside the executable when it is there.
struct program_settings {
    bool portable = false;
    std::wstring version;
    std::wstring instance_factory;
    std::wstring cached_base;
    bool folders_read = false;  // the Instance Factory folder could be read
};

// False when the version cannot be read: the window closes then, before it shows anything.
bool read_settings(program_settings& settings);

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

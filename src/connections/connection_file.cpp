// The definition's INI file: two sections, "General" and "httpConn". write_ini writes every key
// in the order of connection_fields, so that a new file lists them in that order; reading a key
// that is missing gives the field's value when missing.

#include "connections/connection.h"

#include "connections/connection_fields.h"
#include "vorn/vorn_crypt.h"
#include "vorn/vorn_line_text.h"
#include "vorn/vorn_profile_draft.h"
#include "win/system_text.h"
#include "win/unique_handle.h"

#include <algorithm>
#include <cwctype>
#include <variant>

namespace {

constexpr int text_capacity = 1024;  // so at most 1023 characters of a value come back
constexpr int date_capacity = 260;

class crypt_text {
public:
    explicit crypt_text(char* text) : m_text(text) {}
    ~crypt_text() { dbcCrypt_free(m_text); }
    crypt_text(const crypt_text&) = delete;
    crypt_text& operator=(const crypt_text&) = delete;
    const char* get() const { return m_text; }

private:
    char* m_text;
};

const wchar_t* section_of(field_place place)
{
    switch (place) {
    case field_place::general:
        return L"General";
    case field_place::http_conn:
        return L"httpConn";
    default:
        return nullptr;
    }
}

// The status a failed step left, or `fallback` when it left none.
win::outcome refused(DWORD status, DWORD fallback)
{
    return win::outcome::failed(win::system_text(status != ERROR_SUCCESS ? status : fallback));
}

// Why no draft could be made beside the file: a missing folder says it more clearly than the
// status of the step that failed in it.
DWORD draft_failure(const std::wstring& file)
{
    const DWORD status = GetLastError();
    const std::wstring folder = file.substr(0, file.find_last_of(L'\\'));
    return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES ? ERROR_PATH_NOT_FOUND : status;
}

// The draft of a definition's file, with the reason of the first value it did not take.
struct draft_sink {
    vorn_profile_draft& draft;
    std::wstring reason;

    void store(const wchar_t* section, const wchar_t* key, const wchar_t* value)
    {
        SetLastError(ERROR_SUCCESS);
        if (draft.write(section, key, value) || !reason.empty())
            return;
        reason = holds_control_character(value ? value : L"")
                     ? std::wstring(L"the value of ") + key + L" holds a line break or another control character"
                     : win::system_text(GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT);
    }
};

// One key of the definition's file, read from the file and written into a draft of it. Reading
// never falls back on the platform's default file (win.ini) for a definition without a file.
class ini_key {
public:
    ini_key(const vorn_buffer& path, const connection_field& field, draft_sink* draft = nullptr)
        : m_path(path), m_section(section_of(field.place)), m_key(field.key), m_draft(draft)
    {
    }

    vorn_buffer text(const wchar_t* fallback) const
    {
        if (m_path.is_empty())
            return fallback;
        wchar_t text[text_capacity];
        text[0] = L'\0';
        GetPrivateProfileStringW(m_section, m_key, fallback, text, text_capacity, m_path);
        return text;
    }

    int number(int fallback) const
    {
        if (m_path.is_empty())
            return fallback;
        return static_cast<int>(GetPrivateProfileIntW(m_section, m_key, fallback, m_path));
    }

    void store(const wchar_t* text) const { m_draft->store(m_section, m_key, text); }

private:
    const vorn_buffer& m_path;
    const wchar_t* m_section;
    const wchar_t* m_key;
    draft_sink* m_draft;
};

vorn_buffer deciphered(const vorn_buffer& stored)
{
    vorn_buffer plain;
    if (stored.is_empty())
        return plain;
    const crypt_text deciphered(dbcCrypt_decrypt(nullptr, stored.convert_to_ansi()));
    if (deciphered.get())
        plain.makeFrom(deciphered.get(), 0);
    return plain;
}

// Passwords are stored whatever the remember flags say, and always enciphered.
void store_password(const ini_key& key, const wchar_t* plain)
{
    vorn_buffer stored;
    if (plain && *plain) {
        const vorn_buffer wide(plain);
        const crypt_text cipher(dbcCrypt_encrypt(nullptr, wide.convert_to_ansi()));
        // Never store the password in the clear, nor wipe the one stored: the file keeps it.
        if (!cipher.get())
            return;
        stored.makeFrom(cipher.get(), 0);
    }
    key.store(stored);
}

void read_field(connection& conn, const ini_key& key, const text_field& field)
{
    vorn_buffer& value = conn.*field.member;
    value = key.text(field.when_missing);
    if (field.form == text_form::password)
        value = deciphered(value);
    else if (field.form == text_form::name && value.is_empty())
        value = conn.file_stem;
}

void read_field(connection& conn, const ini_key& key, const number_field& field)
{
    conn.*field.member = std::clamp(key.number(field.when_missing), field.lowest, field.highest);
}

void read_field(connection& conn, const ini_key& key, const flag_field& field)
{
    conn.*field.member = key.number(field.when_missing ? 1 : 0) != 0;
}

void read_field(connection& conn, const ini_key& key, const colour_field& field)
{
    conn.*field.member = static_cast<COLORREF>(key.number(static_cast<int>(connection::s_def_colour)));
}

void read_field(connection& conn, const ini_key& key, const date_field& field)
{
    TIMESTAMP_STRUCT& value = conn.*field.member;
    value = {};
    const vorn_buffer text = key.text(L"");
    if (!text.is_empty())
        dbc_assignDate(text, &value);
}

template <typename T>
void read_field(connection&, const ini_key&, const memory_field<T>&)
{
}

void write_field(const connection& conn, const ini_key& key, const text_field& field)
{
    const vorn_buffer& value = conn.*field.member;
    if (field.form == text_form::password)
        store_password(key, value);
    // A name that only repeats the file's name is not stored: renaming the file renames it.
    else if (field.form == text_form::name && value.compare_no_case(conn.file_stem))
        key.store(L"");
    else
        key.store(value);
}

void write_field(const connection& conn, const ini_key& key, const number_field& field)
{
    key.store(vorn_buffer(static_cast<long>(conn.*field.member)));
}

void write_field(const connection& conn, const ini_key& key, const flag_field& field)
{
    key.store(conn.*field.member ? L"1" : L"0");
}

void write_field(const connection& conn, const ini_key& key, const colour_field& field)
{
    key.store(vorn_buffer(static_cast<long>(static_cast<int>(conn.*field.member))));
}

void write_field(const connection& conn, const ini_key& key, const date_field& field)
{
    const TIMESTAMP_STRUCT& value = conn.*field.member;
    wchar_t text[date_capacity] = {};
    if (value.year != 0)
        dbc_formatDate(&value, text, date_capacity, dbc_date_style_stored);
    key.store(text);
}

template <typename T>
void write_field(const connection&, const ini_key&, const memory_field<T>&)
{
}

}  // namespace

void connection::read_ini()
{
    for (const connection_field& field : connection_fields) {
        const ini_key key(ini_path, field);
        std::visit([&](const auto& kind) { read_field(*this, key, kind); }, field.kind);
    }
}

// Nothing is written for a definition without a file, nor when no draft can be made (the file
// is read-only, or the folder is missing or has no room for a copy); the file then stays as it
// was. The draft refuses a read-only file without a status: Windows itself would deny access.
win::outcome connection::write_ini()
{
    if (ini_path.is_empty())
        return win::outcome::failed(L"the definition has no file");
    const DWORD attributes = GetFileAttributesW(ini_path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return refused(ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED);
    SetLastError(ERROR_SUCCESS);
    vorn_profile_draft draft(ini_path.str());
    if (draft.path().empty())
        return refused(draft_failure(ini_path.str()), ERROR_CANNOT_MAKE);
    draft_sink sink{draft, {}};
    for (const connection_field& field : connection_fields) {
        const ini_key key(ini_path, field, &sink);
        std::visit([&](const auto& kind) { write_field(*this, key, kind); }, field.kind);
    }
    if (!sink.reason.empty())
        return win::outcome::failed(sink.reason);
    SetLastError(ERROR_SUCCESS);
    if (!draft.replace_file())
        return refused(GetLastError(), ERROR_WRITE_FAULT);
    return {};
}

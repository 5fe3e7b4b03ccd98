#include "vorn/vorn_profile_draft.h"

#include "vorn/vorn_line_text.h"
#include "win/unique_handle.h"

#include <windows.h>

#include <vector>

namespace {

// Attributes that a replaced file keeps; read-only never comes here, as no draft is made then.
constexpr DWORD kept_attributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Gives the draft the permissions of the file before anything of the file is copied into it, so
// that what only some may read is never readable by others, not even for a moment. The
// platform's replace keeps them on Windows; Wine's renames the draft over the file. False when
// the file has permissions that the draft cannot take.
bool take_permissions(const std::wstring& file, const std::wstring& draft)
{
    constexpr SECURITY_INFORMATION which = DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    GetFileSecurityW(file.c_str(), which, nullptr, 0, &size);
    if (size == 0)
        return true;  // a new file, or one whose permissions cannot be read: nothing to keep
    std::vector<BYTE> descriptor(size);
    if (!GetFileSecurityW(file.c_str(), which, descriptor.data(), size, &size))
        return true;
    return SetFileSecurityW(draft.c_str(), which, descriptor.data()) != FALSE;
}

}  // namespace

vorn_profile_draft::vorn_profile_draft(const std::wstring& file) : m_file(file)
{
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return;
    const std::wstring folder = file.substr(0, file.find_last_of(L'\\'));
    wchar_t draft[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"dbc", 0, draft))
        return;
    m_draft = draft;
    if (!take_permissions(file, m_draft)) {
        discard();
        return;
    }
    // The copy keeps whatever else the file holds.
    if (!CopyFileW(file.c_str(), draft, FALSE) && GetLastError() != ERROR_FILE_NOT_FOUND)
        discard();
}

vorn_profile_draft::~vorn_profile_draft() { discard(); }

bool vorn_profile_draft::write(const wchar_t* section, const wchar_t* key, const wchar_t* value)
{
    if (m_draft.empty() || holds_control_character(value ? value : L"")) {
        m_refused = true;
        return false;
    }
    m_keys.emplace_back(section, key);
    if (WritePrivateProfileStringW(section, key, value, m_draft.c_str()))
        return true;
    m_refused = true;
    return false;
}

// An existing file is replaced by the platform's own operation, which keeps its attributes and
// permissions; a new one is the draft renamed.
bool vorn_profile_draft::replace_file()
{
    if (m_draft.empty() || m_refused || !complete())
        return false;
    const DWORD attributes = GetFileAttributesW(m_file.c_str());
    bool replaced = false;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        replaced = MoveFileExW(m_draft.c_str(), m_file.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
    } else {
        // A backup of our own naming: without one the platform's replace may leave a file of its
        // own behind when it fails (Wine's does). The old file goes back if it was only moved aside.
        const std::wstring backup = m_draft + L".old";
        // Only now: the profile writes above would not open a hidden or system draft.
        replaced = ((attributes & kept_attributes) == 0 || SetFileAttributesW(m_draft.c_str(), attributes & kept_attributes)) &&
                   ReplaceFileW(m_file.c_str(), m_draft.c_str(), backup.c_str(), 0, nullptr, nullptr);
        if (!replaced && GetFileAttributesW(m_file.c_str()) == INVALID_FILE_ATTRIBUTES)
            MoveFileExW(backup.c_str(), m_file.c_str(), 0);
        DeleteFileW(backup.c_str());
    }
    if (!replaced)
        return false;
    m_draft.clear();
    return true;
}

// The platform ends every line it writes with a line break, in UTF-16 too; a key that a cut
// took away reads as the fallback, which no written value can be.
bool vorn_profile_draft::complete() const
{
    const win::unique_file file(CreateFileW(m_draft.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size))
        return false;
    if (size.QuadPart > 0) {
        char tail[2] = {};
        const DWORD wanted = size.QuadPart >= 2 ? 2 : 1;
        DWORD read = 0;
        if (SetFilePointer(file.get(), -static_cast<LONG>(wanted), nullptr, FILE_END) == INVALID_SET_FILE_POINTER ||
            !ReadFile(file.get(), tail, wanted, &read, nullptr) || read != wanted)
            return false;
        const bool line_end = tail[wanted - 1] == '\n' || (wanted == 2 && tail[0] == '\n' && tail[1] == '\0');
        if (!line_end)
            return false;
    }
    constexpr wchar_t missing[] = L"\x1\x2missing";
    for (const auto& [section, key] : m_keys) {
        wchar_t text[16];
        GetPrivateProfileStringW(section, key, missing, text, 16, m_draft.c_str());
        if (std::wstring(text) == missing)
            return false;
    }
    return true;
}

void vorn_profile_draft::discard()
{
    if (!m_draft.empty())
        DeleteFileW(m_draft.c_str());
    m_draft.clear();
}

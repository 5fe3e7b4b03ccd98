#pragma once
// A private-profile (INI) file is written into a copy beside it, which replaces the file only
// once every key is in and the copy is whole: a failure half-way leaves the file as it was, not
// half old, half new. A full disk cuts a profile file short while the platform's write still
// reports success, so the copy is checked before it replaces anything.

#include <string>
#include <vector>

class vorn_profile_draft {
public:
    // No draft (path() empty) for a read-only file, which is not to be changed: Windows would
    // refuse to write it anyway, Wine lets an administrator do it. A missing file starts the
    // draft empty.
    explicit vorn_profile_draft(const std::wstring& file);
    ~vorn_profile_draft();
    vorn_profile_draft(const vorn_profile_draft&) = delete;
    vorn_profile_draft& operator=(const vorn_profile_draft&) = delete;

    // Empty when no draft could be made.
    const std::wstring& path() const { return m_draft; }

    // Writes one key into the draft; replace_file checks that it is there. A value holding a
    // control character is refused (false) and makes replace_file refuse too, so the file never
    // gains a line that a value smuggled in, whoever forgets to look at the result.
    bool write(const wchar_t* section, const wchar_t* key, const wchar_t* value);

    // Replaces the file when every write was taken, the draft ends with a whole line and holds
    // every key written; false, leaving the file as it was, otherwise. The file keeps its
    // attributes and permissions.
    bool replace_file();

private:
    bool complete() const;
    void discard();

    std::wstring m_file;
    std::wstring m_draft;
    std::vector<std::pair<const wchar_t*, const wchar_t*>> m_keys;
    bool m_refused = false;
};

// The parts of registry.h that only look at a value's type and bytes, apart from the registry
// calls, so that the restore point's text can be checked on its own, outside the platform.
#include "host/registry.h"

#include <cstring>

namespace host {

bool is_text_type(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type > REG_QWORD;
}

std::wstring stored_text(const stored_value& value)
{
    std::wstring text(value.data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value.data.data(), text.size() * sizeof(wchar_t));
    const size_t end = text.find(L'\0');
    if (end != std::wstring::npos)
        text.resize(end);
    return text;
}

}  // namespace host

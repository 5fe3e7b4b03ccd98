#include "connections/file_stem.h"

#include <string_view>

vorn_buffer file_stem_of(const vorn_buffer& path)
{
    constexpr size_t stem_capacity = 259;
    std::wstring_view name(path.str());
    const size_t folder_end = name.find_last_of(L"\\/:");
    if (folder_end != std::wstring_view::npos)
        name.remove_prefix(folder_end + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring_view::npos)
        name = name.substr(0, dot);
    return vorn_buffer(std::wstring(name.substr(0, stem_capacity)).c_str());
}

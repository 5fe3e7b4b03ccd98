// The text of a restore point. An input that starts with a UTF-16 byte-order mark is a file as it
// lies in the restore point folder: read, written and read again it gives the values it gave.
// Any other input makes values (keys, names, types and bytes): written and read back they are
// the same values, unless the export cannot hold them (can_export), which the writer refuses.

#include "fuzz_support.h"

#include "host/reg_export.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string shown(const std::vector<host::exported_value>& values)
{
    std::string text;
    for (const host::exported_value& entry : values) {
        text += fuzz::narrow_for_log(entry.key_path) + " | " + fuzz::narrow_for_log(entry.name) + " | " +
                (entry.value.exists ? std::to_string(entry.value.type) + " " + std::to_string(entry.value.data.size())
                                    : std::string("deleted")) +
                "\n";
    }
    return text;
}

bool same(const std::vector<host::exported_value>& a, const std::vector<host::exported_value>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.key_path == y.key_path && x.name == y.name && x.value == y.value;
    });
}

void written_and_read(const std::vector<host::exported_value>& values)
{
    const std::wstring text = host::reg_export_text(values, {L"a comment"});
    std::vector<host::exported_value> again;
    std::wstring error;
    fuzz::check(host::parse_reg_export(text, again, error), "a written restore point reads",
                fuzz::narrow_for_log(error) + "\n" + shown(values));
    // The writer groups values by key: compare key by key, in the order each key comes.
    std::vector<host::exported_value> grouped;
    std::vector<bool> taken(values.size(), false);
    for (size_t first = 0; first < values.size(); ++first)
        for (size_t i = first; i < values.size(); ++i)
            if (!taken[i] && values[i].key_path == values[first].key_path) {
                grouped.push_back(values[i]);
                taken[i] = true;
            }
    fuzz::check(same(again, grouped), "a restore point reads back the values written", shown(grouped) + "--\n" + shown(again) +
                                                                           "--\n" + fuzz::narrow_for_log(text));
}

std::wstring any_text(FuzzedDataProvider& input, size_t longest)
{
    std::wstring text;
    const size_t length = input.ConsumeIntegralInRange<size_t>(0, longest);
    for (size_t i = 0; i < length && input.remaining_bytes() > 0; ++i)
        text += static_cast<wchar_t>(input.ConsumeBool() ? input.ConsumeIntegralInRange<uint16_t>(0x20, 0x7E)
                                                         : input.ConsumeIntegral<uint16_t>());
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        const std::wstring text = fuzz::utf16_text(data + 2, size - 2);
        std::vector<host::exported_value> values;
        std::wstring error;
        if (!host::parse_reg_export(text, values, error)) {
            fuzz::check(!error.empty(), "a refused restore point says why");
            return 0;
        }
        written_and_read(values);
        // Comment lines (";" first, not the continuation of a line that ends in "\") hold no value.
        std::wstring uncommented;
        bool continued = false;
        for (size_t start = 0; start <= text.size();) {
            const size_t end = std::min(text.find(L'\n', start), text.size());
            const std::wstring line = text.substr(start, end - start);
            if (continued || line.empty() || line[0] != L';')
                uncommented += line + L"\n";
            const size_t last = line.find_last_not_of(L'\r');
            continued = last != std::wstring::npos && line[last] == L'\\';
            start = end + 1;
        }
        std::vector<host::exported_value> without_comments;
        fuzz::check(host::parse_reg_export(uncommented, without_comments, error) && same(without_comments, values),
                    "comment lines change no value", shown(values) + "--\n" + shown(without_comments));
        return 0;
    }

    FuzzedDataProvider input(data, size);
    std::vector<host::exported_value> values;
    const size_t count = input.ConsumeIntegralInRange<size_t>(0, 6);
    for (size_t i = 0; i < count; ++i) {
        host::exported_value entry;
        entry.key_path = input.ConsumeBool() && !values.empty() ? values.back().key_path
                                                                : L"Software\\Autodesk\\AutoCAD\\" + any_text(input, 30);
        entry.name = input.ConsumeBool() ? (input.ConsumeBool() ? L"ACAD" : L"TRUSTEDPATHS") : any_text(input, 12);
        entry.value.exists = input.ConsumeIntegralInRange<int>(0, 7) != 0;
        if (entry.value.exists) {
            const int kind = input.ConsumeIntegralInRange<int>(0, 3);
            entry.value.type = kind == 0 ? REG_SZ : kind == 1 ? REG_EXPAND_SZ : kind == 2 ? REG_DWORD : input.ConsumeIntegral<DWORD>();
            if (kind < 2 && input.ConsumeBool()) {  // a text as it is stored: its characters and a NUL
                const std::wstring text = any_text(input, 80);
                entry.value.data.resize((text.size() + 1) * sizeof(wchar_t));
                std::memcpy(entry.value.data.data(), text.c_str(), entry.value.data.size());
            } else {
                entry.value.data = input.ConsumeBytes<BYTE>(input.ConsumeIntegralInRange<size_t>(0, 200));
            }
        }
        values.push_back(std::move(entry));
    }
    // A line end in a key path or name cannot be exported: the restore point refuses those.
    if (std::all_of(values.begin(), values.end(), host::can_export))
        written_and_read(values);
    return 0;
}

// The dates of the client library. The stored text read and written again is the same text (a
// fraction of zero apart, which is not written), and written into a buffer of any size a date
// never passes its end.

#include "fuzz_support.h"

#include "vorn/vorn_dates.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <memory>
#include <vector>
#include <string>

namespace {

// The date written into a buffer of exactly `size` characters on the heap, so that the address
// sanitizer sees a write past it.
std::wstring written(const TIMESTAMP_STRUCT& date, int size, int style, int& result)
{
    const auto buffer = std::make_unique<wchar_t[]>(static_cast<size_t>(size));
    result = dbc_formatDate(&date, buffer.get(), size, style);
    const std::wstring text = buffer[0] == L'\0' ? std::wstring() : std::wstring(buffer.get());
    fuzz::check(text.size() < static_cast<size_t>(size), "the written date ends within its buffer");
    fuzz::check(result == 0 ? text.empty() : !text.empty(), "a date is written exactly when the result says so");
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int buffer_size = input.ConsumeIntegralInRange<int>(1, 40);
    TIMESTAMP_STRUCT any{};
    any.year = input.ConsumeIntegral<SQLSMALLINT>();
    any.month = input.ConsumeIntegral<SQLUSMALLINT>();
    any.day = input.ConsumeIntegral<SQLUSMALLINT>();
    any.hour = input.ConsumeIntegral<SQLUSMALLINT>();
    any.minute = input.ConsumeIntegral<SQLUSMALLINT>();
    any.second = input.ConsumeIntegral<SQLUSMALLINT>();
    any.fraction = input.ConsumeIntegral<SQLUINTEGER>();
    int result = 0;
    written(any, buffer_size, input.ConsumeBool() ? dbc_date_style_stored : dbc_date_style_shown, result);

    // The rest is a stored text, UTF-16 as the program keeps it.
    const std::vector<uint8_t> bytes = input.ConsumeRemainingBytes<uint8_t>();
    std::wstring text = fuzz::utf16_text(bytes.data(), bytes.size());
    text = text.substr(0, text.find(L'\0'));
    TIMESTAMP_STRUCT date;
    if (!dbc_assignDate(text.c_str(), &date)) {
        const TIMESTAMP_STRUCT zero{};
        fuzz::check(std::memcmp(&date, &zero, sizeof date) == 0, "a refused text leaves the date all zeros");
        return 0;
    }
    const std::wstring again = written(date, 64, dbc_date_style_stored, result);
    fuzz::check(again == text || again + L".000000000" == text, "a stored date is written as it was read",
                fuzz::narrow_for_log(text) + " -> " + fuzz::narrow_for_log(again));
    written(date, static_cast<int>(again.size()), dbc_date_style_stored, result);
    fuzz::check(result == 0, "a buffer without room for the terminator takes no date");
    written(date, 64, dbc_date_style_shown, result);
    fuzz::check(result != 0, "a date that reads is shown");
    return 0;
}

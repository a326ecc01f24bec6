// Contacts' numbers come from vCards and other programs. Whatever they hold, the search's forms
// of them must not crash: the compact form has no separators left and keeps its own form, and
// a national form is digits only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/phone_numbers.h"

namespace {

bool digits_only(const platform::WString& text) {
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const platform::WString number =
        platform::from_utf8(std::string_view(reinterpret_cast<const char*>(data), size));
    const platform::WString compact = platform::compact_number(number);
    if (compact.size() > number.size() || platform::compact_number(compact) != compact) {
        std::abort();
    }
    for (char16_t c : compact) {
        if (platform::is_number_separator(c)) {
            std::abort();
        }
    }
    if (const auto national = platform::national_number(number)) {
        if (national->number.empty() || !digits_only(national->number) ||
            !digits_only(national->trunk)) {
            std::abort();
        }
    }
    return 0;
}

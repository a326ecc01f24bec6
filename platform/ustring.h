#pragma once
// Wide text as the program sees it: UTF-16 code units, compared unit by unit.
// UTF-8 appears only at the Linux edges (file names, environment, terminal).

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

using WString = std::u16string;
using WStringView = std::u16string_view;

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string to_utf8(WStringView text);
// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD, one per bad byte.
WString from_utf8(std::string_view text);
// Narrow log and language text: every byte becomes the code unit of the same value
// (0x80-0xFF map to U+0080-U+00FF).
WString widen(std::string_view text);
// Decimal text of an integer, as the log writes it.
WString to_wstring(long long value);

// ASCII-only case folding; enough for registry keys, file names and skin keys.
char16_t ascii_lower(char16_t c);
bool equals_ignore_ascii_case(WStringView a, WStringView b);

}  // namespace platform

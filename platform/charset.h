#pragma once
// Text in a named character set (a vCard's CHARSET=KOI8-R ...) turned into UTF-8 by the C
// library's converter, and the charset of text that names none guessed from its bytes.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Nothing when the character set is unknown here or the bytes are not text in it.
std::optional<std::string> convert_to_utf8(std::string_view bytes, const std::string& charset);

// The charset 8-bit text most likely is in, as a name the converter knows ("WINDOWS-1251",
// "ISO-8859-1" ...); empty when the bytes give no usable guess (pure ASCII among them).
std::string guess_charset(std::string_view bytes);

}  // namespace platform

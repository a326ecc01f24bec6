#pragma once
// Text in a named character set (a vCard's CHARSET=KOI8-R ...) turned into UTF-8 by the C
// library's converter.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Nothing when the character set is unknown here or the bytes are not text in it.
std::optional<std::string> convert_to_utf8(std::string_view bytes, const std::string& charset);

}  // namespace platform

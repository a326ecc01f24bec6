#pragma once
// The key=value text files: language files, the keypad map and the favourites. Either 8-bit
// text (one byte, one character) or UTF-16LE after an FF FE byte-order mark.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ustring.h"

namespace velvane {

using KeyValues = std::map<platform::WString, platform::WString>;

// Decodes the bytes of such a file: UTF-16LE when they are at least 2 bytes, of even length
// and start with FF FE; otherwise every byte widens to one character.
platform::WString decode_key_value_text(std::string_view bytes);

// Stores every pair of the bytes into map, replacing texts of keys already there. Each line:
// optional blanks, the key up to the first blank or "=", then "=" and the text, or blanks and
// the text; the text runs to the end of the line as written. Lines without a key are skipped.
void parse_key_values(std::string_view bytes, KeyValues& map);

// Such files hold a few kilobytes; a larger one is refused rather than read whole.
inline constexpr size_t kMaxKeyValueFileBytes = 4u << 20;

// The bytes of such a file; nothing when it is missing, unreadable or larger than
// kMaxKeyValueFileBytes (that one with a log line).
std::optional<std::string> read_key_value_file(platform::WStringView path);

// False when the file cannot be read; otherwise its pairs are stored into map.
bool read_key_values(platform::WStringView path, KeyValues& map);

}  // namespace velvane

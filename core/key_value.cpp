#include "core/key_value.h"

#include "core/log.h"
#include "platform/files.h"

namespace velvane {

namespace {

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

bool is_line_end(char16_t c) { return c == u'\r' || c == u'\n'; }

// One line without its end; blank lines and keyless lines add nothing.
void parse_line(platform::WStringView line, int line_number, KeyValues& map) {
    size_t pos = 0;
    while (pos < line.size() && is_blank(line[pos])) {
        ++pos;
    }
    if (pos == line.size()) {
        return;
    }
    const size_t key_start = pos;
    while (pos < line.size() && !is_blank(line[pos]) && line[pos] != u'=') {
        ++pos;
    }
    if (pos == key_start) {
        log() << "read_key_values: line " << line_number << " has no key, skipped\n";
        return;
    }
    platform::WString key(line.substr(key_start, pos - key_start));
    if (pos < line.size()) {
        if (line[pos] == u'=') {
            ++pos;
        } else {
            // A blank before "=" makes the "=" part of the text.
            while (pos < line.size() && is_blank(line[pos])) {
                ++pos;
            }
        }
    }
    map.insert_or_assign(std::move(key), platform::WString(line.substr(pos)));
}

}  // namespace

platform::WString decode_key_value_text(std::string_view bytes) {
    const bool utf16 = bytes.size() >= 2 && bytes.size() % 2 == 0 &&
                       static_cast<unsigned char>(bytes[0]) == 0xFF &&
                       static_cast<unsigned char>(bytes[1]) == 0xFE;
    if (!utf16) {
        // Bytes 0x80-0xFF become U+0080-U+00FF, as for all narrow text; files that need
        // more are written in UTF-16.
        return platform::widen(bytes);
    }
    platform::WString text;
    text.reserve(bytes.size() / 2 - 1);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return text;
}

void parse_key_values(std::string_view bytes, KeyValues& map) {
    const platform::WString text = decode_key_value_text(bytes);
    const platform::WStringView view(text);
    size_t start = 0;
    int line_number = 1;
    while (start < view.size()) {
        size_t end = start;
        while (end < view.size() && !is_line_end(view[end])) {
            ++end;
        }
        parse_line(view.substr(start, end - start), line_number, map);
        // CR LF is one line end; CR CR or LF LF are two.
        if (end < view.size()) {
            end += (view[end] == u'\r' && end + 1 < view.size() && view[end + 1] == u'\n') ? 2 : 1;
        }
        start = end;
        ++line_number;
    }
}

std::optional<std::string> read_key_value_file(platform::WStringView path) {
    platform::LimitedRead read = platform::read_file_limited(path, kMaxKeyValueFileBytes);
    if (read.status == platform::FileRead::too_large) {
        log() << u"read_key_values: " << path << u" is larger than "
              << static_cast<int>(kMaxKeyValueFileBytes >> 20) << u" MB, not read\n";
    }
    if (read.status != platform::FileRead::ok) {
        return std::nullopt;
    }
    return std::move(read.bytes);
}

bool read_key_values(platform::WStringView path, KeyValues& map) {
    const auto bytes = read_key_value_file(path);
    if (!bytes) {
        log() << u"read_key_values: cannot read " << path << u"\n";
        return false;
    }
    parse_key_values(*bytes, map);
    return true;
}

}  // namespace velvane

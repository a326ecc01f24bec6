// Charsets of vCard text. UTF-8 and ISO-8859-1 are read here directly; the rest (Shift_JIS,
// the Windows code pages, KOI8-R and the like, which older phones write) come from the
// platform's converter.

#include "contacts/vcard.h"
#include "platform/charset.h"

namespace velvane {

bool is_valid_utf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t extra;
        char32_t min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (s.size() - i <= extra) {
            return false;
        }
        char32_t cp = c & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

namespace {

WString sniffed(std::string_view bytes) {
    return is_valid_utf8(bytes) ? platform::from_utf8(bytes) : platform::widen(bytes);
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

// Charset names are plain tokens; anything else is not handed to the converter.
bool is_charset_name(std::string_view name) {
    if (name.empty() || name.size() > 40) {
        return false;
    }
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                        c == '_' || c == '.' || c == ':';
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace

WString decode_charset(std::string_view bytes, std::string_view charset) {
    const std::string name = upper(charset);
    if (name.empty() || name == "UTF-8" || name == "UTF8") {
        return sniffed(bytes);
    }
    if (name == "ISO-8859-1" || name == "ISO8859-1" || name == "LATIN1" || name == "US-ASCII" ||
        name == "ASCII") {
        return platform::widen(bytes);
    }
    if (is_charset_name(name)) {
        if (const std::optional<std::string> utf8 = platform::convert_to_utf8(bytes, name)) {
            return platform::from_utf8(*utf8);
        }
    }
    return sniffed(bytes);
}

}  // namespace velvane

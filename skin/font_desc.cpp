#include "skin/font_desc.h"

#include <climits>
#include <initializer_list>
#include <optional>

namespace zentra {

namespace {

bool is_blank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

void skip_blanks(platform::WStringView text, size_t& pos) {
    while (pos < text.size() && is_blank(text[pos]))
        ++pos;
}

// An optionally signed decimal number after optional blanks; too many digits saturate.
std::optional<int> read_integer(platform::WStringView text, size_t& pos) {
    size_t p = pos;
    skip_blanks(text, p);
    bool negative = false;
    if (p < text.size() && (text[p] == u'+' || text[p] == u'-')) {
        negative = text[p] == u'-';
        ++p;
    }
    if (p >= text.size() || text[p] < u'0' || text[p] > u'9')
        return std::nullopt;
    long long value = 0;
    for (; p < text.size() && text[p] >= u'0' && text[p] <= u'9'; ++p) {
        if (value <= INT_MAX)
            value = value * 10 + (text[p] - u'0');
    }
    if (negative)
        value = -value;
    pos = p;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

FontDesc parse_font_desc(platform::WStringView text, int scale) {
    FontDesc desc;
    desc.scale = scale;
    size_t pos = 0;
    // Reading stops at the first part that is not a number; the rest keep their defaults.
    const auto size = read_integer(text, pos);
    if (!size)
        return desc;
    desc.size = *size;
    for (bool* flag : {&desc.bold, &desc.italic, &desc.underline}) {
        const auto value = read_integer(text, pos);
        if (!value)
            return desc;
        *flag = *value != 0;
    }
    skip_blanks(text, pos);
    if (pos < text.size())
        desc.face = platform::WString(text.substr(pos));
    return desc;
}

}  // namespace zentra

#include "contacts/vcard.h"

#include <algorithm>
#include <array>

#include "core/log.h"
#include "platform/charset.h"
#include "contacts/categories.h"
#include "contacts/vcard_mapping.h"

namespace velvane {

namespace {

// ---- Text helpers -------------------------------------------------------------------------

char upper_ascii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upper_ascii);
    return out;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (upper_ascii(text[i]) != upper_ascii(prefix[i])) {
            return false;
        }
    }
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

WString trim(WStringView text) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) {
        text.remove_suffix(1);
    }
    return WString(text);
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int base64_value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || c == '-') return 62;  // '-' and '_': the URL-safe alphabet
    if (c == '/' || c == '_') return 63;
    return -1;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_base64_line(std::string_view line) {
    if (line.empty()) {
        return false;
    }
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return base64_value(c) >= 0 || c == '='; });
}

// ---- Physical lines -----------------------------------------------------------------------

struct Line {
    std::string_view text;
    int number;
};

// CR LF, LF and CR each end a line, and so does CR CR LF, which some phones write.
std::vector<Line> split_lines(std::string_view bytes) {
    std::vector<Line> lines;
    size_t start = 0;
    int number = 1;
    while (start < bytes.size()) {
        size_t end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
            ++end;
        }
        lines.push_back({bytes.substr(start, end - start), number++});
        size_t next = end;
        while (next < bytes.size() && bytes[next] == '\r') {
            ++next;
        }
        if (next < bytes.size() && bytes[next] == '\n') {
            ++next;
        } else if (next > end + 1) {
            next = end + 1;  // CR CR without LF: two line ends
        }
        start = next;
    }
    return lines;
}

// UTF-16 files (with their byte-order mark) become UTF-8; a UTF-8 mark is dropped.
std::string as_utf8(std::string_view bytes) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
        return std::string(bytes.substr(3));
    }
    if (bytes.size() >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF))) {
        const bool little = b(0) == 0xFF;
        WString text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(little ? static_cast<char16_t>(b(i) | (b(i + 1) << 8))
                                  : static_cast<char16_t>((b(i) << 8) | b(i + 1)));
        }
        return platform::to_utf8(text);
    }
    return std::string(bytes);
}

// The charset of 8-bit text that names none: guessed from the whole file, Windows-1252 (what
// old Windows programs wrote in the West) when the guess is no help. Empty for UTF-8 files.
std::string file_charset(std::string_view text) {
    if (is_valid_utf8(text)) {
        return {};
    }
    const std::string guess = platform::guess_charset(text);
    if (!guess.empty() && platform::convert_to_utf8("a", guess)) {
        return guess;
    }
    return "WINDOWS-1252";
}

// ---- Properties ---------------------------------------------------------------------------

struct Property {
    int line = 0;
    std::string name;                // upper case, group dropped
    std::vector<std::string> types;  // upper case
    std::string encoding;            // upper case
    std::string charset;
    std::string value_type;  // VALUE=, upper case
    std::string field_hint;  // X-FIELD=, the kind name this program wrote
    std::string value;
    std::string raw;  // the whole property line as the file held it, unfolded
};

// Position of the first ':' outside double quotes; npos when there is none.
size_t value_colon(std::string_view line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ':' && !quoted) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::vector<std::string_view> split_unquoted(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        } else if (text[i] == separator && !quoted) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string unquote(std::string_view text) {
    text = trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return std::string(text);
}

bool is_encoding_name(const std::string& token) {
    return token == "QUOTED-PRINTABLE" || token == "BASE64" || token == "B" || token == "8BIT" ||
           token == "7BIT";
}

std::optional<Property> parse_property(std::string_view line, int number) {
    const size_t colon = value_colon(line);
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    Property p;
    p.line = number;
    p.value = std::string(line.substr(colon + 1));
    p.raw = std::string(line);
    const std::vector<std::string_view> parts = split_unquoted(line.substr(0, colon), ';');
    std::string_view name = trim(parts[0]);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) {
        name = name.substr(dot + 1);
    }
    p.name = upper(name);
    if (p.name.empty()) {
        return std::nullopt;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string_view param = trim(parts[i]);
        const size_t eq = param.find('=');
        if (eq == std::string_view::npos) {
            // vCard 2.1's bare parameters: an encoding or a type.
            const std::string token = upper(param);
            if (is_encoding_name(token)) {
                p.encoding = token;
            } else if (!token.empty()) {
                p.types.push_back(token);
            }
            continue;
        }
        const std::string key = upper(trim(param.substr(0, eq)));
        const std::string_view values = param.substr(eq + 1);
        if (key == "TYPE") {
            for (std::string_view v : split_unquoted(values, ',')) {
                // TYPE="work,voice" is one quoted list.
                const std::string inner = unquote(v);
                for (std::string_view t : split_unquoted(inner, ',')) {
                    const std::string token = upper(trim(t));
                    if (!token.empty()) {
                        p.types.push_back(token);
                    }
                }
            }
        } else if (key == "ENCODING") {
            p.encoding = upper(unquote(values));
        } else if (key == "CHARSET") {
            p.charset = unquote(values);
        } else if (key == "VALUE") {
            p.value_type = upper(unquote(values));
        } else if (key == "X-FIELD") {
            p.field_hint = unquote(values);
        } else if (key == "PREF") {
            p.types.push_back("PREF");
        }
    }
    return p;
}

bool has_type(const Property& p, std::string_view type) {
    return std::find(p.types.begin(), p.types.end(), type) != p.types.end();
}

// ---- Values -------------------------------------------------------------------------------

enum class Version { v21, v30, v40 };

// The property's text: transfer encoding undone, charset applied, line ends made "\n".
WString text_of(const Property& p, Version version) {
    const std::string bytes =
        p.encoding == "QUOTED-PRINTABLE" ? decode_quoted_printable(p.value) : p.value;
    const std::string charset =
        !p.charset.empty() ? p.charset : (version == Version::v21 ? "" : "UTF-8");
    WString text = decode_charset(bytes, charset);
    WString out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            out.push_back(u'\n');
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// Splits at unescaped separators and undoes the escapes \n \N \, \; \\ in each piece, and \:
// when colon is set; other backslashes stay as they are.
std::vector<WString> split_escaped(WStringView text, WStringView separators, bool colon = false) {
    std::vector<WString> pieces(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\\' && i + 1 < text.size()) {
            const char16_t n = text[i + 1];
            if (n == u'n' || n == u'N') {
                pieces.back().push_back(u'\n');
                ++i;
                continue;
            }
            if (n == u',' || n == u';' || n == u'\\' || (colon && n == u':')) {
                pieces.back().push_back(n);
                ++i;
                continue;
            }
            pieces.back().push_back(c);
        } else if (separators.find(c) != WStringView::npos) {
            pieces.emplace_back();
        } else {
            pieces.back().push_back(c);
        }
    }
    return pieces;
}

WString component(const std::vector<WString>& parts, size_t i) {
    return i < parts.size() ? parts[i] : WString();
}

WString join(const std::vector<WString>& parts, WStringView separator) {
    WString out;
    for (const WString& part : parts) {
        if (part.empty()) {
            continue;
        }
        if (!out.empty()) {
            out += separator;
        }
        out += part;
    }
    return out;
}

int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool read_digits(std::string_view text, size_t& pos, size_t count, int& out) {
    if (pos + count > text.size()) {
        return false;
    }
    out = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') {
            return false;
        }
        out = out * 10 + (c - '0');
    }
    pos += count;
    return true;
}

// A birthday as a date-time count: YYYYMMDD or YYYY-MM-DD, optionally with a time
// (THHMMSS, THH:MM:SS, THHMM) whose zone is ignored. Dates without a year cannot be kept.
std::optional<int64_t> parse_birthday(std::string_view text) {
    text = trim(text);
    size_t pos = 0;
    int year, month, day;
    if (!read_digits(text, pos, 4, year)) {
        return std::nullopt;
    }
    const bool dashes = pos < text.size() && text[pos] == '-';
    pos += dashes;
    if (!read_digits(text, pos, 2, month)) {
        return std::nullopt;
    }
    if (dashes && (pos >= text.size() || text[pos++] != '-')) {
        return std::nullopt;
    }
    if (!read_digits(text, pos, 2, day)) {
        return std::nullopt;
    }
    static constexpr std::array<int, 12> kDays = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] ||
        (month == 2 && day == 29 && !leap)) {
        return std::nullopt;
    }
    int hour = 0, minute = 0, second = 0;
    if (pos < text.size() && (text[pos] == 'T' || text[pos] == 't')) {
        ++pos;
        if (!read_digits(text, pos, 2, hour)) {
            return std::nullopt;
        }
        const bool colons = pos < text.size() && text[pos] == ':';
        pos += colons;
        if (!read_digits(text, pos, 2, minute)) {
            return std::nullopt;
        }
        if (pos < text.size() && (text[pos] == ':' || (!colons && text[pos] >= '0' &&
                                                       text[pos] <= '9'))) {
            pos += text[pos] == ':';
            if (!read_digits(text, pos, 2, second)) {
                return std::nullopt;
            }
        }
        if (hour > 23 || minute > 59 || second > 60) {
            return std::nullopt;
        }
    }
    const int64_t days = days_from_civil(year, month, day);
    return ((days * 24 + hour) * 60 + minute) * 60000LL + second * 1000LL;
}

// ---- Cards --------------------------------------------------------------------------------

FieldKind kind_named(std::string_view name) {
    for (int32_t k = 0; k < kStoredKindCount; ++k) {
        const char* n = kind_name_ascii(static_cast<FieldKind>(k));
        if (n != nullptr && name == n) {
            return static_cast<FieldKind>(k);
        }
    }
    return FieldKind::Unknown;
}

bool is_phone_like(FieldKind kind) {
    return is_phone(kind) || kind == FieldKind::BusinessFax || kind == FieldKind::HomeFax ||
           kind == FieldKind::PagerNumber;
}

struct CardBuilder {
    Version version = Version::v21;
    std::vector<Property> properties;
    int begin_line = 0;
    bool has_begin = true;  // false for lines read as a card whose BEGIN is missing
    std::vector<VCardError> skipped;

    VCardContact result;
    std::array<bool, kKindCount> used{};

    // Google's export writes \: in web addresses of vCard 3.0; in 2.1 a backslash before a
    // colon is text (a Windows path).
    bool colon_escapes() const { return version != Version::v21; }
    std::vector<WString> split(const Property& p, WStringView separators) const {
        return split_escaped(text_of(p, version), separators, colon_escapes());
    }
    WString unescaped(const Property& p) const { return std::move(split(p, u"")[0]); }

    bool is_free(FieldKind kind) const { return !used[static_cast<size_t>(kind)]; }
    // The first value of a kind wins; the store keeps one value per kind.
    void put(FieldKind kind, WString value) {
        if (value.empty() || !is_free(kind)) {
            return;
        }
        used[static_cast<size_t>(kind)] = true;
        result.contact.fields.emplace_back(kind, std::move(value));
    }
    // The first free kind of the list; Unknown when all are taken.
    template <typename List>
    FieldKind first_free(const List& kinds) const {
        for (FieldKind k : kinds) {
            if (is_free(k)) {
                return k;
            }
        }
        return FieldKind::Unknown;
    }
    void dropped(const Property& p, const WString& value) {
        log() << "vCard: line " << p.line << ": no free field for " << platform::widen(p.name)
              << " " << value << ", kept as it stands\n";
        keep(p);
    }
    void keep(const Property& p) { result.extra_properties.push_back(p.raw); }
    // A second title, nickname, web page or assistant is kept rather than dropped.
    void put_or_keep(const Property& p, FieldKind kind, WString value) {
        if (value.empty()) {
            return;
        }
        if (!is_free(kind)) {
            keep(p);
            return;
        }
        put(kind, std::move(value));
    }

    FieldKind hinted(const Property& p, bool (*fits)(FieldKind)) const {
        const FieldKind kind = kind_named(p.field_hint);
        return kind != FieldKind::Unknown && fits(kind) && is_free(kind) ? kind
                                                                         : FieldKind::Unknown;
    }

    void add_phone(const Property& p) {
        WString number = trim(unescaped(p));
        // vCard 4.0 may give the number as a tel: URI.
        if (p.value_type == "URI" && number.size() >= 4 &&
            (number.compare(0, 4, u"tel:") == 0 || number.compare(0, 4, u"TEL:") == 0)) {
            number = trim(WStringView(number).substr(4));
        }
        if (number.empty()) {
            return;
        }
        FieldKind kind = hinted(p, is_phone_like);
        if (kind == FieldKind::Unknown) {
            kind = first_free(phone_kinds_for_types(p.types));
        }
        if (kind == FieldKind::Unknown) {
            dropped(p, number);
            return;
        }
        put(kind, std::move(number));
    }

    void add_email(const Property& p) {
        WString address = trim(unescaped(p));
        if (address.empty()) {
            return;
        }
        const auto is_email = [](FieldKind k) { return group_of(k) == FieldGroup::EmailGroup; };
        FieldKind kind = hinted(p, is_email);
        if (kind == FieldKind::Unknown) {
            kind = first_free(std::array{FieldKind::Email1, FieldKind::Email2, FieldKind::Email3});
        }
        if (kind == FieldKind::Unknown) {
            dropped(p, address);
            return;
        }
        put(kind, std::move(address));
    }

    void add_address(const Property& p) {
        const std::vector<WString> parts = split(p, u";");
        const WString street =
            join({component(parts, 0), component(parts, 1), component(parts, 2)}, u", ");
        const std::array<WString, 5> values = {street, component(parts, 3), component(parts, 5),
                                               component(parts, 4), component(parts, 6)};
        if (std::all_of(values.begin(), values.end(), [](const WString& v) { return v.empty(); })) {
            return;
        }
        const auto free_address = [&](FieldKind first) {
            for (int i = 0; i < 5; ++i) {
                if (!is_free(static_cast<FieldKind>(static_cast<int>(first) + i))) {
                    return false;
                }
            }
            return true;
        };
        FieldKind first = FieldKind::Unknown;
        for (FieldKind place : address_places_for_types(p.types)) {
            if (free_address(place)) {
                first = place;
                break;
            }
        }
        if (first == FieldKind::Unknown) {
            dropped(p, street);
            return;
        }
        // Street, city, postal code, state, country: the kinds' order within an address.
        for (int i = 0; i < 5; ++i) {
            put(static_cast<FieldKind>(static_cast<int>(first) + i), values[i]);
        }
    }

    enum class Picture { taken, none, damaged, remote };

    static bool is_remote(const Property& p) {
        const std::string_view value = trim(p.value);
        return !starts_with_ignoring_case(value, "data:") &&
               (p.value_type == "URI" || p.value_type == "URL" ||
                starts_with_ignoring_case(value, "http:") ||
                starts_with_ignoring_case(value, "https:"));
    }

    Picture add_photo(const Property& p) {
        std::string_view value = trim(p.value);
        const auto take = [&](std::optional<std::string> bytes) {
            if (!bytes) {
                return Picture::damaged;
            }
            if (bytes->empty()) {
                return Picture::none;
            }
            result.photo = std::move(*bytes);
            return Picture::taken;
        };
        if (starts_with_ignoring_case(value, "data:")) {
            const size_t comma = value.find(',');
            if (comma == std::string_view::npos) {
                return Picture::damaged;
            }
            const std::string header = upper(value.substr(0, comma));
            if (header.size() < 7 || header.compare(header.size() - 7, 7, ";BASE64") != 0) {
                return Picture::none;  // a picture as escaped text: not worth keeping
            }
            return take(decode_base64(value.substr(comma + 1)));
        }
        if (is_remote(p)) {
            return Picture::remote;
        }
        if (p.encoding == "B" || p.encoding == "BASE64") {
            return take(decode_base64(value));
        }
        if (p.encoding == "QUOTED-PRINTABLE") {
            return take(decode_quoted_printable(value));
        }
        return Picture::none;
    }

    // One picture per card, never parts of two: the preferred one, else the first; a picture
    // that cannot be read gives way to the next. A picture given by its address is kept
    // whether or not one was taken, so each read of a card keeps and names the same ones.
    void choose_photo(const std::vector<const Property*>& photos) {
        std::vector<const Property*> order;
        for (const Property* p : photos) {
            if (has_type(*p, "PREF")) {
                order.push_back(p);
            }
        }
        for (const Property* p : photos) {
            if (!has_type(*p, "PREF")) {
                order.push_back(p);
            }
        }
        bool taken = false;
        for (const Property* p : order) {
            if (taken && !is_remote(*p)) {
                continue;
            }
            switch (add_photo(*p)) {
                case Picture::taken:
                    taken = true;
                    break;
                case Picture::none:
                    break;
                case Picture::damaged:
                    skip(p->line, u"the picture's data is damaged; the picture is left out");
                    break;
                case Picture::remote:
                    skip(p->line, u"the picture is only a web address; nothing is fetched");
                    // The address goes back out as it came: a card written back (an export,
                    // a sync) must not lose the other program's picture.
                    keep(*p);
                    break;
            }
        }
    }

    void add_org(const Property& p) {
        std::vector<WString> parts = split(p, u";");
        result.contact.company = component(parts, 0);
        std::vector<WString> units;
        for (size_t i = 1; i < parts.size(); ++i) {
            units.push_back(trim(parts[i]));
        }
        put(FieldKind::Department, join(units, u", "));
    }

    bool names_company(const Property& p) const {
        for (const WString& part : split(p, u";")) {
            if (!trim(part).empty()) {
                return true;
            }
        }
        return false;
    }

    void skip(int line, WString why) { skipped.push_back({line, std::move(why)}); }

    void build() {
        Contact& c = result.contact;
        const Property* org = nullptr;
        std::vector<const Property*> photos;
        WString formatted;
        for (const Property& p : properties) {
            const std::string& n = p.name;
            if (n == "N") {
                const std::vector<WString> parts = split(p, u";");
                c.last_name = component(parts, 0);
                c.first_name = component(parts, 1);
                put(FieldKind::MiddleName, component(parts, 2));
                put(FieldKind::Suffix, component(parts, 4));
            } else if (n == "FN") {
                formatted = trim(unescaped(p));
            } else if (n == "ORG") {
                // The preferred company, else the first: never parts of two. A blank one
                // names no company; chosen, it would write back nothing and let a kept one
                // take its place on the next read.
                if (names_company(p) &&
                    (org == nullptr || (has_type(p, "PREF") && !has_type(*org, "PREF")))) {
                    org = &p;
                }
            } else if (n == "TITLE") {
                put_or_keep(p, FieldKind::JobTitle, unescaped(p));
            } else if (n == "NICKNAME") {
                put_or_keep(p, FieldKind::NickName, unescaped(p));
            } else if (n == "X-ASSISTANT" || n == "X-EVOLUTION-ASSISTANT" ||
                       n == "X-MS-ASSISTANT") {
                put_or_keep(p, FieldKind::AssistantName, unescaped(p));
            } else if (n == "TEL") {
                add_phone(p);
            } else if (n == "EMAIL") {
                add_email(p);
            } else if (n == "URL") {
                put_or_keep(p, FieldKind::WebPage, trim(unescaped(p)));
            } else if (n == "ADR") {
                add_address(p);
            } else if (n == "BDAY") {
                const std::string text = platform::to_utf8(text_of(p, version));
                if (const std::optional<int64_t> count = parse_birthday(text)) {
                    put(FieldKind::Birthday, date_time_text(*count));
                } else if (!trim(text).empty()) {
                    log() << "vCard: line " << p.line << ": birthday without a full date kept as it stands\n";
                    keep(p);
                }
            } else if (n == "CATEGORIES") {
                // Names are kept in the form the category split reads back: no separator
                // inside a name, no blanks around it.
                std::vector<WString> names;
                for (const WString& piece : split(p, u",;")) {
                    for (const WString& name : split_categories(piece)) {
                        names.push_back(trim(name));
                    }
                }
                const WString joined = join(names, u", ");
                if (ContactField* existing = c.find(FieldKind::Categories)) {
                    if (!joined.empty()) {
                        existing->value += existing->value.empty() ? joined : u", " + joined;
                    }
                } else {
                    put(FieldKind::Categories, joined);
                }
            } else if (n == "PHOTO") {
                photos.push_back(&p);
            } else {
                // NOTE, ROLE, IMPP, X- properties and the rest: no field holds them, so
                // they go back out as they came in.
                keep(p);
            }
        }
        if (org != nullptr) {
            add_org(*org);
        }
        // The other companies go back out as they came. A preferred one would be chosen over
        // the company written back and swap the two, so only those without it.
        for (const Property& p : properties) {
            if (p.name == "ORG" && &p != org && !has_type(p, "PREF")) {
                keep(p);
            }
        }
        choose_photo(photos);
        // The writer names a company-only card by its company; the company keeps its blanks.
        if (c.first_name.empty() && c.last_name.empty() && formatted != trim(c.company)) {
            c.first_name = formatted;
        }
        std::stable_sort(c.fields.begin(), c.fields.end(),
                         [](const ContactField& a, const ContactField& b) {
                             return static_cast<int>(a.kind) < static_cast<int>(b.kind);
                         });
    }

    bool holds_nothing() const {
        const Contact& c = result.contact;
        return c.first_name.empty() && c.last_name.empty() && c.company.empty() &&
               c.fields.empty() && result.photo.empty();
    }
};

bool ends_with_unescaped_backslash(std::string_view text) {
    size_t count = 0;
    while (count < text.size() && text[text.size() - 1 - count] == '\\') {
        ++count;
    }
    return count % 2 == 1;
}

bool is_end_line(std::string_view line) { return starts_with_ignoring_case(line, "END:VCARD"); }

// The version a card declares, wherever its VERSION line stands: unfolding depends on it
// before that line is reached. Looks from line i to the card's END or the next BEGIN.
std::optional<Version> version_ahead(const std::vector<Line>& lines, size_t i) {
    for (; i < lines.size(); ++i) {
        const std::string_view text = trim(lines[i].text);
        if (is_end_line(text) || starts_with_ignoring_case(text, "BEGIN:")) {
            break;
        }
        if (starts_with_ignoring_case(text, "VERSION:")) {
            const std::string_view value = trim(text.substr(8));
            return value.starts_with("2") ? Version::v21
                   : value.starts_with("4") ? Version::v40
                                            : Version::v30;
        }
    }
    return std::nullopt;
}

// The reader: physical lines joined into property lines, properties collected per card. A
// line that cannot be read is skipped and noted; a card keeps whatever of it was read.
class Reader {
public:
    Reader(std::string_view text, std::string fallback_charset)
        : m_lines(split_lines(text)), m_fallback_charset(std::move(fallback_charset)) {}

    VCardRead run() {
        size_t i = 0;
        while (i < m_lines.size()) {
            const Line& first = m_lines[i++];
            if (trim(first.text).empty()) {
                continue;
            }
            if (is_blank(first.text.front())) {
                skip(first.number, u"a continued line follows no property; skipped");
                continue;
            }
            std::string logical(first.text);
            unfold(logical, i);
            take(logical, first.number, i);
        }
        if (m_card) {
            if (m_card->has_begin) {
                skip(m_card->begin_line,
                     u"the file ends before this vCard's END; what was read is kept");
            }
            finish();
        }
        std::stable_sort(m_out.skipped.begin(), m_out.skipped.end(),
                         [](const VCardError& a, const VCardError& b) { return a.line < b.line; });
        for (const VCardError& s : m_out.skipped) {
            log() << "vCard: line " << s.line << ": " << s.message << "\n";
        }
        if (m_out.contacts.empty()) {
            m_out.error = VCardError{1, m_out.skipped.empty() ? WString(u"no vCard in the file")
                                                              : WString(u"no vCard could be read")};
            log() << "vCard: " << m_out.error->message << "\n";
        }
        return std::move(m_out);
    }

private:
    void skip(int line, WString why) { m_out.skipped.push_back({line, std::move(why)}); }

    bool v21() const { return !m_card || m_card->version == Version::v21; }

    // Adds the lines that continue logical: folding, quoted-printable soft breaks, and what
    // vCard 2.1 writers do without saying so (a trailing backslash before a line break,
    // base64 lines without folding).
    void unfold(std::string& logical, size_t& i) const {
        size_t colon = std::string::npos;
        bool qp = false;
        bool base64 = false;
        // A fold may come before the value's colon: the parameters are known once it is read.
        const auto read_header = [&] {
            colon = value_colon(logical);
            const std::string header =
                upper(std::string_view(logical).substr(0, colon == std::string::npos ? 0 : colon));
            qp = header.find("QUOTED-PRINTABLE") != std::string::npos;
            base64 = v21() && header.find("BASE64") != std::string::npos;
        };
        read_header();
        while (i < m_lines.size()) {
            const std::string_view next = m_lines[i].text;
            if (qp && !logical.empty() && logical.back() == '=' && !is_end_line(next)) {
                logical.pop_back();
                logical += next;
            } else if (!next.empty() && is_blank(next.front())) {
                // vCard 2.1 folds before a blank and keeps it; later versions drop it.
                logical += v21() ? next : next.substr(1);
                if (colon == std::string::npos) {
                    read_header();
                }
            } else if (v21() && !qp && colon != std::string::npos &&
                       ends_with_unescaped_backslash(logical) && !next.empty() &&
                       value_colon(next) == std::string_view::npos) {
                logical.pop_back();
                logical += "\\n";
                logical += next;
            } else if (base64 && is_base64_line(next)) {
                logical += next;
            } else {
                break;
            }
            ++i;
        }
        if (qp && !logical.empty() && logical.back() == '=') {
            settle_soft_break(logical);
        }
    }

    // A soft break left at a card's end means nothing, but a kept line written back before
    // another property would take that one in: it goes, and a '=' it leaves last is written
    // out as "=3D" so the value reads the same.
    static void settle_soft_break(std::string& logical) {
        logical.pop_back();
        if (!logical.empty() && logical.back() == '=') {
            logical += "3D";
        }
    }

    // next: the index of the line after this property's lines.
    void open(int number, size_t next, bool has_begin) {
        m_card.emplace();
        m_card->begin_line = number;
        m_card->has_begin = has_begin;
        m_card->version = version_ahead(m_lines, next).value_or(Version::v21);
        m_agent = false;
    }

    void finish() {
        CardBuilder& card = *m_card;
        card.build();
        for (VCardError& s : card.skipped) {
            m_out.skipped.push_back(std::move(s));
        }
        if (!card.has_begin && card.holds_nothing()) {
            skip(card.begin_line, u"lines outside any vCard; skipped");
        } else {
            if (!card.has_begin) {
                skip(card.begin_line, u"a vCard without BEGIN starts here; what was read is kept");
            }
            m_out.contacts.push_back(std::move(card.result));
        }
        m_card.reset();
        m_nested = 0;
    }

    // Text that names no charset and is not UTF-8 is read in the charset of the file.
    void apply_fallback_charset(Property& p) const {
        if (!p.charset.empty() || m_fallback_charset.empty()) {
            return;
        }
        const std::string bytes =
            p.encoding == "QUOTED-PRINTABLE" ? decode_quoted_printable(p.value) : p.value;
        if (!is_valid_utf8(bytes)) {
            p.charset = m_fallback_charset;
        }
    }

    void take(std::string_view logical, int number, size_t next) {
        std::optional<Property> p = parse_property(logical, number);
        if (!p) {
            if (m_nested == 0) {
                skip(number, u"not a property line; skipped");
            }
            return;
        }
        const std::string value = upper(trim(p->value));
        if (p->name == "BEGIN") {
            if (m_nested > 0 || value != "VCARD" || (m_card && m_agent)) {
                // An embedded object (a 2.1 AGENT card) or something other than a vCard.
                if (m_nested == 0 && !m_card) {
                    skip(number, u"not a vCard; skipped up to its END");
                }
                ++m_nested;
                m_agent = false;
                return;
            }
            if (m_card) {
                skip(m_card->begin_line,
                     u"the vCard that begins here has no END; what was read is kept");
                finish();
            }
            open(number, next, true);
            return;
        }
        if (p->name == "END") {
            if (m_nested > 0) {
                --m_nested;
            } else if (!m_card) {
                skip(number, u"END without BEGIN; skipped");
            } else if (value != "VCARD") {
                skip(number, u"END of something else inside a vCard; skipped");
            } else {
                finish();
            }
            return;
        }
        if (m_nested > 0) {
            return;
        }
        if (!m_card) {
            open(number, next, false);
        }
        if (p->name == "VERSION") {
            m_card->version = value.starts_with("2") ? Version::v21
                              : value.starts_with("4") ? Version::v40
                                                       : Version::v30;
            return;
        }
        m_agent = p->name == "AGENT" && value.empty();
        apply_fallback_charset(*p);
        m_card->properties.push_back(std::move(*p));
    }

    std::vector<Line> m_lines;
    std::string m_fallback_charset;
    std::optional<CardBuilder> m_card;
    int m_nested = 0;
    bool m_agent = false;  // the last property was AGENT with its card to follow
    VCardRead m_out;
};

}  // namespace

std::string decode_quoted_printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
            hex_value(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2])));
            i += 2;
        } else if (text[i] == '=' && i + 1 == text.size()) {
            // A soft break at the very end.
        } else {
            out.push_back(text[i]);  // a stray '=' is kept as it stands
        }
    }
    return out;
}

std::optional<std::string> decode_base64(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 4);
    uint32_t bits = 0;
    int count = 0;
    bool padding = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        if (c == '=') {
            padding = true;
            continue;
        }
        const int v = base64_value(c);
        if (v < 0 || padding) {
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<uint32_t>(v);
        if (++count == 4) {
            out.push_back(static_cast<char>(bits >> 16));
            out.push_back(static_cast<char>(bits >> 8));
            out.push_back(static_cast<char>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1) {
        return std::nullopt;
    }
    if (count == 2) {
        out.push_back(static_cast<char>(bits >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<char>(bits >> 10));
        out.push_back(static_cast<char>(bits >> 2));
    }
    return out;
}

std::string encode_base64(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    const auto byte = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[k])); };
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
        out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63],
                kAlphabet[v & 63]};
    }
    if (bytes.size() - i == 1) {
        const uint32_t v = byte(i) << 16;
        out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], '=', '='};
    } else if (bytes.size() - i == 2) {
        const uint32_t v = byte(i) << 16 | byte(i + 1) << 8;
        out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], '='};
    }
    return out;
}

VCardRead read_vcards(std::string_view bytes) {
    if (bytes.size() > kMaxVCardFileBytes) {
        log() << "vCard: file of " << static_cast<long long>(bytes.size()) << " bytes refused\n";
        VCardRead r;
        r.error = VCardError{1, u"the file is too large"};
        return r;
    }
    const std::string text = as_utf8(bytes);
    return Reader(text, file_charset(text)).run();
}

}  // namespace velvane

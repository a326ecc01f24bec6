#include "tools/skinc/source_parser.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>

#include "skin/font_desc.h"
#include "tools/skinc/source_writer.h"

namespace skinc {

namespace {

using platform::WString;
using zentra::PropertyGroup;

bool is_name_start(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool is_name_char(char c) {
    return is_name_start(c) || (c >= '0' && c <= '9');
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}


std::optional<PropertyGroup> group_of(std::string_view word) {
    for (PropertyGroup group :
         {PropertyGroup::Integer, PropertyGroup::Font, PropertyGroup::Point, PropertyGroup::String,
          PropertyGroup::Image, PropertyGroup::Color}) {
        if (word == group_word(group)) {
            return group;
        }
    }
    return std::nullopt;
}

// Picture names become file names next to the skin, so they may not leave that folder.
bool is_valid_picture_name(platform::WStringView name) {
    if (name.empty() || name == u"." || name == u"..") {
        return false;
    }
    for (char16_t c : name) {
        if (c < 0x20 || c == u'/' || c == u'\\' || c == u':') {
            return false;
        }
    }
    return true;
}

class Parser {
public:
    Parser(std::string_view text, const std::string& file, SkinSource& into,
           const PictureSizeFn& picture_size, SourceError& error)
        : m_text(text),
          m_file(file),
          m_folder(std::filesystem::path(file).parent_path().string()),
          m_into(into),
          m_picture_size(picture_size),
          m_error(error) {}

    bool run() {
        // A byte-order mark is allowed at the very start.
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF") {
            m_pos = 3;
        }
        for (;;) {
            skip_blank();
            if (at_end()) {
                return true;
            }
            const SourceLocation where = here();
            std::string word;
            if (!read_word(word)) {
                return fail(where, "expected 'define' or 'picture'");
            }
            if (word == "define") {
                if (!parse_definition(where))
                    return false;
            } else if (word == "picture") {
                if (!parse_picture())
                    return false;
            } else {
                return fail(where, "expected 'define' or 'picture', found '" + word + "'");
            }
        }
    }

private:
    // Scanning.

    bool at_end() const { return m_pos >= m_text.size(); }
    char peek(size_t ahead = 0) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : '\0';
    }
    void step() {
        const char c = m_text[m_pos++];
        if (c == '\n') {
            ++m_line;
            m_column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++m_column;  // continuation bytes belong to the character already counted
        }
    }
    SourceLocation here() const { return {m_file, m_line, m_column}; }

    bool fail(const SourceLocation& where, std::string message) {
        m_error.where = where;
        m_error.message = std::move(message);
        return false;
    }

    // White space and "#" comments.
    void skip_blank() {
        while (!at_end()) {
            const char c = peek();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                step();
            } else if (c == '#') {
                while (!at_end() && peek() != '\n') {
                    step();
                }
            } else {
                break;
            }
        }
    }

    bool read_word(std::string& word) {
        if (!is_name_start(peek())) {
            return false;
        }
        const size_t start = m_pos;
        while (is_name_char(peek())) {
            step();
        }
        word.assign(m_text.substr(start, m_pos - start));
        return true;
    }

    bool expect(char c, const std::string& context) {
        skip_blank();
        if (peek() != c) {
            return fail(here(), std::string("expected '") + c + "' " + context);
        }
        step();
        return true;
    }

    // Appends UTF-8 bytes [start, end) to out, refusing malformed text.
    bool append_utf8(size_t start, size_t end, WString& out, const SourceLocation& where) {
        const std::string_view bytes = m_text.substr(start, end - start);
        const WString wide = platform::from_utf8(bytes);
        if (platform::to_utf8(wide) != bytes) {
            return fail(where, "string is not valid UTF-8");
        }
        out += wide;
        return true;
    }

    bool read_string(WString& out) {
        skip_blank();
        const SourceLocation opening = here();
        if (peek() != '"') {
            return fail(opening, "expected a string in double quotes");
        }
        step();
        out.clear();
        size_t run = m_pos;  // start of the plain bytes not yet appended
        SourceLocation run_where = here();
        for (;;) {
            if (at_end() || peek() == '\n') {
                return fail(opening, "unterminated string");
            }
            const char c = peek();
            if (c == '"') {
                if (!append_utf8(run, m_pos, out, run_where))
                    return false;
                step();
                return true;
            }
            if (c != '\\') {
                step();
                continue;
            }
            if (!append_utf8(run, m_pos, out, run_where))
                return false;
            const SourceLocation escape = here();
            step();
            const char e = peek();
            if (e == '"' || e == '\\') {
                out += static_cast<char16_t>(e);
                step();
            } else if (e == 'n') {
                out += u'\n';
                step();
            } else if (e == 't') {
                out += u'\t';
                step();
            } else if (e == 'u') {
                step();
                int unit = 0;
                for (int i = 0; i < 4; ++i) {
                    const int digit = hex_value(peek());
                    if (digit < 0) {
                        return fail(escape, "\\u needs four hexadecimal digits");
                    }
                    unit = unit * 16 + digit;
                    step();
                }
                // One UTF-16 code unit; pairs are written as two escapes.
                out += static_cast<char16_t>(unit);
            } else {
                return fail(escape, "unknown escape in string");
            }
            run = m_pos;
            run_where = here();
        }
    }

    // A definition, key or picture name: a plain name or a string.
    bool read_name(WString& out, const std::string& what) {
        skip_blank();
        if (peek() == '"') {
            return read_string(out);
        }
        std::string word;
        if (!read_word(word)) {
            return fail(here(), "expected " + what);
        }
        out = platform::widen(word);
        return true;
    }

    bool read_integer(long long low, long long high, const std::string& what, long long& value) {
        skip_blank();
        const SourceLocation where = here();
        bool negative = false;
        if (peek() == '+' || peek() == '-') {
            negative = peek() == '-';
            step();
        }
        if (!is_digit(peek())) {
            return fail(where, "expected " + what);
        }
        long long magnitude = 0;
        bool too_big = false;
        while (is_digit(peek())) {
            magnitude = magnitude * 10 + (peek() - '0');
            if (magnitude > (1LL << 40)) {
                too_big = true;
                magnitude = 1LL << 40;
            }
            step();
        }
        if (is_name_char(peek())) {
            return fail(where, "expected " + what);
        }
        value = negative ? -magnitude : magnitude;
        if (too_big || value < low || value > high) {
            return fail(
                where, what + " out of range " + std::to_string(low) + ".." + std::to_string(high));
        }
        return true;
    }

    bool read_int(long long low, long long high, const std::string& what, int& value) {
        long long wide = 0;
        if (!read_integer(low, high, what, wide))
            return false;
        value = static_cast<int>(wide);
        return true;
    }

    // Statements.

    bool parse_definition(const SourceLocation& where) {
        Definition definition;
        const SourceLocation name_where = (skip_blank(), here());
        if (!read_name(definition.name, "a definition name"))
            return false;
        if (definition.name.empty()) {
            return fail(name_where, "a definition name may not be empty");
        }
        if (auto it = m_into.definition_places.find(definition.name);
            it != m_into.definition_places.end()) {
            const SourceLocation& first = it->second;
            return fail(name_where, "duplicate definition '" + platform::to_utf8(definition.name) +
                                        "' (first defined at " + first.file + ":" +
                                        std::to_string(first.line) + ")");
        }
        if (!expect('{', "after the definition name"))
            return false;
        if (!parse_body(definition.root))
            return false;
        m_into.definition_places.emplace(definition.name, where);
        m_into.model.definitions.push_back(std::move(definition));
        return true;
    }

    // picture NAME [alpha N]
    bool parse_picture() {
        skip_blank();
        const SourceLocation where = here();
        WString name;
        if (!read_name(name, "a picture name"))
            return false;
        if (!is_valid_picture_name(name)) {
            return fail(where, "'" + platform::to_utf8(name) + "' is not a usable picture name");
        }
        int alpha = 255;
        skip_blank();
        const SourceLocation option_where = here();
        std::string option;
        const size_t before = m_pos;
        const int line = m_line;
        const int column = m_column;
        if (read_word(option)) {
            if (option == "alpha") {
                if (!read_int(0, 255, "an alpha level", alpha))
                    return false;
            } else if (option != "define" && option != "picture") {
                return fail(option_where, "unknown picture option '" + option + "'");
            } else {
                // The next statement: give the word back.
                m_pos = before;
                m_line = line;
                m_column = column;
            }
        }
        SkinPicture& picture = note_picture(name);
        if (picture.declared && picture.alpha != alpha) {
            return fail(where, "picture '" + platform::to_utf8(name) +
                                   "' is declared twice with different alpha levels");
        }
        picture.alpha = alpha;
        picture.declared = true;
        return true;
    }

    SkinPicture& note_picture(const WString& name) {
        if (SkinPicture* known = m_into.find_picture(name)) {
            return *known;
        }
        SkinPicture picture;
        picture.name = name;
        picture.folder = m_folder;
        m_into.pictures.push_back(std::move(picture));
        return m_into.pictures.back();
    }

    // Properties and children up to the closing brace, which it consumes.
    bool parse_body(SkinNode& node) {
        std::set<std::pair<PropertyGroup, WString>> keys;
        for (;;) {
            skip_blank();
            const SourceLocation where = here();
            if (at_end()) {
                return fail(where, "missing '}' at the end of the file");
            }
            if (peek() == '}') {
                step();
                return true;
            }
            std::string word;
            if (!read_word(word)) {
                return fail(where, "expected a property type, 'node' or '}'");
            }
            if (word == "node") {
                if (!expect('{', "after 'node'"))
                    return false;
                SkinNode child;
                if (!parse_body(child))
                    return false;
                node.children.push_back(std::move(child));
                continue;
            }
            const std::optional<PropertyGroup> group = group_of(word);
            if (!group) {
                return fail(where, "unknown property type '" + word +
                                       "' (int, font, point, string, image, color or node)");
            }
            skip_blank();
            const SourceLocation key_where = here();
            Property property;
            property.group = *group;
            if (!read_name(property.key, "a property name"))
                return false;
            if (property.key.empty()) {
                return fail(key_where, "a property name may not be empty");
            }
            if (!keys.emplace(*group, property.key).second) {
                return fail(key_where, std::string("duplicate ") + group_word(*group) +
                                           " property '" + platform::to_utf8(property.key) + "'");
            }
            if (!expect('=', "after the property name"))
                return false;
            if (!parse_value(property))
                return false;
            node.properties.push_back(std::move(property));
        }
    }

    bool parse_value(Property& property) {
        switch (property.group) {
            case PropertyGroup::Integer: {
                int value = 0;
                if (!read_int(std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max(), "an integer", value)) {
                    return false;
                }
                property.value = value;
                return true;
            }
            case PropertyGroup::Font: {
                WString text;
                if (!read_string(text))
                    return false;
                // Stored in its normal form, so a dump of the compiled skin gives the same
                // bytes when compiled again; the loader reads both forms alike.
                property.value = FontValue{format_font_desc(zentra::parse_font_desc(text, 1))};
                return true;
            }
            case PropertyGroup::Point: {
                zentra::Point point;
                if (!read_int(-32768, 32767, "a point's x", point.x))
                    return false;
                if (!expect(',', "between the point's x and y"))
                    return false;
                if (!read_int(-32768, 32767, "a point's y", point.y))
                    return false;
                property.value = point;
                return true;
            }
            case PropertyGroup::String: {
                WString text;
                if (!read_string(text))
                    return false;
                property.value = std::move(text);
                return true;
            }
            case PropertyGroup::Image:
                return parse_image(property);
            case PropertyGroup::Color:
                return parse_color(property);
        }
        return false;
    }

    // "picture" a b c d e f g h flag, or "picture" alone for the whole picture.
    bool parse_image(Property& property) {
        skip_blank();
        const SourceLocation where = here();
        ImageValue image;
        if (!read_string(image.picture))
            return false;
        if (!is_valid_picture_name(image.picture)) {
            return fail(where,
                        "'" + platform::to_utf8(image.picture) + "' is not a usable picture name");
        }
        SkinPicture& picture = note_picture(image.picture);
        picture.used = true;
        skip_blank();
        if (is_digit(peek()) || peek() == '+' || peek() == '-') {
            static const char* const kNames[8] = {"a", "b", "c", "d", "e", "f", "g", "h"};
            for (int i = 0; i < 8; ++i) {
                if (!read_int(0, 65535, std::string("image coordinate ") + kNames[i],
                              image.coords[i])) {
                    return false;
                }
            }
            int flag = 0;
            if (!read_int(0, 1, "the image flag", flag))
                return false;
            image.flag = flag != 0;
        } else {
            std::string why = "no way to read picture sizes";
            const std::optional<zentra::Size> size =
                m_picture_size ? m_picture_size(picture, why) : std::nullopt;
            if (!size) {
                return fail(where, why);
            }
            if (size->w > 65535 || size->h > 65535) {
                return fail(where, "picture '" + platform::to_utf8(image.picture) +
                                       "' is too large for image coordinates");
            }
            image.coords = {0, 0, 0, 0, size->w, size->h, size->w, size->h};
        }
        property.value = std::move(image);
        return true;
    }

    bool at_hex_color() const {
        if (peek() != '#' || is_name_char(peek(7))) {
            return false;
        }
        for (size_t i = 1; i <= 6; ++i) {
            if (hex_value(peek(i)) < 0) {
                return false;
            }
        }
        return true;
    }

    // r, g, b or #rrggbb. A "#" followed by something other than a hexadecimal digit starts
    // a comment, as everywhere else.
    bool parse_color(Property& property) {
        while (peek() == ' ' || peek() == '\t') {
            step();
        }
        if (peek() == '#' && hex_value(peek(1)) >= 0 && !at_hex_color()) {
            return fail(here(), "a colour in '#' form needs six hexadecimal digits");
        }
        if (!at_hex_color()) {
            skip_blank();
        }
        const SourceLocation where = here();
        zentra::Color color;
        if (at_hex_color()) {
            int digits[6];
            for (int i = 0; i < 6; ++i) {
                digits[i] = hex_value(peek(i + 1));
            }
            for (int i = 0; i < 7; ++i) {
                step();
            }
            color.r = static_cast<uint8_t>(digits[0] * 16 + digits[1]);
            color.g = static_cast<uint8_t>(digits[2] * 16 + digits[3]);
            color.b = static_cast<uint8_t>(digits[4] * 16 + digits[5]);
        } else {
            int r = 0;
            int g = 0;
            int b = 0;
            if (!read_int(0, 255, "a red level", r))
                return false;
            if (!expect(',', "between colour levels"))
                return false;
            if (!read_int(0, 255, "a green level", g))
                return false;
            if (!expect(',', "between colour levels"))
                return false;
            if (!read_int(0, 255, "a blue level", b))
                return false;
            color.r = static_cast<uint8_t>(r);
            color.g = static_cast<uint8_t>(g);
            color.b = static_cast<uint8_t>(b);
        }
        property.value = color;
        return true;
    }

    std::string_view m_text;
    std::string m_file;
    std::string m_folder;
    SkinSource& m_into;
    const PictureSizeFn& m_picture_size;
    SourceError& m_error;
    size_t m_pos = 0;
    int m_line = 1;
    int m_column = 1;
};

}  // namespace

std::string SourceError::text() const {
    if (where.line <= 0) {
        return where.file + ": " + message;
    }
    return where.file + ":" + std::to_string(where.line) + ":" + std::to_string(where.column) +
           ": " + message;
}

SkinPicture* SkinSource::find_picture(platform::WStringView name) {
    for (SkinPicture& picture : pictures) {
        if (picture.name == name) {
            return &picture;
        }
    }
    return nullptr;
}

bool parse_source(std::string_view text, const std::string& file, SkinSource& into,
                  const PictureSizeFn& picture_size, SourceError& error) {
    return Parser(text, file, into, picture_size, error).run();
}

bool parse_source_file(const std::string& path, SkinSource& into, const PictureSizeFn& picture_size,
                       SourceError& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = {{path, 0, 0}, "cannot open the file"};
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        error = {{path, 0, 0}, "cannot read the file"};
        return false;
    }
    return parse_source(text, path, into, picture_size, error);
}

const char* group_word(PropertyGroup group) {
    switch (group) {
        case PropertyGroup::Integer:
            return "int";
        case PropertyGroup::Font:
            return "font";
        case PropertyGroup::Point:
            return "point";
        case PropertyGroup::String:
            return "string";
        case PropertyGroup::Image:
            return "image";
        case PropertyGroup::Color:
            return "color";
    }
    return "?";
}

bool is_plain_name(platform::WStringView name) {
    if (name.empty() || name[0] > 0x7F || !is_name_start(static_cast<char>(name[0]))) {
        return false;
    }
    for (char16_t c : name) {
        if (c > 0x7F || !is_name_char(static_cast<char>(c))) {
            return false;
        }
    }
    return true;
}

}  // namespace skinc

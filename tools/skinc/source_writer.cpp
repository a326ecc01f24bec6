#include "tools/skinc/source_writer.h"

#include <variant>

#include "tools/skinc/source_parser.h"

namespace skinc {

namespace {

using platform::WString;
using zentra::PropertyGroup;

std::string name_text(platform::WStringView name) {
    return is_plain_name(name) ? platform::to_utf8(name) : quote_string(name);
}

std::string value_text(const PropertyValue& value) {
    struct Visitor {
        std::string operator()(int v) const { return std::to_string(v); }
        std::string operator()(const FontValue& v) const { return quote_string(v.description); }
        std::string operator()(const zentra::Point& v) const {
            return std::to_string(v.x) + ", " + std::to_string(v.y);
        }
        std::string operator()(const WString& v) const { return quote_string(v); }
        std::string operator()(const ImageValue& v) const {
            std::string text = quote_string(v.picture);
            for (int coord : v.coords) {
                text += " " + std::to_string(coord);
            }
            text += v.flag ? " 1" : " 0";
            return text;
        }
        std::string operator()(const zentra::Color& v) const {
            return std::to_string(v.r) + ", " + std::to_string(v.g) + ", " + std::to_string(v.b);
        }
    };
    return std::visit(Visitor{}, value);
}

void write_node(const SkinNode& node, int depth, std::string& out) {
    const std::string indent(static_cast<size_t>(depth) * 4, ' ');
    for (const Property& property : node.properties) {
        out += indent + group_word(property.group) + " " + name_text(property.key) + " = " +
               value_text(property.value) + "\n";
    }
    for (const SkinNode& child : node.children) {
        out += indent + "node {\n";
        write_node(child, depth + 1, out);
        out += indent + "}\n";
    }
}

SkinNode read_node(const zentra::Properties& skin, zentra::SkinRecord record) {
    SkinNode node;
    for (const zentra::PropertyEntry& entry : skin.list_properties(record)) {
        Property property;
        property.group = entry.group;
        property.key = entry.key;
        switch (entry.group) {
            case PropertyGroup::Integer:
                property.value = std::get<int>(entry.value);
                break;
            case PropertyGroup::Font: {
                const auto& font = std::get<std::shared_ptr<const zentra::FontDesc>>(entry.value);
                property.value = FontValue{font ? format_font_desc(*font) : WString()};
                break;
            }
            case PropertyGroup::Point:
                property.value = std::get<zentra::Point>(entry.value);
                break;
            case PropertyGroup::String:
                property.value = std::get<WString>(entry.value);
                break;
            case PropertyGroup::Image: {
                const auto& ref = std::get<zentra::ImageRef>(entry.value);
                ImageValue image;
                if (entry.picture_index >= 0 && entry.picture_index < skin.picture_count()) {
                    image.picture = skin.picture_name(entry.picture_index);
                }
                for (int i = 0; i < 4; ++i) {
                    image.coords[2 * i] = ref.pairs[i].x;
                    image.coords[2 * i + 1] = ref.pairs[i].y;
                }
                image.flag = ref.flag;
                property.value = std::move(image);
                break;
            }
            case PropertyGroup::Color: {
                zentra::Color color = std::get<zentra::Color>(entry.value);
                color.a = 255;  // the file has no alpha; the source cannot write one
                property.value = color;
                break;
            }
        }
        node.properties.push_back(std::move(property));
    }
    const int count = skin.child_count(record);
    for (int i = 0; i < count; ++i) {
        node.children.push_back(read_node(skin, skin.child(record, i)));
    }
    return node;
}

}  // namespace

WString format_font_desc(const zentra::FontDesc& font) {
    WString text = platform::to_wstring(font.size);
    text += font.bold ? u" 1" : u" 0";
    text += font.italic ? u" 1" : u" 0";
    text += font.underline ? u" 1 " : u" 0 ";
    text += font.face;
    return text;
}

std::string quote_string(platform::WStringView text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'"') {
            out += "\\\"";
        } else if (c == u'\\') {
            out += "\\\\";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            out += platform::to_utf8(text.substr(i, 2));
            ++i;
        } else if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF)) {
            // Control characters and lone surrogates have no UTF-8 form worth reading.
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += kHex[(c >> shift) & 0xF];
            }
        } else {
            out += platform::to_utf8(text.substr(i, 1));
        }
    }
    out += "\"";
    return out;
}

std::string format_source(const SkinModel& model, std::string_view header) {
    std::string out;
    size_t start = 0;
    while (start < header.size()) {
        size_t end = header.find('\n', start);
        if (end == std::string_view::npos) {
            end = header.size();
        }
        out += "# ";
        out += header.substr(start, end - start);
        out += "\n";
        start = end + 1;
    }
    for (const Definition& definition : model.definitions) {
        if (!out.empty()) {
            out += "\n";
        }
        out += "define " + name_text(definition.name) + " {\n";
        write_node(definition.root, 1, out);
        out += "}\n";
    }
    return out;
}

SkinModel read_skin_model(const zentra::Properties& skin) {
    SkinModel model;
    for (const WString& name : skin.definition_names()) {
        const std::optional<zentra::SkinRecord> record = skin.find_definition(name);
        if (!record) {
            continue;
        }
        model.definitions.push_back({name, read_node(skin, *record)});
    }
    return model;
}

}  // namespace skinc

// Writes a SkinModel in the binary layout the loader reads. Everything that the loader would
// refuse or silently read back differently (out-of-range fields, unsorted or duplicate keys,
// nesting it would not build) is an error here, so a compiled skin always loads as written.

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "skin/skin_file.h"
#include "tools/skinc/skin_model.h"

namespace skinc {

namespace {

namespace sf = zentra::skinfile;
using platform::WString;
using zentra::PropertyGroup;

constexpr const char* kGroupNames[] = {"integer", "font", "point", "string", "image", "colour"};

struct WriteError {
    std::string message;
};

class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : m_out(out) {}

    void write(const SkinModel& model) {
        collect(model);
        m_out.assign(sf::kHeaderSize, 0);
        for (size_t i = 0; i < sf::kMagic.size(); ++i)
            patch16(2 * i, sf::kMagic[i]);

        // Key names first: their offsets are uint16.
        for (const auto& key : m_keys) {
            if (m_out.size() >= sf::kKeyArea) {
                throw WriteError{"key names do not fit in the first 64 KiB of the file"};
            }
            m_key_offsets[key] = static_cast<uint16_t>(m_out.size());
            put_text(key);
        }

        patch32(sf::kStringAreaAt, static_cast<uint32_t>(m_out.size()));
        patch32(sf::kPictureCountAt, static_cast<uint32_t>(m_pictures.size()));
        patch32(sf::kFontCountAt, static_cast<uint32_t>(m_fonts.size()));
        patch32(sf::kStringCountAt, static_cast<uint32_t>(m_strings.size()));
        for (const auto* table : {&m_pictures, &m_fonts, &m_strings}) {
            for (const auto& [text, index] : *table)
                put_text(text);
        }

        std::vector<const Definition*> definitions;
        for (const auto& definition : model.definitions)
            definitions.push_back(&definition);
        // The loader's comparison: unit by unit as unsigned values, a proper prefix lower.
        std::sort(definitions.begin(), definitions.end(),
                  [](const Definition* a, const Definition* b) { return a->name < b->name; });
        std::vector<uint32_t> name_offsets;
        for (const auto* definition : definitions) {
            name_offsets.push_back(static_cast<uint32_t>(m_out.size()));
            put_text(definition->name);
        }
        const int32_t root = write_tree(definitions, name_offsets, 0, definitions.size());
        patch32(sf::kRootOffsetAt, static_cast<uint32_t>(root));
        if (m_out.size() > static_cast<size_t>(INT32_MAX)) {
            throw WriteError{"the skin is larger than its 32-bit offsets can address"};
        }
    }

private:
    void collect(const SkinModel& model) {
        std::set<WString> names;
        for (const auto& definition : model.definitions) {
            check_text(definition.name, "definition name");
            if (!names.insert(definition.name).second) {
                throw WriteError{"duplicate definition " + platform::to_utf8(definition.name)};
            }
            m_where = platform::to_utf8(definition.name);
            uint64_t nodes = 0;
            collect_node(definition.root, 1, nodes);
        }
        number(m_pictures);
        number(m_fonts);
        number(m_strings);
        // Image entries hold a uint8 picture index and string entries a uint16 string index.
        if (m_pictures.size() > 256)
            throw WriteError{"more than 256 pictures"};
        if (m_strings.size() > 65536)
            throw WriteError{"more than 65536 strings"};
    }

    void collect_node(const SkinNode& node, int depth, uint64_t& nodes) {
        if (depth > sf::kMaxDepth)
            fail("nodes nest deeper than the loader builds");
        if (++nodes > sf::kMaxNodesPerDefinition)
            fail("too many nodes in one definition");
        if (node.children.size() > 0xFFFF)
            fail("too many children under one node");
        std::set<std::pair<PropertyGroup, WString>> seen;
        for (const auto& property : node.properties) {
            const char* group = kGroupNames[static_cast<size_t>(property.group)];
            if (property.value.index() != static_cast<size_t>(property.group)) {
                fail(std::string("value of ") + group + " property " +
                     platform::to_utf8(property.key) + " has the wrong type");
            }
            if (!seen.emplace(property.group, property.key).second) {
                fail(std::string("duplicate ") + group + " key " + platform::to_utf8(property.key));
            }
            check_text(property.key, "key");
            m_keys.insert(property.key);
            std::visit([&](const auto& value) { collect_value(property, value); }, property.value);
        }
        for (const auto& child : node.children)
            collect_node(child, depth + 1, nodes);
    }

    void collect_value(const Property&, int) {}
    void collect_value(const Property&, const FontValue& value) {
        check_text(value.description, "font description");
        m_fonts.emplace(value.description, 0);
    }
    void collect_value(const Property& property, const zentra::Point& value) {
        if (value.x < INT16_MIN || value.x > INT16_MAX || value.y < INT16_MIN ||
            value.y > INT16_MAX) {
            fail("point " + platform::to_utf8(property.key) + " does not fit 16 bits");
        }
    }
    void collect_value(const Property&, const WString& value) {
        check_text(value, "string");
        m_strings.emplace(value, 0);
    }
    void collect_value(const Property& property, const ImageValue& value) {
        for (const int coord : value.coords) {
            if (coord < 0 || coord > 0xFFFF) {
                fail("image " + platform::to_utf8(property.key) +
                     " has a coordinate outside 0-65535");
            }
        }
        check_text(value.picture, "picture name");
        m_pictures.emplace(value.picture, 0);
    }
    void collect_value(const Property&, const zentra::Color&) {}

    static void number(std::map<WString, uint32_t>& table) {
        uint32_t index = 0;
        for (auto& [text, value] : table)
            value = index++;
    }

    void check_text(const WString& text, const char* what) {
        // The file ends texts with a NUL unit; one inside would cut the text short on reading.
        if (text.find(u'\0') != WString::npos)
            fail(std::string(what) + " holds a NUL character");
    }

    [[noreturn]] void fail(const std::string& message) {
        throw WriteError{m_where.empty() ? message : m_where + ": " + message};
    }

    // A balanced tree over the sorted definitions [first, last): the middle one is the node,
    // its record follows it in place, then the left and right subtrees.
    int32_t write_tree(const std::vector<const Definition*>& definitions,
                       const std::vector<uint32_t>& name_offsets, size_t first, size_t last) {
        if (first == last)
            return sf::kNoOffset;
        const size_t middle = first + (last - first) / 2;
        align();
        const size_t node = m_out.size();
        m_out.resize(node + sf::kTreeRecord);
        patch32(node + sf::kTreeName, name_offsets[middle]);
        m_where = platform::to_utf8(definitions[middle]->name);
        write_record(definitions[middle]->root, false);
        const int32_t left = write_tree(definitions, name_offsets, first, middle);
        const int32_t right = write_tree(definitions, name_offsets, middle + 1, last);
        patch32(node + sf::kTreeLeft, static_cast<uint32_t>(left));
        patch32(node + sf::kTreeRight, static_cast<uint32_t>(right));
        return static_cast<int32_t>(node);
    }

    uint32_t write_record(const SkinNode& node, bool align_first = true) {
        // A definition's record sits right after its 12-byte tree node, already aligned.
        if (align_first)
            align();
        const size_t record = m_out.size();
        m_out.resize(record + sf::kRecordChildren + 4 * node.children.size());
        patch16(record + sf::kRecordChildCount, static_cast<uint16_t>(node.children.size()));

        for (size_t g = 0; g < sf::kGroupCount; ++g) {
            patch16(record + sf::kRecordBounds + 2 * g, relative(record));
            std::vector<const Property*> entries;
            for (const auto& property : node.properties) {
                if (static_cast<size_t>(property.group) == g)
                    entries.push_back(&property);
            }
            std::sort(entries.begin(), entries.end(),
                      [](const Property* a, const Property* b) { return a->key < b->key; });
            for (const auto* property : entries)
                put_entry(*property);
        }
        patch16(record + sf::kRecordBounds + 2 * sf::kGroupCount, relative(record));

        for (size_t i = 0; i < node.children.size(); ++i) {
            const uint32_t child = write_record(node.children[i]);
            patch32(record + sf::kRecordChildren + 4 * i, child);
        }
        return static_cast<uint32_t>(record);
    }

    uint16_t relative(size_t record) {
        const size_t position = m_out.size() - record;
        if (position > 0xFFFF)
            fail("one node's properties take more than 64 KiB");
        return static_cast<uint16_t>(position);
    }

    void put_entry(const Property& property) {
        put16(m_key_offsets.at(property.key));
        switch (property.group) {
            case PropertyGroup::Integer:
                put16(0);
                put32(static_cast<uint32_t>(std::get<int>(property.value)));
                break;
            case PropertyGroup::Font:
                put16(0);
                put32(m_fonts.at(std::get<FontValue>(property.value).description));
                break;
            case PropertyGroup::Point: {
                const auto& point = std::get<zentra::Point>(property.value);
                put16(0);
                put16(static_cast<uint16_t>(point.x));
                put16(static_cast<uint16_t>(point.y));
                break;
            }
            case PropertyGroup::String:
                put16(static_cast<uint16_t>(m_strings.at(std::get<WString>(property.value))));
                break;
            case PropertyGroup::Image: {
                const auto& image = std::get<ImageValue>(property.value);
                for (const int coord : image.coords)
                    put16(static_cast<uint16_t>(coord));
                m_out.push_back(static_cast<uint8_t>(m_pictures.at(image.picture)));
                m_out.push_back(image.flag ? 1 : 0);
                break;
            }
            case PropertyGroup::Color: {
                const auto& color = std::get<zentra::Color>(property.value);
                put16(0);
                m_out.insert(m_out.end(), {color.r, color.g, color.b, 0});
                break;
            }
        }
    }

    void align() { m_out.resize((m_out.size() + 3) & ~size_t{3}); }
    void put16(uint16_t v) { m_out.insert(m_out.end(), {uint8_t(v), uint8_t(v >> 8)}); }
    void put32(uint32_t v) {
        m_out.insert(m_out.end(),
                     {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    }
    void patch16(size_t at, uint16_t v) {
        m_out[at] = uint8_t(v);
        m_out[at + 1] = uint8_t(v >> 8);
    }
    void patch32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_out[at + i] = uint8_t(v >> (8 * i));
    }
    void put_text(const WString& text) {
        for (const char16_t c : text)
            put16(c);
        put16(0);
    }

    std::vector<uint8_t>& m_out;
    std::string m_where;
    std::set<WString> m_keys;
    std::map<WString, uint16_t> m_key_offsets;
    // Text tables, each sorted and numbered in order.
    std::map<WString, uint32_t> m_pictures;
    std::map<WString, uint32_t> m_fonts;
    std::map<WString, uint32_t> m_strings;
};

}  // namespace

bool write_skin(const SkinModel& model, std::vector<uint8_t>& out, std::string& error) {
    std::vector<uint8_t> bytes;
    try {
        Writer(bytes).write(model);
    } catch (const WriteError& e) {
        error = e.message;
        return false;
    }
    out = std::move(bytes);
    error.clear();
    return true;
}

}  // namespace skinc

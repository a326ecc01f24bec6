#include "skin/properties_impl.h"

#include <chrono>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/log.h"

namespace zentra {

using skinfile::ByteView;
using skinfile::RecordView;

namespace {

const char kTag[] = "PropertiesImpl::PropertiesImpl ";

// Seconds on a monotonic clock, as the load's timing lines report them.
class Stopwatch {
public:
    double lap() {
        const auto now = std::chrono::steady_clock::now();
        const std::chrono::duration<double> elapsed = now - m_mark;
        m_mark = now;
        return elapsed.count();
    }

private:
    std::chrono::steady_clock::time_point m_mark = std::chrono::steady_clock::now();
};

// The folder part of a path in either separator; "." for a bare file name, so that pictures
// are never looked up at the root of the file system.
platform::WString folder_of(platform::WStringView path) {
    const size_t slash = path.find_last_of(u"\\/");
    if (slash == platform::WStringView::npos)
        return u".";
    return platform::WString(path.substr(0, slash));
}

// Picture names come from the file, so they must not reach outside the skin's folder: no
// absolute names, no drive or stream colons, no ".." component.
bool stays_in_folder(platform::WStringView name) {
    if (name.empty() || name.front() == u'\\' || name.front() == u'/')
        return false;
    if (name.find(u':') != platform::WStringView::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(u"\\/", start);
        if (end == platform::WStringView::npos)
            end = name.size();
        if (name.substr(start, end - start) == u"..")
            return false;
        start = end + 1;
    }
    return true;
}

// Walks the record graph below each definition once, refusing cycles, nesting beyond
// kMaxDepth and graphs whose shared children would expand to more than
// kMaxNodesPerDefinition nodes when built. Results are kept per record, so a shared subtree
// is walked once however often it is referenced.
class RecordGraphCheck {
public:
    explicit RecordGraphCheck(ByteView bytes) : m_bytes(bytes) {}

    // Empty on success, else what was wrong.
    std::string_view check_definition(uint64_t record) {
        const auto shape = walk(record, 1);
        if (!shape)
            return m_why;
        if (shape->nodes > skinfile::kMaxNodesPerDefinition)
            return "a definition expands to too many nodes";
        return {};
    }

private:
    struct Shape {
        int height = 0;      // levels from this record down, itself included
        uint64_t nodes = 0;  // records built from it, saturated just above the limit
    };

    std::optional<Shape> walk(uint64_t offset, int depth) {
        if (depth > skinfile::kMaxDepth)
            return fail("node records nest too deep");
        if (const auto done = m_done.find(offset); done != m_done.end()) {
            if (depth - 1 + done->second.height > skinfile::kMaxDepth) {
                return fail("node records nest too deep");
            }
            return done->second;
        }
        if (!m_open.insert(offset).second)
            return fail("node records form a cycle");
        const RecordView record(m_bytes, offset);
        if (!record.valid())
            return fail("a node record lies outside the file");
        const uint16_t count = *m_bytes.u16(offset + skinfile::kRecordChildCount);
        if (record.child_count() != count)
            return fail("child offsets run past the end of the file");
        Shape shape{1, 1};
        for (int i = 0; i < count; ++i) {
            const auto child = record.child_offset(i);
            if (!child)
                return fail("a child offset lies outside the file");
            const auto below = walk(*child, depth + 1);
            if (!below)
                return std::nullopt;
            shape.height = std::max(shape.height, below->height + 1);
            shape.nodes =
                std::min(shape.nodes + below->nodes, skinfile::kMaxNodesPerDefinition + 1);
        }
        m_open.erase(offset);
        m_done.emplace(offset, shape);
        return shape;
    }

    std::nullopt_t fail(std::string_view why) {
        m_why = why;
        return std::nullopt;
    }

    ByteView m_bytes;
    std::unordered_map<uint64_t, Shape> m_done;
    std::unordered_set<uint64_t> m_open;
    std::string_view m_why;
};

}  // namespace

PropertiesImpl::PropertiesImpl(const platform::WString& path, const ScreenMetrics& metrics)
    : m_path(path) {
    bool short_read = false;
    auto bytes = skinfile::read_whole_file(path, skinfile::kMaxSkinFileSize, short_read);
    if (!bytes || short_read)
        velvane::log() << "Error: skin [" << path << "] failed to load\n";
    if (!bytes)
        return;
    m_bytes = std::move(*bytes);
    load(metrics.scale_shift(), {});
}

PropertiesImpl::PropertiesImpl(std::vector<uint8_t> bytes, const platform::WString& path,
                               int scale_shift, PictureLoader loader)
    : m_bytes(std::move(bytes)), m_path(path) {
    load(scale_shift, loader);
}

void PropertiesImpl::refuse(std::string_view why) const {
    velvane::log() << kTag << "skin [" << m_path << "] refused: " << why << "\n";
}

void PropertiesImpl::load(int scale_shift, const PictureLoader& loader) {
    const ByteView file = bytes();
    if (!file.fits(0, skinfile::kHeaderSize))
        return refuse("shorter than its header");
    for (size_t i = 0; i < skinfile::kMagic.size(); ++i) {
        if (*file.u16(2 * i) != skinfile::kMagic[i])
            return refuse("not a skin file");
    }
    m_shift = scale_shift;
    m_root = *file.i32(skinfile::kRootOffsetAt);

    std::vector<platform::WString> texts;
    if (!read_string_area(texts))
        return;
    if (!check_definition_tree())
        return;

    const auto pictures = static_cast<size_t>(*file.i32(skinfile::kPictureCountAt));
    const auto fonts = static_cast<size_t>(*file.i32(skinfile::kFontCountAt));
    m_picture_names.assign(std::make_move_iterator(texts.begin()),
                           std::make_move_iterator(texts.begin() + pictures));
    if (!load_pictures(loader))
        return;

    Stopwatch stopwatch;
    const int scale = m_shift >= 0 && m_shift < 31 ? 1 << m_shift : 1;
    m_fonts.reserve(fonts);
    for (size_t i = pictures; i < pictures + fonts; ++i) {
        m_fonts.push_back(zentra::get_font(parse_font_desc(texts[i], scale)));
    }
    m_strings.assign(std::make_move_iterator(texts.begin() + pictures + fonts),
                     std::make_move_iterator(texts.end()));
    velvane::log() << kTag << "fonts create time=" << stopwatch.lap() << "\n";
    m_loaded = true;
}

bool PropertiesImpl::read_string_area(std::vector<platform::WString>& out) {
    const ByteView file = bytes();
    const int32_t pictures = *file.i32(skinfile::kPictureCountAt);
    const int32_t fonts = *file.i32(skinfile::kFontCountAt);
    const int32_t area = *file.i32(skinfile::kStringAreaAt);
    const int32_t strings = *file.i32(skinfile::kStringCountAt);
    if (pictures < 0 || fonts < 0 || strings < 0) {
        refuse("negative table count");
        return false;
    }
    if (uint32_t(pictures) > skinfile::kMaxTableSize || uint32_t(fonts) > skinfile::kMaxTableSize ||
        uint32_t(strings) > skinfile::kMaxTableSize) {
        refuse("more table entries than any index reaches");
        return false;
    }
    if (area < 0 || static_cast<uint64_t>(area) > file.size()) {
        refuse("string area outside the file");
        return false;
    }
    // Each text takes at least its terminator, which bounds the counts before anything is
    // reserved for them.
    const uint64_t total = uint64_t(pictures) + uint64_t(fonts) + uint64_t(strings);
    if (total > (file.size() - static_cast<uint64_t>(area)) / 2) {
        refuse("more strings than the string area holds");
        return false;
    }
    out.reserve(total);
    uint64_t offset = static_cast<uint64_t>(area);
    for (uint64_t i = 0; i < total; ++i) {
        auto text = file.text(offset);
        if (!text) {
            refuse("strings run past the end of the file");
            return false;
        }
        offset += 2 * (text->size() + 1);
        out.push_back(std::move(*text));
    }
    return true;
}

bool PropertiesImpl::check_definition_tree() {
    const ByteView file = bytes();
    RecordGraphCheck graph(file);
    std::unordered_set<uint64_t> seen;
    std::vector<int32_t> pending;
    if (m_root != skinfile::kNoOffset)
        pending.push_back(m_root);
    while (!pending.empty()) {
        const int32_t node = pending.back();
        pending.pop_back();
        if (node < 0 || !file.fits(static_cast<uint64_t>(node), skinfile::kTreeRecord)) {
            refuse("definition tree offset outside the file");
            return false;
        }
        if (!seen.insert(static_cast<uint64_t>(node)).second) {
            refuse("definition tree forms a cycle");
            return false;
        }
        const int32_t name = *file.i32(node + skinfile::kTreeName);
        if (name < 0 || !file.text_length(static_cast<uint64_t>(name))) {
            refuse("definition name outside the file");
            return false;
        }
        const std::string_view why = graph.check_definition(uint64_t(node) + skinfile::kTreeRecord);
        if (!why.empty()) {
            refuse(why);
            return false;
        }
        for (const size_t side : {skinfile::kTreeLeft, skinfile::kTreeRight}) {
            const int32_t next = *file.i32(node + side);
            if (next != skinfile::kNoOffset)
                pending.push_back(next);
        }
    }
    m_tree_size = seen.size();
    return true;
}

bool PropertiesImpl::load_pictures(const PictureLoader& loader) {
    const platform::WString folder = folder_of(m_path);
    Stopwatch stopwatch;
    m_pictures.reserve(m_picture_names.size());
    for (const auto& name : m_picture_names) {
        if (!stays_in_folder(name)) {
            velvane::log() << kTag << "picture name leaves the skin folder {" << name << "}\n";
            return false;
        }
        const platform::WString path = folder + u"\\" + name;
        auto picture = loader ? loader(path) : load_565(path);
        if (!picture || (picture->width() == 0 && picture->height() == 0)) {
            velvane::log() << kTag << "picture failed to load {" << name << "}\n";
            return false;
        }
        m_pictures.push_back(std::move(picture));
        velvane::log() << kTag << "picture load time=" << stopwatch.lap() << " {" << name << "}\n";
    }
    return true;
}

std::optional<SkinRecord> PropertiesImpl::find_definition(platform::WStringView name) const {
    if (!m_loaded)
        return std::nullopt;
    const ByteView file = bytes();
    int32_t node = m_root;
    // The tree was checked to be finite and acyclic; the step bound keeps it so regardless.
    for (size_t steps = 0; node != skinfile::kNoOffset && steps < m_tree_size; ++steps) {
        const auto name_offset = file.i32(uint64_t(node) + skinfile::kTreeName);
        if (node < 0 || !name_offset || *name_offset < 0)
            return std::nullopt;
        const auto order = file.compare_text(static_cast<uint64_t>(*name_offset), name);
        if (!order)
            return std::nullopt;
        if (*order == 0)
            return SkinRecord{static_cast<uint32_t>(node + skinfile::kTreeRecord)};
        // The sought name lower than the node's goes left.
        node =
            *file.i32(uint64_t(node) + (*order > 0 ? skinfile::kTreeLeft : skinfile::kTreeRight));
    }
    return std::nullopt;
}

std::vector<platform::WString> PropertiesImpl::definition_names() const {
    std::vector<platform::WString> names;
    if (!m_loaded)
        return names;
    const ByteView file = bytes();
    // In-order walk with an explicit stack; the tree was checked at load.
    std::vector<int32_t> stack;
    int32_t node = m_root;
    while ((node != skinfile::kNoOffset || !stack.empty()) && names.size() < m_tree_size) {
        while (node != skinfile::kNoOffset && stack.size() <= m_tree_size) {
            stack.push_back(node);
            node = file.i32(uint64_t(node) + skinfile::kTreeLeft).value_or(skinfile::kNoOffset);
        }
        if (stack.empty())
            break;
        node = stack.back();
        stack.pop_back();
        const auto name_offset = file.i32(uint64_t(node) + skinfile::kTreeName);
        names.push_back(file.text(uint32_t(name_offset.value_or(-1))).value_or(u""));
        node = file.i32(uint64_t(node) + skinfile::kTreeRight).value_or(skinfile::kNoOffset);
    }
    return names;
}

int PropertiesImpl::shifted(int value) const {
    if (m_shift < 0 || m_shift >= 32)
        return 0;
    return static_cast<int>(static_cast<uint32_t>(value) << m_shift);
}

int PropertiesImpl::get_integer(SkinRecord r, platform::WStringView key, int def) const {
    const auto entry = record(r).find(PropertyGroup::Integer, key);
    return entry ? *bytes().i32(*entry + 4) : def;
}

std::shared_ptr<const FontRep> PropertiesImpl::get_font(
    SkinRecord r, platform::WStringView key, std::shared_ptr<const FontRep> def) const {
    const auto entry = record(r).find(PropertyGroup::Font, key);
    if (!entry)
        return def;
    const int32_t index = *bytes().i32(*entry + 4);
    if (index < 0 || static_cast<size_t>(index) >= m_fonts.size())
        return def;
    return m_fonts[static_cast<size_t>(index)];
}

Point PropertiesImpl::get_point(SkinRecord r, platform::WStringView key, Point def) const {
    const auto entry = record(r).find(PropertyGroup::Point, key);
    if (!entry)
        return def;
    return {shifted(*bytes().i16(*entry + 4)), shifted(*bytes().i16(*entry + 6))};
}

platform::WString PropertiesImpl::get_string(SkinRecord r, platform::WStringView key,
                                             platform::WStringView def) const {
    const auto entry = record(r).find(PropertyGroup::String, key);
    if (!entry)
        return platform::WString(def);
    const uint16_t index = *bytes().u16(*entry + 2);
    if (index >= m_strings.size())
        return platform::WString(def);
    return m_strings[index];
}

ImageRef PropertiesImpl::image_at(uint64_t entry, int& picture_index) const {
    const ByteView file = bytes();
    ImageRef ref;
    for (size_t i = 0; i < ref.pairs.size(); ++i) {
        ref.pairs[i] = {shifted(*file.u16(entry + 2 + 4 * i)),
                        shifted(*file.u16(entry + 4 + 4 * i))};
    }
    const uint8_t index = *file.u8(entry + 18);
    ref.flag = *file.u8(entry + 19) != 0;
    ref.scale_shift = m_shift;
    picture_index = index < m_pictures.size() ? index : -1;
    if (picture_index >= 0)
        ref.picture = m_pictures[index];
    return ref;
}

ImageRef PropertiesImpl::get_image(SkinRecord r, platform::WStringView key,
                                   const ImageRef& def) const {
    const auto entry = record(r).find(PropertyGroup::Image, key);
    if (!entry)
        return def;
    int picture_index = -1;
    ImageRef ref = image_at(*entry, picture_index);
    return picture_index >= 0 ? ref : def;
}

Color PropertiesImpl::get_color(SkinRecord r, platform::WStringView key, Color def) const {
    const auto entry = record(r).find(PropertyGroup::Color, key);
    if (!entry)
        return def;
    const ByteView file = bytes();
    return {*file.u8(*entry + 4), *file.u8(*entry + 5), *file.u8(*entry + 6), 255};
}

bool PropertiesImpl::has_group(SkinRecord r, PropertyGroup group) const {
    return record(r).group(group).count > 0;
}

int PropertiesImpl::child_count(SkinRecord r) const {
    return record(r).child_count();
}

SkinRecord PropertiesImpl::child(SkinRecord r, int index) const {
    const auto offset = record(r).child_offset(index);
    return offset ? SkinRecord{*offset} : kNoRecord;
}

std::vector<PropertyEntry> PropertiesImpl::list_properties(SkinRecord r) const {
    std::vector<PropertyEntry> out;
    const RecordView view = record(r);
    const ByteView file = bytes();
    for (const auto group : {PropertyGroup::Integer, PropertyGroup::Font, PropertyGroup::Point,
                             PropertyGroup::String, PropertyGroup::Image, PropertyGroup::Color}) {
        const skinfile::GroupSpan span = view.group(group);
        for (size_t i = 0; i < span.count; ++i) {
            const uint64_t entry = span.entry(i);
            auto key = view.key_of(entry);
            if (!key)
                continue;
            PropertyEntry property{group, std::move(*key), 0};
            switch (group) {
                case PropertyGroup::Integer:
                    property.value = *file.i32(entry + 4);
                    break;
                case PropertyGroup::Font: {
                    const int32_t index = *file.i32(entry + 4);
                    std::shared_ptr<const FontDesc> description;
                    if (index >= 0 && static_cast<size_t>(index) < m_fonts.size()) {
                        // Shares ownership with the font it describes.
                        const auto& font = m_fonts[static_cast<size_t>(index)];
                        description = {font, &font->description()};
                    }
                    property.value = description;
                    break;
                }
                case PropertyGroup::Point:
                    property.value =
                        Point{shifted(*file.i16(entry + 4)), shifted(*file.i16(entry + 6))};
                    break;
                case PropertyGroup::String: {
                    const uint16_t index = *file.u16(entry + 2);
                    property.value =
                        index < m_strings.size() ? m_strings[index] : platform::WString();
                    break;
                }
                case PropertyGroup::Image:
                    property.value = image_at(entry, property.picture_index);
                    break;
                case PropertyGroup::Color:
                    property.value =
                        Color{*file.u8(entry + 4), *file.u8(entry + 5), *file.u8(entry + 6), 255};
                    break;
            }
            out.push_back(std::move(property));
        }
    }
    return out;
}

}  // namespace zentra

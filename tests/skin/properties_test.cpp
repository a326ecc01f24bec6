#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "skin/properties.h"
#include "skin/skin_file.h"
#include "skin_test_support.h"

using namespace skintest;
using zentra::Color;
using zentra::FontDesc;
using zentra::ImageRef;
using zentra::Point;
using zentra::Properties;
using zentra::ScreenMetrics;
using zentra::SkinRecord;

namespace {

ScreenMetrics metrics_for_shift(int shift) {
    ScreenMetrics metrics;
    metrics.dpi_y = shift == 0 ? 96 : shift == 1 ? 192 : 384;
    return metrics;
}

// Pictures without files: every name gives a 2 x 3 picture, and the paths asked for are kept.
struct FakePictures {
    std::vector<WString> asked;
    zentra::PictureLoader loader() {
        return [this](platform::WStringView path) {
            asked.emplace_back(path);
            return std::make_shared<const zentra::Bitmap>(2, 3);
        };
    }
};

bool load(Properties& properties, std::vector<uint8_t> bytes, int shift = 0,
          FakePictures* pictures = nullptr) {
    FakePictures fallback;
    return properties.load_skin_from_memory(std::move(bytes), u"skins\\bin\\test.skin",
                                            metrics_for_shift(shift),
                                            (pictures ? pictures : &fallback)->loader());
}

skinc::SkinModel full_model() {
    skinc::SkinNode first;
    first.properties = {string(u"type", u"text"), string(u"id", u"#first")};
    skinc::SkinNode second;
    second.properties = {string(u"type", u"image"), string(u"id", u"#second")};
    second.children = {first};
    skinc::SkinNode root;
    root.properties = {
        integer(u"cache", 1),
        integer(u"cache_alpha", -200),
        font(u"font", u"14 1 0 0 Segoe  UI"),
        font(u"font_small", u""),
        point(u"design_size", -3, 5),
        point(u"border_min", 32767, -32768),
        string(u"text", u"Hello"),
        string(u"text_color", u"red"),
        string(u"id", u"Form"),
        image(u"bg", u"back", {1, 2, 3, 4, 5, 6, 65535, 8}, true),
        image(u"icon", u"icon", {0, 0, 0, 0, 9, 9, 9, 9}),
        color(u"text_color", 250, 128, 1),
        color(u"text", 1, 2, 3),
    };
    root.children = {first, second};
    return {{{u"MainForm", root}, {u"Empty", {}}}};
}

// Reads everything a node builder could read, below every definition; used on damaged files,
// where the point is that nothing reads outside the buffer.
size_t read_everything(const Properties& p) {
    size_t touched = 0;
    std::set<uint32_t> seen;
    std::vector<SkinRecord> pending;
    for (const auto& name : p.definition_names()) {
        if (const auto record = p.find_definition(name))
            pending.push_back(*record);
    }
    pending.push_back(SkinRecord{0});
    pending.push_back(SkinRecord{0xFFFFFFF0u});
    while (!pending.empty()) {
        const SkinRecord record = pending.back();
        pending.pop_back();
        if (!seen.insert(record.offset).second)
            continue;
        for (const auto& property : p.list_properties(record)) {
            touched += p.get_integer(record, property.key, 0) != 0;
            touched += p.get_font(record, property.key, nullptr) != nullptr;
            touched += p.get_point(record, property.key, {}).x != 0;
            touched += p.get_string(record, property.key).size();
            touched += !p.get_image(record, property.key, {}).empty();
            touched += p.get_color(record, property.key, {}).r;
        }
        for (const auto group :
             {PropertyGroup::Integer, PropertyGroup::Font, PropertyGroup::Point,
              PropertyGroup::String, PropertyGroup::Image, PropertyGroup::Color}) {
            touched += p.has_group(record, group);
        }
        for (int i = 0; i <= p.child_count(record); ++i)
            pending.push_back(p.child(record, i));
    }
    return touched;
}

}  // namespace

TEST(Loader, ReadsEveryPropertyKindAsWritten) {
    Properties p;
    FakePictures pictures;
    ASSERT_TRUE(load(p, build_skin(full_model()), 0, &pictures));
    EXPECT_EQ(pictures.asked, (std::vector<WString>{u"skins\\bin\\back", u"skins\\bin\\icon"}));
    EXPECT_EQ(p.skin_path(), u"skins\\bin\\test.skin");

    const auto root = p.find_definition(u"MainForm");
    ASSERT_TRUE(root);
    EXPECT_EQ(p.get_integer(*root, u"cache", 7), 1);
    EXPECT_EQ(p.get_integer(*root, u"cache_alpha", 7), -200);
    EXPECT_EQ(p.get_integer(*root, u"cach", 7), 7);
    EXPECT_EQ(p.get_integer(*root, u"text", 7), 7);  // a key of another group

    const auto font = p.get_font(*root, u"font", nullptr);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->description().size, 14);
    EXPECT_TRUE(font->description().bold);
    EXPECT_EQ(font->description().face, u"Segoe  UI");
    EXPECT_EQ(p.get_font(*root, u"font_small", nullptr)->description(), FontDesc{});

    EXPECT_EQ(p.get_point(*root, u"design_size", {}), (Point{-3, 5}));
    EXPECT_EQ(p.get_point(*root, u"border_min", {}), (Point{32767, -32768}));
    EXPECT_EQ(p.get_point(*root, u"border_max", {1, 2}), (Point{1, 2}));

    // A key that is a proper prefix of another in the same group is found exactly.
    EXPECT_EQ(p.get_string(*root, u"text"), u"Hello");
    EXPECT_EQ(p.get_string(*root, u"text_color"), u"red");
    EXPECT_EQ(p.get_string(*root, u"text_", u"none"), u"none");
    EXPECT_EQ(p.get_color(*root, u"text_color", {}), (Color{250, 128, 1, 255}));
    EXPECT_EQ(p.get_color(*root, u"text", {}), (Color{1, 2, 3, 255}));
    EXPECT_EQ(p.get_color(*root, u"other", {9, 9, 9, 9}), (Color{9, 9, 9, 9}));

    const ImageRef bg = p.get_image(*root, u"bg", {});
    EXPECT_EQ(bg.pairs, (std::array<Point, 4>{Point{1, 2}, {3, 4}, {5, 6}, {65535, 8}}));
    EXPECT_TRUE(bg.flag);
    EXPECT_EQ(bg.picture, p.picture(0));
    EXPECT_EQ(p.picture_name(0), u"back");
    const ImageRef icon = p.get_image(*root, u"icon", {});
    EXPECT_FALSE(icon.flag);
    EXPECT_EQ(icon.picture, p.picture(1));
    EXPECT_EQ(icon.picture->height(), 3);

    ASSERT_EQ(p.child_count(*root), 2);
    EXPECT_EQ(p.get_string(p.child(*root, 0), u"id"), u"#first");
    const SkinRecord second = p.child(*root, 1);
    EXPECT_EQ(p.get_string(second, u"type"), u"image");
    ASSERT_EQ(p.child_count(second), 1);
    EXPECT_EQ(p.get_string(p.child(second, 0), u"id"), u"#first");
    EXPECT_EQ(p.child_count(p.child(second, 0)), 0);
    // A child that does not exist reads as nothing at all.
    const SkinRecord none = p.child(*root, 2);
    EXPECT_EQ(p.get_string(none, u"id", u"x"), u"x");
    EXPECT_EQ(p.child_count(none), 0);

    const auto empty = p.find_definition(u"Empty");
    ASSERT_TRUE(empty);
    for (const auto group : {PropertyGroup::Integer, PropertyGroup::Color}) {
        EXPECT_TRUE(p.has_group(*root, group));
        EXPECT_FALSE(p.has_group(*empty, group));
    }
    EXPECT_FALSE(p.has_group(p.child(*root, 0), PropertyGroup::Point));
    EXPECT_EQ(p.get_string(*empty, u"id", u"d"), u"d");
}

TEST(Loader, ListsPropertiesGroupByGroupInKeyOrder) {
    Properties p;
    ASSERT_TRUE(load(p, build_skin(full_model())));
    const auto listed = p.list_properties(*p.find_definition(u"MainForm"));
    std::vector<std::pair<PropertyGroup, WString>> keys;
    for (const auto& entry : listed)
        keys.emplace_back(entry.group, entry.key);
    const std::vector<std::pair<PropertyGroup, WString>> expected = {
        {PropertyGroup::Integer, u"cache"},     {PropertyGroup::Integer, u"cache_alpha"},
        {PropertyGroup::Font, u"font"},         {PropertyGroup::Font, u"font_small"},
        {PropertyGroup::Point, u"border_min"},  {PropertyGroup::Point, u"design_size"},
        {PropertyGroup::String, u"id"},         {PropertyGroup::String, u"text"},
        {PropertyGroup::String, u"text_color"}, {PropertyGroup::Image, u"bg"},
        {PropertyGroup::Image, u"icon"},        {PropertyGroup::Color, u"text"},
        {PropertyGroup::Color, u"text_color"}};
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(std::get<int>(listed[1].value), -200);
    EXPECT_EQ(std::get<WString>(listed[7].value), u"Hello");
    EXPECT_EQ(listed[10].picture_index, 1);
}

TEST(Loader, ScaleShiftMultipliesPointsAndImageCoordinatesOnly) {
    Properties p;
    ASSERT_TRUE(load(p, build_skin(full_model()), 1));
    EXPECT_EQ(p.scale_shift(), 1);
    const auto root = *p.find_definition(u"MainForm");
    EXPECT_EQ(p.get_point(root, u"design_size", {}), (Point{-6, 10}));
    EXPECT_EQ(p.get_point(root, u"border_min", {}), (Point{65534, -65536}));
    EXPECT_EQ(p.get_point(root, u"missing", {3, 3}), (Point{3, 3}));  // defaults stay as given
    const ImageRef bg = p.get_image(root, u"bg", {});
    EXPECT_EQ(bg.pairs, (std::array<Point, 4>{Point{2, 4}, {6, 8}, {10, 12}, {131070, 16}}));
    EXPECT_EQ(bg.scale_shift, 1);
    EXPECT_EQ(p.get_integer(root, u"cache_alpha", 0), -200);
    EXPECT_EQ(p.get_color(root, u"text_color", {}), (Color{250, 128, 1, 255}));
    EXPECT_EQ(p.get_string(root, u"text"), u"Hello");
    EXPECT_EQ(p.get_font(root, u"font", nullptr)->description().scale, 2);
    EXPECT_EQ(p.get_font(root, u"font", nullptr)->description().size, 14);

    ASSERT_TRUE(load(p, build_skin(full_model()), 2));
    EXPECT_EQ(p.get_point(*p.find_definition(u"MainForm"), u"design_size", {}), (Point{-12, 20}));
    EXPECT_EQ(p.font(0)->description().scale, 4);
}

TEST(Loader, HeaderOnlyFileLoadsWithNoDefinitions) {
    std::vector<uint8_t> bytes(92, 0);
    const uint16_t magic[] = {0x0421, 0x043A, 0x0438, 0x043D};
    for (int i = 0; i < 4; ++i)
        put16(bytes, 2 * i, magic[i]);
    put32(bytes, 72, uint32_t(-1));
    put32(bytes, 84, 92);
    Properties p;
    ASSERT_TRUE(load(p, bytes));
    EXPECT_TRUE(p.is_loaded());
    EXPECT_FALSE(p.find_definition(u"MainForm"));
    EXPECT_FALSE(p.find_definition(u""));
    EXPECT_TRUE(p.definition_names().empty());
    EXPECT_EQ(p.picture_count() + p.font_count() + p.string_count(), 0);

    bytes.pop_back();
    EXPECT_FALSE(load(p, bytes));
}

TEST(Loader, FindsEveryDefinitionOfTheTreeAndNothingElse) {
    skinc::SkinModel model;
    std::vector<WString> names;
    for (int i = 0; i < 37; ++i)
        names.push_back(u"Form" + platform::to_wstring(i * 7 % 37));
    names.insert(names.end(), {u"Form", u"F", u"\u0416", u"Zz", u"a"});
    for (const auto& name : names) {
        skinc::SkinNode node;
        node.properties = {string(u"id", name)};
        model.definitions.push_back({name, node});
    }
    Properties p;
    ASSERT_TRUE(load(p, build_skin(model)));
    for (const auto& name : names) {
        const auto record = p.find_definition(name);
        ASSERT_TRUE(record) << platform::to_utf8(name);
        EXPECT_EQ(p.get_string(*record, u"id"), name);
    }
    for (const WString absent : {u"", u"Fo", u"Form00", u"Form3x", u"Z", u"b", u"\u0417"}) {
        EXPECT_FALSE(p.find_definition(absent)) << platform::to_utf8(absent);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(p.definition_names(), names);
}

TEST(Loader, EqualFontDescriptionsShareOneFont) {
    skinc::SkinNode node;
    node.properties = {font(u"a", u"10 0 1 0 Sans"), font(u"b", u"10 0 1 0 Sans")};
    Properties p;
    ASSERT_TRUE(load(p, build_skin({{{u"D", node}}})));
    const auto record = *p.find_definition(u"D");
    EXPECT_EQ(p.font_count(), 1);
    EXPECT_EQ(p.get_font(record, u"a", nullptr), p.get_font(record, u"b", nullptr));
    EXPECT_TRUE(p.get_font(record, u"a", nullptr)->description().italic);
}

TEST(Loader, PicturesComeFromTheSkinFolderAndAFailedSkinChangesNothing) {
    TempDir dir;
    const auto green = [](int, int) { return uint16_t(0x07E0); };
    dir.write("a.bmp", make_bmp(4, 2, green));
    dir.write("p1.bmp", make_bmp(1, 1, green));
    dir.write("p2.bmp", make_bmp(1, 1, green));
    BmpOptions rgb555;
    rgb555.compression = 3;
    rgb555.masks = {0x7C00, 0x03E0, 0x001F};
    dir.write("p3.bmp", make_bmp(1, 1, green, rgb555));

    skinc::SkinNode first;
    // The name's case differs from the file's, which the file system keeps.
    first.properties = {string(u"id", u"first"), image(u"bg", u"A", {})};
    dir.write("first.skin", build_skin({{{u"Form", first}}}));
    skinc::SkinNode second;
    second.properties = {string(u"id", u"second"), image(u"x", u"p1", {}), image(u"y", u"p2", {}),
                         image(u"z", u"p3", {})};
    dir.write("second.skin", build_skin({{{u"Form", second}, {u"Other", {}}}}));

    Properties p;
    ASSERT_TRUE(p.load_skin(dir.file("first.skin"), metrics_for_shift(0)));
    const auto picture = p.picture(0);
    ASSERT_EQ(picture->width(), 4);
    EXPECT_EQ(picture->row(1)[3], 0x07E0);

    EXPECT_FALSE(p.load_skin(dir.file("second.skin"), metrics_for_shift(1)));
    EXPECT_EQ(p.skin_path(), dir.file("first.skin"));
    EXPECT_EQ(p.scale_shift(), 0);
    EXPECT_EQ(p.picture_count(), 1);
    EXPECT_EQ(p.picture(0), picture);
    EXPECT_FALSE(p.find_definition(u"Other"));
    const auto form = p.find_definition(u"Form");
    ASSERT_TRUE(form);
    EXPECT_EQ(p.get_string(*form, u"id"), u"first");
    EXPECT_EQ(p.get_image(*form, u"bg", {}).picture, picture);

    // With the third picture mended the second skin takes over completely.
    dir.write("p3.bmp", make_bmp(1, 1, green));
    ASSERT_TRUE(p.load_skin(dir.file("second.skin"), metrics_for_shift(1)));
    EXPECT_EQ(p.skin_path(), dir.file("second.skin"));
    EXPECT_EQ(p.picture_count(), 3);
    EXPECT_EQ(p.get_string(*p.find_definition(u"Form"), u"id"), u"second");
    EXPECT_EQ(picture->row(1)[3], 0x07E0) << "a picture outlives the skin while it is held";

    EXPECT_FALSE(p.load_skin(dir.file("missing.skin"), metrics_for_shift(0)));
    EXPECT_EQ(p.skin_path(), dir.file("second.skin"));
}

TEST(Loader, PictureNamesMayNotLeaveTheSkinFolder) {
    for (const WString name : {u"..\\secret", u"art/../../x", u"..", u"/etc/passwd", u"\\root",
                               u"C:pic", u"c:\\pic", u""}) {
        skinc::SkinNode node;
        node.properties = {image(u"bg", name, {})};
        FakePictures pictures;
        Properties p;
        EXPECT_FALSE(load(p, build_skin({{{u"D", node}}}), 0, &pictures))
            << platform::to_utf8(name);
        EXPECT_TRUE(pictures.asked.empty()) << platform::to_utf8(name);
    }
    for (const WString name : {u"art\\icons\\call", u"a..b", u"..x"}) {
        skinc::SkinNode node;
        node.properties = {image(u"bg", name, {})};
        Properties p;
        EXPECT_TRUE(load(p, build_skin({{{u"D", node}}}))) << platform::to_utf8(name);
    }
}

TEST(Loader, ReloadListenersAreToldInTheOrderTheyWereAdded) {
    struct Listener : zentra::ReloadListener {
        std::vector<int>* calls;
        int id;
        Listener(std::vector<int>* c, int i) : calls(c), id(i) {}
        void on_reload_skin(Properties&) override { calls->push_back(id); }
    };
    std::vector<int> calls;
    Listener a(&calls, 1), b(&calls, 2), c(&calls, 3);
    Properties p;
    p.add_reload_listener(&b);
    p.add_reload_listener(&a);
    p.add_reload_listener(&c);
    p.remove_reload_listener(&a);
    ASSERT_TRUE(load(p, build_skin(full_model())));
    EXPECT_TRUE(calls.empty());
    p.send_reload_skin();
    EXPECT_EQ(calls, (std::vector<int>{2, 3}));
}

// --- damaged files -------------------------------------------------------------------------

namespace {

// Offsets inside writer output, found through the file's own structure.
struct Layout {
    std::vector<uint8_t> bytes;
    uint32_t root_node() const { return uint32_t(get32(bytes, 72)); }
    uint32_t root_record() const { return root_node() + 12; }
    uint32_t child(uint32_t record, int i) const {
        return uint32_t(get32(bytes, record + 16 + 4 * i));
    }
    // File offset of the first entry of a group of a record.
    uint32_t group(uint32_t record, PropertyGroup g) const {
        return record + get16(bytes, record + 2 * static_cast<size_t>(g));
    }
};

// A chain of links below one definition, each with a leaf beside the next link.
skinc::SkinModel chain_model(int depth) {
    skinc::SkinNode node;
    for (int i = 1; i < depth; ++i) {
        skinc::SkinNode parent;
        parent.children.push_back(std::move(node));
        parent.children.emplace_back();
        node = std::move(parent);
    }
    return {{{u"Chain", node}}};
}

// A root whose first child starts a single chain that reaches exactly the deepest level
// allowed, and whose second child has one leaf.
skinc::SkinModel deepest_model() {
    skinc::SkinNode link;
    for (int level = zentra::skinfile::kMaxDepth; level > 2; --level) {
        skinc::SkinNode parent;
        parent.children.push_back(std::move(link));
        link = std::move(parent);
    }
    skinc::SkinNode side;
    side.children.emplace_back();
    skinc::SkinNode root;
    root.children = {std::move(link), std::move(side)};
    return {{{u"Deep", root}}};
}

}  // namespace

TEST(Loader, RefusesFilesWhoseStructureIsBroken) {
    const Layout good{build_skin(full_model())};
    Properties p;
    ASSERT_TRUE(load(p, good.bytes));
    const size_t size = good.bytes.size();

    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        bool is_uint16 = false;
    };
    const Case cases[] = {
        {"wrong magic", 6, 0x0000043E},
        {"negative picture count", 76, uint32_t(-1)},
        {"huge string count", 88, 0x7FFFFFFF},
        {"string area past the end", 84, uint32_t(size + 2)},
        {"negative string area", 84, uint32_t(-4)},
        {"strings run past the end", 84, uint32_t(size - 4)},
        {"root outside the file", 72, uint32_t(size - 8)},
        {"root negative", 72, uint32_t(-8)},
        {"tree cycle", good.root_node(), good.root_node()},
        {"definition name outside", good.root_node() + 8, uint32_t(size)},
        {"child outside", good.root_record() + 16, uint32_t(size - 4)},
        {"negative child", good.root_record() + 16, 0x80000000u},
        {"record cycle", good.child(good.root_record(), 1) + 16, good.root_record()},
        {"child count past the end", good.root_record() + 14, 0xFFFF, true},
    };
    for (const auto& c : cases) {
        auto bytes = good.bytes;
        if (c.is_uint16) {
            put16(bytes, c.at, uint16_t(c.value));
        } else {
            put32(bytes, c.at, c.value);
        }
        EXPECT_FALSE(load(p, bytes)) << c.what;
    }
    EXPECT_EQ(p.get_string(*p.find_definition(u"MainForm"), u"id"), u"Form")
        << "kept the good skin";
}

TEST(Loader, RefusesNestingAndExpansionBeyondTheLimits) {
    Properties p;
    const Layout deepest{build_skin(deepest_model())};
    ASSERT_TRUE(load(p, deepest.bytes));
    const uint32_t root = deepest.root_record();
    const uint32_t first_link = deepest.child(root, 0);         // level 2
    const uint32_t second_link = deepest.child(first_link, 0);  // level 3
    const uint32_t side_slot = deepest.child(root, 1) + 16;     // its leaf sits at level 3

    auto shared = deepest.bytes;
    put32(shared, side_slot, second_link);
    EXPECT_TRUE(load(p, shared)) << "a subtree shared at the same level stays within the limit";
    put32(shared, side_slot, first_link);
    EXPECT_FALSE(load(p, shared)) << "the chain one level lower is one level too deep";
    put32(shared, side_slot, root);
    EXPECT_FALSE(load(p, shared)) << "a cycle";

    // Pointing each link's leaf slot at the next link doubles the built nodes per level.
    const Layout chain{build_skin(chain_model(22))};
    auto doubled = [&](int levels) {
        auto bytes = chain.bytes;
        uint32_t link = chain.root_record();
        for (int level = 0; level < levels; ++level) {
            const uint32_t next = chain.child(link, 0);
            put32(bytes, link + 16 + 4, next);
            link = next;
        }
        return bytes;
    };
    EXPECT_TRUE(load(p, doubled(10))) << "about 2^10 x 23 nodes";
    EXPECT_FALSE(load(p, doubled(20))) << "about 2^20 nodes";
}

TEST(Loader, DamagedPropertiesGiveTheirDefaults) {
    const Layout good{build_skin(full_model())};
    const uint32_t r = good.root_record();
    Properties p;
    auto read_back = [&](const std::vector<uint8_t>& bytes) {
        EXPECT_TRUE(load(p, bytes));
        return *p.find_definition(u"MainForm");
    };
    {
        auto bytes = good.bytes;
        put32(bytes, good.group(r, PropertyGroup::Font) + 4, 2);  // two fonts: 0 and 1
        const auto record = read_back(bytes);
        EXPECT_EQ(p.get_font(record, u"font", nullptr), nullptr);
        EXPECT_NE(p.get_font(record, u"font_small", nullptr), nullptr);
    }
    {
        auto bytes = good.bytes;
        put16(bytes, good.group(r, PropertyGroup::String) + 2, 0xFFFF);
        EXPECT_EQ(p.get_string(read_back(bytes), u"id", u"d"), u"d");
    }
    {
        auto bytes = good.bytes;
        bytes.at(good.group(r, PropertyGroup::Image) + 18) = 2;  // two pictures
        const auto record = read_back(bytes);
        EXPECT_TRUE(p.get_image(record, u"bg", {}).empty());
        EXPECT_FALSE(p.get_image(record, u"icon", {}).empty());
    }
    {
        auto bytes = good.bytes;  // integers keep reading when the points' bounds cross
        put16(bytes, r + 6, uint16_t(get16(bytes, r + 4) - 8));
        const auto record = read_back(bytes);
        EXPECT_EQ(p.get_point(record, u"design_size", {7, 7}), (Point{7, 7}));
        EXPECT_EQ(p.get_integer(record, u"cache", 0), 1);
    }
    {
        auto bytes = good.bytes;  // the colour group ends in the middle of an entry
        put16(bytes, r + 12, uint16_t(get16(bytes, r + 12) - 2));
        EXPECT_EQ(p.get_color(read_back(bytes), u"text", {}), Color{});
    }
    {
        auto bytes = good.bytes;  // a key name beyond the file
        put16(bytes, good.group(r, PropertyGroup::Integer), 0xFFFF);
        const auto record = read_back(bytes);
        EXPECT_EQ(p.get_integer(record, u"cache", 5), 5);
        // The search for the other key never meets the broken entry.
        EXPECT_EQ(p.get_integer(record, u"cache_alpha", 5), -200);
    }
}

TEST(Loader, SurvivesEveryTruncationAndRandomByteDamage) {
    const auto good = build_skin(full_model());
    Properties p;
    int loaded = 0;
    for (size_t length = 0; length < good.size(); ++length) {
        if (load(p, {good.begin(), good.begin() + long(length)})) {
            ++loaded;
            read_everything(p);
        }
    }
    // The last bytes of a file always belong to a record, and a cut record is refused.
    EXPECT_EQ(loaded, 0);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (int round = 0; round < 3000; ++round) {
        auto bytes = good;
        const int flips = 1 + int(random() % 4);
        for (int i = 0; i < flips; ++i)
            bytes[random() % bytes.size()] ^= uint8_t(1 + random() % 255);
        if (load(p, bytes))
            read_everything(p);
    }
}

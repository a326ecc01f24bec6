#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "skin/skin_file.h"
#include "skin_test_support.h"

using namespace skintest;
using zentra::skinfile::ByteView;
using zentra::skinfile::RecordView;

namespace {

void put_text(std::vector<uint8_t>& b, const WString& text) {
    for (const char16_t c : text)
        b.insert(b.end(), {uint8_t(c), uint8_t(c >> 8)});
    b.insert(b.end(), {0, 0});
}

// A string group of a record at offset 0 whose entries point at the given key offsets.
std::vector<uint8_t> string_record(const std::vector<uint16_t>& key_offsets, size_t file_size) {
    std::vector<uint8_t> b(file_size, 0);
    const uint16_t start = 16;
    const auto end = uint16_t(start + 4 * key_offsets.size());
    for (int g = 0; g <= 3; ++g)
        put16(b, 2 * g, start);
    for (int g = 4; g <= 6; ++g)
        put16(b, 2 * g, end);
    for (size_t i = 0; i < key_offsets.size(); ++i) {
        put16(b, start + 4 * i, key_offsets[i]);
        put16(b, start + 4 * i + 2, uint16_t(i));
    }
    return b;
}

}  // namespace

TEST(ByteView, ReadsLittleEndianAtAnyOffsetButNeverPastTheEnd) {
    const std::vector<uint8_t> b = {0x01, 0xFE, 0xFF, 0xFF, 0x7F, 0x34, 0x12};
    const ByteView view(b);
    EXPECT_EQ(view.u16(5), 0x1234);
    EXPECT_EQ(view.u16(6), std::nullopt);
    EXPECT_EQ(view.i16(1), -2);
    EXPECT_EQ(view.i32(1), int32_t(0x7FFFFFFE));
    EXPECT_EQ(view.u32(3), 0x12347FFFu);
    EXPECT_EQ(view.u32(4), std::nullopt);
    EXPECT_EQ(view.u8(6), 0x12);
    EXPECT_EQ(view.u8(7), std::nullopt);
    EXPECT_EQ(view.u32(UINT64_MAX - 1), std::nullopt);
    EXPECT_TRUE(view.fits(7, 0));
    EXPECT_FALSE(view.fits(2, UINT64_MAX));
}

TEST(ByteView, TextEndsAtTheFirstNulUnitInsideTheBuffer) {
    std::vector<uint8_t> b;
    put_text(b, u"ab");
    b.push_back(0x63);  // a lone byte after it
    const ByteView view(b);
    EXPECT_EQ(view.text(0), u"ab");
    EXPECT_EQ(view.text(4), u"");
    // No NUL unit from here on: 0x6300, then a lone byte that is not a whole unit.
    EXPECT_EQ(view.text_length(5), std::nullopt);
    EXPECT_EQ(view.text(6), std::nullopt);
    EXPECT_EQ(view.text(100), std::nullopt);
}

TEST(ByteView, ComparesUnitByUnitWithAProperPrefixLower) {
    std::vector<uint8_t> b;
    put_text(b, u"text");
    put_text(b, u"\u0416");
    const ByteView view(b);
    EXPECT_EQ(view.compare_text(0, u"text"), 0);
    EXPECT_LT(*view.compare_text(0, u"text_color"), 0);
    EXPECT_GT(*view.compare_text(0, u"tex"), 0);
    EXPECT_GT(*view.compare_text(0, u""), 0);
    EXPECT_GT(*view.compare_text(10, u"z"), 0);  // unsigned: U+0416 sorts after ASCII
    b.resize(b.size() - 1);
    EXPECT_EQ(ByteView(b).compare_text(10, u"\u0416"), std::nullopt);
}

TEST(RecordView, FindsEveryKeyOfASortedGroupIncludingPrefixes) {
    std::vector<uint8_t> b = string_record({40, 46, 56, 78}, 40);
    put_text(b, u"id");          // 40..45
    put_text(b, u"text");        // 46..55
    put_text(b, u"text_color");  // 56..77
    put_text(b, u"type");        // 78..
    const RecordView record(ByteView(b), 0);
    ASSERT_TRUE(record.valid());
    EXPECT_EQ(record.group(PropertyGroup::String).count, 4u);
    EXPECT_EQ(record.group(PropertyGroup::Integer).count, 0u);
    const WString keys[] = {u"id", u"text", u"text_color", u"type"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(record.find(PropertyGroup::String, keys[i]), 16 + 4 * i) << i;
    }
    for (const WString absent : {u"", u"i", u"tex", u"text_", u"zz"}) {
        EXPECT_EQ(record.find(PropertyGroup::String, absent), std::nullopt);
    }
    EXPECT_EQ(record.find(PropertyGroup::Integer, u"id"), std::nullopt);
}

TEST(RecordView, MalformedGroupsAreEmpty) {
    std::vector<uint8_t> b = string_record({40, 40}, 40);
    put_text(b, u"k");
    const size_t size = b.size();
    {
        auto bad = b;  // string group start after its end
        put16(bad, 6, 26);
        put16(bad, 8, 20);
        EXPECT_EQ(RecordView(ByteView(bad), 0).group(PropertyGroup::String).count, 0u);
    }
    {
        auto bad = b;  // a partial entry
        put16(bad, 8, 22);
        EXPECT_EQ(RecordView(ByteView(bad), 0).group(PropertyGroup::String).count, 0u);
    }
    {
        auto bad = b;  // a group ending past the buffer
        put16(bad, 8, uint16_t(size + 4 - (size % 4)));
        put16(bad, 6, 16);
        EXPECT_EQ(RecordView(ByteView(bad), 0).group(PropertyGroup::String).count, 0u);
    }
    {
        auto bad = b;  // a key name past the buffer ends the search without a result
        put16(bad, 16, uint16_t(size));
        put16(bad, 20, uint16_t(size));
        EXPECT_EQ(RecordView(ByteView(bad), 0).find(PropertyGroup::String, u"k"), std::nullopt);
    }
    EXPECT_EQ(RecordView(ByteView(b), 0).find(PropertyGroup::String, u"k").has_value(), true);
    EXPECT_FALSE(RecordView(ByteView(b), size - 15).valid());
    EXPECT_EQ(RecordView(ByteView(b), size - 15).child_count(), 0);
}

TEST(RecordView, ChildOffsetsMustFitTheBuffer) {
    std::vector<uint8_t> b(24, 0);
    put16(b, 14, 2);
    put32(b, 16, 0);
    put32(b, 20, uint32_t(-5));
    const RecordView record(ByteView(b), 0);
    EXPECT_EQ(record.child_count(), 2);
    EXPECT_EQ(record.child_offset(0), 0u);
    EXPECT_EQ(record.child_offset(1), std::nullopt);
    EXPECT_EQ(record.child_offset(2), std::nullopt);
    EXPECT_EQ(record.child_offset(-1), std::nullopt);
    put16(b, 14, 3);
    EXPECT_EQ(RecordView(ByteView(b), 0).child_count(), 0);
}

// --- the writer ----------------------------------------------------------------------------

namespace {

skinc::SkinModel sample_model() {
    skinc::SkinNode child;
    child.properties = {string(u"type", u"text"), point(u"design_size", 10, -20)};
    skinc::SkinNode root;
    root.properties = {
        string(u"id", u"root"),        integer(u"cache", 1),
        color(u"color", 1, 2, 3),      font(u"font", u"12 0 0 0 Tahoma"),
        string(u"text", u"Hello"),     image(u"bg", u"back", {0, 0, 1, 1, 2, 2, 3, 3}),
        string(u"anchor_x", u"CENTER")};
    root.children = {child, child};
    return {{{u"MainForm", root}, {u"CallForm", child}, {u"Splash", {}}}};
}

std::string write_error(const skinc::SkinModel& model) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(skinc::write_skin(model, bytes, error));
    return error;
}

}  // namespace

TEST(WriteSkin, OutputIsCanonical) {
    const auto bytes = build_skin(sample_model());
    ASSERT_GE(bytes.size(), 92u);
    EXPECT_EQ(get16(bytes, 0), 0x0421);
    EXPECT_EQ(get16(bytes, 6), 0x043D);
    EXPECT_TRUE(
        std::all_of(bytes.begin() + 8, bytes.begin() + 72, [](uint8_t v) { return v == 0; }));

    auto shuffled = sample_model();
    std::reverse(shuffled.definitions.begin(), shuffled.definitions.end());
    for (auto& definition : shuffled.definitions) {
        std::reverse(definition.root.properties.begin(), definition.root.properties.end());
    }
    EXPECT_EQ(build_skin(shuffled), bytes);
}

TEST(WriteSkin, TablesAreSortedUniqueAndPicturesFontsStringsInThatOrder) {
    auto model = sample_model();
    model.definitions[2].root.properties = {string(u"a", u"Hello"), string(u"b", u"Alpha"),
                                            image(u"i", u"aaa", {}), font(u"f", u"9")};
    const auto bytes = build_skin(model);
    EXPECT_EQ(get32(bytes, 76), 2);  // aaa, back
    EXPECT_EQ(get32(bytes, 80), 2);  // "12 0 0 0 Tahoma", "9"
    EXPECT_EQ(get32(bytes, 88), 5);
    std::vector<WString> texts;
    const ByteView view(bytes);
    size_t at = size_t(get32(bytes, 84));
    for (int i = 0; i < 9; ++i) {
        texts.push_back(*view.text(at));
        at += 2 * (texts.back().size() + 1);
    }
    EXPECT_EQ(texts, (std::vector<WString>{u"aaa", u"back", u"12 0 0 0 Tahoma", u"9", u"Alpha",
                                           u"CENTER", u"Hello", u"root", u"text"}));
}

TEST(WriteSkin, RefusesWhatTheLoaderWouldReadBackDifferently) {
    auto duplicate_key = sample_model();
    duplicate_key.definitions[0].root.properties.push_back(string(u"text", u"again"));
    EXPECT_NE(write_error(duplicate_key).find("duplicate string key text"), std::string::npos);

    auto same_key_other_group = sample_model();
    same_key_other_group.definitions[0].root.properties.push_back(integer(u"text", 1));
    build_skin(same_key_other_group);

    auto duplicate_definition = sample_model();
    duplicate_definition.definitions.push_back(duplicate_definition.definitions[1]);
    EXPECT_NE(write_error(duplicate_definition).find("duplicate definition CallForm"),
              std::string::npos);

    auto wide_point = sample_model();
    wide_point.definitions[0].root.properties.push_back(point(u"p", 32768, 0));
    EXPECT_FALSE(write_error(wide_point).empty());
    wide_point.definitions[0].root.properties.back() = point(u"p", -32768, 32767);
    build_skin(wide_point);

    auto wide_image = sample_model();
    wide_image.definitions[0].root.properties.push_back(
        image(u"i", u"p", {0, 0, 0, 0, 0, 0, 0, 65536}));
    EXPECT_FALSE(write_error(wide_image).empty());

    auto wrong_type = sample_model();
    wrong_type.definitions[0].root.properties.push_back(
        {PropertyGroup::Integer, u"n", WString(u"1")});
    EXPECT_FALSE(write_error(wrong_type).empty());

    auto nul = sample_model();
    nul.definitions[0].root.properties.push_back(string(u"s", WString(u"a\0b", 3)));
    EXPECT_FALSE(write_error(nul).empty());
}

TEST(WriteSkin, KeyNamesMustStartInsideTheFirst64KiB) {
    // 92 header bytes, then keys of 1000 units plus terminator: 2002 bytes each.
    auto fits = [](int keys) {
        skinc::SkinNode node;
        for (int i = 0; i < keys; ++i) {
            WString key(1000, u'k');
            key += platform::to_wstring(10000 + i);
            node.properties.push_back(integer(key, i));
        }
        skinc::SkinModel model{{{u"D", node}}};
        std::vector<uint8_t> bytes;
        std::string error;
        return skinc::write_skin(model, bytes, error);
    };
    // Each key is 1005 units + NUL = 2012 bytes; key 32 starts at 92 + 32 * 2012 = 64476.
    EXPECT_TRUE(fits(33));
    EXPECT_FALSE(fits(34));  // key 33 would start at 66488
}

TEST(WriteSkin, NestingBeyondTheLoadersLimitIsRefused) {
    auto chain = [](int depth) {
        skinc::SkinNode node;
        for (int i = 1; i < depth; ++i) {
            skinc::SkinNode parent;
            parent.children.push_back(std::move(node));
            node = std::move(parent);
        }
        return skinc::SkinModel{{{u"Deep", node}}};
    };
    build_skin(chain(zentra::skinfile::kMaxDepth));
    EXPECT_FALSE(write_error(chain(zentra::skinfile::kMaxDepth + 1)).empty());
}

// Reading skin sources: every value form, pictures, and errors that point at the fault.

#include "tools/skinc/source_parser.h"

#include <gtest/gtest.h>

namespace {

using platform::WString;
using skinc::ImageValue;
using skinc::Property;
using skinc::SkinSource;
using skinc::SourceError;
using zentra::PropertyGroup;

// Sizes pictures without files: every picture is 12 x 34.
std::optional<zentra::Size> fixed_size(const skinc::SkinPicture&, std::string&) {
    return zentra::Size{12, 34};
}

SkinSource parse_ok(const std::string& text) {
    SkinSource source;
    SourceError error;
    EXPECT_TRUE(skinc::parse_source(text, "dir/test.vskin", source, fixed_size, error))
        << error.text();
    return source;
}

const Property& find(const skinc::SkinNode& node, PropertyGroup group, const WString& key) {
    for (const Property& property : node.properties) {
        if (property.group == group && property.key == key) {
            return property;
        }
    }
    ADD_FAILURE() << "no property " << platform::to_utf8(key);
    static const Property none{};
    return none;
}

TEST(SourceParser, ReadsEveryValueFormAndNesting) {
    const SkinSource source = parse_ok(R"(# leading comment
picture "tiles" alpha 128
define Main {   # comment after a brace
    int cache = -7
    int big = 2147483647
    font title = "+14 2 0 0 DejaVu Sans"
    point design_size = -32768, 32767
    string text = "a\"b\\c\nd\t\u00e9\ud83d\ude00 é"
    string "odd key" = ""
    image icon = "tiles" 1 2 3 4 5 6 7 65535 1
    image whole = "photo"
    color c1 = 1, 2, 3
    color c2 = #A0b1C2#comment right after
    node {
        node { string type = "text" }
    }
    node { }
}
define "Second Form" { }
)");
    ASSERT_EQ(source.model.definitions.size(), 2u);
    const skinc::SkinNode& main = source.model.definitions[0].root;
    EXPECT_EQ(source.model.definitions[1].name, u"Second Form");
    EXPECT_EQ(std::get<int>(find(main, PropertyGroup::Integer, u"cache").value), -7);
    EXPECT_EQ(std::get<int>(find(main, PropertyGroup::Integer, u"big").value), 2147483647);
    // Fonts are stored in their normal form.
    EXPECT_EQ(
        std::get<skinc::FontValue>(find(main, PropertyGroup::Font, u"title").value).description,
        u"14 1 0 0 DejaVu Sans");
    EXPECT_EQ(std::get<zentra::Point>(find(main, PropertyGroup::Point, u"design_size").value),
              (zentra::Point{-32768, 32767}));
    EXPECT_EQ(std::get<WString>(find(main, PropertyGroup::String, u"text").value),
              u"a\"b\\c\nd\t\u00e9\U0001F600 \u00e9");
    EXPECT_EQ(std::get<WString>(find(main, PropertyGroup::String, u"odd key").value), u"");
    EXPECT_EQ(std::get<ImageValue>(find(main, PropertyGroup::Image, u"icon").value),
              (ImageValue{u"tiles", {1, 2, 3, 4, 5, 6, 7, 65535}, true}));
    EXPECT_EQ(std::get<ImageValue>(find(main, PropertyGroup::Image, u"whole").value),
              (ImageValue{u"photo", {0, 0, 0, 0, 12, 34, 12, 34}, false}));
    EXPECT_EQ(std::get<zentra::Color>(find(main, PropertyGroup::Color, u"c1").value),
              (zentra::Color{1, 2, 3, 255}));
    EXPECT_EQ(std::get<zentra::Color>(find(main, PropertyGroup::Color, u"c2").value),
              (zentra::Color{0xA0, 0xB1, 0xC2, 255}));
    ASSERT_EQ(main.children.size(), 2u);
    ASSERT_EQ(main.children[0].children.size(), 1u);
    EXPECT_EQ(main.children[0].children[0].properties.size(), 1u);

    // Pictures keep the order they were named in, with the declared level and the folder of
    // the source that named them.
    ASSERT_EQ(source.pictures.size(), 2u);
    EXPECT_EQ(source.pictures[0].name, u"tiles");
    EXPECT_EQ(source.pictures[0].alpha, 128);
    EXPECT_EQ(source.pictures[0].folder, "dir");
    EXPECT_TRUE(source.pictures[0].used);
    EXPECT_EQ(source.pictures[1].alpha, 255);
}

TEST(SourceParser, SameKeyInDifferentGroupsIsAllowed) {
    const SkinSource source = parse_ok("define A { int text = 1 string text = \"x\" }");
    EXPECT_EQ(source.model.definitions[0].root.properties.size(), 2u);
}

TEST(SourceParser, ErrorsNameFileLineAndColumn) {
    const std::pair<const char*, const char*> cases[] = {
        {"define A {\n  int x = 1\n", "dir/test.vskin:3:1: missing '}'"},
        {"define A {\n  integer x = 1 }", "dir/test.vskin:2:3: unknown property type 'integer'"},
        {"define A { int x = 2147483648 }", "dir/test.vskin:1:20: an integer out of range"},
        {"define A { int x = 12abc }", "dir/test.vskin:1:20: expected an integer"},
        {"define A { point p = 1 2 }", "dir/test.vskin:1:24: expected ','"},
        {"define A { point p = 40000, 0 }", "dir/test.vskin:1:22: a point's x out of range"},
        {"define A { color c = 1, 2, 256 }", "dir/test.vskin:1:28: a blue level out of range"},
        {"define A { color c = #12345 }", "dir/test.vskin:1:22: a colour in '#' form needs six"},
        {"define A { color c = # none\n }", "dir/test.vskin:2:2: expected a red level"},
        {"define A { string s = \"abc\n\" }", "dir/test.vskin:1:23: unterminated string"},
        {"define A { string s = \"a\\q\" }", "dir/test.vskin:1:25: unknown escape"},
        {"define A { string s = \"\\u12g4\" }", "dir/test.vskin:1:24: \\u needs four"},
        {"define A { string s = \"\xC3\x28\" }", "dir/test.vskin:1:24: string is not valid UTF-8"},
        {"define A {\n int x = 1\n int x = 2 }", "dir/test.vskin:3:6: duplicate int property 'x'"},
        {"define A { image i = \"a\" 1 2 3 }", "dir/test.vskin:1:32: expected image coordinate d"},
        {"define A { image i = \"a\" 0 0 0 0 0 0 0 0 2 }", "the image flag out of range"},
        {"define A { image i = \"../up\" }", "dir/test.vskin:1:22: '../up' is not a usable"},
        {"define A { node x }", "dir/test.vskin:1:17: expected '{' after 'node'"},
        {"define { }", "dir/test.vskin:1:8: expected a definition name"},
        {"define A { } define A { }",
         "dir/test.vskin:1:21: duplicate definition 'A' (first "
         "defined at dir/test.vskin:1)"},
        {"picture p alpha 300", "dir/test.vskin:1:17: an alpha level out of range"},
        {"picture p alpha 1 picture p alpha 2", "declared twice with different alpha levels"},
        {"defined A { }", "dir/test.vskin:1:1: expected 'define' or 'picture', found 'defined'"},
    };
    for (const auto& [text, expected] : cases) {
        SkinSource source;
        SourceError error;
        EXPECT_FALSE(skinc::parse_source(text, "dir/test.vskin", source, fixed_size, error))
            << text;
        EXPECT_NE(error.text().find(expected), std::string::npos)
            << "source: " << text << "\nerror:  " << error.text();
    }
}

TEST(SourceParser, DefinitionsAndPictureLevelsMustAgreeAcrossSources) {
    SkinSource source;
    SourceError error;
    ASSERT_TRUE(skinc::parse_source("define A { }\ndefine B { }\npicture p alpha 9", "one.vskin",
                                    source, fixed_size, error));
    EXPECT_FALSE(skinc::parse_source("\n\n  define B { }", "two.vskin", source, fixed_size, error));
    EXPECT_EQ(error.text(),
              "two.vskin:3:10: duplicate definition 'B' (first defined at one.vskin:2)");
    EXPECT_TRUE(skinc::parse_source("picture p alpha 9", "three.vskin", source, fixed_size, error));
    EXPECT_FALSE(skinc::parse_source("picture p", "four.vskin", source, fixed_size, error));
    EXPECT_EQ(error.text(),
              "four.vskin:1:9: picture 'p' is declared twice with different alpha levels");
}

TEST(SourceParser, WholePictureNeedsItsSize) {
    SkinSource source;
    SourceError error;
    auto unreadable = [](const skinc::SkinPicture& picture, std::string& why) {
        why = "cannot read " + platform::to_utf8(picture.name);
        return std::optional<zentra::Size>();
    };
    EXPECT_FALSE(skinc::parse_source("define A {\n image i = \"gone\" }", "a.vskin", source,
                                     unreadable, error));
    EXPECT_EQ(error.text(), "a.vskin:2:12: cannot read gone");
}

}  // namespace

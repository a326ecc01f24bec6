// Compile, load with the program's loader, dump, compile again: the bytes must not change.

#include <gtest/gtest.h>

#include "skin/properties.h"
#include "tests/skin/skin_test_support.h"
#include "tools/skinc/pictures.h"
#include "tools/skinc/source_parser.h"
#include "tools/skinc/source_writer.h"

namespace {

namespace fs = std::filesystem;
using platform::WString;

const std::string kSample = std::string(VELVANE_TEST_DATA) + "/sample/sample.vskin";

// Compiles source files into folder/name, pictures beside it; returns the skin's bytes.
std::vector<uint8_t> compile(const std::vector<std::string>& sources, const fs::path& folder,
                             const std::string& name) {
    skinc::SkinSource source;
    for (const std::string& path : sources) {
        skinc::SourceError error;
        EXPECT_TRUE(skinc::parse_source_file(path, source, skinc::picture_file_size, error))
            << error.text();
    }
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(skinc::write_skin(source.model, bytes, error)) << error;
    EXPECT_TRUE(skinc::export_pictures(source.pictures, folder, error)) << error;
    EXPECT_TRUE(skinc::write_file_atomically(folder / name, bytes, error)) << error;
    return bytes;
}

skinc::SkinModel load_model(const fs::path& file, int dpi) {
    zentra::Properties skin;
    zentra::ScreenMetrics metrics;
    metrics.dpi_y = dpi;
    EXPECT_TRUE(skin.load_skin(platform::from_utf8(file.string()), metrics));
    return skinc::read_skin_model(skin);
}

void write_text(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(SkinRoundTrip, DumpOfTheSampleCompilesToTheSameBytes) {
    skintest::TempDir dir;
    const std::vector<uint8_t> first = compile({kSample}, dir.path(), "sample.skin");
    const std::string dump =
        skinc::format_source(load_model(dir.path() / "sample.skin", 96), "dumped at 96 dpi");
    // The dump sits beside the exported pictures, which it names.
    write_text(dir.path() / "dump.vskin", dump);
    fs::create_directories(dir.path() / "again");
    const std::vector<uint8_t> second =
        compile({(dir.path() / "dump.vskin").string()}, dir.path() / "again", "sample.skin");
    EXPECT_EQ(first, second);
    EXPECT_TRUE(fs::exists(dir.path() / "again" / "icon.bmp"));
    EXPECT_NE(dump.find("define CardForm {\n"), std::string::npos);
    EXPECT_NE(dump.find("        node {\n            point border_min = 4, 0\n"), std::string::npos)
        << dump;
}

TEST(SkinRoundTrip, AwkwardTextSurvivesDumpAndCompile) {
    skintest::TempDir dir;
    // Lone surrogates, control characters, quotes, a key that needs quoting, a two-word face
    // and a description written loosely.
    const WString text = u"\"q\" \\ \x01\x7f \xd800 x \xdc00 \U0001F600 \u041a\n";
    skinc::SkinModel model;
    model.definitions.push_back(
        {u"with space",
         {{{zentra::PropertyGroup::String, u"text", text},
           {zentra::PropertyGroup::String, u"key-with.dots", u""},
           {zentra::PropertyGroup::Font, u"font", skinc::FontValue{u"  -3 +1 0 7 Open  Sans "}}},
          {}}});
    skinc::SkinSource parsed;
    skinc::SourceError parse_error;
    ASSERT_TRUE(
        skinc::parse_source(skinc::format_source(model), "x.vskin", parsed, {}, parse_error))
        << parse_error.text();
    const auto& properties = parsed.model.definitions.at(0).root.properties;
    EXPECT_EQ(parsed.model.definitions[0].name, u"with space");
    EXPECT_EQ(std::get<WString>(properties.at(0).value), text);
    EXPECT_EQ(properties.at(1).key, u"key-with.dots");

    // Through the loader the font comes back in its normal form, which compiles to the
    // bytes it was loaded from.
    write_text(dir.path() / "a.vskin", skinc::format_source(parsed.model));
    const std::vector<uint8_t> first =
        compile({(dir.path() / "a.vskin").string()}, dir.path(), "a.skin");
    const skinc::SkinModel loaded = load_model(dir.path() / "a.skin", 96);
    EXPECT_EQ(std::get<skinc::FontValue>(loaded.definitions.at(0).root.properties.at(0).value)
                  .description,
              u"-3 1 0 1 Open  Sans ");
    write_text(dir.path() / "b.vskin", skinc::format_source(loaded));
    EXPECT_EQ(compile({(dir.path() / "b.vskin").string()}, dir.path(), "b.skin"), first);
}

TEST(SkinDump, HighDensityDoublesPointsAndImagesOnly) {
    skintest::TempDir dir;
    compile({kSample}, dir.path(), "sample.skin");
    const skinc::SkinModel normal = load_model(dir.path() / "sample.skin", 96);
    const skinc::SkinModel doubled = load_model(dir.path() / "sample.skin", 192);

    // Walk both trees side by side.
    int points = 0;
    int images = 0;
    std::function<void(const skinc::SkinNode&, const skinc::SkinNode&)> compare =
        [&](const skinc::SkinNode& a, const skinc::SkinNode& b) {
            ASSERT_EQ(a.properties.size(), b.properties.size());
            for (size_t i = 0; i < a.properties.size(); ++i) {
                const auto& va = a.properties[i].value;
                const auto& vb = b.properties[i].value;
                if (const auto* p = std::get_if<zentra::Point>(&va)) {
                    EXPECT_EQ(std::get<zentra::Point>(vb), (zentra::Point{2 * p->x, 2 * p->y}));
                    ++points;
                } else if (const auto* image = std::get_if<skinc::ImageValue>(&va)) {
                    auto expected = *image;
                    for (int& c : expected.coords)
                        c *= 2;
                    EXPECT_EQ(std::get<skinc::ImageValue>(vb), expected);
                    ++images;
                } else {
                    EXPECT_EQ(va, vb);  // integers, fonts, strings, colours
                }
            }
            ASSERT_EQ(a.children.size(), b.children.size());
            for (size_t i = 0; i < a.children.size(); ++i)
                compare(a.children[i], b.children[i]);
        };
    ASSERT_EQ(normal.definitions.size(), doubled.definitions.size());
    for (size_t i = 0; i < normal.definitions.size(); ++i) {
        compare(normal.definitions[i].root, doubled.definitions[i].root);
    }
    EXPECT_GT(points, 5);
    EXPECT_EQ(images, 3);
    EXPECT_NE(skinc::format_source(doubled).find("point design_size = 480, 640"),
              std::string::npos);
}

}  // namespace

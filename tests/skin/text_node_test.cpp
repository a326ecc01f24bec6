// The `text` node: skin properties and translation, line breaking, growth, highlights and
// what a wrapped, shortened text draws.

#include "skin/text_node.h"

#include "skin/font.h"
#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::TextNode;
using zentra::TextRange;

// Extents of a font where every code unit is ten pixels wide.
std::vector<int> tens(platform::WStringView text) {
    std::vector<int> extents(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        extents[i] = static_cast<int>(i + 1) * 10;
    }
    return extents;
}

std::vector<TextRange> wrap(platform::WStringView text, int width) {
    return zentra::wrap_lines(text, tens(text), width);
}

TEST(WrapLines, WordsFillALineUpToTheWidthAndTrailingBlanksDoNotCount) {
    // "aa bb" is 50 wide without the blank after it.
    EXPECT_EQ(wrap(u"aa bb cc", 50), (std::vector<TextRange>{{0, 5}, {6, 8}}));
    EXPECT_EQ(wrap(u"aa bb cc", 49), (std::vector<TextRange>{{0, 2}, {3, 5}, {6, 8}}));
    EXPECT_EQ(wrap(u"aa bb cc", 80), (std::vector<TextRange>{{0, 8}}));
}

TEST(WrapLines, LineFeedsEndLinesAndZeroWidthSpacesAllowBreaks) {
    EXPECT_EQ(wrap(u"a\nb", 1000), (std::vector<TextRange>{{0, 1}, {2, 3}}));
    EXPECT_EQ(wrap(u"a\n\nb", 1000), (std::vector<TextRange>{{0, 1}, {2, 2}, {3, 4}}));
    EXPECT_EQ(wrap(u"a\n", 1000), (std::vector<TextRange>{{0, 1}}));
    EXPECT_EQ(wrap(u"abc\u200Bdef", 40), (std::vector<TextRange>{{0, 3}, {4, 7}}));
    // Tabs and other controls are break opportunities too.
    EXPECT_EQ(wrap(u"ab\tcd", 30), (std::vector<TextRange>{{0, 2}, {3, 5}}));
}

TEST(WrapLines, AWordWiderThanTheWidthTakesALineAlone) {
    EXPECT_EQ(wrap(u"a verylongword b", 50),
              (std::vector<TextRange>{{0, 1}, {2, 14}, {15, 16}}));
    EXPECT_EQ(wrap(u"", 50), (std::vector<TextRange>{{0, 0}}));
}

TEST(Alignment, UnknownNamesKeepTheCentre) {
    EXPECT_EQ(zentra::parse_halign(u"LEFT"), 0);
    EXPECT_EQ(zentra::parse_halign(u"RIGHT"), 2);
    EXPECT_EQ(zentra::parse_halign(u"JUSTIFY"), 3);
    EXPECT_EQ(zentra::parse_halign(u"left"), 1);
    EXPECT_EQ(zentra::parse_valign(u"TOP"), 0);
    EXPECT_EQ(zentra::parse_valign(u"BOTTOM"), 2);
    EXPECT_EQ(zentra::parse_valign(u"MIDDLE"), 1);
}

class TextNodeTest : public skintest::NodeStage {
protected:
    static constexpr const char* kSkin = R"(
        define Screen {
            node { string type = "text"  string id = "title"  string text = "greeting"
                   font font = "12 0 0 0 Tahoma"  color color = 255, 255, 255
                   string halign = "JUSTIFY"  string valign = "SIDEWAYS" }
            node { string type = "text"  string id = "plain" }
        }
        define Grown {
            node { string type = "text"  string id = "t"  string text = "Hamilton, Alexander"
                   font font = "12 0 0 0 Tahoma"  int grow = 1  int grow_min = 1
                   string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE" }
        }
        define Wrapped {
            node { string type = "text"  string id = "t"  font font = "12 0 0 0 Tahoma"
                   int wrap = 1  int grow = 1  string anchor_y = "MIN_SIDE"
                   string text = "one two three four five six seven" }
        }
    )";
    std::shared_ptr<const zentra::FontRep> font12() const {
        zentra::FontDesc desc;
        return zentra::get_font(desc);
    }
};

TEST_F(TextNodeTest, ReadsItsPropertiesAndTranslatesTheText) {
    load(kSkin);
    skin.set_dictionary({{u"greeting", u"Hello"}});
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    TextNode& title = node<TextNode>(u"title");
    EXPECT_EQ(title.text(), u"Hello");
    EXPECT_EQ(title.color(), (zentra::Color{255, 255, 255, 255}));
    EXPECT_EQ(title.halign(), zentra::kAlignJustify);
    EXPECT_EQ(title.valign(), zentra::kAlignVCenter);
    // Equal descriptions anywhere give the same font.
    EXPECT_EQ(title.font(), font12());

    TextNode& plain = node<TextNode>(u"plain");
    EXPECT_EQ(plain.text(), u"");
    EXPECT_EQ(plain.font(), nullptr);
    EXPECT_EQ(plain.color(), (zentra::Color{0, 0, 0, 255}));
    EXPECT_EQ(plain.halign(), zentra::kAlignCenter);

    // A value that is no key stays as it is.
    skin.set_dictionary({});
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    EXPECT_EQ(node<TextNode>(u"title").text(), u"greeting");
}

TEST_F(TextNodeTest, SetTextReachesTheNamedNodeAndUnchangedValuesChangeNothing) {
    load(kSkin);
    show("Screen", 100, 40);
    TextNode& title = node<TextNode>(u"title");
    root.set_text(u"title", u"Calls");
    EXPECT_EQ(title.text(), u"Calls");
    EXPECT_EQ(node<TextNode>(u"plain").text(), u"");
    EXPECT_TRUE(title.layout_pending());

    zentra::layout_root(root, {0, 0}, {100, 40});
    root.render(surface, {0, 0});
    title.set_text(u"Calls");
    title.set_color(title.color());
    title.set_font(title.font());
    EXPECT_FALSE(title.layout_pending());
    EXPECT_FALSE(title.is_dirty());
    title.set_color({1, 2, 3, 255});
    EXPECT_TRUE(title.is_dirty());
    EXPECT_FALSE(title.layout_pending());

    // A highlight that marks what is marked already leaves the layout of the whole screen
    // alone: the same pattern again, or another one that finds nothing either.
    auto settle = [&] {
        zentra::layout_root(root, {0, 0}, {100, 40});
        root.render(surface, {0, 0});
    };
    title.set_highlight(u"al");
    settle();
    title.set_highlight(u"al");
    EXPECT_FALSE(root.layout_pending());
    EXPECT_FALSE(root.is_dirty());
    title.set_highlight(u"");
    settle();
    title.set_highlight(u"x");
    EXPECT_FALSE(root.layout_pending());
    EXPECT_FALSE(root.is_dirty());
    title.set_highlight(u"Ca");
    EXPECT_TRUE(root.is_dirty());
    EXPECT_EQ(title.highlights(), (std::vector<TextRange>{{0, 2}}));
}

TEST_F(TextNodeTest, HighlightsAreEveryNonOverlappingOccurrence) {
    load(kSkin);
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    TextNode& t = node<TextNode>(u"title");
    t.set_text(u"aaaaa ana");
    t.set_highlight(u"aa");
    EXPECT_EQ(t.highlights(), (std::vector<TextRange>{{0, 2}, {2, 4}}));
    t.set_highlight(u"a");
    EXPECT_EQ(t.highlights().size(), 7u);
    t.set_highlight(u"");
    EXPECT_TRUE(t.highlights().empty());
    t.set_highlight(u"x");
    EXPECT_TRUE(t.highlights().empty());
}

TEST_F(TextNodeTest, GrowMakesTheTextWidthAndLineHeightTheMeasure) {
    load(kSkin);
    show("Grown", 300, 100);
    TextNode& t = node<TextNode>(u"t");
    const zentra::Size text = zentra::measure_text(font12().get(), u"Hamilton, Alexander");
    EXPECT_EQ(t.size(), text);
    EXPECT_EQ(t.measured_width().minimum, text.w);
    t.set_text(u"Hamilton");
    zentra::layout_root(root, {0, 0}, {300, 100});
    EXPECT_EQ(t.size().w, zentra::measure_text(font12().get(), u"Hamilton").w);
}

TEST_F(TextNodeTest, WrappedTextGrowsByItsLinesAndFollowsWidthChanges) {
    load(kSkin);
    const auto font = font12();
    const int width = zentra::measure_text(font.get(), u"one two three").w;
    show("Wrapped", width, 200);
    TextNode& t = node<TextNode>(u"t");
    const platform::WString& text = t.text();
    std::vector<int> extents;
    zentra::measure_text(font.get(), text, &extents);
    const auto expected = zentra::wrap_lines(text, extents, width);
    EXPECT_EQ(t.lines(), expected);
    EXPECT_EQ(t.lines().front(), (TextRange{0, 13}));
    EXPECT_EQ(t.size().h, static_cast<int>(expected.size()) * font->height());

    const int wide = zentra::measure_text(font.get(), text).w;
    zentra::layout_root(root, {0, 0}, {wide, 200});
    EXPECT_EQ(t.lines().size(), 1u);
    EXPECT_EQ(t.size().h, font->height());
}

TEST_F(TextNodeTest, WithoutAFontNothingIsDrawnOrMeasured) {
    load(R"(
        define Screen {
            node { string type = "text"  string text = "abc"  int grow = 1
                   string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE" }
        }
    )");
    show("Screen", 50, 20, 0x1234);
    EXPECT_EQ(root.child(0)->size(), (zentra::Size{0, 0}));
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(row(y, 0, 50), std::vector<uint16_t>(50, 0x1234));
    }
}

// Draws what a text node should look like by hand, for comparison.
class ReferenceDrawing {
public:
    ReferenceDrawing(int w, int h) {
        surface.recreate(w, h);
        for (int y = 0; y < h; ++y) {
            std::fill_n(surface.bitmap()->row(y), w, uint16_t{0});
        }
    }
    zentra::RenderSurface surface;
};

TEST_F(TextNodeTest, WrapWithEllipsisDrawsTheLinesThatFitThenTheMarkAtTheBottom) {
    const auto font = font12();
    const int line = font->height();
    const int width = zentra::measure_text(font.get(), u"alpha beta").w;
    const int height = line * 2 + line / 2;
    load(R"(
        define Screen {
            node { string type = "text"  string id = "t"  font font = "12 0 0 0 Tahoma"
                   int wrap = 1  int ellipsis = 1  string halign = "LEFT"  string valign = "TOP"
                   color color = 255, 255, 255
                   string text = "alpha beta gamma delta epsilon zeta eta theta iota kappa" }
        }
    )");
    show("Screen", width, height);
    ASSERT_GE(node<TextNode>(u"t").lines().size(), 3u);

    ReferenceDrawing ref(width, height);
    const zentra::Color white{255, 255, 255, 255};
    const auto& lines = node<TextNode>(u"t").lines();
    const platform::WStringView text = node<TextNode>(u"t").text();
    for (int i = 0; i < 2; ++i) {
        const auto& l = lines[static_cast<size_t>(i)];
        zentra::draw_text(font.get(), ref.surface, white, text.substr(l.first, l.end - l.first),
                          {0, i * line}, {width, line}, zentra::kAlignLeft, zentra::kAlignTop, true);
    }
    zentra::draw_text(font.get(), ref.surface, white, u"\u2026", {0, 0}, {width, height},
                      zentra::kAlignLeft, zentra::kAlignBottom, false);
    for (int y = 0; y < height; ++y) {
        ASSERT_EQ(row(y, 0, width), std::vector<uint16_t>(ref.surface.bitmap()->row(y),
                                                          ref.surface.bitmap()->row(y) + width))
            << "row " << y;
    }
}

TEST_F(TextNodeTest, AHighlightIsDrawnAgainInMagentaWhereItsCharactersAre) {
    load(R"(
        define Screen {
            node { string type = "text"  string id = "t"  font font = "12 0 0 0 Tahoma"
                   string halign = "RIGHT"  color color = 255, 255, 255
                   string text = "Hamilton Alexander" }
        }
    )");
    show("Screen", 200, 30);
    node<TextNode>(u"t").set_highlight(u"Alex");
    EXPECT_TRUE(node<TextNode>(u"t").is_dirty());
    root.render(surface, {0, 0});
    const auto font = font12();
    const int whole = zentra::measure_text(font.get(), u"Hamilton Alexander").w;
    const int x0 = 200 - whole + zentra::measure_text(font.get(), u"Hamilton ").w;
    const int x1 = x0 + zentra::measure_text(font.get(), u"Alex").w;
    int magenta_inside = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 200; ++x) {
            // Full-coverage highlight pixels: the key colour's value, marked opaque.
            if (pixel(x, y) == (0xF81F | zentra::kOpaqueBit)) {
                EXPECT_TRUE(x >= x0 - 1 && x <= x1) << x << "," << y;
                ++magenta_inside;
            }
        }
    }
    EXPECT_GT(magenta_inside, 10);
}

TEST_F(TextNodeTest, ACachedTextLeavesItsBackgroundTransparent) {
    load(R"(
        define Screen {
            node { string type = "text"  font font = "12 0 0 0 Tahoma"  string text = "Hi"
                   int cache = 1  int cache_alpha = 0 }
        }
    )");
    show("Screen", 60, 30, 0x07E0);
    int glyph = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 60; ++x) {
            glyph += pixel(x, y) != 0x07E0;
        }
    }
    // The key colour around the glyphs let the background through; the glyphs landed.
    EXPECT_GT(glyph, 10);
    EXPECT_LT(glyph, 60 * 30 / 4);
}

}  // namespace

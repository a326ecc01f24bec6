// The `richtext` node: runs from the skin and from code, flowed into lines across run
// boundaries with each run's font, grown and drawn in each run's colour.

#include "skin/richtext_node.h"

#include "skin/font.h"
#include "skin/text_node.h"
#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::Color;
using zentra::RichTextNode;

std::shared_ptr<const zentra::FontRep> font_of(int size, bool bold) {
    zentra::FontDesc desc;
    desc.size = size;
    desc.bold = bold;
    return zentra::get_font(desc);
}

int width_of(int size, bool bold, platform::WStringView text) {
    return zentra::measure_text(font_of(size, bold).get(), text).w;
}

class RichTextTest : public skintest::NodeStage {
protected:
    static constexpr const char* kSkin = R"(
        define Screen {
            node { string type = "richtext"  string id = "r"  font font = "12 0 0 0 Tahoma"
                   color color = 10, 20, 30  string text = "key"  int wrap = 1  int grow = 1
                   string halign = "LEFT"  string valign = "TOP"
                   string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE" }
            node { string type = "richtext"  string id = "empty" }
        }
    )";
    RichTextNode& rich() { return node<RichTextNode>(u"r"); }
};

TEST_F(RichTextTest, TheTextPropertyBecomesTheFirstRunTranslated) {
    load(kSkin);
    skin.set_dictionary({{u"key", u"Translated"}});
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    ASSERT_EQ(rich().runs().size(), 1u);
    EXPECT_EQ(rich().runs()[0].text, u"Translated");
    EXPECT_EQ(rich().runs()[0].font, font_of(12, false));
    EXPECT_EQ(rich().runs()[0].color, (Color{10, 20, 30, 255}));
    EXPECT_TRUE(node<RichTextNode>(u"empty").runs().empty());
    EXPECT_EQ(node<RichTextNode>(u"empty").halign(), zentra::kAlignCenter);
    EXPECT_EQ(node<RichTextNode>(u"empty").fit_height(), -1);

    rich().append_run(u"more", font_of(16, true), nullptr, {}, true);
    root.set_text(u"r", u"Replaced");
    ASSERT_EQ(rich().runs().size(), 1u);
    EXPECT_EQ(rich().runs()[0].text, u"Replaced");
}

TEST_F(RichTextTest, LineFeedsBecomeSpacesOnlyWithoutWrap) {
    load(kSkin);
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    rich().append_run(u"a\nb", nullptr, nullptr, {}, false);
    EXPECT_EQ(rich().runs().back().text, u"a\nb");
    RichTextNode& flat = node<RichTextNode>(u"empty");
    flat.append_run(u"a\nb", nullptr, nullptr, {}, false);
    EXPECT_EQ(flat.runs().back().text, u"a b");
}

TEST_F(RichTextTest, AWordSpanningRunsIsNotBrokenBetweenThem) {
    load(kSkin);
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    rich().set_text(u"Hamil");
    rich().append_run(u"ton Alexander", font_of(16, true), nullptr, {200, 0, 0, 255}, false);
    const int hamil = width_of(12, false, u"Hamil");
    const int word = hamil + width_of(16, true, u"ton");
    // Room for "Hamilton" but not for "Hamilton Alexander".
    const auto lines = rich().flow(word + 5);
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[0].pieces.size(), 2u);
    EXPECT_EQ(lines[0].pieces[1].run, 1u);
    EXPECT_EQ(lines[0].pieces[1].x, hamil);
    EXPECT_EQ(lines[0].width, word);
    EXPECT_EQ(lines[0].height, font_of(16, true)->height());
    const auto& big = *font_of(16, true);
    EXPECT_EQ(lines[0].ascent, big.height() - big.descent());
    ASSERT_EQ(lines[1].pieces.size(), 1u);
    EXPECT_EQ(lines[1].pieces[0].first, 4u);
    EXPECT_EQ(lines[1].pieces[0].x, 0);

    // Narrower than the word: it still stays whole, on its own line.
    EXPECT_EQ(rich().flow(10)[0].pieces.size(), 2u);
    // Unwrapped, everything is one line.
    EXPECT_EQ(rich().flow(-1).size(), 1u);
}

TEST_F(RichTextTest, GrowTakesTheUnwrappedWidthAndTheFlowedHeightUpToFitHeight) {
    load(kSkin);
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    rich().set_text(u"one two\nthree");
    zentra::layout_root(root, {0, 0}, {400, 300});
    const int line = font_of(12, false)->height();
    const int widest = std::max(width_of(12, false, u"one two"), width_of(12, false, u"three"));
    EXPECT_EQ(rich().size(), (zentra::Size{widest, 2 * line}));

    load(R"(
        define Screen {
            node { string type = "richtext"  string id = "r"  font font = "12 0 0 0 Tahoma"
                   int wrap = 1  int grow = 1  int fit_height = 20  string anchor_y = "MIN_SIDE"
                   string text = "a b c d e f g h" }
        }
    )");
    show("Screen", width_of(12, false, u"a b"), 300);
    EXPECT_EQ(rich().size().h, 20);
}

TEST_F(RichTextTest, RunsAreDrawnInTheirOwnColoursSideBySide) {
    load(kSkin);
    show("Screen", 300, 60);
    rich().set_text(u"WWW");
    rich().append_run(u"WWW", nullptr, nullptr, {0, 0, 255, 255}, false);
    zentra::layout_root(root, {0, 0}, {300, 60});
    for (int y = 0; y < 60; ++y) {
        std::fill_n(surface.bitmap()->row(y), 300, uint16_t{0xFFFF});
    }
    root.render(surface, {0, 0});
    const int split = width_of(12, false, u"WWW");
    const uint16_t first = Color{10, 20, 30, 255}.to_565() | zentra::kOpaqueBit;
    const uint16_t second = Color{0, 0, 255, 255}.to_565() | zentra::kOpaqueBit;
    int firsts = 0, seconds = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (pixel(x, y) == first) {
                EXPECT_LT(x, split + 1) << x << "," << y;
                ++firsts;
            } else if (pixel(x, y) == second) {
                EXPECT_GE(x, split - 1) << x << "," << y;
                EXPECT_LT(x, 2 * split + 1) << x << "," << y;
                ++seconds;
            }
        }
    }
    EXPECT_GT(firsts, 10);
    EXPECT_GT(seconds, 10);
}

// A name of two runs cut to its room: the mark follows the last letter that fits, in that
// run's font, and nothing is drawn past the room.
TEST_F(RichTextTest, AnEllipsisLineEndsInTheMarkWithinItsRoom) {
    load(R"(
        define Screen {
            node { string type = "richtext"  string id = "r"  font font = "12 0 0 0 Tahoma"
                   int ellipsis = 1  string halign = "LEFT"  color color = 255, 255, 255 }
        }
    )");
    show("Screen", 400, 40);
    rich().set_text(u"Durand ");
    rich().append_run(u"Amélie-Françoise", font_of(12, true), nullptr, {255, 255, 255, 255}, false);
    const int mark = width_of(12, true, u"\u2026");
    const int first = width_of(12, false, u"Durand ");
    EXPECT_EQ(rich().shown_text(), u"Durand Amélie-Françoise") << "it fits the node";

    struct Case {
        int room;
        std::u16string shown;
    };
    const int ame = first + width_of(12, true, u"Amé");
    const std::vector<Case> cases = {
        {ame + mark, u"Durand Amé\u2026"},
        {ame + mark - 1, u"Durand Am\u2026"},
        // Room for the first name and its blank only: the blank goes, the mark stays.
        {first + mark, u"Durand\u2026"},
        {mark, u"\u2026"},
    };
    for (const Case& c : cases) {
        rich().set_room(c.room);
        EXPECT_EQ(rich().shown_text(), c.shown) << c.room;
        for (int y = 0; y < 40; ++y) {
            std::fill_n(surface.bitmap()->row(y), 400, uint16_t{0});
        }
        root.render(surface, {0, 0});
        int past = 0;
        int drawn = 0;
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 400; ++x) {
                (x >= c.room + 2 ? past : drawn) += pixel(x, y) != 0;
            }
        }
        EXPECT_EQ(past, 0) << c.room;
        EXPECT_GT(drawn, 0) << c.room;
    }
    // -1 gives the node's own width back.
    rich().set_room(-1);
    EXPECT_EQ(rich().shown_text(), u"Durand Amélie-Françoise");
}

TEST_F(RichTextTest, FitHeightDrawsOnlyWholeLines) {
    const int line = font_of(12, false)->height();
    load(R"(
        define Screen {
            node { string type = "richtext"  font font = "12 0 0 0 Tahoma"  int wrap = 1
                   int fit_height = 0  string valign = "TOP"  color color = 255, 255, 255
                   string text = "WW\nWW\nWW" }
        }
    )");
    show("Screen", 100, line * 2 + line / 2);
    int below = 0;
    for (int y = line * 2; y < line * 2 + line / 2; ++y) {
        for (int x = 0; x < 100; ++x) {
            below += pixel(x, y) != 0;
        }
    }
    EXPECT_EQ(below, 0);
    int above = 0;
    for (int x = 0; x < 100; ++x) {
        above += pixel(x, line + line / 2) != 0;
    }
    EXPECT_GT(above, 0);
}

}  // namespace

// Skin fonts: the logical height table, the shared cache, and one-line drawing into a box
// that changes only the pixels the glyphs touch and marks them opaque.

#include "skin/font.h"

#include <gtest/gtest.h>

#include <vector>

#include "skin/blender.h"
#include "skin/render_surface.h"

namespace {

using zentra::Color;
using zentra::FontDesc;
using zentra::RenderSurface;

TEST(FontHeight, SmallSizesFollowTheTableLargerOnesScaleBy96Over72) {
    EXPECT_EQ(zentra::font_logical_height(12, 1), -16);
    EXPECT_EQ(zentra::font_logical_height(10, 2), -26);  // n = 20, just past the table
    EXPECT_EQ(zentra::font_logical_height(19, 1), -25);  // the table's last entry
    EXPECT_EQ(zentra::font_logical_height(0, 1), 0);
    EXPECT_EQ(zentra::font_logical_height(2, 1), -3);
    EXPECT_EQ(zentra::font_logical_height(7, 2), -19);  // n = 14 through the table
    EXPECT_EQ(zentra::font_logical_height(-3, 1), 4);   // truncated toward zero
}

TEST(FontCache, EqualDescriptionsShareOneFontRep) {
    FontDesc a;
    a.size = 11;
    FontDesc b = a;
    const auto first = zentra::get_font(a);
    EXPECT_EQ(zentra::get_font(b), first);
    b.underline = true;
    EXPECT_NE(zentra::get_font(b), first);
    b = a;
    b.scale = 2;
    EXPECT_NE(zentra::get_font(b), first);
    EXPECT_EQ(first->description(), a);
    // The metrics come from the platform font made at the description's logical height.
    EXPECT_EQ(first->height() - first->internal_leading(), 15);
    EXPECT_GT(first->descent(), 0);
}

TEST(FontMeasure, WithoutAFontTextMeasuresNothing) {
    std::vector<int> extents;
    EXPECT_EQ(zentra::measure_text(nullptr, u"abc", &extents), (zentra::Size{0, 0}));
    EXPECT_EQ(extents, (std::vector<int>{0, 0, 0}));
}

TEST(FontEllipsis, KeepsTheLongestStartThatFitsWithTheMark) {
    const auto font = zentra::get_font(FontDesc{});
    const platform::WString text = u"Alexander Hamilton";
    const int whole = zentra::measure_text(font.get(), text).w;
    EXPECT_EQ(zentra::ellipsize(font.get(), text, whole), text);

    const int mark = zentra::measure_text(font.get(), u"\u2026").w;
    const int width = zentra::measure_text(font.get(), u"Alexa").w + mark;
    EXPECT_EQ(zentra::ellipsize(font.get(), text, width), u"Alexa\u2026");
    EXPECT_EQ(zentra::ellipsize(font.get(), text, width - 1), u"Alex\u2026");
    // Blanks before the mark are dropped.
    const int at_blank = zentra::measure_text(font.get(), u"Alexander ").w + mark;
    EXPECT_EQ(zentra::ellipsize(font.get(), text, at_blank), u"Alexander\u2026");
    // A surrogate pair is kept or dropped whole.
    const platform::WString pair = u"ab\U0001F600cd";
    const int pair_width = zentra::measure_text(font.get(), u"ab\U0001F600").w + mark;
    EXPECT_EQ(zentra::ellipsize(font.get(), pair, pair_width), u"ab\U0001F600\u2026");
    EXPECT_EQ(zentra::ellipsize(font.get(), pair, pair_width - 1), u"ab\u2026");
}

// Where a line too wide for its room is cut, on made-up glyph widths so every edge can be hit
// exactly: a letter and its marks stay together, and so do a surrogate pair and the letters
// a joiner holds.
TEST(FontEllipsis, CutsOnlyAtLetterBoundaries) {
    struct Case {
        const char* what;
        std::u16string text;
        std::vector<int> advances;  // one per code unit
        int mark;
        int room;
        size_t kept;
    };
    const std::vector<Case> cases = {
        {"ascii fits exactly", u"Alexander", std::vector<int>(9, 10), 10, 90, 9},
        {"ascii one short", u"Alexander", std::vector<int>(9, 10), 10, 89, 7},
        {"ascii mark fits exactly", u"Alexander", std::vector<int>(9, 10), 10, 80, 7},
        {"cyrillic", u"Жанна", std::vector<int>(5, 12), 8, 40, 2},
        {"blank before the mark", u"Ann Lee", {10, 10, 10, 5, 10, 10, 10}, 10, 50, 3},
        {"combining mark kept", u"Zoe\u0308yz", {10, 10, 10, 0, 10, 10}, 10, 40, 4},
        {"combining mark not split", u"Zoe\u0308yz", {10, 10, 10, 0, 10, 10}, 10, 39, 2},
        {"combining mark fits exactly", u"Zoe\u0308", {10, 10, 10, 0}, 10, 30, 4},
        {"wide mark not split", u"Zoe\u0308y", {10, 10, 10, 4, 10}, 10, 42, 2},
        {"surrogate pair kept", u"ab\U0001F600cd", {10, 10, 10, 0, 10, 10}, 10, 45, 4},
        {"surrogate pair dropped", u"ab\U0001F600cd", {10, 10, 10, 0, 10, 10}, 10, 39, 2},
        {"joined letters", u"a\u200Db", {10, 0, 10}, 5, 17, 0},
        {"no room at all", u"Alexander", std::vector<int>(9, 10), 10, 5, 0},
        {"empty", u"", {}, 10, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<int> extents;
        int x = 0;
        for (int advance : c.advances) {
            extents.push_back(x += advance);
        }
        EXPECT_EQ(zentra::ellipsis_cut(c.text, extents, c.mark, c.room), c.kept) << c.what;
    }
}

class TextDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        font = zentra::get_font(FontDesc{});
        surface.recreate(60, 30);
        ASSERT_FALSE(surface.empty());
    }
    void clear(uint16_t value) {
        for (int y = 0; y < surface.height(); ++y) {
            std::fill_n(surface.bitmap()->row(y), surface.width(), value);
        }
    }
    // The bounding box of pixels that differ from value; w = 0 when none do.
    zentra::Rect changed(uint16_t value) const {
        int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
        for (int y = 0; y < surface.height(); ++y) {
            for (int x = 0; x < surface.width(); ++x) {
                if (surface.bitmap()->row(y)[x] != value) {
                    x0 = std::min(x0, x), y0 = std::min(y0, y);
                    x1 = std::max(x1, x), y1 = std::max(y1, y);
                }
            }
        }
        return x1 < 0 ? zentra::Rect{} : zentra::Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    }

    std::shared_ptr<const zentra::FontRep> font;
    RenderSurface surface;
};

TEST_F(TextDrawing, GlyphsOnTheKeyColourAreMarkedOpaqueAndTheRestStaysKeyed) {
    clear(zentra::kKeyColor);
    zentra::draw_text(font.get(), surface, Color{0, 0, 0, 255}, u"Hi", {0, 0}, {60, 30},
                      zentra::kAlignLeft, zentra::kAlignTop, false);
    int glyph_pixels = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 60; ++x) {
            const uint16_t p = surface.bitmap()->row(y)[x];
            if (p != zentra::kKeyColor) {
                ++glyph_pixels;
                EXPECT_NE(p & zentra::kOpaqueBit, 0) << x << "," << y;
            }
        }
    }
    EXPECT_GT(glyph_pixels, 10);
}

TEST_F(TextDrawing, StaysInsideTheBoxAndTheTargetClip) {
    clear(0);
    // Far too long for the box: nothing may land outside it.
    zentra::draw_text(font.get(), surface, Color{255, 255, 255, 255}, u"WWWWWWWWWWWW", {10, 5},
                      {20, 12}, zentra::kAlignCenter, zentra::kAlignVCenter, false);
    const zentra::Rect r = changed(0);
    ASSERT_FALSE(r.empty());
    EXPECT_GE(r.x, 10);
    EXPECT_GE(r.y, 5);
    EXPECT_LE(r.x + r.w, 30);
    EXPECT_LE(r.y + r.h, 17);

    clear(0);
    RenderSurface view = surface.clipped({0, 0, 15, 30});
    zentra::draw_text(font.get(), view, Color{255, 255, 255, 255}, u"WWWW", {5, 0}, {50, 30},
                      zentra::kAlignLeft, zentra::kAlignTop, false);
    EXPECT_LE(changed(0).x + changed(0).w, 15);
}

TEST_F(TextDrawing, AlignmentsPlaceTheTextInTheBox) {
    const int width = zentra::measure_text(font.get(), u"ii").w;
    auto drawn = [&](int halign, int valign) {
        clear(0);
        zentra::draw_text(font.get(), surface, Color{255, 255, 255, 255}, u"ii", {0, 0}, {60, 30},
                          halign, valign, false);
        return changed(0);
    };
    const zentra::Rect left = drawn(zentra::kAlignLeft, zentra::kAlignTop);
    const zentra::Rect centre = drawn(zentra::kAlignCenter, zentra::kAlignTop);
    const zentra::Rect right = drawn(zentra::kAlignRight, zentra::kAlignTop);
    EXPECT_EQ(centre.x - left.x, (60 - width) / 2);
    EXPECT_EQ(right.x - left.x, 60 - width);
    EXPECT_EQ(drawn(zentra::kAlignJustify, zentra::kAlignTop), left);
    const int line = font->height();
    EXPECT_EQ(drawn(zentra::kAlignLeft, zentra::kAlignVCenter).y - left.y, (30 - line) / 2);
    EXPECT_EQ(drawn(zentra::kAlignLeft, zentra::kAlignBottom).y - left.y, 30 - line);
}

TEST_F(TextDrawing, NothingHappensForEmptyTextAnEmptySurfaceOrNoFont) {
    clear(0x1234);
    zentra::draw_text(font.get(), surface, Color{}, u"", {0, 0}, {60, 30}, 0, 0, false);
    zentra::draw_text(nullptr, surface, Color{}, u"abc", {0, 0}, {60, 30}, 0, 0, false);
    EXPECT_TRUE(changed(0x1234).empty());
    RenderSurface empty;
    zentra::draw_text(font.get(), empty, Color{}, u"abc", {0, 0}, {60, 30}, 0, 0, false);
}

}  // namespace

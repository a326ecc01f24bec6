// Platform fonts: face lookup with substitution, metrics from the logical height, measuring
// with per-character extents, and antialiased drawing into RGB565 rows.

#include "platform/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using platform::Font;
using platform::FontRequest;

std::unique_ptr<Font> make(int height, platform::WString face = u"Tahoma", int weight = 400) {
    FontRequest request;
    request.face = std::move(face);
    request.height = height;
    request.weight = weight;
    return Font::create(request);
}

TEST(PlatformFont, AMissingFaceIsSubstitutedByAnInstalledOne) {
    const auto font = make(-16, u"Tahoma");
    ASSERT_NE(font, nullptr);
    EXPECT_FALSE(font->file().empty());
    const auto nonsense = make(-16, u"No Such Face Anywhere 123");
    ASSERT_NE(nonsense, nullptr);
}

TEST(PlatformFont, NegativeHeightIsTheEmAndPositiveTheCell) {
    const auto em = make(-16);
    ASSERT_NE(em, nullptr);
    const auto& m = em->metrics();
    EXPECT_EQ(m.height, m.ascent + m.descent);
    // The em is the cell without its internal leading.
    EXPECT_EQ(m.height - m.internal_leading, 16);

    const auto cell = make(20);
    ASSERT_NE(cell, nullptr);
    EXPECT_NEAR(cell->metrics().height, 20, 1);
    EXPECT_LT(cell->metrics().height - cell->metrics().internal_leading, 20);
}

TEST(PlatformFont, ExtentsAccumulateAndASurrogatePairIsOneGlyph) {
    const auto font = make(-16);
    ASSERT_NE(font, nullptr);
    std::vector<int> extents;
    const auto whole = font->measure(u"ab c", &extents);
    ASSERT_EQ(extents.size(), 4u);
    EXPECT_EQ(extents.back(), whole.width);
    EXPECT_TRUE(std::is_sorted(extents.begin(), extents.end()));
    EXPECT_EQ(extents[0], font->measure(u"a").width);
    EXPECT_EQ(whole.height, font->metrics().height);

    // U+1F600 as one code point: both units end where the one glyph ends, and the pair
    // measures as one glyph, not as two replacement glyphs.
    const platform::WString pair = u"a\U0001F600b";
    ASSERT_EQ(pair.size(), 4u);
    font->measure(pair, &extents);
    EXPECT_EQ(extents[1], extents[2]);
    EXPECT_EQ(extents[3] - extents[2], font->measure(u"b").width);
    size_t units = 0;
    EXPECT_EQ(platform::code_point_at(pair, 1, units), U'\U0001F600');
    EXPECT_EQ(units, 2u);
    EXPECT_EQ(platform::code_point_at(u"\xD800x", 0, units), char32_t(0xD800));
    EXPECT_EQ(units, 1u);
}

TEST(PlatformFont, ControlCharactersTakeNoRoom) {
    const auto font = make(-16);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->measure(u"a\nb\t").width, font->measure(u"ab").width);
}

TEST(PlatformFont, BoldIsWiderThanRegular) {
    const auto regular = make(-16, u"Tahoma", 400);
    const auto bold = make(-16, u"Tahoma", 700);
    ASSERT_NE(regular, nullptr);
    ASSERT_NE(bold, nullptr);
    EXPECT_GT(bold->measure(u"Velvane contacts").width,
              regular->measure(u"Velvane contacts").width);
}

TEST(PlatformFont, DrawsInsideTheBitmapOnlyAndBlendsTowardTheColour) {
    const auto font = make(-16);
    ASSERT_NE(font, nullptr);
    constexpr int kW = 40, kH = 24, kPad = 8;
    // A guard band around the drawing area catches writes outside it.
    std::vector<uint16_t> pixels(static_cast<size_t>(kW + 2 * kPad) * (kH + 2 * kPad), 0x0000);
    const int stride = (kW + 2 * kPad) * 2;
    uint16_t* area = pixels.data() + kPad * (kW + 2 * kPad) + kPad;
    // Drawn partly outside on every side.
    font->draw(u"WMW", area, stride, kW, kH, -6, -4, 255, 255, 255);
    int touched = 0;
    int full = 0;
    for (int y = 0; y < kH + 2 * kPad; ++y) {
        for (int x = 0; x < kW + 2 * kPad; ++x) {
            const uint16_t p = pixels[static_cast<size_t>(y) * (kW + 2 * kPad) + x];
            const bool inside = x >= kPad && x < kPad + kW && y >= kPad && y < kPad + kH;
            if (!inside) {
                ASSERT_EQ(p, 0) << x << "," << y;
            }
            touched += p != 0;
            full += p == 0xFFFF;
            // White over black stays grey: each channel moves by the same share.
            const int r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
            EXPECT_NEAR(r * 2, g, 2);
            EXPECT_EQ(r, b);
        }
    }
    EXPECT_GT(touched, 20);
    EXPECT_GT(full, 0);
}

}  // namespace

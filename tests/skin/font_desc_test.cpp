#include <gtest/gtest.h>

#include <climits>

#include "skin/font_desc.h"

using zentra::FontDesc;
using zentra::parse_font_desc;

TEST(FontDesc, EmptyTextKeepsEveryDefaultButTheScale) {
    FontDesc expected;
    expected.scale = 4;
    EXPECT_EQ(parse_font_desc(u"", 4), expected);
    EXPECT_EQ(parse_font_desc(u"  \t ", 4), expected);
}

TEST(FontDesc, FaceIsTheWholeRestAfterTheFourthNumber) {
    const FontDesc desc = parse_font_desc(u"14 1 0 0 Segoe  UI Semibold", 1);
    EXPECT_EQ(desc.size, 14);
    EXPECT_TRUE(desc.bold);
    EXPECT_FALSE(desc.italic);
    EXPECT_FALSE(desc.underline);
    EXPECT_EQ(desc.face, u"Segoe  UI Semibold");

    // Blanks of any kind separate; the blanks before the face go, those inside and after stay.
    const FontDesc tabs = parse_font_desc(u"\t16\t0 0 1\t Courier New ", 2);
    EXPECT_EQ(tabs.size, 16);
    EXPECT_TRUE(tabs.underline);
    EXPECT_EQ(tabs.face, u"Courier New ");
    EXPECT_EQ(tabs.scale, 2);
}

TEST(FontDesc, NumbersTakeSignsAndAnyNonZeroIsTrue) {
    const FontDesc desc = parse_font_desc(u"+10 -1 +0 2 Arial", 1);
    EXPECT_EQ(desc.size, 10);
    EXPECT_TRUE(desc.bold);
    EXPECT_FALSE(desc.italic);
    EXPECT_TRUE(desc.underline);
    EXPECT_EQ(parse_font_desc(u"-8", 1).size, -8);
    EXPECT_EQ(parse_font_desc(u"99999999999 0 0 0 A", 1).size, INT_MAX);
    EXPECT_EQ(parse_font_desc(u"-99999999999", 1).size, INT_MIN);
}

TEST(FontDesc, ReadingStopsAtThePartThatIsNotANumber) {
    const FontDesc desc = parse_font_desc(u"12 x 1 1 Face", 1);
    EXPECT_EQ(desc.size, 12);
    EXPECT_FALSE(desc.bold);
    EXPECT_FALSE(desc.underline);
    EXPECT_EQ(desc.face, u"Tahoma");

    const FontDesc partial = parse_font_desc(u"9 0 1", 1);
    EXPECT_EQ(partial.size, 9);
    EXPECT_TRUE(partial.italic);
    EXPECT_FALSE(partial.underline);
    EXPECT_EQ(partial.face, u"Tahoma");

    EXPECT_EQ(parse_font_desc(u"Arial", 1).size, 12);
    EXPECT_EQ(parse_font_desc(u"+ 3", 1).size, 12);
}

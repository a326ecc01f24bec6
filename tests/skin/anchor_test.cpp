#include "skin/anchor.h"

#include <gtest/gtest.h>

namespace {

using zentra::AnchorMode;
using zentra::parse_anchor_mode;

TEST(AnchorMode, EveryNameGivesItsValue) {
    const std::pair<const char16_t*, int> names[] = {
        {u"MIN_SIDE", 0},         {u"BOTH_SIDE", 1},
        {u"MAX_SIDE", 2},         {u"RATIO", 3},
        {u"CENTER", 4},           {u"MIN_SIDE_NO_SIZE", 5},
        {u"MAX_SIDE_NO_SIZE", 6}, {u"BOTH_SIDE_NO_SIZE", 7},
        {u"CENTER_NO_SIZE", 8},
    };
    for (const auto& [name, value] : names) {
        const AnchorMode mode = parse_anchor_mode(name);
        EXPECT_EQ(static_cast<int>(mode), value) << platform::to_utf8(name);
        EXPECT_EQ(zentra::anchor_mode_name(mode), name);
    }
}

TEST(AnchorMode, AnythingElseIsBothSides) {
    // Same lengths as real names, other case, extra blanks, prefixes and the empty text.
    for (const char16_t* text :
         {u"", u"ratio", u"RATIOS", u"CENTRE", u"MID_SIDE", u"MIN_SIDE ", u" CENTER",
          u"MIN_SIDE_NO_SIZ", u"BOTH_SIDE_NO_SIZEX", u"CENTER_NO_SIZ", u"MAX"}) {
        EXPECT_EQ(parse_anchor_mode(text), AnchorMode::BothSide) << platform::to_utf8(text);
    }
    EXPECT_EQ(parse_anchor_mode(platform::WStringView(u"CENTER\0", 7)), AnchorMode::BothSide);
}

}  // namespace

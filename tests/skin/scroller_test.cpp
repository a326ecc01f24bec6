// The motion rules of the list: rubber band, friction and pull back, the braking cursor.

#include "skin/vlist_scroller.h"

#include <gtest/gtest.h>

namespace {

using namespace zentra::scroller;

TEST(ScrollerTest, RubberBandSlowsOnlyThePullPastABoundEnd) {
    Overshoot top;
    top.first_bound = true;
    top.top = 50;  // a quarter of 200
    EXPECT_DOUBLE_EQ(rubber_band(10, top, 200), 5);
    EXPECT_DOUBLE_EQ(rubber_band(-10, top, 200), -10);  // pushing back is not slowed
    top.top = 120;
    EXPECT_DOUBLE_EQ(rubber_band(10, top, 200), 0);      // stuck past half the height
    top.first_bound = false;                             // more items above: no end yet
    EXPECT_DOUBLE_EQ(rubber_band(10, top, 200), 10);

    Overshoot bottom;
    bottom.last_bound = true;
    bottom.bottom = 50;
    EXPECT_DOUBLE_EQ(rubber_band(-10, bottom, 200), -5);
    EXPECT_DOUBLE_EQ(rubber_band(10, bottom, 200), 10);
}

TEST(ScrollerTest, FrictionSlowsToRestWithoutReversing) {
    const Overshoot none;
    EXPECT_DOUBLE_EQ(fling_step(1000, 0.01, none, false), 1000 - (2009) * 0.01);
    EXPECT_DOUBLE_EQ(fling_step(-1000, 0.01, none, false), -1000 + 2009 * 0.01);
    // A finger resting on the list brakes five times as hard.
    EXPECT_DOUBLE_EQ(fling_step(1000, 0.01, none, true), 1000 - 5 * 2009 * 0.01);
    EXPECT_EQ(fling_step(5, 1.0, none, false), 0.0);
    EXPECT_EQ(fling_step(-5, 1.0, none, false), 0.0);
}

TEST(ScrollerTest, FlingingPastAnEndIsPulledBackHarderTheFurtherItGoes) {
    Overshoot over;
    over.first_bound = true;
    over.top = 19;
    const double free_run = fling_step(500, 0.01, Overshoot{}, false);
    EXPECT_DOUBLE_EQ(fling_step(500, 0.01, over, false), free_run - 20 * 50 * 0.01);
    // The pull only works against motion toward the overshoot.
    EXPECT_DOUBLE_EQ(fling_step(-500, 0.01, over, false), -free_run);
}

TEST(ScrollerTest, MoveTowardLandsExactly) {
    EXPECT_EQ(move_toward(0, 10, 4), 4);
    EXPECT_EQ(move_toward(8, 10, 4), 10);
    EXPECT_EQ(move_toward(12, 10, 4), 10);
}

TEST(ScrollerTest, CursorBrakesOntoTheNextRowAndStops) {
    const auto rows = [](int) { return 20.0; };
    Cursor cursor{3, kCursorStep};
    for (int step = 0; step < 200 && cursor.speed != 0; ++step) {
        cursor = cursor_step(cursor, 0.01, 10, rows);
        ASSERT_LE(cursor.position, 4.0);
        ASSERT_GE(cursor.position, 3.0);
    }
    EXPECT_EQ(cursor.position, 4.0);
    EXPECT_EQ(cursor.speed, 0.0);
    // Upward likewise, and never below the first row.
    cursor = {0.5, -kCursorStep};
    for (int step = 0; step < 200 && cursor.speed != 0; ++step) {
        cursor = cursor_step(cursor, 0.01, 10, rows);
    }
    EXPECT_EQ(cursor.position, 0.0);
}

TEST(ScrollerTest, HeldCursorRunsFreelyAndStopsAtTheLastRow) {
    Cursor cursor{7, 4 * kCursorStep};
    cursor = cursor_step(cursor, 0.025, 10, [](int) { return 20.0; });
    EXPECT_DOUBLE_EQ(cursor.position, 8.0);  // 20 px: one row
    cursor = cursor_step(cursor, 1.0, 10, [](int) { return 20.0; });
    EXPECT_EQ(cursor.position, 9.0);
    EXPECT_EQ(cursor.speed, 0.0);
}

}  // namespace

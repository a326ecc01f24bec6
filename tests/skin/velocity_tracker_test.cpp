// The finger samples behind drags and flings: the tap slop and the speed from timed moves.

#include "skin/vlist_velocity.h"

#include <gtest/gtest.h>

namespace {

using zentra::VelocityTracker;

TEST(VelocityTrackerTest, MovesInsideTheSlopAreIgnoredUntilTheFingerLeavesIt) {
    VelocityTracker tracker;
    tracker.press({50, 50});
    EXPECT_FALSE(tracker.move({59, 41}, 10));
    EXPECT_FALSE(tracker.outside_slop());
    EXPECT_TRUE(tracker.move({50, 60}, 20));
    // The press point stands before the first sample, so the leaving move has its full dy.
    EXPECT_EQ(tracker.last_dy(), 10);
    // Once out, coming back near the press point still counts.
    EXPECT_TRUE(tracker.move({50, 52}, 30));
    EXPECT_EQ(tracker.last_dy(), -8);
    // A new press starts inside the slop again.
    tracker.press({0, 0});
    EXPECT_FALSE(tracker.move({3, 3}, 40));
    EXPECT_EQ(tracker.sample_count(), 0);
}

TEST(VelocityTrackerTest, SlopGrowsWithTheScaleShift) {
    VelocityTracker tracker;
    tracker.set_scale_shift(1);
    tracker.press({0, 0});
    EXPECT_FALSE(tracker.move({0, 19}, 10));
    EXPECT_TRUE(tracker.move({0, 20}, 20));
}

TEST(VelocityTrackerTest, VelocityIsOldestMinusNewestOverTheSpan) {
    VelocityTracker tracker;
    tracker.press({0, 400});
    for (int i = 1; i <= 5; ++i) {
        tracker.move({i * 10, 400 - i * 30}, 1000 + i * 20);  // up 30 px per 20 ms
    }
    // Span 80 ms, 120 px up: +1500 px/s on y, -500 on x.
    EXPECT_DOUBLE_EQ(tracker.velocity_y(), 1500.0);
    EXPECT_DOUBLE_EQ(tracker.velocity_x(), -500.0);
}

TEST(VelocityTrackerTest, ShortSpansGiveNoVelocityAndOldSamplesAreDropped) {
    VelocityTracker tracker;
    tracker.press({0, 0});
    tracker.move({0, 100}, 0);
    tracker.move({0, 200}, 49);
    EXPECT_EQ(tracker.velocity_y(), 0.0);
    // A pause: the early fast part falls out of the 250 ms window.
    tracker.move({0, 200}, 400);
    tracker.move({0, 210}, 500);
    EXPECT_EQ(tracker.sample_count(), 2);
    EXPECT_DOUBLE_EQ(tracker.velocity_y(), -100.0);
}

TEST(VelocityTrackerTest, AFingerThatRestedBeforeItLetGoThrowsNothing) {
    VelocityTracker tracker;
    tracker.press({0, 400});
    for (int i = 1; i <= 5; ++i) {
        tracker.move({0, 400 - i * 30}, 1000 + i * 20);
    }
    tracker.release(1100);
    EXPECT_DOUBLE_EQ(tracker.velocity_y(), 1500.0) << "let go while moving: the throw stays";
    tracker.release(1600);
    EXPECT_EQ(tracker.velocity_y(), 0.0);
}

TEST(VelocityTrackerTest, KeepsAtMostTwentySixSamples) {
    VelocityTracker tracker;
    tracker.press({0, 0});
    for (int i = 1; i <= 40; ++i) {
        tracker.move({0, i * 20}, static_cast<uint32_t>(i));
    }
    EXPECT_EQ(tracker.sample_count(), VelocityTracker::kMaxSamples);
    // Oldest kept is sample 15 (y 300) at t 15; newest y 800 at t 40: span 25 ms < 50.
    EXPECT_EQ(tracker.velocity_y(), 0.0);
}

}  // namespace

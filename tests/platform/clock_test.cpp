#include "platform/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string_view>
#include <thread>

#include <stdlib.h>

namespace {

using namespace platform;

struct VirtualClockGuard {
    VirtualClockGuard() { use_virtual_clock(true); }
    ~VirtualClockGuard() { use_virtual_clock(false); }
};

TEST(VirtualClock, StartsAtZeroAndMovesOnlyWhenTold) {
    VirtualClockGuard clock;
    EXPECT_EQ(tick_count(), 0u);
    advance_virtual_clock(250);
    EXPECT_EQ(tick_count(), 250u);
    sleep_ms(40);
    EXPECT_EQ(tick_count(), 290u);
    // Switching it on again must not send running timers back in time.
    use_virtual_clock(true);
    EXPECT_EQ(tick_count(), 290u);
}

TEST(VirtualClock, AdvanceToNeverGoesBackwards) {
    VirtualClockGuard clock;
    advance_virtual_clock_to(100);
    EXPECT_EQ(tick_count(), 100u);
    advance_virtual_clock_to(60);
    EXPECT_EQ(tick_count(), 100u);
}

TEST(VirtualClock, AdvanceToCrossesTheWrap) {
    VirtualClockGuard clock;
    advance_virtual_clock(0xFFFFFFF0u);
    advance_virtual_clock_to(0x10);
    EXPECT_EQ(tick_count(), 0x10u);
}

TEST(RealClock, AdvancingDoesNothingAndSleepWaits) {
    ASSERT_FALSE(virtual_clock_in_use());
    const uint32_t before = tick_count();
    advance_virtual_clock(1000000);
    sleep_ms(20);
    const int32_t elapsed = -ticks_until(before, tick_count());
    EXPECT_GE(elapsed, 19);  // a sleep never ends early; 1 ms for the truncation to ms
    EXPECT_LT(elapsed, 100000);
}

TEST(Ticks, DistanceIsSignedAcrossTheWrap) {
    EXPECT_EQ(ticks_until(5, 0xFFFFFFF0u), 21);
    EXPECT_EQ(ticks_until(0xFFFFFFF0u, 5), -21);
    EXPECT_EQ(ticks_until(7, 7), 0);
}

}  // namespace

// With a driver, another thread's sleep lasts until the driver has moved the clock past its
// end: a worker's first half second is the same number of frames in every run.
TEST(VirtualClock, OtherThreadsSleepUntilTheDriverMovesTheClock) {
    VirtualClockGuard clock;
    drive_virtual_clock_from_this_thread(true);
    std::atomic<bool> woke{false};
    std::atomic<uint32_t> woke_at{0};
    std::thread worker([&] {
        sleep_ms(100000);  // far longer than the test: only the clock can end it early
        woke_at = tick_count();
        woke = true;
    });
    // The driver's own sleeps move the clock.
    for (int frame = 0; frame < 50 && !woke; ++frame) {
        sleep_ms(20);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(woke);
    while (!woke) {
        advance_virtual_clock(5000);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    EXPECT_GE(woke_at.load(), 100000u);
    drive_virtual_clock_from_this_thread(false);
    // Without a driver every sleep moves the clock again.
    const uint32_t before = tick_count();
    std::thread([] { sleep_ms(30); }).join();
    EXPECT_EQ(tick_count(), before + 30);
}

// The calendar of a virtual run starts where the variable pins it, and at the real now when it
// holds anything but plain seconds; it moves with the virtual ticks either way.
TEST(VirtualClock, CalendarStartsPinnedOrAtTheRealNow) {
    const auto real_now = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    for (const char* pinned : {"1767603600", "", "17676x", "-5", "999999999999999999999"}) {
        SCOPED_TRACE(pinned);
        ::setenv(kCalendarStartVariable, pinned, 1);
        const int64_t before = real_now();
        VirtualClockGuard clock;
        advance_virtual_clock(1500);
        if (std::string_view(pinned) == "1767603600") {
            EXPECT_EQ(calendar_now_ms(), 1767603600000 + 1500);
        } else {
            EXPECT_GE(calendar_now_ms(), before + 1500);
            EXPECT_LE(calendar_now_ms(), real_now() + 1500);
        }
    }
    ::unsetenv(kCalendarStartVariable);
}

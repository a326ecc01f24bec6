#include "core/timer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"

namespace {

using platform::tick_count;
using velvane::CActiveScheduler;
using velvane::Timer;

struct Fired {
    int who;
    uint32_t tick;
    friend bool operator==(const Fired&, const Fired&) = default;
};

std::ostream& operator<<(std::ostream& out, const Fired& f) {
    return out << "{" << f.who << " at " << f.tick << "}";
}

// Writes (its number, tick count) for every on_timer; may do more through then.
class Recorder : public velvane::TimerListener {
public:
    Recorder(int who, std::vector<Fired>& log) : m_who(who), m_log(log) {}
    void on_timer(Timer& timer) override {
        m_log.push_back({m_who, tick_count()});
        if (then) {
            then(timer);
        }
    }
    std::function<void(Timer&)> then;

private:
    int m_who;
    std::vector<Fired>& m_log;
};

// The UI thread's loop under the virtual clock: every wait jumps to the next window timer.
class Timers : public ::testing::Test {
protected:
    void SetUp() override {
        platform::use_virtual_clock(true);
        platform::Message m;
        while (platform::peek_message(m)) {
        }
        platform::register_window_class(u"Stopper", [](auto w, auto m, auto wp, auto lp) {
            return platform::def_window_proc(w, m, wp, lp);
        });
        m_scheduler = std::make_unique<CActiveScheduler>(u"TimerTestMain");
    }
    void TearDown() override {
        m_scheduler.reset();
        platform::unregister_window_class(u"Stopper");
        platform::use_virtual_clock(false);
    }

    // Runs the loop until the virtual clock reaches tick; everything due before it has run.
    void run_until(uint32_t tick) {
        platform::WindowHandle stopper = platform::create_window(u"Stopper", u"");
        platform::set_timer(stopper, 1, tick - tick_count());
        platform::Message m;
        while (platform::get_message(m) && m.window != stopper) {
            platform::dispatch_message(m);
        }
        platform::destroy_window(stopper);
        EXPECT_EQ(tick_count(), tick);
    }

    std::vector<Fired> fired;
    std::unique_ptr<CActiveScheduler> m_scheduler;
};

TEST_F(Timers, ZeroSecondsRunsOnTheNextLoopTurnNeverInsideStart) {
    Recorder listener(1, fired);
    Timer timer(&listener);
    timer.start(0);
    EXPECT_TRUE(fired.empty());
    EXPECT_TRUE(timer.is_running());
    platform::dispatch_pending_messages();
    EXPECT_EQ(fired, (std::vector<Fired>{{1, 0}}));
    EXPECT_FALSE(timer.is_running());
    EXPECT_EQ(m_scheduler->active_count(), 0);
}

TEST_F(Timers, EachFiresAtItsDueTimeRoundedToTheNearestMillisecond) {
    Recorder a(1, fired), b(2, fired), c(3, fired), d(4, fired);
    Timer ta(&a), tb(&b), tc(&c), td(&d);
    ta.start(0.3);
    tb.start(0.0995);  // 99.5 ms rounds up
    tc.start(0.0994);  // 99.4 ms rounds down
    td.start(0.0004);  // below half a millisecond: due now
    run_until(400);
    EXPECT_EQ(fired, (std::vector<Fired>{{4, 0}, {3, 99}, {2, 100}, {1, 300}}));
}

TEST_F(Timers, RestartingARunningTimerFiresOnceAtTheNewTime) {
    Recorder listener(1, fired);
    Timer timer(&listener);
    timer.start(1.0);
    run_until(500);
    timer.start(1.0);
    EXPECT_EQ(m_scheduler->active_count(), 1);
    run_until(5000);
    EXPECT_EQ(fired, (std::vector<Fired>{{1, 1500}}));
}

TEST_F(Timers, CancelledTimersNeverCallOnTimer) {
    Recorder a(1, fired), b(2, fired), c(3, fired);
    Timer ready(&a), waiting(&b), kept(&c);
    ready.start(0);  // already in the ready list
    waiting.start(0.2);
    kept.start(0.1);
    ready.cancel();
    waiting.cancel();
    EXPECT_FALSE(ready.is_running());
    EXPECT_FALSE(waiting.is_running());
    EXPECT_EQ(m_scheduler->active_count(), 1);
    run_until(1000);
    EXPECT_EQ(fired, (std::vector<Fired>{{3, 100}}));
}

TEST_F(Timers, TimersDueAtTheSameTickRunInStartOrder) {
    Recorder a(1, fired), b(2, fired), c(3, fired);
    Timer ta(&a), tb(&b), tc(&c);
    tc.start(0.1);
    run_until(50);
    ta.start(0.05);
    tb.start(0.05);
    run_until(200);
    EXPECT_EQ(fired, (std::vector<Fired>{{3, 100}, {1, 100}, {2, 100}}));
}

TEST_F(Timers, DestroyingAWaitingTimerWithdrawsIt) {
    Recorder listener(1, fired);
    auto timer = std::make_unique<Timer>(&listener);
    timer->start(0.1);
    timer.reset();
    EXPECT_EQ(m_scheduler->active_count(), 0);
    run_until(500);
    EXPECT_TRUE(fired.empty());
}

TEST_F(Timers, OnTimerMayStartItsTimerAgain) {
    Recorder listener(1, fired);
    Timer timer(&listener);
    listener.then = [&](Timer& t) {
        if (fired.size() < 3) {
            t.start(0.1);
        }
    };
    timer.start(0.1);
    run_until(1000);
    EXPECT_EQ(fired, (std::vector<Fired>{{1, 100}, {1, 200}, {1, 300}}));
}

TEST_F(Timers, OnlyOnePlatformTimerServesAllTimers) {
    Recorder a(1, fired), b(2, fired);
    Timer ta(&a), tb(&b);
    ta.start(0.3);
    tb.start(0.1);
    // Nothing can be due before the nearest timer: the loop's first wake-up is at 100.
    platform::Message m;
    ASSERT_TRUE(platform::get_message(m));
    EXPECT_EQ(m.window, m_scheduler->window());
    EXPECT_EQ(m.message, platform::WM_TIMER);
    EXPECT_EQ(m.wparam, CActiveScheduler::kTimerId);
    EXPECT_EQ(tick_count(), 100u);
    platform::dispatch_message(m);
    // The pass moved b to the ready list and set the platform timer for a.
    ASSERT_TRUE(platform::get_message(m));
    EXPECT_EQ(m.message, CActiveScheduler::kProcessMessage);
    platform::dispatch_message(m);
    EXPECT_EQ(fired, (std::vector<Fired>{{2, 100}}));
    ASSERT_TRUE(platform::get_message(m));
    EXPECT_EQ(tick_count(), 300u);
}

}  // namespace

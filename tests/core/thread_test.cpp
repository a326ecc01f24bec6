#include "core/thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

using velvane::Event;

// Runs until released, or, in polling mode, until asked to stop.
class Worker : public velvane::Thread {
public:
    Event release;
    Event started{true};
    std::atomic<platform::ThreadId> run_thread{0};
    std::atomic<bool> stop_seen_at_start{true};
    std::atomic<int> runs{0};
    bool poll_stop = false;

    // A failed check must not leave the thread running on a destroyed object.
    ~Worker() override {
        request_stop();
        release.set();
        join();
    }

protected:
    void run() override {
        run_thread = platform::current_thread_id();
        stop_seen_at_start = stop_requested();
        ++runs;
        started.set();
        if (poll_stop) {
            while (!stop_requested()) {
                release.wait(1);
            }
        } else {
            release.wait();
        }
    }
};

TEST(Thread, RunsOnItsOwnThreadOnceAndCanStartAgainAfterwards) {
    Worker worker;
    EXPECT_FALSE(worker.is_running());
    EXPECT_TRUE(worker.join());  // nothing to wait for
    ASSERT_TRUE(worker.start());
    ASSERT_TRUE(worker.started.wait(10000));
    EXPECT_TRUE(worker.is_running());
    EXPECT_FALSE(worker.start());  // already running
    EXPECT_EQ(worker.run_thread.load(), worker.thread_id());
    EXPECT_NE(worker.thread_id(), platform::current_thread_id());

    EXPECT_FALSE(worker.join(10));  // a time-out answers false and keeps the thread
    EXPECT_TRUE(worker.is_running());
    worker.release.set();
    EXPECT_TRUE(worker.join());
    EXPECT_FALSE(worker.is_running());

    worker.started.reset();
    ASSERT_TRUE(worker.start());
    worker.release.set();
    EXPECT_TRUE(worker.join());
    EXPECT_EQ(worker.runs.load(), 2);
}

TEST(Thread, IsRunningClearsWhenRunReturnsEvenWithoutJoin) {
    Worker worker;
    ASSERT_TRUE(worker.start());
    worker.release.set();
    for (int i = 0; i < 10000 && worker.is_running(); ++i) {
        Event().wait(1);
    }
    EXPECT_FALSE(worker.is_running());
    EXPECT_TRUE(worker.join());
}

TEST(Thread, StartClearsTheStopFlagAndRunSeesLaterRequests) {
    Worker worker;
    worker.poll_stop = true;
    worker.request_stop();
    ASSERT_TRUE(worker.start());
    ASSERT_TRUE(worker.started.wait(10000));
    EXPECT_FALSE(worker.stop_seen_at_start);
    EXPECT_FALSE(worker.join(20));
    worker.request_stop();
    EXPECT_TRUE(worker.join());
}

}  // namespace

#include "platform/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace platform;

TEST(NativeThread, IdIsKnownAtStartAndMatchesTheThreadsOwn) {
    std::atomic<ThreadId> seen{0};
    auto thread = NativeThread::start([&] { seen = current_thread_id(); });
    ASSERT_NE(thread, nullptr);
    const ThreadId id = thread->id();
    ASSERT_TRUE(thread->join());
    EXPECT_EQ(seen.load(), id);
    EXPECT_NE(id, current_thread_id());
    EXPECT_EQ(current_thread_id(), current_thread_id());
}

TEST(NativeThread, JoinTimesOutWhileTheThreadRuns) {
    Event release;
    auto thread = NativeThread::start([&] { release.wait(); });
    ASSERT_NE(thread, nullptr);
    EXPECT_FALSE(thread->join(10));
    EXPECT_FALSE(thread->has_finished());
    release.set();
    EXPECT_TRUE(thread->join());
    EXPECT_TRUE(thread->has_finished());
    EXPECT_TRUE(thread->join(0));  // joining again is harmless
}

TEST(NativeThread, DroppedHandleLetsTheThreadFinish) {
    Event release;
    Event finished(true);
    auto thread = NativeThread::start([&] {
        release.wait();
        finished.set();
    });
    thread.reset();
    release.set();
    EXPECT_TRUE(finished.wait(10000));
}

TEST(Event, AutoResetLetsOneWaitThrough) {
    Event event(false, true);
    EXPECT_TRUE(event.wait(0));
    EXPECT_FALSE(event.wait(0));
    event.set();
    event.set();  // setting twice is still one pass
    EXPECT_TRUE(event.wait(0));
    EXPECT_FALSE(event.wait(0));
}

TEST(Event, ManualResetStaysSetUntilReset) {
    Event event(true, false);
    EXPECT_FALSE(event.wait(0));
    event.set();
    EXPECT_TRUE(event.wait(0));
    EXPECT_TRUE(event.wait(0));
    event.reset();
    EXPECT_FALSE(event.wait(0));
}

TEST(Event, SetOnAnotherThreadWakesAllManualWaiters) {
    Event event(true);
    std::atomic<int> woken{0};
    auto a = NativeThread::start([&] { woken += event.wait(10000) ? 1 : 0; });
    auto b = NativeThread::start([&] { woken += event.wait(10000) ? 1 : 0; });
    event.set();
    ASSERT_TRUE(a->join());
    ASSERT_TRUE(b->join());
    EXPECT_EQ(woken.load(), 2);
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
    CriticalSection section;
    section.lock();
    section.lock();
    auto try_elsewhere = [&] {
        bool got = false;
        std::thread([&] {
            got = section.try_lock();
            if (got) {
                section.unlock();
            }
        }).join();
        return got;
    };
    EXPECT_FALSE(try_elsewhere());
    section.unlock();
    EXPECT_FALSE(try_elsewhere());  // still held once
    section.unlock();
    EXPECT_TRUE(try_elsewhere());
}

TEST(ThreadLocalSlot, EachThreadAndEachSlotHasItsOwnValue) {
    ThreadLocalSlot first;
    ThreadLocalSlot second;
    int here = 1;
    int there = 2;
    first.set(&here);
    EXPECT_EQ(second.get(), nullptr);
    void* seen_before = &here;
    void* seen_after = nullptr;
    std::thread([&] {
        seen_before = first.get();
        first.set(&there);
        seen_after = first.get();
    }).join();
    EXPECT_EQ(seen_before, nullptr);
    EXPECT_EQ(seen_after, &there);
    EXPECT_EQ(first.get(), &here);
}

}  // namespace

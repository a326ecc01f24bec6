#include "platform/messages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "tests/support/eventually.h"

namespace {

using namespace platform;

struct Seen {
    WindowHandle window;
    uint32_t message;
    uintptr_t wparam;
    ThreadId thread;
};

// Windows of class "Recorder" write every message into the fixture; WM_USER + 99 answers
// wparam + 1, and WM_CREATE answers -1 when create_param is -1.
class Messages : public ::testing::Test {
protected:
    static constexpr uint32_t kEcho = WM_USER + 99;

    void SetUp() override {
        drain();
        ASSERT_TRUE(register_window_class(u"Recorder", [this](WindowHandle w, uint32_t m,
                                                              uintptr_t wp, intptr_t lp) {
            {
                std::lock_guard guard(m_mutex);
                m_seen.push_back({w, m, wp, current_thread_id()});
            }
            if (m == WM_CREATE && lp == -1) {
                return intptr_t{-1};
            }
            if (m == kEcho) {
                return static_cast<intptr_t>(wp + 1);
            }
            if (m_on_message) {
                m_on_message(w, m);
            }
            return def_window_proc(w, m, wp, lp);
        }));
    }

    void TearDown() override {
        m_on_message = nullptr;  // it refers to the finished test's locals
        for (WindowHandle w : top_level_windows()) {
            if (window_class_name(w) == u"Recorder" && window_thread_id(w) == current_thread_id()) {
                destroy_window(w);
            }
        }
        EXPECT_TRUE(unregister_window_class(u"Recorder"));
        use_virtual_clock(false);
        drain();
    }

    static void drain() {
        Message m;
        while (peek_message(m)) {
        }
    }

    std::vector<uint32_t> messages_of(WindowHandle w) {
        std::lock_guard guard(m_mutex);
        std::vector<uint32_t> result;
        for (const Seen& s : m_seen) {
            if (s.window == w) {
                result.push_back(s.message);
            }
        }
        return result;
    }

    std::mutex m_mutex;
    std::vector<Seen> m_seen;
    std::function<void(WindowHandle, uint32_t)> m_on_message;
};

TEST_F(Messages, PeekFiltersByWindowAndRangeAndKeepsOrRemoves) {
    WindowHandle a = create_window(u"Recorder", u"a");
    WindowHandle b = create_window(u"Recorder", u"b");
    ASSERT_TRUE(post_message(a, WM_USER + 1, 11));
    ASSERT_TRUE(post_message(b, WM_USER + 2, 22));
    ASSERT_TRUE(post_thread_message(current_thread_id(), WM_USER + 3, 33));
    ASSERT_TRUE(post_message(a, WM_USER + 0x100, 44));

    Message m;
    // Keeping leaves the message first in line.
    ASSERT_TRUE(peek_message(m, a, WM_USER, WM_USER + 0xFF, false));
    EXPECT_EQ(m.wparam, 11u);
    ASSERT_TRUE(peek_message(m, a, WM_USER, WM_USER + 0xFF, false));
    EXPECT_EQ(m.wparam, 11u);
    // The range is inclusive at both ends and skips earlier messages outside it.
    ASSERT_TRUE(peek_message(m, {}, WM_USER + 3, WM_USER + 0x100, true));
    EXPECT_EQ(m.wparam, 33u);
    EXPECT_FALSE(m.window);
    // A window filter never returns thread messages or other windows' messages.
    EXPECT_FALSE(peek_message(m, a, WM_USER + 2, WM_USER + 3, false));
    ASSERT_TRUE(peek_message(m, b));
    EXPECT_EQ(m.window, b);
    EXPECT_EQ(m.message, WM_USER + 2);
    // Unfiltered takes in posting order.
    ASSERT_TRUE(peek_message(m));
    EXPECT_EQ(m.wparam, 11u);
    ASSERT_TRUE(peek_message(m));
    EXPECT_EQ(m.wparam, 44u);
    EXPECT_FALSE(peek_message(m));
}

TEST_F(Messages, DestroyedHandleIsInvalidAndItsMessagesAndTimersGo) {
    use_virtual_clock(true);
    WindowHandle parent = create_window(u"Recorder", u"parent");
    WindowHandle child = create_window(u"Recorder", u"child", parent);
    WindowHandle other = create_window(u"Recorder", u"other");
    ASSERT_TRUE(child);
    post_message(parent, WM_USER + 1);
    post_message(other, WM_USER + 2);
    post_message(child, WM_USER + 3);
    set_timer(parent, 5, 10);
    set_timer(other, 6, 10);

    m_on_message = [&](WindowHandle w, uint32_t m) {
        // During WM_DESTROY the window is still valid.
        if (m == WM_DESTROY) {
            EXPECT_TRUE(is_window(w));
        }
    };
    ASSERT_TRUE(destroy_window(parent));
    // The parent hears WM_DESTROY before its child does.
    std::vector<WindowHandle> destroyed;
    for (const Seen& s : m_seen) {
        if (s.message == WM_DESTROY) {
            destroyed.push_back(s.window);
        }
    }
    EXPECT_EQ(destroyed, (std::vector<WindowHandle>{parent, child}));
    EXPECT_FALSE(is_window(parent));
    EXPECT_FALSE(is_window(child));
    EXPECT_FALSE(post_message(parent, WM_USER));
    EXPECT_EQ(send_message(parent, kEcho, 1), 0);
    EXPECT_FALSE(destroy_window(parent));
    EXPECT_EQ(window_class_name(parent), u"");
    EXPECT_FALSE(kill_timer(parent, 5));

    advance_virtual_clock(10);
    std::vector<std::pair<WindowHandle, uint32_t>> left;
    Message m;
    while (peek_message(m)) {
        left.push_back({m.window, m.message});
    }
    EXPECT_EQ(left, (std::vector<std::pair<WindowHandle, uint32_t>>{{other, WM_USER + 2},
                                                                    {other, WM_TIMER}}));
}

TEST_F(Messages, CreationAccessorsAndLookup) {
    WindowHandle first = create_window(u"Recorder", u"Call");
    WindowHandle second = create_window(u"Recorder", u"");
    WindowHandle child = create_window(u"Recorder", u"Call", first);
    EXPECT_EQ(messages_of(first).front(), WM_CREATE);
    EXPECT_EQ(window_class_name(first), u"Recorder");
    EXPECT_EQ(window_title(first), u"Call");
    EXPECT_EQ(window_parent(child), first);
    EXPECT_EQ(window_thread_id(first), current_thread_id());

    // Class names ignore case, titles do not; an empty title is a title.
    EXPECT_EQ(find_window(u"RECORDER", u"Call"), first);
    EXPECT_FALSE(find_window(u"Recorder", u"call"));
    EXPECT_EQ(find_window(u"Recorder", u""), second);
    EXPECT_EQ(find_window(std::nullopt, u""), second);
    EXPECT_EQ(find_window(u"recorder", std::nullopt), first);
    ASSERT_TRUE(set_window_title(second, u"Talk"));
    EXPECT_EQ(find_window(std::nullopt, u"Talk"), second);

    std::vector<WindowHandle> top = top_level_windows();
    EXPECT_NE(std::find(top.begin(), top.end(), first), top.end());
    EXPECT_EQ(std::find(top.begin(), top.end(), child), top.end());

    EXPECT_FALSE(create_window(u"NoSuchClass", u""));
    EXPECT_FALSE(create_window(u"Recorder", u"", WindowHandle{0x7FFFFFFF}));
    EXPECT_FALSE(create_window(u"Recorder", u"refused", {}, -1));
    EXPECT_FALSE(find_window(u"Recorder", u"refused"));
    EXPECT_FALSE(register_window_class(u"recorder", [](auto...) { return intptr_t{0}; }));
    EXPECT_FALSE(unregister_window_class(u"Recorder"));  // windows of it exist

    // The default processing of WM_CLOSE destroys the window.
    send_message(second, WM_CLOSE);
    EXPECT_FALSE(is_window(second));
}

TEST_F(Messages, PostFromAnotherThreadWakesTheOwner) {
    WindowHandle w = create_window(u"Recorder", u"");
    const ThreadId main = current_thread_id();
    std::atomic<bool> posted_to_dead{true};
    auto worker = NativeThread::start([&] {
        sleep_ms(20);  // let the owner block first
        post_message(w, WM_USER + 5, 1, -2);
        post_thread_message(main, WM_USER + 6);
        posted_to_dead = post_thread_message(0x7FFFFFFF, WM_USER);
    });
    Message m;
    ASSERT_TRUE(get_message(m));
    EXPECT_EQ(m.window, w);
    EXPECT_EQ(m.message, WM_USER + 5);
    EXPECT_EQ(m.wparam, 1u);
    EXPECT_EQ(m.lparam, -2);
    ASSERT_TRUE(get_message(m));
    EXPECT_EQ(m.message, WM_USER + 6);
    EXPECT_FALSE(m.window);
    ASSERT_TRUE(worker->join());
    EXPECT_FALSE(posted_to_dead);
}

TEST_F(Messages, SendToAnotherThreadRunsThereAndReturnsTheResult) {
    WindowHandle mine = create_window(u"Recorder", u"mine");
    std::atomic<uint32_t> theirs{0};
    Event ready;
    const ThreadId main = current_thread_id();
    std::atomic<ThreadId> worker_id{0};
    auto worker = NativeThread::start([&] {
        worker_id = current_thread_id();
        WindowHandle w = create_window(u"Recorder", u"theirs");
        theirs = w.id;
        ready.set();
        Message m;
        while (get_message(m)) {
            dispatch_message(m);
        }
    });
    ready.wait();
    const WindowHandle w{theirs.load()};
    // While the worker handles our message it sends one back; we must run it while waiting.
    m_on_message = [&](WindowHandle target, uint32_t m) {
        if (target == w && m == WM_USER + 1) {
            EXPECT_EQ(send_message(mine, kEcho, 41), 42);
        }
    };
    EXPECT_EQ(send_message(w, kEcho, 6), 7);
    send_message(w, WM_USER + 1);
    post_thread_message(worker_id, WM_QUIT);
    ASSERT_TRUE(worker->join());

    ThreadId echo_thread = 0;
    ThreadId back_thread = 0;
    for (const Seen& s : m_seen) {
        if (s.window == w && s.message == kEcho) {
            echo_thread = s.thread;
        }
        if (s.window == mine && s.message == kEcho) {
            back_thread = s.thread;
        }
    }
    EXPECT_EQ(echo_thread, worker_id.load());
    EXPECT_EQ(back_thread, main);
    // The worker's windows went with its thread.
    EXPECT_FALSE(is_window(w));
    EXPECT_EQ(send_message(w, kEcho, 1), 0);
}

TEST_F(Messages, QuitComesAfterEarlierPostsWithItsCode) {
    WindowHandle w = create_window(u"Recorder", u"");
    post_message(w, WM_USER);
    post_quit_message(7);
    Message m;
    EXPECT_TRUE(get_message(m));
    EXPECT_EQ(m.message, WM_USER);
    EXPECT_FALSE(get_message(m));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wparam, 7u);
    EXPECT_FALSE(peek_message(m));
}

TEST_F(Messages, TimerIsMadeWhenDueOnceAndNotPiledUp) {
    use_virtual_clock(true);
    WindowHandle w = create_window(u"Recorder", u"");
    ASSERT_TRUE(set_timer(w, 3, 100));
    Message m;
    advance_virtual_clock(99);
    EXPECT_FALSE(peek_message(m));
    advance_virtual_clock(1);
    // Looking without removing does not consume the period.
    ASSERT_TRUE(peek_message(m, {}, 0, 0, false));
    ASSERT_TRUE(peek_message(m));
    EXPECT_EQ(m.window, w);
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wparam, 3u);
    EXPECT_EQ(m.time, 100u);
    EXPECT_FALSE(peek_message(m));

    // Three periods missed: one message, and the next one a full period later.
    advance_virtual_clock(350);
    ASSERT_TRUE(peek_message(m));
    EXPECT_FALSE(peek_message(m));
    advance_virtual_clock(99);
    EXPECT_FALSE(peek_message(m));
    advance_virtual_clock(1);
    EXPECT_TRUE(peek_message(m));

    // Posted messages come first even when a timer is due.
    advance_virtual_clock(100);
    post_message(w, WM_USER);
    ASSERT_TRUE(peek_message(m));
    EXPECT_EQ(m.message, WM_USER);
    ASSERT_TRUE(peek_message(m));
    EXPECT_EQ(m.message, WM_TIMER);

    EXPECT_TRUE(kill_timer(w, 3));
    advance_virtual_clock(1000);
    EXPECT_FALSE(peek_message(m));
    EXPECT_FALSE(kill_timer(w, 3));
}

TEST_F(Messages, SettingATimerAgainRestartsItsPeriod) {
    use_virtual_clock(true);
    WindowHandle w = create_window(u"Recorder", u"");
    set_timer(w, 1, 100);
    advance_virtual_clock(80);
    set_timer(w, 1, 100);
    advance_virtual_clock(80);
    Message m;
    EXPECT_FALSE(peek_message(m));
    advance_virtual_clock(20);
    EXPECT_TRUE(peek_message(m));
}

TEST_F(Messages, TimerCallbackIsCalledInsteadOfTheProcedure) {
    use_virtual_clock(true);
    WindowHandle w = create_window(u"Recorder", u"");
    std::vector<uintptr_t> fired;
    set_timer(w, 9, 10, [&](WindowHandle target, uint32_t message, uintptr_t id, uint32_t) {
        EXPECT_EQ(target, w);
        EXPECT_EQ(message, WM_TIMER);
        fired.push_back(id);
    });
    advance_virtual_clock(10);
    EXPECT_EQ(dispatch_pending_messages(), 1);
    EXPECT_EQ(fired, std::vector<uintptr_t>{9});
    const auto seen = messages_of(w);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), WM_TIMER), 0);
}

TEST_F(Messages, VirtualWaitJumpsToTheNearestTimer) {
    use_virtual_clock(true);
    WindowHandle a = create_window(u"Recorder", u"a");
    WindowHandle b = create_window(u"Recorder", u"b");
    set_timer(a, 1, 50);
    set_timer(b, 2, 30);
    Message m;
    ASSERT_TRUE(get_message(m));
    EXPECT_EQ(m.window, b);
    EXPECT_EQ(tick_count(), 30u);
    ASSERT_TRUE(get_message(m));
    EXPECT_EQ(m.window, a);
    EXPECT_EQ(tick_count(), 50u);
    // A wait filtered to one window ignores the other window's timer.
    ASSERT_TRUE(get_message(m, a));
    EXPECT_EQ(m.window, a);
    EXPECT_EQ(tick_count(), 100u);
}

TEST_F(Messages, VirtualWaitWithoutTimersBlocksUntilAPost) {
    use_virtual_clock(true);
    WindowHandle w = create_window(u"Recorder", u"");
    std::atomic<bool> posted{false};
    const pid_t waiter = ::gettid();
    auto worker = NativeThread::start([&] {
        // Posts once this thread sleeps in the wait.
        EXPECT_TRUE(test_support::eventually([&] { return test_support::thread_waits(waiter); }));
        posted = true;
        post_message(w, WM_USER + 8);
    });
    wait_message();
    EXPECT_TRUE(posted);
    EXPECT_EQ(tick_count(), 0u);
    Message m;
    ASSERT_TRUE(peek_message(m));  // wait_message left it there
    EXPECT_EQ(m.message, WM_USER + 8);
    worker->join();
}

TEST_F(Messages, FilteredWaitLeavesOtherMessagesQueued) {
    WindowHandle a = create_window(u"Recorder", u"a");
    WindowHandle b = create_window(u"Recorder", u"b");
    post_message(a, WM_USER + 5);
    post_message(b, WM_USER + 6);
    auto worker = NativeThread::start([&] {
        sleep_ms(20);
        post_message(b, WM_USER + 5, 1);
    });
    Message m;
    ASSERT_TRUE(get_message(m, b, WM_USER + 5, WM_USER + 5));
    EXPECT_EQ(m.wparam, 1u);
    worker->join();
    ASSERT_TRUE(peek_message(m));
    EXPECT_EQ(m.window, a);
    ASSERT_TRUE(peek_message(m));
    EXPECT_EQ(m.window, b);
    EXPECT_EQ(m.message, WM_USER + 6);
}

TEST_F(Messages, DispatchPendingRunsNewPostsAndStopsAtQuit) {
    WindowHandle w = create_window(u"Recorder", u"");
    m_on_message = [&](WindowHandle target, uint32_t m) {
        if (m == WM_USER + 1) {
            post_message(target, WM_USER + 2);
        }
        if (m == WM_USER + 2) {
            post_quit_message(3);
            post_message(target, WM_USER + 3);
        }
    };
    post_message(w, WM_USER + 1);
    EXPECT_EQ(dispatch_pending_messages(), 3);
    Message m;
    EXPECT_FALSE(get_message(m));
    EXPECT_EQ(m.wparam, 3u);
}

}  // namespace

#include "core/message_scheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "platform/messages.h"

namespace {

using platform::current_thread_id;
using velvane::MessagePort;
using velvane::MessageScheduler;

// The UI thread with its scheduler; the window's procedure gives every message to the
// scheduler first, as the main window's does.
class Ports : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Message m;
        while (platform::peek_message(m)) {
        }
        m_scheduler = std::make_unique<MessageScheduler>();
        platform::register_window_class(u"PortMain", [this](auto w, auto m, auto wp, auto lp) {
            m_scheduler->handle_message(m, wp, lp);
            return platform::def_window_proc(w, m, wp, lp);
        });
        m_window = platform::create_window(u"PortMain", u"");
    }
    void TearDown() override {
        platform::destroy_window(m_window);
        platform::unregister_window_class(u"PortMain");
        m_scheduler.reset();
    }

    // The owning thread's loop until done() holds; thread messages go to the scheduler.
    template <class Done>
    void loop_until(Done done) {
        platform::Message m;
        for (int i = 0; i < 1000 && !done(); ++i) {
            ASSERT_TRUE(platform::get_message(m));
            if (!m.window) {
                m_scheduler->handle_message(m.message, m.wparam, m.lparam);
            }
            platform::dispatch_message(m);
        }
        ASSERT_TRUE(done());
    }

    std::unique_ptr<MessageScheduler> m_scheduler;
    platform::WindowHandle m_window;
};

TEST_F(Ports, HandlerRunsOnTheOwningThreadWhileTheWorkerWaits) {
    m_scheduler->set_window(m_window);
    std::atomic<int> handled{0};
    std::atomic<platform::ThreadId> handler_thread{0};
    MessagePort port([&](MessagePort& p) {
        EXPECT_EQ(&p.scheduler(), m_scheduler.get());
        handler_thread = current_thread_id();
        ++handled;
    });
    std::atomic<int> handled_when_call_returned{-1};
    auto worker = platform::NativeThread::start([&] {
        port.call();
        handled_when_call_returned = handled.load();
    });
    // The worker cannot get past call() until this thread runs the handler.
    EXPECT_FALSE(worker->join(30));
    EXPECT_EQ(handled, 0);
    loop_until([&] { return handled == 1; });
    ASSERT_TRUE(worker->join(10000));
    EXPECT_EQ(handled_when_call_returned, 1);
    EXPECT_EQ(handler_thread.load(), current_thread_id());
}

TEST_F(Ports, WithoutAWindowTheCallGoesToTheThread) {
    std::atomic<int> handled{0};
    MessagePort port([&](MessagePort&) { ++handled; });
    auto worker = platform::NativeThread::start([&] { port.call(); });
    loop_until([&] { return handled == 1; });
    ASSERT_TRUE(worker->join(10000));
}

TEST_F(Ports, ANewPostWaitsUntilThePreviousCallWasHandled) {
    m_scheduler->set_window(m_window);
    std::atomic<int> handled{0};
    MessagePort port([&](MessagePort&) { ++handled; });
    std::atomic<int> handled_at_second_post{-1};
    auto worker = platform::NativeThread::start([&] {
        port.post();
        port.post();
        handled_at_second_post = handled.load();
        port.wait();
    });
    // Without the wait in post() the worker would be through both posts long before this
    // thread starts handling.
    EXPECT_FALSE(worker->join(30));
    loop_until([&] { return handled == 2; });
    ASSERT_TRUE(worker->join(10000));
    EXPECT_GE(handled_at_second_post, 1);
}

TEST_F(Ports, CallToADestroyedPortIsSkipped) {
    m_scheduler->set_window(m_window);
    int first_calls = 0;
    int second_calls = 0;
    auto first = std::make_unique<MessagePort>([&](MessagePort&) { ++first_calls; });
    MessagePort second([&](MessagePort&) { ++second_calls; });
    EXPECT_EQ(second.id(), first->id() + 1);
    first->post();  // the first post of a port never waits
    second.post();
    first.reset();
    platform::dispatch_pending_messages();
    EXPECT_EQ(first_calls, 0);
    EXPECT_EQ(second_calls, 1);
    // Ids are never reused.
    MessagePort third([](MessagePort&) {});
    EXPECT_EQ(third.id(), second.id() + 1);
}

TEST_F(Ports, HandlerMayDestroyItsPort) {
    m_scheduler->set_window(m_window);
    std::unique_ptr<MessagePort> port;
    int calls = 0;
    port = std::make_unique<MessagePort>([&](MessagePort&) {
        ++calls;
        port.reset();
    });
    port->post();
    platform::dispatch_pending_messages();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(port, nullptr);
}

TEST_F(Ports, EachThreadHasItsOwnScheduler) {
    EXPECT_EQ(MessageScheduler::current(), m_scheduler.get());
    std::atomic<bool> none_there{false};
    std::atomic<bool> own_there{false};
    auto worker = platform::NativeThread::start([&] {
        none_there = MessageScheduler::current() == nullptr;
        MessageScheduler theirs;
        own_there = MessageScheduler::current() == &theirs &&
                    theirs.thread_id() == current_thread_id();
    });
    ASSERT_TRUE(worker->join(10000));
    EXPECT_TRUE(none_there);
    EXPECT_TRUE(own_there);
    EXPECT_EQ(MessageScheduler::current(), m_scheduler.get());
}

TEST_F(Ports, OtherMessagesAreLeftAlone) {
    m_scheduler->set_window(m_window);
    EXPECT_FALSE(m_scheduler->handle_message(platform::WM_USER + 5, 0, 0));
    // An id that no port has is taken and dropped.
    EXPECT_TRUE(m_scheduler->handle_message(MessageScheduler::kPortMessage, 12345, 0));
}

using PortsDeathTest = Ports;

TEST_F(PortsDeathTest, MisusesAreFatalWithTheirMessages) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(MessageScheduler second, testing::ExitedWithCode(1),
                "Gluck: MessageScheduler already instantiate @ MessageScheduler");
    EXPECT_EXIT(
        {
            new MessagePort([](MessagePort&) {});
            m_scheduler.reset();
        },
        testing::ExitedWithCode(1), "Gluck: Messages are not empty @ MessageScheduler");
    EXPECT_EXIT(
        {
            m_scheduler.reset();
            MessagePort orphan([](MessagePort&) {});
        },
        testing::ExitedWithCode(1), "Gluck: No MessageScheduler on this thread @ MessagePort");
}

}  // namespace

#include "core/active.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/active_signal.h"
#include "core/paths.h"
#include "core/registry.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/messages.h"

namespace {

using platform::current_thread_id;
using platform::ThreadId;
using velvane::CActive;
using velvane::CActiveScheduler;

// Records its runs. Its request completes (is notified) once: through complete(), or, when
// cancelled before that, at once from do_cancel unless the test gives it something else to do.
class Probe : public CActive {
public:
    explicit Probe(std::vector<int>* order = nullptr) : m_order(order) {}

    void run() override {
        ++runs;
        run_thread = current_thread_id();
        if (m_order != nullptr) {
            m_order->push_back(id());
        }
    }
    void do_cancel() override {
        ++cancels;
        if (on_cancel) {
            on_cancel();
        } else if (!completed) {
            complete();
        }
    }
    void complete() {
        completed = true;
        CActiveScheduler::get_instance()->notify(*this);
    }

    std::atomic<int> runs{0};
    std::atomic<ThreadId> run_thread{0};
    int cancels = 0;
    std::atomic<bool> completed{false};
    std::function<void()> on_cancel;

private:
    std::vector<int>* m_order;
};

class ActiveScheduler : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Message m;
        while (platform::peek_message(m)) {
        }
        m_scheduler = std::make_unique<CActiveScheduler>(u"ActiveTestMain");
    }
    void TearDown() override {
        m_scheduler.reset();
        platform::unregister_window_class(u"Other");
    }

    CActiveScheduler& scheduler() { return *m_scheduler; }

    std::unique_ptr<CActiveScheduler> m_scheduler;
};

TEST_F(ActiveScheduler, HiddenWindowIsNamedAfterTheMainWindowClass) {
    EXPECT_EQ(platform::window_class_name(scheduler().window()), u"CActiveActiveTestMain");
    EXPECT_EQ(CActiveScheduler::get_instance(), m_scheduler.get());
    EXPECT_EQ(platform::window_thread_id(scheduler().window()), current_thread_id());
}

TEST_F(ActiveScheduler, IdsComeFromOneCounterInConstructionOrder) {
    Probe a;
    Probe b;
    EXPECT_EQ(b.id(), a.id() + 1);
}

TEST_F(ActiveScheduler, ReadyObjectsRunInNotificationOrderOnTheLoopNotBefore) {
    std::vector<int> order;
    Probe a(&order), b(&order), c(&order);
    for (Probe* p : {&a, &b, &c}) {
        scheduler().set_active(*p);
    }
    EXPECT_EQ(scheduler().active_count(), 3);
    b.complete();
    a.complete();
    c.complete();
    EXPECT_TRUE(order.empty());
    EXPECT_TRUE(a.is_active());

    // The first message runs all three; the two later ones find the list empty.
    EXPECT_EQ(platform::dispatch_pending_messages(), 3);
    EXPECT_EQ(order, (std::vector<int>{b.id(), a.id(), c.id()}));
    EXPECT_EQ(a.runs + b.runs + c.runs, 3);
    EXPECT_FALSE(a.is_active());
    EXPECT_EQ(scheduler().active_count(), 0);
}

TEST_F(ActiveScheduler, NotifyFromAnotherThreadRunsOnTheUiThread) {
    Probe probe;
    scheduler().set_active(probe);
    auto worker = platform::NativeThread::start([&] {
        probe.complete();
    });
    ASSERT_TRUE(worker->join());
    EXPECT_EQ(probe.runs, 0);
    platform::Message m;
    for (int i = 0; i < 100 && probe.runs == 0; ++i) {
        ASSERT_TRUE(platform::get_message(m));
        platform::dispatch_message(m);
    }
    EXPECT_EQ(probe.runs, 1);
    EXPECT_EQ(probe.run_thread.load(), current_thread_id());
}

TEST_F(ActiveScheduler, CancelOfAnIdleObjectDoesNothing) {
    Probe probe;
    probe.cancel();
    EXPECT_EQ(probe.cancels, 0);
}

TEST_F(ActiveScheduler, CancelOfAReadyObjectRemovesItWithoutRunningIt) {
    Probe probe;
    scheduler().set_active(probe);
    probe.complete();
    probe.cancel();
    EXPECT_EQ(probe.cancels, 1);
    EXPECT_FALSE(probe.is_active());
    EXPECT_EQ(scheduler().active_count(), 0);
    platform::dispatch_pending_messages();
    EXPECT_EQ(probe.runs, 0);
}

TEST_F(ActiveScheduler, CancelWaitsOnlyForItsOwnMessageAndHandsItOnAfterwards) {
    int other_messages = 0;
    ASSERT_TRUE(platform::register_window_class(u"Other", [&](auto w, auto m, auto wp, auto lp) {
        if (m == platform::WM_USER) {
            ++other_messages;
        }
        return platform::def_window_proc(w, m, wp, lp);
    }));
    platform::WindowHandle other = platform::create_window(u"Other", u"");
    platform::post_message(other, platform::WM_USER);

    Probe ready;
    scheduler().set_active(ready);
    ready.complete();

    // The cancelled request completes on another thread a little later.
    Probe slow;
    std::shared_ptr<platform::NativeThread> completer;
    slow.on_cancel = [&] {
        completer = platform::NativeThread::start([&] {
            platform::sleep_ms(20);
            slow.complete();
        });
    };
    scheduler().set_active(slow);
    slow.cancel();
    completer->join();

    // Nothing else ran during the cancel...
    EXPECT_EQ(other_messages, 0);
    EXPECT_EQ(ready.runs, 0);
    EXPECT_EQ(slow.runs, 0);
    EXPECT_FALSE(slow.is_active());
    // ...and the other ready object still runs, though its message was taken while waiting.
    platform::dispatch_pending_messages();
    EXPECT_EQ(other_messages, 1);
    EXPECT_EQ(ready.runs, 1);
    EXPECT_EQ(slow.runs, 0);
    EXPECT_EQ(scheduler().active_count(), 0);
    platform::destroy_window(other);
}

// Runs a death test with HOME and the XDG folders in a private folder and logging on, then
// gives what the log file holds. Death tests here fork (the "fast" style), so the child shares
// the parent's folder and its active-object ids.
class LoggedDeath {
public:
    LoggedDeath() {
        char pattern[] = "/tmp/velvane-death-XXXXXX";
        m_home = mkdtemp(pattern);
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                 "XDG_DOCUMENTS_DIR", "XDG_RUNTIME_DIR"}) {
            const char* old = std::getenv(name);
            m_saved.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        }
        setenv("HOME", m_home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_home + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (m_home + "/data").c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", (m_home + "/Documents").c_str(), 1);
        unsetenv("XDG_RUNTIME_DIR");
        velvane::write_dword(u"HKEY_CURRENT_USER\\Software\\Quorr", u"Log", 1);
    }
    ~LoggedDeath() {
        velvane::write_dword(u"HKEY_CURRENT_USER\\Software\\Quorr", u"Log", 0);
        velvane::log();  // closes the file while the private folder is still in force
        for (const auto& [name, value] : m_saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        std::system(("rm -rf '" + m_home + "'").c_str());
    }

    platform::WString log_text() const {
        auto bytes = platform::read_file(u"/My Documents/" + velvane::app_name() + u".txt");
        platform::WString text;
        if (!bytes) {
            return text;
        }
        for (size_t i = 2; i + 1 < bytes->size(); i += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>((*bytes)[i]) |
                                          static_cast<unsigned char>((*bytes)[i + 1]) << 8);
        }
        return text;
    }

private:
    std::string m_home;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// A worker raises as often as it likes, also while the UI thread runs the handler: each run
// answers every raise before it, one more raise brings one more run, and a raise still
// waiting when the signal goes is dropped.
TEST_F(ActiveScheduler, ASignalRunsOnTheUiThreadOnceForManyRaises) {
    int runs = 0;
    const ThreadId ui = current_thread_id();
    std::atomic<bool> off_thread{false};
    auto signal = std::make_unique<velvane::ActiveSignal>([&] {
        ++runs;
        off_thread = off_thread || current_thread_id() != ui;
    });
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop) {
            signal->raise();
        }
    });
    while (runs < 50) {
        platform::dispatch_pending_messages();
    }
    stop = true;
    worker.join();
    platform::dispatch_pending_messages();
    const int after_worker = runs;
    platform::dispatch_pending_messages();
    EXPECT_EQ(runs, after_worker) << "nothing left to run";
    signal->raise();
    signal->raise();
    platform::dispatch_pending_messages();
    EXPECT_EQ(runs, after_worker + 1);
    EXPECT_FALSE(off_thread);

    signal->raise();
    signal.reset();
    platform::dispatch_pending_messages();
    EXPECT_EQ(runs, after_worker + 1);
    EXPECT_EQ(scheduler().active_count(), 0);
}

using ActiveSchedulerDeathTest = ActiveScheduler;

TEST_F(ActiveSchedulerDeathTest, SchedulerEndingWithAnActiveObjectLogsTheCountWithNoPlace) {
    GTEST_FLAG_SET(death_test_style, "fast");
    LoggedDeath death;
    EXPECT_EXIT(
        {
            Probe probe;
            scheduler().set_active(probe);
            m_scheduler.reset();
        },
        testing::ExitedWithCode(1), "active_counter=1 @ ");
    EXPECT_NE(death.log_text().find(u"Gluck: Some active objects still live while scheduler is "
                                    u"terminating active_counter=1 @ \n"),
              platform::WString::npos)
        << platform::to_utf8(death.log_text());
}

TEST_F(ActiveSchedulerDeathTest, MisusesAreFatalWithTheirMessages) {
    GTEST_FLAG_SET(death_test_style, "fast");
    Probe probe;
    const std::string id = std::to_string(probe.id());
    EXPECT_EXIT(
        {
            scheduler().set_active(probe);
            scheduler().set_active(probe);
        },
        testing::ExitedWithCode(1),
        "Gluck: Object " + id + " is already active @ CActiveScheduler::set_active\\(\\)");
    EXPECT_EXIT(scheduler().notify(probe), testing::ExitedWithCode(1),
                "Gluck: Active object " + id + " is not active @ CActiveScheduler::notify\\(\\)");
    EXPECT_EXIT(
        {
            scheduler().set_active(probe);
            scheduler().notify(probe);
            scheduler().notify(probe);
            platform::dispatch_pending_messages();
        },
        testing::ExitedWithCode(1),
        "Gluck: Active object " + id +
            " is not marked active @ CActiveScheduler::process_actives\\(\\)");
    EXPECT_EXIT(
        {
            auto doomed = std::make_unique<Probe>();
            scheduler().set_active(*doomed);
            doomed.reset();
        },
        testing::ExitedWithCode(1),
        "Gluck: Active object " + std::to_string(probe.id() + 1) +
            " is already active @ CActive::~CActive\\(\\)");
    EXPECT_EXIT(CActiveScheduler second(u"Again"), testing::ExitedWithCode(1),
                "Gluck: Singleton is already instantiated @ Singleton::Singleton\\(\\)");
}

}  // namespace

#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "tests/support/eventually.h"
#include "tests/support/temp_home.h"

namespace {

using platform::InstanceMutex;
namespace fs = std::filesystem;

constexpr char16_t kName[] = u"FacettaClass_Velvane";

class InstanceLock : public ::testing::Test {
protected:
    fs::path runtime() const { return m_home.root() / "run" / "velvane"; }

    test_support::TempHome m_home;
};

TEST_F(InstanceLock, HoldersInOneProcessExcludeEachOther) {
    InstanceMutex first, second;
    ASSERT_TRUE(first.open(kName)) << first.error();
    ASSERT_TRUE(second.open(kName)) << second.error();
    EXPECT_TRUE(fs::is_regular_file(runtime() / "FacettaClass_Velvane.lock"));

    ASSERT_TRUE(first.wait());
    EXPECT_TRUE(first.wait()) << "owning it again must not block";
    EXPECT_FALSE(second.try_wait());

    std::atomic<bool> taken{false};
    std::atomic<pid_t> waiter_id{0};
    std::thread waiter([&] {
        waiter_id = ::gettid();
        EXPECT_TRUE(second.wait());
        taken = true;
    });
    // Once the waiter sleeps in the kernel it waits for the lock.
    EXPECT_TRUE(test_support::eventually(
        [&] { return waiter_id != 0 && test_support::thread_waits(waiter_id); }));
    EXPECT_FALSE(taken);
    first.release();
    waiter.join();
    EXPECT_TRUE(taken);
    EXPECT_TRUE(second.owned());
    EXPECT_FALSE(first.try_wait());

    second.close();
    EXPECT_TRUE(first.try_wait());
}

TEST_F(InstanceLock, DestructionReleases) {
    InstanceMutex later;
    ASSERT_TRUE(later.open(kName));
    {
        InstanceMutex holder;
        ASSERT_TRUE(holder.open(kName));
        ASSERT_TRUE(holder.wait());
        EXPECT_FALSE(later.try_wait());
    }
    EXPECT_TRUE(later.try_wait());
}

TEST_F(InstanceLock, ProcessThatEndsLetsGo) {
    int pipe_fds[2];
    int go_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    ASSERT_EQ(::pipe(go_fds), 0);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipe_fds[0]);
        ::close(go_fds[1]);
        InstanceMutex mutex;
        if (!mutex.open(kName) || !mutex.wait()) {
            ::_exit(1);
        }
        const char held = 'h';
        [[maybe_unused]] ssize_t a = ::write(pipe_fds[1], &held, 1);
        // Held until the parent has found it taken and sleeps waiting for it.
        char go = 0;
        if (::read(go_fds[0], &go, 1) != 1 ||
            !test_support::eventually([&] { return test_support::thread_waits(parent, parent); })) {
            ::_exit(3);
        }
        // Written before the exit that lets go, so the parent must find it once it owns the
        // mutex.
        const char leaving = 'x';
        [[maybe_unused]] ssize_t b = ::write(pipe_fds[1], &leaving, 1);
        ::_exit(0);  // no destructor: only the end of the process releases it
    }
    ::close(pipe_fds[1]);
    ::close(go_fds[0]);
    char c = 0;
    ASSERT_EQ(::read(pipe_fds[0], &c, 1), 1);
    ASSERT_EQ(c, 'h');

    InstanceMutex mutex;
    ASSERT_TRUE(mutex.open(kName));
    EXPECT_FALSE(mutex.try_wait());
    ASSERT_EQ(::write(go_fds[1], "g", 1), 1);
    ::close(go_fds[1]);
    ASSERT_TRUE(mutex.wait());
    pollfd ready{pipe_fds[0], POLLIN, 0};
    EXPECT_EQ(::poll(&ready, 1, 0), 1) << "owned before the child had finished";
    EXPECT_EQ(::read(pipe_fds[0], &c, 1), 1);
    EXPECT_EQ(c, 'x');
    ::close(pipe_fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(InstanceLock, NamesAreReducedToSafeFileNames) {
    InstanceMutex mutex;
    ASSERT_TRUE(mutex.open(u"../Facetta Class/\u00e9x"));
    EXPECT_TRUE(fs::is_regular_file(runtime() / "..FacettaClassx.lock"));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(runtime() / "..FacettaClassx.lock").permissions());

    EXPECT_FALSE(mutex.open(u"/.."));
    EXPECT_FALSE(mutex.open(u""));
    EXPECT_FALSE(mutex.error().empty());
    EXPECT_FALSE(mutex.is_open());
    EXPECT_FALSE(mutex.wait());
}

TEST_F(InstanceLock, RefusesForeignFiles) {
    InstanceMutex mutex;
    ASSERT_TRUE(mutex.open(u"probe"));  // makes the runtime folder
    mutex.close();
    const fs::path elsewhere = m_home.root() / "elsewhere";
    test_support::write_bytes(elsewhere, "keep");
    fs::create_symlink(elsewhere, runtime() / "linked.lock");
    EXPECT_FALSE(mutex.open(u"linked"));
    EXPECT_EQ(test_support::read_bytes(elsewhere), "keep");

    // A runtime folder that is not private is no place for the lock.
    fs::remove_all(runtime());
    fs::create_directory_symlink(m_home.root(), runtime());
    EXPECT_FALSE(mutex.open(kName));
    EXPECT_FALSE(fs::exists(m_home.root() / "FacettaClass_Velvane.lock"));
}

}  // namespace

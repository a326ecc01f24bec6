#include "platform/socket_server.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

namespace {

using namespace platform;
using namespace platform::socket_io;
namespace fs = std::filesystem;

class LocalSocketServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/velvane-sock-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_folder = folder;
        m_path = m_folder + "/test.sock";
    }
    void TearDown() override {
        m_server.stop();
        fs::remove_all(m_folder);
    }

    // A connected client that says nothing; -1 on failure.
    int connect_client() {
        sockaddr_un addr;
        if (!socket_address(m_path, addr)) {
            return -1;
        }
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && !connect_until(fd, addr, Clock::now() + std::chrono::seconds(2))) {
            close_fd(fd);
        }
        return fd;
    }

    std::string m_folder;
    std::string m_path;
    LocalSocketServer m_server;
};

TEST_F(LocalSocketServerTest, StopWakesAHandlerWaitingOnASilentClient) {
    std::promise<void> entered;
    std::promise<Io> result;
    LocalSocketServer::Options options;
    options.request_timeout_ms = 30000;
    ASSERT_TRUE(m_server.start(
        m_path,
        [&](int client, Clock::time_point deadline, int wake) {
            EXPECT_GT(deadline, Clock::now() + std::chrono::seconds(20));
            entered.set_value();
            char buffer[4];
            result.set_value(read_exact(client, buffer, sizeof(buffer), wake, deadline));
        },
        options))
        << m_server.error();
    EXPECT_FALSE(m_server.start(m_path, [](int, Clock::time_point, int) {}, options));
    EXPECT_EQ(m_server.error(), "already listening");

    int client = connect_client();
    ASSERT_GE(client, 0);
    ASSERT_EQ(entered.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const auto before = Clock::now();
    m_server.stop();
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(5));
    EXPECT_EQ(result.get_future().get(), Io::stopped);
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_FALSE(m_server.running());
    close_fd(client);
}

// The handler can only finish once the stopping thread has done its part, as when the
// listener waits on a window owned by that thread.
TEST_F(LocalSocketServerTest, StopKeepsRunningItsWaitHookUntilTheHandlerIsDone) {
    std::atomic<bool> released{false};
    std::atomic<bool> finished{false};
    std::promise<void> entered;
    ASSERT_TRUE(m_server.start(
        m_path,
        [&](int, Clock::time_point, int) {
            entered.set_value();
            const auto give_up = Clock::now() + std::chrono::seconds(10);
            while (!released && Clock::now() < give_up) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            finished = released.load();
        },
        {}))
        << m_server.error();

    int client = connect_client();
    ASSERT_GE(client, 0);
    ASSERT_EQ(entered.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
    m_server.stop([&] { released = true; });
    EXPECT_TRUE(finished);
    EXPECT_FALSE(fs::exists(m_path));
    close_fd(client);
}

}  // namespace

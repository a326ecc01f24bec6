#include "platform/copy_data.h"

#include <gtest/gtest.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_home.h"

namespace {

using namespace platform;
namespace fs = std::filesystem;

constexpr char16_t kName[] = u"FacettaClass_Velvane";
constexpr uint32_t kArrived = WM_USER + 1;
constexpr uintptr_t kGiveUpTimer = 7;

struct Received {
    uintptr_t tag;
    std::string bytes;
    ThreadId thread;
};

// The test thread owns a window whose procedure copies every WM_COPYDATA it gets, as the main
// window does, and pumps its queue while another thread sends.
class CopyDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(register_window_class(
            u"CopyDataTarget", [this](WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
                if (m == WM_COPYDATA) {
                    const auto* copy = reinterpret_cast<const CopyData*>(lp);
                    m_received.push_back(
                        {copy->tag, std::string(static_cast<const char*>(copy->data), copy->bytes),
                         current_thread_id()});
                    post_message(w, kArrived);
                }
                return def_window_proc(w, m, wp, lp);
            }));
        m_window = create_window(u"CopyDataTarget", u"Velvane");
        ASSERT_TRUE(m_window);
    }

    void TearDown() override {
        m_server.stop();
        destroy_window(m_window);
        EXPECT_TRUE(unregister_window_class(u"CopyDataTarget"));
        Message m;
        while (peek_message(m)) {
        }
    }

    fs::path socket_path() const {
        return m_home.root() / "run" / "velvane" / "FacettaClass_Velvane.sock";
    }

    // Sends from another thread while this one runs its message loop; the result of the send.
    bool send_and_pump(uint32_t tag, const std::string& bytes) {
        const size_t before = m_received.size();
        auto sent = std::async(std::launch::async, [&] {
            return send_copy_data(kName, tag, bytes.data(), static_cast<uint32_t>(bytes.size()));
        });
        set_timer(m_window, kGiveUpTimer, 10000);
        Message m;
        while (m_received.size() == before && get_message(m)) {
            if (m.message == WM_TIMER && m.wparam == kGiveUpTimer) {
                ADD_FAILURE() << "nothing arrived";
                break;
            }
            dispatch_message(m);
        }
        kill_timer(m_window, kGiveUpTimer);
        return sent.get();
    }

    // A client that speaks the wire format badly. Gives the connected socket.
    int raw_client() {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, socket_path().c_str(), sizeof(addr.sun_path) - 1);
        EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)), 0);
        return fd;
    }

    // What the server says before it hangs up: "" when it says nothing.
    static std::string answer_of(int fd) {
        timeval limit{10, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
        char buffer[8];
        const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
        ::close(fd);
        return got > 0 ? std::string(buffer, static_cast<size_t>(got)) : std::string();
    }

    static std::string utf16_bytes(std::u16string_view text) {
        return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    }

    test_support::TempHome m_home;
    WindowHandle m_window;
    CopyDataServer m_server;
    std::vector<Received> m_received;
};

TEST_F(CopyDataTest, PayloadsReachTheWindowOnItsThreadByteForByte) {
    ASSERT_TRUE(m_server.start(kName, m_window)) << m_server.error();

    const std::string with_pair = utf16_bytes(u"open:+7 (999) \u041f\U0001F4DE");
    const std::string odd("\0\x01\xff", 3);
    EXPECT_TRUE(send_and_pump(0, with_pair));
    EXPECT_TRUE(send_and_pump(0, ""));
    EXPECT_TRUE(send_and_pump(0xfeedbeef, odd));
    const std::string largest(kMaxCopyDataBytes, 'z');
    EXPECT_TRUE(send_and_pump(0, largest));

    ASSERT_EQ(m_received.size(), 4u);
    EXPECT_EQ(m_received[0].bytes, with_pair);
    EXPECT_EQ(m_received[0].tag, 0u);
    EXPECT_EQ(m_received[1].bytes, "");
    EXPECT_EQ(m_received[2].bytes, odd);
    EXPECT_EQ(m_received[2].tag, 0xfeedbeefu);
    EXPECT_EQ(m_received[3].bytes, largest);
    for (const Received& r : m_received) {
        EXPECT_EQ(r.thread, current_thread_id());
    }
    EXPECT_EQ(m_server.delivered(), 4u);

    std::string too_big(kMaxCopyDataBytes + 1, 'z');
    EXPECT_FALSE(send_copy_data(kName, 0, too_big.data(), kMaxCopyDataBytes + 1));
}

TEST_F(CopyDataTest, AnotherProcessReachesTheWindow) {
    // Forked before the listener thread exists, so the child starts with one thread.
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char c;
        if (::read(go[0], &c, 1) != 1) {
            ::_exit(2);
        }
        const std::u16string text = u"favorites";
        ::_exit(send_copy_data(kName, 0, text.data(), static_cast<uint32_t>(text.size() * 2)) ? 0
                                                                                              : 1);
    }
    ::close(go[0]);
    // Without a server the child is let go with nothing to read, and ends.
    const bool started = m_server.start(kName, m_window);
    EXPECT_TRUE(started && ::write(go[1], "g", 1) == 1);
    ::close(go[1]);
    int status = -1;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        dispatch_pending_messages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(m_received.size(), 1u);
    EXPECT_EQ(m_received[0].bytes, utf16_bytes(u"favorites"));
}

TEST_F(CopyDataTest, SocketIsOwnerOnlyAndGoesWithTheServer) {
    ASSERT_TRUE(m_server.start(kName, m_window));
    ASSERT_TRUE(fs::is_socket(socket_path()));
    EXPECT_EQ(fs::status(socket_path()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(socket_path().parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_FALSE(m_server.start(kName, m_window)) << "already listening";
    m_server.stop();
    EXPECT_FALSE(fs::exists(socket_path()));
    EXPECT_FALSE(m_server.running());
}

TEST_F(CopyDataTest, NobodyListeningIsFalseWithoutWaiting) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(send_copy_data(kName, 0, "x", 1, 60000));

    // A socket file left by a copy that crashed: nobody accepts on it.
    ASSERT_TRUE(m_server.start(kName, m_window));
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    fs::remove(socket_path());
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socket_path().c_str(), sizeof(addr.sun_path) - 1);
    ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)), 0);
    ::close(stale);
    EXPECT_FALSE(send_copy_data(kName, 0, "x", 1, 60000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

    // The next server replaces the stale file and is reached through it.
    CopyDataServer next;
    ASSERT_TRUE(next.start(kName, m_window)) << next.error();
    const bool delivered = [&] {
        auto sent =
            std::async(std::launch::async, [] { return send_copy_data(kName, 0, "ab", 2); });
        while (sent.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
            dispatch_pending_messages();
        }
        return sent.get();
    }();
    EXPECT_TRUE(delivered);
    EXPECT_EQ(next.delivered(), 1u);
    // Stopping the first server must not take the file of the one that replaced it.
    m_server.stop();
    EXPECT_TRUE(fs::is_socket(socket_path()));
    next.stop();
    EXPECT_FALSE(fs::exists(socket_path()));
}

TEST_F(CopyDataTest, OtherFilesAtTheSocketPathAreLeftAlone) {
    test_support::write_bytes(socket_path(), "not a socket");
    fs::permissions(socket_path().parent_path(), fs::perms::owner_all);
    EXPECT_FALSE(m_server.start(kName, m_window));
    EXPECT_FALSE(m_server.error().empty());
    EXPECT_EQ(test_support::read_bytes(socket_path()), "not a socket");
}

TEST_F(CopyDataTest, BadClientsAreDroppedAndServingGoesOn) {
    ASSERT_TRUE(m_server.start(kName, m_window));

    int fd = raw_client();
    const uint32_t oversized[2] = {0, kMaxCopyDataBytes + 1};
    ::send(fd, oversized, sizeof(oversized), MSG_NOSIGNAL);
    EXPECT_EQ(answer_of(fd), "");

    fd = raw_client();
    const uint32_t huge[2] = {0, 0xffffffffu};
    ::send(fd, huge, sizeof(huge), MSG_NOSIGNAL);
    EXPECT_EQ(answer_of(fd), "");

    // Hangs up in the middle of the header, then in the middle of the payload.
    fd = raw_client();
    ::send(fd, "abc", 3, MSG_NOSIGNAL);
    ::close(fd);
    fd = raw_client();
    const uint32_t promise[2] = {0, 100};
    ::send(fd, promise, sizeof(promise), MSG_NOSIGNAL);
    ::send(fd, "short", 5, MSG_NOSIGNAL);
    ::close(fd);

    // One that connects and says nothing is given up on, so the next is still served.
    const int silent = raw_client();
    EXPECT_TRUE(send_and_pump(0, utf16_bytes(u"recents")));
    EXPECT_EQ(answer_of(silent), "");

    ASSERT_EQ(m_received.size(), 1u);
    EXPECT_EQ(m_received[0].bytes, utf16_bytes(u"recents"));
    EXPECT_EQ(m_server.dropped(), 5u);
}

TEST_F(CopyDataTest, GoneWindowIsReported) {
    ASSERT_TRUE(m_server.start(kName, m_window));
    destroy_window(m_window);
    EXPECT_FALSE(send_copy_data(kName, 0, "x", 1));
    EXPECT_TRUE(m_received.empty());
    EXPECT_EQ(m_server.delivered(), 0u);
}

TEST_F(CopyDataTest, StoppingOnTheWindowThreadFinishesTheRequestUnderWay) {
    ASSERT_TRUE(m_server.start(kName, m_window));
    const int client = raw_client();
    const uint32_t header[2] = {0, 2};
    std::string request(reinterpret_cast<const char*>(header), sizeof header);
    request += "cd";
    ASSERT_EQ(::write(client, request.data(), request.size()), ssize_t(request.size()));
    // Not pumping: once the listener has read the whole request it waits for this thread,
    // which now stops it and must not wait for it in turn.
    ASSERT_TRUE(test_support::eventually([&] {
        int unread = -1;
        return ::ioctl(client, SIOCOUTQ, &unread) == 0 && unread == 0;
    }));
    ASSERT_TRUE(m_received.empty());
    m_server.stop();
    ASSERT_EQ(m_received.size(), 1u) << "the request had not reached the listener";
    EXPECT_EQ(m_received[0].bytes, "cd");
    EXPECT_EQ(answer_of(client), "\x01");
}

}  // namespace

#pragma once
// The listening half of the program's private Unix sockets: an owner-only socket file, a
// listener thread that takes one client at a time, and a clean stop. What a request looks
// like is up to the handler.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/socket_io.h"
#include "platform/threads.h"

namespace platform {

class LocalSocketServer {
public:
    // Serves one client whose peer is known to be us. Reads must end by deadline and give up
    // when wake becomes readable (the server stopping); the server closes client afterwards.
    using Handler =
        std::function<void(int client, socket_io::Clock::time_point deadline, int wake)>;

    struct Options {
        // When set, a socket file that some live program still accepts on is left to it and
        // start fails with this text after the path; otherwise any socket file is replaced.
        std::string refuse_live_socket;
        // How long a client gets to deliver its request.
        int request_timeout_ms = 2000;
    };

    LocalSocketServer() = default;
    ~LocalSocketServer();
    LocalSocketServer(const LocalSocketServer&) = delete;
    LocalSocketServer& operator=(const LocalSocketServer&) = delete;

    // Listens on path, replacing a stale socket file; any other kind of file there makes start
    // fail. False on failure, with the reason in error().
    bool start(const std::string& path, Handler handler, const Options& options);
    // Ends the listener and removes the socket file if it is still ours. When while_waiting is
    // given, it runs every few milliseconds until the listener has ended, for a caller that
    // must keep serving what the listener may be waiting for.
    void stop(const std::function<void()>& while_waiting = {});

    bool running() const { return m_thread != nullptr; }
    const std::string& error() const { return m_error; }
    const std::string& path() const { return m_path; }
    // Connections from another user, refused before the handler saw them, since start.
    uint32_t strangers() const { return m_strangers; }

private:
    void listen_loop();

    Handler m_handler;
    int m_request_timeout_ms = 2000;
    std::string m_path;
    uint64_t m_inode = 0;  // of the socket file, so stop removes only our own
    uint64_t m_device = 0;
    int m_listen_fd = -1;
    int m_wake_read = -1;
    int m_wake_write = -1;
    std::shared_ptr<NativeThread> m_thread;
    std::string m_error;
    std::atomic<uint32_t> m_strangers{0};
};

}  // namespace platform

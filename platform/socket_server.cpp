#include "platform/socket_server.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace platform {

using namespace socket_io;

LocalSocketServer::~LocalSocketServer() {
    stop();
}

bool LocalSocketServer::start(const std::string& path, Handler handler, const Options& options) {
    m_error.clear();
    if (running()) {
        m_error = "already listening";
        return false;
    }
    m_strangers = 0;
    sockaddr_un addr;
    if (path.empty()) {
        m_error = "no private runtime folder or unusable name";
        return false;
    }
    if (!socket_address(path, addr)) {
        m_error = path + ": path too long for a socket";
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            m_error = path + ": exists and is not a socket";
            return false;
        }
        if (!options.refuse_live_socket.empty()) {
            if (int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0); probe >= 0) {
                const bool alive =
                    ::connect(probe, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
                ::close(probe);
                if (alive) {
                    m_error = path + ": " + options.refuse_live_socket;
                    return false;
                }
            }
        }
        if (::unlink(path.c_str()) != 0) {
            m_error = errno_text("unlink " + path);
            return false;
        }
    } else if (errno != ENOENT) {
        m_error = errno_text(path);
        return false;
    }

    m_listen_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listen_fd < 0) {
        m_error = errno_text("socket");
        return false;
    }
    if (::bind(m_listen_fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        m_error = errno_text("bind " + path);
        close_fd(m_listen_fd);
        return false;
    }
    m_path = path;
    if (::lstat(path.c_str(), &st) == 0) {
        m_inode = st.st_ino;
        m_device = st.st_dev;
    }
    // Owner-only in itself, not just through the private folder around it.
    int wake[2] = {-1, -1};
    if (::chmod(path.c_str(), 0600) != 0 || ::listen(m_listen_fd, 8) != 0 ||
        ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_error = errno_text("listen " + path);
        stop();
        return false;
    }
    m_wake_read = wake[0];
    m_wake_write = wake[1];
    m_handler = std::move(handler);
    m_request_timeout_ms = options.request_timeout_ms;
    m_thread = NativeThread::start([this] { listen_loop(); });
    if (!m_thread) {
        m_error = "cannot start the listener thread";
        stop();
        return false;
    }
    return true;
}

void LocalSocketServer::stop(const std::function<void()>& while_waiting) {
    if (m_thread) {
        const char wake = 1;
        [[maybe_unused]] ssize_t ignored = ::write(m_wake_write, &wake, 1);
        if (while_waiting) {
            while (!m_thread->join(10)) {
                while_waiting();
            }
        } else {
            m_thread->join();
        }
        m_thread.reset();
    }
    if (!m_path.empty()) {
        // Only the file this server made: after a crash-and-restart a newer server may own
        // the name.
        struct stat file {};
        if (::lstat(m_path.c_str(), &file) == 0 && S_ISSOCK(file.st_mode) &&
            file.st_ino == m_inode && file.st_dev == m_device) {
            ::unlink(m_path.c_str());
        }
    }
    close_fd(m_listen_fd);
    close_fd(m_wake_read);
    close_fd(m_wake_write);
    m_path.clear();
    m_handler = nullptr;
}

void LocalSocketServer::listen_loop() {
    for (;;) {
        pollfd fds[2] = {{m_listen_fd, POLLIN, 0}, {m_wake_read, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0 || (fds[0].revents & (POLLERR | POLLNVAL)) != 0) {
            return;
        }
        const int client = ::accept4(m_listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                errno != ECONNABORTED) {
                // Out of descriptors or the like: do not spin on a listener that stays ready.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            continue;
        }
        if (peer_is_us(client)) {
            m_handler(client, Clock::now() + std::chrono::milliseconds(m_request_timeout_ms),
                      m_wake_read);
        } else {
            ++m_strangers;
        }
        ::close(client);
    }
}

}  // namespace platform

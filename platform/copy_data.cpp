#include "platform/copy_data.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/instance_lock.h"
#include "platform/messages.h"
#include "platform/socket_io.h"

namespace platform {

namespace {

using namespace socket_io;

// A client gets this long to deliver its whole request, so that one that stalls cannot keep
// the listener from the next.
constexpr int kRequestTimeoutMs = 2000;

}  // namespace

CopyDataServer::~CopyDataServer() {
    stop();
}

bool CopyDataServer::start(WStringView name, WindowHandle window) {
    m_error.clear();
    if (running()) {
        m_error = "already listening";
        return false;
    }
    m_delivered = 0;
    m_dropped = 0;
    const std::string path = runtime_file_path(name, ".sock");
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
    m_window = window;
    m_thread = NativeThread::start([this] { listen_loop(); });
    if (!m_thread) {
        m_error = "cannot start the listener thread";
        stop();
        return false;
    }
    return true;
}

void CopyDataServer::stop() {
    if (m_thread) {
        const char wake = 1;
        [[maybe_unused]] ssize_t ignored = ::write(m_wake_write, &wake, 1);
        // The listener may be waiting for this very thread to handle a request.
        if (window_thread_id(m_window) == current_thread_id()) {
            Message message;
            while (!m_thread->join(10)) {
                peek_message(message, m_window, WM_COPYDATA, WM_COPYDATA, false);
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
    m_window = {};
}

void CopyDataServer::listen_loop() {
    for (;;) {
        pollfd fds[2] = {{m_listen_fd, POLLIN, 0}, {m_wake_read, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents & (POLLERR | POLLNVAL)) {
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
        serve(client);
        ::close(client);
    }
}

void CopyDataServer::serve(int client) {
    if (!peer_is_us(client)) {
        ++m_dropped;
        return;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
    uint32_t header[2] = {0, 0};
    Io io = read_exact(client, header, sizeof(header), m_wake_read, deadline);
    if (io == Io::stopped) {
        return;
    }
    if (io != Io::done || header[1] > kMaxCopyDataBytes) {
        ++m_dropped;
        return;
    }
    // One spare byte keeps data() valid for an empty request.
    std::vector<char> payload(header[1] + 1, 0);
    io = read_exact(client, payload.data(), header[1], m_wake_read, deadline);
    if (io == Io::stopped) {
        return;
    }
    if (io != Io::done) {
        ++m_dropped;
        return;
    }

    char answer = 0;
    if (is_window(m_window)) {
        CopyData copy{header[0], header[1], payload.data()};
        send_message(m_window, WM_COPYDATA, 0, reinterpret_cast<intptr_t>(&copy));
        // The procedure's result says nothing (it may fall through to the default). Handles
        // are never reused, so a window still alive after the call is one that ran it; one
        // destroyed meanwhile counts as gone, which is what the sender wants to know.
        if (is_window(m_window)) {
            answer = 1;
            ++m_delivered;
        }
    }
    write_exact(client, &answer, 1, Clock::now() + std::chrono::milliseconds(kRequestTimeoutMs));
}

bool send_copy_data(WStringView name, uint32_t tag, const void* data, uint32_t bytes,
                    uint32_t timeout_ms) {
    if (bytes > kMaxCopyDataBytes || (data == nullptr && bytes != 0)) {
        return false;
    }
    sockaddr_un addr;
    if (!socket_address(runtime_file_path(name, ".sock"), addr)) {
        return false;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    bool ok = false;
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0) {
            ok = true;
            break;
        }
        if (errno == EINTR) {
            continue;
        }
        // A full backlog: the running copy is busy with someone else; try again shortly.
        if (errno != EAGAIN || ms_left(deadline) == 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ok) {
        const uint32_t header[2] = {tag, bytes};
        char answer = 0;
        ok = peer_is_us(fd) && write_exact(fd, header, sizeof(header), deadline) &&
             (bytes == 0 || write_exact(fd, data, bytes, deadline)) &&
             read_exact(fd, &answer, 1, -1, deadline) == Io::done && answer == 1;
    }
    ::close(fd);
    return ok;
}

}  // namespace platform

#include "platform/socket_io.h"

#include <errno.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

namespace platform::socket_io {

std::string errno_text(const std::string& what) {
    return what + ": " + ::strerror(errno);
}

int ms_left(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until fd is ready for events, the deadline passes, or (when wake is given) the wake
// pipe becomes readable.
Io wait_ready(int fd, short events, int wake, Clock::time_point deadline) {
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {wake, POLLIN, 0}};
        const int count = ::poll(fds, wake >= 0 ? 2 : 1, ms_left(deadline));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return Io::failed;
        }
        if (wake >= 0 && fds[1].revents != 0) {
            return Io::stopped;
        }
        return Io::done;
    }
}

Io read_exact(int fd, void* buffer, size_t size, int wake, Clock::time_point deadline) {
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::recv(fd, out, size, MSG_DONTWAIT);
        if (got > 0) {
            out += got;
            size -= static_cast<size_t>(got);
            continue;
        }
        if (got == 0) {
            return Io::failed;  // the peer closed early
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return Io::failed;
        }
        if (Io ready = wait_ready(fd, POLLIN, wake, deadline); ready != Io::done) {
            return ready;
        }
    }
    return Io::done;
}

bool write_exact(int fd, const void* buffer, size_t size, Clock::time_point deadline) {
    const auto* in = static_cast<const char*>(buffer);
    while (size > 0) {
        const ssize_t put = ::send(fd, in, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put > 0) {
            in += put;
            size -= static_cast<size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return false;
        }
        if (wait_ready(fd, POLLOUT, -1, deadline) != Io::done) {
            return false;
        }
    }
    return true;
}

bool peer_is_us(int fd) {
    ucred cred{};
    socklen_t size = sizeof(cred);
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 && size == sizeof(cred) &&
           cred.uid == ::geteuid();
}

// Fills addr with path; false when the path does not fit.
bool socket_address(const std::string& path, sockaddr_un& addr) {
    addr = {};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(addr.sun_path)) {
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool connect_until(int fd, const sockaddr_un& addr, Clock::time_point deadline) {
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0) {
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        // A full backlog: the listener is busy with someone else; try again shortly.
        if (errno != EAGAIN || ms_left(deadline) == 0) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void close_fd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace platform::socket_io

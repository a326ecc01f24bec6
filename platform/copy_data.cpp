#include "platform/copy_data.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "platform/instance_lock.h"
#include "platform/messages.h"
#include "platform/socket_io.h"

namespace platform {

namespace {

using namespace socket_io;

// The answer gets its own time: the window may have taken a while over the request.
constexpr int kAnswerTimeoutMs = 2000;

}  // namespace

CopyDataServer::~CopyDataServer() {
    stop();
}

bool CopyDataServer::start(WStringView name, WindowHandle window) {
    if (!running()) {
        m_delivered = 0;
        m_dropped = 0;
        m_window = window;
    }
    const bool started = m_server.start(
        runtime_file_path(name, ".sock"),
        [this](int client, Clock::time_point deadline, int wake) {
            serve(client, deadline, wake);
        },
        {});
    if (!running()) {
        m_window = {};
    }
    return started;
}

void CopyDataServer::stop() {
    // The listener may be waiting for this very thread to handle a request.
    if (running() && window_thread_id(m_window) == current_thread_id()) {
        m_server.stop([this] {
            Message message;
            peek_message(message, m_window, WM_COPYDATA, WM_COPYDATA, false);
        });
    } else {
        m_server.stop();
    }
    m_window = {};
}

void CopyDataServer::serve(int client, Clock::time_point deadline, int wake) {
    uint32_t header[2] = {0, 0};
    Io io = read_exact(client, header, sizeof(header), wake, deadline);
    if (io == Io::stopped) {
        return;
    }
    if (io != Io::done || header[1] > kMaxCopyDataBytes) {
        ++m_dropped;
        return;
    }
    // One spare byte keeps data() valid for an empty request.
    std::vector<char> payload(header[1] + 1, 0);
    io = read_exact(client, payload.data(), header[1], wake, deadline);
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
    write_exact(client, &answer, 1, Clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs));
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
    bool ok = connect_until(fd, addr, deadline);
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

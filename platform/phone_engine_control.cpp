#include "platform/phone_engine_control.h"

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

#include "platform/instance_lock.h"
#include "platform/socket_io.h"
#include "platform/ustring.h"

namespace platform {

namespace {

using namespace socket_io;

// A client gets this long to deliver its request, so one that stalls cannot hold up the next.
constexpr int kRequestTimeoutMs = 2000;

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool valid_utf8_text(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t extra = 0;
        uint32_t code = 0;
        uint32_t least = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1, code = c & 0x1F, least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, code = c & 0x0F, least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, code = c & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= text.size()) {
            return false;
        }
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

}  // namespace

bool parse_phone_request(const char* data, uint32_t bytes, std::vector<std::string>& words) {
    words.clear();
    if (data == nullptr || bytes == 0 || bytes > kMaxPhoneRequestBytes || data[bytes - 1] != '\0') {
        return false;
    }
    std::string_view rest(data, bytes);
    while (!rest.empty()) {
        const size_t end = rest.find('\0');
        const std::string_view word = rest.substr(0, end);
        if (!valid_utf8_text(word) || words.size() >= kMaxPhoneWords) {
            words.clear();
            return false;
        }
        words.emplace_back(word);
        rest.remove_prefix(end + 1);
    }
    return true;
}

PhoneControlServer::~PhoneControlServer() {
    stop();
}

bool PhoneControlServer::start(const std::string& name, PhoneCommandHandler handler) {
    m_error.clear();
    if (running()) {
        m_error = "already listening";
        return false;
    }
    if (!handler) {
        m_error = "no command handler";
        return false;
    }
    m_handled = 0;
    m_dropped = 0;
    const std::string path = runtime_file_path(from_utf8(name), ".sock");
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
        // Another copy of the program may still be listening there; its engine keeps it.
        if (int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0); probe >= 0) {
            const bool alive =
                ::connect(probe, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
            ::close(probe);
            if (alive) {
                m_error = path + ": another program's phone listens there";
                return false;
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
    m_thread = NativeThread::start([this] { listen_loop(); });
    if (!m_thread) {
        m_error = "cannot start the listener thread";
        stop();
        return false;
    }
    return true;
}

void PhoneControlServer::stop() {
    if (m_thread) {
        const char wake = 1;
        [[maybe_unused]] ssize_t ignored = ::write(m_wake_write, &wake, 1);
        m_thread->join();
        m_thread.reset();
    }
    if (!m_path.empty()) {
        // Only the file this server made.
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

void PhoneControlServer::listen_loop() {
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
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            continue;
        }
        serve(client);
        ::close(client);
    }
}

void PhoneControlServer::serve(int client) {
    if (!peer_is_us(client)) {
        ++m_dropped;
        return;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
    uint32_t size = 0;
    Io io = read_exact(client, &size, sizeof(size), m_wake_read, deadline);
    if (io == Io::stopped) {
        return;
    }
    std::string reply;
    char status = 0;
    std::vector<std::string> words;
    if (io != Io::done) {
        ++m_dropped;
        return;
    }
    if (size == 0 || size > kMaxPhoneRequestBytes) {
        // Answered rather than cut off, so the tool can say what went wrong.
        ++m_dropped;
        reply = "request refused: " + std::to_string(size) + " bytes";
    } else {
        std::string body(size, '\0');
        io = read_exact(client, body.data(), size, m_wake_read, deadline);
        if (io == Io::stopped) {
            return;
        }
        if (io != Io::done) {
            ++m_dropped;
            return;
        }
        if (!parse_phone_request(body.data(), size, words)) {
            ++m_dropped;
            reply = "request refused: malformed";
        } else {
            status = m_handler(words, reply) ? 1 : 0;
            ++m_handled;
        }
    }
    if (reply.size() > kMaxPhoneReplyBytes) {
        reply.resize(kMaxPhoneReplyBytes);
    }
    const uint32_t reply_size = static_cast<uint32_t>(reply.size());
    const Clock::time_point reply_deadline =
        Clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
    write_exact(client, &status, 1, reply_deadline) &&
        write_exact(client, &reply_size, sizeof(reply_size), reply_deadline) &&
        write_exact(client, reply.data(), reply.size(), reply_deadline);
}

PhoneSendResult send_phone_command(const std::string& name, const std::vector<std::string>& words,
                                   std::string& reply, uint32_t timeout_ms) {
    reply.clear();
    std::string body;
    for (const std::string& word : words) {
        body += word;
        body.push_back('\0');
    }
    std::vector<std::string> checked;
    if (!parse_phone_request(body.data(), static_cast<uint32_t>(body.size()), checked) ||
        body.size() > kMaxPhoneRequestBytes) {
        reply = "command refused: too long, empty or not plain text";
        return PhoneSendResult::refused;
    }
    sockaddr_un addr;
    if (!socket_address(runtime_file_path(from_utf8(name), ".sock"), addr)) {
        reply = "no phone engine: no runtime folder";
        return PhoneSendResult::no_engine;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        reply = errno_text("socket");
        return PhoneSendResult::no_engine;
    }
    bool connected = false;
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0) {
            connected = true;
            break;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN || ms_left(deadline) == 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!connected || !peer_is_us(fd)) {
        ::close(fd);
        reply = "no phone engine is running";
        return PhoneSendResult::no_engine;
    }
    const uint32_t size = static_cast<uint32_t>(body.size());
    char status = 0;
    uint32_t reply_size = 0;
    bool ok = write_exact(fd, &size, sizeof(size), deadline) &&
              write_exact(fd, body.data(), body.size(), deadline) &&
              read_exact(fd, &status, 1, -1, deadline) == Io::done &&
              read_exact(fd, &reply_size, sizeof(reply_size), -1, deadline) == Io::done &&
              reply_size <= kMaxPhoneReplyBytes;
    if (ok) {
        reply.resize(reply_size);
        ok = read_exact(fd, reply.data(), reply_size, -1, deadline) == Io::done;
    }
    ::close(fd);
    if (!ok) {
        reply = "no answer from the phone engine";
        return PhoneSendResult::no_engine;
    }
    return status == 1 ? PhoneSendResult::done : PhoneSendResult::refused;
}

}  // namespace platform

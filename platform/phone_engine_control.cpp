#include "platform/phone_engine_control.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <mutex>

#include "platform/instance_lock.h"
#include "platform/socket_io.h"
#include "platform/ustring.h"

namespace platform {

namespace {

using namespace socket_io;

// The reply gets its own time: the engine may have taken a while over the command.
constexpr int kReplyTimeoutMs = 2000;

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
    if (!running()) {
        if (!handler) {
            m_error = "no command handler";
            return false;
        }
        m_handled = 0;
        m_dropped = 0;
    }
    LocalSocketServer::Options options;
    // Another copy of the program may still be listening there; its engine keeps it.
    options.refuse_live_socket = "another program's phone listens there";
    return m_server.start(
        runtime_file_path(from_utf8(name), ".sock"),
        [this, handler = std::move(handler)](int client, Clock::time_point deadline, int wake) {
            serve(client, deadline, wake, handler);
        },
        options);
}

void PhoneControlServer::stop() {
    m_server.stop();
}

void PhoneControlServer::serve(int client, Clock::time_point deadline, int wake,
                               const PhoneCommandHandler& handler) {
    uint32_t size = 0;
    Io io = read_exact(client, &size, sizeof(size), wake, deadline);
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
        io = read_exact(client, body.data(), size, wake, deadline);
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
            status = handler(words, reply) ? 1 : 0;
            ++m_handled;
        }
    }
    if (reply.size() > kMaxPhoneReplyBytes) {
        reply.resize(kMaxPhoneReplyBytes);
    }
    const uint32_t reply_size = static_cast<uint32_t>(reply.size());
    const Clock::time_point reply_deadline =
        Clock::now() + std::chrono::milliseconds(kReplyTimeoutMs);
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
    if (!connect_until(fd, addr, deadline) || !peer_is_us(fd)) {
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

namespace {

std::mutex g_control_mutex;
PhoneControlServer g_control;

}  // namespace

bool serve_phone_engine(std::shared_ptr<PhoneEngine> engine, std::string& error) {
    error.clear();
    set_current_phone_engine(std::move(engine));
    std::lock_guard lock(g_control_mutex);
    g_control.stop();
    if (!g_control.start("phone", phone_command)) {
        error = g_control.error();
        return false;
    }
    return true;
}

void stop_phone_engine() {
    {
        std::lock_guard lock(g_control_mutex);
        g_control.stop();
    }
    set_current_phone_engine(nullptr);
}

bool phone_command(const std::vector<std::string>& words, std::string& reply) {
    std::shared_ptr<PhoneEngine> engine = current_phone_engine();
    if (!engine) {
        reply = "no phone engine";
        return false;
    }
    return engine->command(words, reply);
}

}  // namespace platform

#pragma once
// The phone engine's control socket: "<runtime folder>/phone.sock", owner-only, through which
// velvane-phone drives the running program's simulated phone.
//
// A request: byte count (uint32), then the command's words in UTF-8, each ended by a NUL.
// The answer: status byte (1 done, 0 refused), byte count (uint32), the reply text. Numbers
// in this machine's byte order, as both ends run here.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/threads.h"

namespace platform {

inline constexpr uint32_t kMaxPhoneRequestBytes = 4096;
inline constexpr uint32_t kMaxPhoneReplyBytes = 64 * 1024;
inline constexpr uint32_t kMaxPhoneWords = 16;

using PhoneCommandHandler =
    std::function<bool(const std::vector<std::string>& words, std::string& reply)>;

// Splits a request body into its words; false when it is not NUL-ended words of valid UTF-8
// without control characters, or holds too many.
bool parse_phone_request(const char* data, uint32_t bytes, std::vector<std::string>& words);

class PhoneControlServer {
public:
    PhoneControlServer() = default;
    ~PhoneControlServer();
    PhoneControlServer(const PhoneControlServer&) = delete;
    PhoneControlServer& operator=(const PhoneControlServer&) = delete;

    // Listens on "<runtime folder>/<name>.sock" and runs handler on its own thread for each
    // request. A stale socket file is replaced; any other file there makes start fail.
    bool start(const std::string& name, PhoneCommandHandler handler);
    void stop();
    bool running() const { return m_thread != nullptr; }
    const std::string& error() const { return m_error; }
    const std::string& path() const { return m_path; }
    // Requests handled and connections dropped (stranger, malformed, too big, too slow).
    uint32_t handled() const { return m_handled; }
    uint32_t dropped() const { return m_dropped; }

private:
    void listen_loop();
    void serve(int client);

    PhoneCommandHandler m_handler;
    std::string m_path;
    uint64_t m_inode = 0;
    uint64_t m_device = 0;
    int m_listen_fd = -1;
    int m_wake_read = -1;
    int m_wake_write = -1;
    std::shared_ptr<NativeThread> m_thread;
    std::string m_error;
    std::atomic<uint32_t> m_handled{0};
    std::atomic<uint32_t> m_dropped{0};
};

enum class PhoneSendResult { done, refused, no_engine };

// Sends one command to the engine listening under name and gives its reply.
PhoneSendResult send_phone_command(const std::string& name, const std::vector<std::string>& words,
                                   std::string& reply, uint32_t timeout_ms = 5000);

}  // namespace platform

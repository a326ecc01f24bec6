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

#include "platform/phone_engine.h"
#include "platform/socket_server.h"

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
    bool running() const { return m_server.running(); }
    const std::string& error() const { return m_error.empty() ? m_server.error() : m_error; }
    const std::string& path() const { return m_server.path(); }
    // Requests handled and connections dropped (stranger, malformed, too big, too slow).
    uint32_t handled() const { return m_handled; }
    uint32_t dropped() const { return m_dropped + m_server.strangers(); }

private:
    void serve(int client, socket_io::Clock::time_point deadline, int wake,
               const PhoneCommandHandler& handler);

    LocalSocketServer m_server;
    std::string m_error;  // what start found wrong before the server was asked
    std::atomic<uint32_t> m_handled{0};
    std::atomic<uint32_t> m_dropped{0};
};

// Makes engine the current one and serves its commands on the control socket ("phone" in the
// runtime folder); false with the reason in error when the socket cannot be made (the engine
// is current all the same, driven in-process only).
bool serve_phone_engine(std::shared_ptr<PhoneEngine> engine, std::string& error);
// Stops the control socket and drops the current engine.
void stop_phone_engine();

// The control commands for the running program's engine, in-process (headless scripts'
// "phone ..." lines): false with the reason in reply when there is no engine or it refused.
bool phone_command(const std::vector<std::string>& words, std::string& reply);

enum class PhoneSendResult { done, refused, no_engine };

// Sends one command to the engine listening under name and gives its reply.
PhoneSendResult send_phone_command(const std::string& name, const std::vector<std::string>& words,
                                   std::string& reply, uint32_t timeout_ms = 5000);

}  // namespace platform

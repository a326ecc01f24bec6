#pragma once
// Copy data between copies of the program: a second copy hands its request to the running
// one over a Unix domain socket in the per-user runtime folder, and the running one delivers
// it to its main window as WM_COPYDATA on the window's own thread.
//
// A request on the wire: tag (uint32), byte count (uint32), then the bytes; both numbers in
// this machine's byte order, as both ends run here. The answer is one byte: 1 when the window
// handled the request, 0 when the window was gone.

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/socket_server.h"
#include "platform/ustring.h"
#include "platform/window.h"

namespace platform {

// WM_COPYDATA's lparam points at one of these. The data is only valid during the call.
struct CopyData {
    uintptr_t tag = 0;
    uint32_t bytes = 0;
    const void* data = nullptr;
};

// Requests longer than this are refused by both ends.
inline constexpr uint32_t kMaxCopyDataBytes = 64 * 1024;

// The receiving end, bound to the main window.
class CopyDataServer {
public:
    CopyDataServer() = default;
    ~CopyDataServer();
    CopyDataServer(const CopyDataServer&) = delete;
    CopyDataServer& operator=(const CopyDataServer&) = delete;

    // Listens on "<runtime folder>/<name>.sock". A socket file left by a copy that crashed is
    // replaced, so the caller must hold the instance mutex; any other kind of file there is
    // left alone and start fails. False on failure, with the reason in error().
    bool start(WStringView name, WindowHandle window);
    // Ends the listener and removes the socket file. Called on the window's thread, it keeps
    // handling the request under way so that the listener can finish; so it must not be
    // called from inside the window's handling of WM_COPYDATA, which the listener awaits.
    void stop();

    bool running() const { return m_server.running(); }
    const std::string& error() const { return m_server.error(); }
    // Requests handed to the window, and connections dropped (stranger, malformed, too big,
    // too slow), since start.
    uint32_t delivered() const { return m_delivered; }
    uint32_t dropped() const { return m_dropped + m_server.strangers(); }

private:
    void serve(int client, socket_io::Clock::time_point deadline, int wake);

    LocalSocketServer m_server;
    WindowHandle m_window;
    std::atomic<uint32_t> m_delivered{0};
    std::atomic<uint32_t> m_dropped{0};
};

// Hands a request to the running copy listening under name. True only when it answered that
// its window took it; false when nobody listens (no socket, or a stale one), the request is
// too big, or no answer comes within the time-out.
bool send_copy_data(WStringView name, uint32_t tag, const void* data, uint32_t bytes,
                    uint32_t timeout_ms = 5000);

}  // namespace platform

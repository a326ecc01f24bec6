#pragma once
// Message ports: a worker thread hands a call to the thread that owns a port and waits for
// it. The call travels as WM_USER + 7 to the owning thread's scheduler window (or, while it
// has none, to the thread itself), whose window procedure gives it to handle_message first.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "core/thread.h"
#include "platform/window.h"

namespace velvane {

class MessagePort;

// One per thread that owns ports; GameBase makes the UI thread's.
class MessageScheduler {
public:
    static constexpr uint32_t kPortMessage = 0x400 + 7;  // WM_USER + 7

    // Fatal when this thread has one already.
    MessageScheduler();
    // Fatal while ports are still registered.
    ~MessageScheduler();
    MessageScheduler(const MessageScheduler&) = delete;
    MessageScheduler& operator=(const MessageScheduler&) = delete;

    // This thread's scheduler, or null.
    static MessageScheduler* current();

    // Where ports' calls go from now on; null sends them to the scheduler's thread.
    void set_window(platform::WindowHandle window);
    platform::WindowHandle window() const;
    platform::ThreadId thread_id() const { return m_thread_id; }

    // First step of the owning thread's window procedure (and of its loop for thread
    // messages): runs the port's handler for kPortMessage and ignores everything else.
    // True when the message was kPortMessage.
    bool handle_message(uint32_t message, uintptr_t wparam, intptr_t lparam);

private:
    friend class MessagePort;

    int register_port(MessagePort& port);
    void unregister_port(int id);
    // Hands a port's call to the owning thread.
    void post_port(int id) const;

    std::mutex m_mutex;  // guards the map and the id counter
    int m_next_port_id = 0;
    std::map<int, MessagePort*> m_ports;
    const platform::ThreadId m_thread_id;
    std::atomic<uint32_t> m_window{0};
};

// A call target owned by one thread. Build it on the owning thread (it registers with that
// thread's scheduler); any thread may then post it. One call is outstanding at a time.
class MessagePort {
public:
    using Handler = std::function<void(MessagePort&)>;

    // Fatal when the calling thread has no MessageScheduler.
    explicit MessagePort(Handler handler);
    ~MessagePort();
    MessagePort(const MessagePort&) = delete;
    MessagePort& operator=(const MessagePort&) = delete;

    // Waits until the previous call (if any) has been handled, then hands this call over
    // without waiting for it.
    void post();
    // Waits until the last posted call has been handled.
    void wait();
    // post() and wait(): the handler has run on the owning thread when this returns.
    void call();

    int id() const { return m_id; }
    MessageScheduler& scheduler() const { return m_scheduler; }

private:
    friend class MessageScheduler;

    // Auto-reset, created signalled: set means "no call outstanding".
    Event m_event{false, true};
    MessageScheduler& m_scheduler;
    Handler m_handler;
    int m_id;
};

}  // namespace velvane

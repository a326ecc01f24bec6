#pragma once
// Small wrappers over the platform's threads and events, used by start-up and by the
// message ports.

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/threads.h"

namespace velvane {

// A thread running the virtual run(). Destroy it only after run() has returned: the thread
// uses the object until then.
class Thread {
public:
    Thread() = default;
    // Lets a running thread go on without waiting for it.
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // False when already running or when the thread cannot be created. Clears the stop flag.
    bool start();
    // True at once when not running; otherwise waits for the end (at most timeout_ms when
    // given) and answers false on a time-out.
    bool join(std::optional<uint32_t> timeout_ms = std::nullopt);
    // Until run() has returned.
    bool is_running() const;
    // Id of the last started thread; 0 before the first start.
    platform::ThreadId thread_id() const { return m_thread_id.load(); }

    // Asks run() to end; run() looks at stop_requested() when it can.
    void request_stop() { m_stop.store(1); }
    bool stop_requested() const { return m_stop.load() != 0; }

protected:
    virtual void run() = 0;

private:
    void thread_main();

    mutable std::mutex m_mutex;  // guards m_handle against the thread clearing it
    std::shared_ptr<platform::NativeThread> m_handle;
    std::atomic<platform::ThreadId> m_thread_id{0};
    std::atomic<int> m_stop{0};
};

// One platform event.
class Event {
public:
    explicit Event(bool manual_reset = false, bool initially_set = false)
        : m_event(manual_reset, initially_set) {}

    void set() { m_event.set(); }
    void reset() { m_event.reset(); }
    // True when set within the time-out (none = for ever); an auto-reset event clears itself.
    bool wait(std::optional<uint32_t> timeout_ms = std::nullopt) {
        return m_event.wait(timeout_ms);
    }

private:
    platform::Event m_event;
};

}  // namespace velvane

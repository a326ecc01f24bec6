#pragma once
// Threads, events, critical sections and thread-local slots, shaped like the handheld's:
// a thread's id is known as soon as it is started, events are auto- or manual-reset, a
// critical section may be entered again by the thread that holds it.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

// Process-wide thread id; never 0, never reused within a run.
using ThreadId = uint32_t;

ThreadId current_thread_id();

// A started thread. Dropping the last reference to an unfinished thread lets it run on
// detached (the handheld's "close the handle without waiting").
class NativeThread {
public:
    // Starts body on a new thread; null when the thread cannot be created.
    static std::shared_ptr<NativeThread> start(std::function<void()> body);

    ~NativeThread();
    NativeThread(const NativeThread&) = delete;
    NativeThread& operator=(const NativeThread&) = delete;

    ThreadId id() const { return m_id; }
    // True when the thread has finished within the time-out (none = wait for ever). A thread
    // cannot join itself: that answers false at once.
    bool join(std::optional<uint32_t> timeout_ms = std::nullopt);
    bool has_finished() const;

private:
    struct State;
    NativeThread() = default;

    ThreadId m_id = 0;
    std::shared_ptr<State> m_state;
};

// Auto-reset (one waiter passes, the event clears itself) or manual-reset (stays set until
// reset). Waits use real time even under the virtual clock: they stand for other threads'
// work, not for the program's timers.
class Event {
public:
    explicit Event(bool manual_reset = false, bool initially_set = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    // True when the event was set within the time-out (none = wait for ever).
    bool wait(std::optional<uint32_t> timeout_ms = std::nullopt);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    const bool m_manual_reset;
    bool m_set;
};

// A recursive lock; usable with std::lock_guard and std::unique_lock.
class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void lock() { m_mutex.lock(); }
    bool try_lock() { return m_mutex.try_lock(); }
    void unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

// One pointer-sized value per thread, null in every thread until set there. Unlike a
// thread_local variable, each slot object is its own storage, so two slots never share.
class ThreadLocalSlot {
public:
    ThreadLocalSlot();
    ~ThreadLocalSlot();
    ThreadLocalSlot(const ThreadLocalSlot&) = delete;
    ThreadLocalSlot& operator=(const ThreadLocalSlot&) = delete;

    void* get() const;
    void set(void* value);

private:
    unsigned int m_key;
};

}  // namespace platform

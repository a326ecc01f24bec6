#pragma once
// One-shot timers on the active-object scheduler. One platform timer of the scheduler's
// hidden window serves them all; it is always set to the nearest due time.

#include <cstdint>
#include <memory>

#include "core/active.h"

namespace velvane {

class Timer;

class TimerListener {
public:
    virtual ~TimerListener() = default;
    virtual void on_timer(Timer& timer) = 0;
};

// The active object inside a Timer: waits in the scheduler's timer list until its due time.
class TimerObject : public CActive {
public:
    explicit TimerObject(Timer& timer) : m_timer(timer) {}

    void run() override;
    // Makes the timer due now and runs the timer pass, which puts it in the ready list.
    void do_cancel() override;

    // Tick count in milliseconds.
    uint32_t due() const { return m_due; }

private:
    friend class Timer;

    Timer& m_timer;
    uint32_t m_due = 0;
};

// Calls its listener's on_timer once, on the UI thread, when the time given to start has
// passed. Needs the CActiveScheduler to exist while it runs.
class Timer {
public:
    explicit Timer(TimerListener* listener);
    // Cancels a running timer.
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Starts the timer again from now: a running one is cancelled first, so on_timer comes
    // once, at the new time. Even 0 seconds runs on a later turn of the message loop, never
    // inside start.
    void start(double seconds);
    void cancel();
    // Waiting or ready, not yet run.
    bool is_running() const { return m_active->is_active(); }

private:
    friend class TimerObject;

    std::unique_ptr<TimerObject> m_active;
    TimerListener* m_listener;
};

}  // namespace velvane

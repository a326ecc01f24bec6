#pragma once
// Active objects: an object is marked active when it starts waiting for something, and runs
// on the UI thread once anything, on any thread, notifies its completion. The scheduler rides
// on the UI thread's window messages through a hidden window, so it needs no loop of its own.

#include <atomic>
#include <memory>

#include "core/singleton.h"
#include "platform/ustring.h"
#include "platform/window.h"

namespace velvane {

class TimerObject;

// Base of everything the scheduler runs. Idle -> active (set_active) -> ready (notify) ->
// idle (run or cancelled).
class CActive {
public:
    CActive();
    // Destroying an object that is still active is a fatal error.
    virtual ~CActive();
    CActive(const CActive&) = delete;
    CActive& operator=(const CActive&) = delete;

    // Called on the UI thread when the completion is processed.
    virtual void run() = 0;
    // Must make the outstanding request complete at once (that is, get it notified).
    virtual void do_cancel() = 0;

    // Withdraws an outstanding request without running the object; does nothing unless the
    // object is active. Blocks the UI thread until do_cancel's completion arrives.
    void cancel();

    bool is_active() const { return m_active.load(std::memory_order_acquire); }
    // Unique within the run; used only in messages.
    int id() const { return m_id; }

private:
    friend class CActiveScheduler;

    std::atomic<bool> m_active{false};
    const int m_id;
};

// The process's one active-object scheduler, owned by GameBase. Must be built on the UI
// thread: its hidden window belongs to the thread that builds it.
class CActiveScheduler : public Singleton<CActiveScheduler> {
public:
    // The private message that makes the UI thread run the ready objects.
    static constexpr uint32_t kProcessMessage = 0x400 + 5;  // WM_USER + 5
    // The hidden window's platform timer that serves every Timer.
    static constexpr uintptr_t kTimerId = 1;

    // Registers the hidden window's class "CActive" + main_class_name and creates the window.
    explicit CActiveScheduler(platform::WStringView main_class_name);
    // Fatal while any object is still active.
    ~CActiveScheduler();

    // The scheduler; its absence is a fatal error that names place.
    static CActiveScheduler& required(platform::WStringView place);

    void set_active(CActive& active);
    // The one operation callable from any thread.
    void notify(CActive& active);
    // Runs every ready object, in notification order.
    void process_actives();
    void cancel(CActive& active);

    // Timers (timer.h) enter and leave the timer list through these.
    void add_timer(TimerObject& timer);
    // Notifies every due timer and sets the platform timer to the nearest remaining one.
    void timer_pass();

    platform::WindowHandle window() const;
    int active_count() const;

private:
    struct Impl;

    intptr_t window_proc(platform::WindowHandle window, uint32_t message, uintptr_t wparam,
                         intptr_t lparam);

    std::unique_ptr<Impl> m_impl;
};

}  // namespace velvane

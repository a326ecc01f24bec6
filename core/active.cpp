#include "core/active.h"

#include <algorithm>
#include <list>

#include "core/timer.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/threads.h"

namespace velvane {

using platform::to_wstring;
using platform::WString;

namespace {

std::atomic<int> g_next_active_id{0};

// No timer is that far away: the marker for "set no platform timer".
constexpr int32_t kNoTimer = 10000000;

}  // namespace

struct CActiveScheduler::Impl {
    // Guards both lists; recursive because the timer pass notifies under it.
    platform::CriticalSection lock;
    std::atomic<int> active_counter{0};
    std::list<CActive*> ready;
    std::list<TimerObject*> timers;
    WString class_name;
    platform::WindowHandle window;
};

CActive::CActive() : m_id(g_next_active_id.fetch_add(1, std::memory_order_relaxed)) {}

CActive::~CActive() {
    if (is_active()) {
        fatal(u"CActive::~CActive()", u"Active object " + to_wstring(m_id) + u" is already active");
    }
}

void CActive::cancel() {
    if (!is_active()) {
        return;
    }
    // Only set_active marks an object, and that needs a scheduler; it can only have gone since.
    CActiveScheduler::required(u"CActive::cancel()").cancel(*this);
}

CActiveScheduler& CActiveScheduler::required(platform::WStringView place) {
    CActiveScheduler* scheduler = get_instance();
    if (scheduler == nullptr) {
        fatal(place, u"No active scheduler");
    }
    return *scheduler;
}

CActiveScheduler::CActiveScheduler(platform::WStringView main_class_name)
    : m_impl(std::make_unique<Impl>()) {
    m_impl->class_name = u"CActive" + WString(main_class_name);
    platform::register_window_class(
        m_impl->class_name,
        [this](platform::WindowHandle window, uint32_t message, uintptr_t wparam,
               intptr_t lparam) { return window_proc(window, message, wparam, lparam); });
    // The hidden window is never shown: it only carries the scheduler's messages and timer.
    m_impl->window = platform::create_window(m_impl->class_name, u"");
    if (!m_impl->window) {
        log() << u"CActiveScheduler::CActiveScheduler no hidden window of class "
              << m_impl->class_name << u"\n";
    }
}

CActiveScheduler::~CActiveScheduler() {
    const int counter = m_impl->active_counter.load();
    if (counter != 0) {
        fatal(u"", u"Some active objects still live while scheduler is terminating "
                   u"active_counter=" + to_wstring(counter));
    }
    platform::destroy_window(m_impl->window);
    platform::unregister_window_class(m_impl->class_name);
}

void CActiveScheduler::set_active(CActive& active) {
    if (active.is_active()) {
        fatal(u"CActiveScheduler::set_active()",
              u"Object " + to_wstring(active.id()) + u" is already active");
    }
    active.m_active.store(true, std::memory_order_release);
    m_impl->active_counter.fetch_add(1);
}

void CActiveScheduler::notify(CActive& active) {
    if (!active.is_active()) {
        fatal(u"CActiveScheduler::notify()",
              u"Active object " + to_wstring(active.id()) + u" is not active");
    }
    std::lock_guard guard(m_impl->lock);
    m_impl->ready.push_back(&active);
    platform::post_message(m_impl->window, kProcessMessage);
}

void CActiveScheduler::process_actives() {
    for (;;) {
        CActive* active = nullptr;
        {
            std::lock_guard guard(m_impl->lock);
            if (m_impl->ready.empty()) {
                return;
            }
            active = m_impl->ready.front();
            m_impl->ready.pop_front();
        }
        if (!active->is_active()) {
            fatal(u"CActiveScheduler::process_actives()",
                  u"Active object " + to_wstring(active->id()) + u" is not marked active");
        }
        active->m_active.store(false, std::memory_order_release);
        m_impl->active_counter.fetch_sub(1);
        active->run();
    }
}

void CActiveScheduler::cancel(CActive& active) {
    active.do_cancel();
    bool taken = false;
    for (;;) {
        {
            std::lock_guard guard(m_impl->lock);
            auto found = std::find(m_impl->ready.begin(), m_impl->ready.end(), &active);
            if (found != m_impl->ready.end()) {
                m_impl->ready.erase(found);
                active.m_active.store(false, std::memory_order_release);
                m_impl->active_counter.fetch_sub(1);
                break;
            }
        }
        // Only the hidden window's process message may wake us: dispatching anything else
        // here would run arbitrary code in the middle of the caller's cancel.
        platform::Message message;
        platform::get_message(message, m_impl->window, kProcessMessage, kProcessMessage);
        taken = true;
    }
    if (taken) {
        // What was taken was meant for the other ready objects too.
        platform::post_message(m_impl->window, kProcessMessage);
    }
}

void CActiveScheduler::add_timer(TimerObject& timer) {
    std::lock_guard guard(m_impl->lock);
    m_impl->timers.push_back(&timer);
}

void CActiveScheduler::timer_pass() {
    platform::kill_timer(m_impl->window, kTimerId);
    const uint32_t now = platform::tick_count();
    int32_t nearest = kNoTimer;
    {
        std::lock_guard guard(m_impl->lock);
        for (auto it = m_impl->timers.begin(); it != m_impl->timers.end();) {
            const int32_t left = platform::ticks_until((*it)->due(), now);
            if (left < 1) {
                notify(**it);
                it = m_impl->timers.erase(it);
            } else {
                nearest = std::min(nearest, left);
                ++it;
            }
        }
    }
    if (nearest != kNoTimer) {
        platform::set_timer(m_impl->window, kTimerId, static_cast<uint32_t>(nearest));
    }
}

platform::WindowHandle CActiveScheduler::window() const {
    return m_impl->window;
}

int CActiveScheduler::active_count() const {
    return m_impl->active_counter.load();
}

intptr_t CActiveScheduler::window_proc(platform::WindowHandle window, uint32_t message,
                                       uintptr_t wparam, intptr_t lparam) {
    if (message == kProcessMessage) {
        process_actives();
    } else if (message == platform::WM_TIMER && wparam == kTimerId) {
        timer_pass();
    }
    return platform::def_window_proc(window, message, wparam, lparam);
}

}  // namespace velvane

#include "core/timer.h"

#include "platform/clock.h"

namespace velvane {

void TimerObject::run() {
    m_timer.m_listener->on_timer(m_timer);
}

void TimerObject::do_cancel() {
    m_due = platform::tick_count();
    CActiveScheduler::required(u"TimerObject::do_cancel()").timer_pass();
}

Timer::Timer(TimerListener* listener)
    : m_active(std::make_unique<TimerObject>(*this)), m_listener(listener) {}

Timer::~Timer() {
    cancel();
}

void Timer::start(double seconds) {
    CActiveScheduler& active_scheduler = CActiveScheduler::required(u"Timer::start()");
    m_active->cancel();
    const auto delay = static_cast<int64_t>(seconds * 1000 + 0.5);
    m_active->m_due = platform::tick_count() + static_cast<uint32_t>(delay);
    active_scheduler.set_active(*m_active);
    active_scheduler.add_timer(*m_active);
    active_scheduler.timer_pass();
}

void Timer::cancel() {
    m_active->cancel();
}

}  // namespace velvane

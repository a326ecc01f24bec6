#include "core/active_signal.h"

namespace velvane {

ActiveSignal::ActiveSignal(std::function<void()> handler)
    : m_scheduler(CActiveScheduler::required(u"ActiveSignal::ActiveSignal()")),
      m_handler(std::move(handler)) {
    m_scheduler.set_active(*this);
}

ActiveSignal::~ActiveSignal() {
    cancel();
}

void ActiveSignal::raise() {
    if (!m_raised.exchange(true, std::memory_order_acq_rel)) {
        m_scheduler.notify(*this);
    }
}

void ActiveSignal::run() {
    // Waiting again before the flag drops: a raise that finds it down finds the object active.
    m_scheduler.set_active(*this);
    m_raised.store(false, std::memory_order_release);
    m_handler();
}

}  // namespace velvane

#include "skin/vlist_velocity.h"

#include <cstdlib>

namespace zentra {

void VelocityTracker::press(Point point) {
    m_samples.clear();
    m_press = point;
    m_before_last = point;
    m_outside_slop = false;
}

bool VelocityTracker::move(Point point, uint32_t time) {
    if (!m_outside_slop) {
        const int slop = kSlop << m_shift;
        if (std::abs(point.x - m_press.x) < slop && std::abs(point.y - m_press.y) < slop) {
            return false;
        }
        m_outside_slop = true;
    }
    m_before_last = m_samples.empty() ? m_press : m_samples.back().point;
    m_samples.push_back({point, time});
    if (static_cast<int>(m_samples.size()) > kMaxSamples) {
        m_samples.pop_front();
    }
    // Unsigned difference: a clock that wrapped between samples still gives the true age.
    while (m_samples.size() > 1 && time - m_samples.front().time > kWindowMs) {
        m_samples.pop_front();
    }
    return true;
}

void VelocityTracker::release(uint32_t time) {
    while (!m_samples.empty() && time - m_samples.front().time > kWindowMs) {
        m_samples.pop_front();
    }
}

int VelocityTracker::last_dy() const {
    if (m_samples.empty()) {
        return 0;
    }
    return m_samples.back().point.y - m_before_last.y;
}

double VelocityTracker::velocity(int Point::*axis) const {
    if (m_samples.size() < 2) {
        return 0;
    }
    const Sample& oldest = m_samples.front();
    const Sample& newest = m_samples.back();
    const uint32_t span = newest.time - oldest.time;
    if (span < kMinSpanMs) {
        return 0;
    }
    return static_cast<double>(oldest.point.*axis - newest.point.*axis) * 1000.0 / span;
}

}  // namespace zentra

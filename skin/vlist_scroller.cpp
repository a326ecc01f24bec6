#include "skin/vlist_scroller.h"

#include <algorithm>
#include <cmath>

namespace zentra::scroller {

double rubber_band(double dy, const Overshoot& over, int height) {
    if (height <= 0) {
        return dy;
    }
    if (dy > 0 && over.first_bound && over.top > 0) {
        return dy * std::max(0.0, 1 - 2 * over.top / height);
    }
    if (dy < 0 && over.last_bound && over.bottom > 0) {
        return dy * std::max(0.0, 1 - 2 * over.bottom / height);
    }
    return dy;
}

double fling_step(double v, double dt, const Overshoot& over, bool finger_braking) {
    double friction = 2 * std::abs(v) + 9;
    if (finger_braking) {
        friction *= 5;
    }
    if (v < 0) {
        v = std::min(v + friction * dt, 0.0);
        if (v < 0 && over.last_bound && over.bottom > 0) {
            v = std::min(v + (over.bottom + 1) * 50 * dt, 0.0);
        }
    } else if (v > 0) {
        v = std::max(v - friction * dt, 0.0);
        if (v > 0 && over.first_bound && over.top > 0) {
            v = std::max(v - (over.top + 1) * 50 * dt, 0.0);
        }
    }
    return v;
}

double move_toward(double from, double to, double step) {
    if (from < to) {
        return std::min(from + step, to);
    }
    return std::max(from - step, to);
}

Cursor cursor_step(Cursor c, double dt, int count, const std::function<double(int)>& row_height) {
    if (c.position < 0 || c.speed == 0 || count <= 0) {
        return c;
    }
    const double last = count - 1;
    if (std::abs(c.speed) == kCursorFloor && c.position == std::floor(c.position)) {
        c.speed = 0;
        return c;
    }
    const double sign = c.speed > 0 ? 1 : -1;
    const double row = std::max(row_height(static_cast<int>(std::floor(c.position))), 1.0);
    if (std::abs(c.speed) > kCursorStep) {
        // A held key: run freely, stopping at the ends.
        c.position = std::clamp(c.position + c.speed * dt / row, 0.0, last);
        if (c.position == 0 || c.position == last) {
            c.speed = 0;
        }
        return c;
    }
    const double boundary = std::clamp(
        sign > 0 ? std::floor(c.position) + 1 : std::ceil(c.position) - 1, 0.0, last);
    const double distance = std::abs(boundary - c.position) * row;
    if (distance <= 1) {
        c.position = boundary;
        c.speed = 0;
        return c;
    }
    // Constant deceleration that would just come to rest on the boundary.
    c.speed -= sign * c.speed * c.speed / (2 * distance) * dt;
    if (std::abs(c.speed) < kCursorFloor || c.speed * sign < 0) {
        c.speed = sign * kCursorFloor;
    }
    const double moved = c.position + c.speed * dt / row;
    c.position = sign > 0 ? std::min(moved, boundary) : std::max(moved, boundary);
    return c;
}

}  // namespace zentra::scroller

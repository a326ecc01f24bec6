#pragma once
// VelocityTracker: the recent finger samples of one gesture on a scrolling list, with the tap
// slop that keeps a slightly shaky tap from turning into a drag.

#include <cstdint>
#include <deque>

#include "skin/geometry.h"

namespace zentra {

class VelocityTracker {
public:
    static constexpr int kMaxSamples = 26;
    static constexpr uint32_t kWindowMs = 250;
    static constexpr uint32_t kMinSpanMs = 50;
    static constexpr int kSlop = 10;  // pixels at scale shift 0

    // The slop grows with the screen's scale shift, like the rest of the skin geometry.
    void set_scale_shift(int shift) { m_shift = shift; }

    // A new gesture: forgets the samples and starts inside the slop again.
    void press(Point point);
    // Returns true when the movement counts (the finger has left the slop) and was sampled.
    bool move(Point point, uint32_t time);

    // The finger lets go at time: one that rested longer than the window throws nothing, and
    // only the movement within the window before the release counts.
    void release(uint32_t time);

    bool outside_slop() const { return m_outside_slop; }
    int sample_count() const { return static_cast<int>(m_samples.size()); }
    // The y movement between the last two points taken; the press point stands before the
    // first sample, so the move that leaves the slop moves the content too.
    int last_dy() const;
    // Pixels per second per axis, (oldest - newest) * 1000 / span; zero for a span too short
    // to judge.
    double velocity_x() const { return velocity(&Point::x); }
    double velocity_y() const { return velocity(&Point::y); }

private:
    struct Sample {
        Point point;
        uint32_t time = 0;
    };
    double velocity(int Point::*axis) const;

    std::deque<Sample> m_samples;
    Point m_press;
    Point m_before_last;
    int m_shift = 0;
    bool m_outside_slop = false;
};

}  // namespace zentra

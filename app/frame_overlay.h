#pragma once
// The frame-time overlay: while the log is on, the top-left corner shows the average time
// between the last frames and how many pixels the render surfaces hold, so a slow screen or
// a leaking cache is seen on the device itself.

#include <cstdint>
#include <deque>

#include "platform/ustring.h"
#include "skin/color.h"

namespace zentra {
class RenderSurface;
}

namespace velvane {

class FrameOverlay {
public:
    static constexpr size_t kFrames = 20;

    // One paint: records now, darkens the corner box and writes the line over it. own_redraw
    // tells whether the application itself had asked for this frame; when it had not, the
    // ring starts again afterwards so idle time does not count.
    void paint(zentra::RenderSurface& target, uint32_t now, bool own_redraw);

    void record(uint32_t now);
    const std::deque<uint32_t>& ticks() const { return m_ticks; }
    void clear() { m_ticks.clear(); }

    // "12.5 ms 307 Kp", in brackets "[12.5 ms]" when the frame was not the application's
    // own. Needs at least two ticks.
    platform::WString text(bool own_redraw, long long pixels) const;
    // Tenths of a millisecond between frames on average.
    long long average_tenths() const;
    // Green below 20 ms, through yellow, to red from 60 ms.
    static zentra::Color color_for(double milliseconds);

private:
    std::deque<uint32_t> m_ticks;
};

// The process's overlay, drawn by the application paint while the log is on.
void paint_frame_overlay(zentra::RenderSurface& target, bool own_redraw);

}  // namespace velvane

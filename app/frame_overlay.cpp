#include "app/frame_overlay.h"

#include "core/log.h"
#include "platform/clock.h"
#include "skin/blender.h"
#include "skin/draw.h"
#include "skin/font.h"
#include "skin/render_surface.h"

namespace velvane {

void FrameOverlay::record(uint32_t now) {
    m_ticks.push_back(now);
    while (m_ticks.size() > kFrames) {
        m_ticks.pop_front();
    }
}

long long FrameOverlay::average_tenths() const {
    if (m_ticks.size() < 2) {
        return 0;
    }
    // Ticks wrap; their difference does not.
    const uint32_t span = m_ticks.back() - m_ticks.front();
    return static_cast<long long>(span) * 10 / static_cast<long long>(m_ticks.size() - 1);
}

platform::WString FrameOverlay::text(bool own_redraw, long long pixels) const {
    const long long tenths = average_tenths();
    platform::WString time =
        platform::to_wstring(tenths / 10) + u"." + platform::to_wstring(tenths % 10) + u" ms";
    if (!own_redraw) {
        time = u"[" + time + u"]";
    }
    return time + u" " + platform::to_wstring(pixels / 1000) + u" Kp";
}

zentra::Color FrameOverlay::color_for(double t) {
    if (t >= 60) {
        return {255, 64, 64, 255};
    }
    if (t >= 40) {
        return {255, static_cast<uint8_t>(64 + static_cast<int>(191 * (1 - (t - 40) / 20))), 64,
                255};
    }
    if (t >= 20) {
        return {static_cast<uint8_t>(64 + static_cast<int>(191 * (t - 20) / 20)), 255, 64, 255};
    }
    return {64, 255, 64, 255};
}

void FrameOverlay::paint(zentra::RenderSurface& target, uint32_t now, bool own_redraw) {
    record(now);
    // Half opacity over whatever the corner shows.
    const auto dim = zentra::make_darken_blender(zentra::darken_level_for_alpha(128));
    zentra::fill_rect(target, {0, 0, 150, 20}, 0, *dim);
    if (m_ticks.size() >= 2) {
        zentra::FontDesc description;  // the default font
        const auto font = zentra::get_font(description);
        const long long tenths = average_tenths();
        zentra::draw_text(font.get(), target, color_for(static_cast<double>(tenths) / 10),
                          text(own_redraw, zentra::RenderSurface::owned_pixel_count()), {0, 0},
                          {160, 20}, zentra::kAlignLeft, zentra::kAlignVCenter, false);
    }
    if (!own_redraw) {
        clear();
    }
}

void paint_frame_overlay(zentra::RenderSurface& target, bool own_redraw) {
    if (!log().enabled()) {
        return;
    }
    static FrameOverlay overlay;
    overlay.paint(target, platform::tick_count(), own_redraw);
}

}  // namespace velvane

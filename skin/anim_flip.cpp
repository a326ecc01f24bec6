#include "skin/anim_flip.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "skin/blender.h"
#include "skin/draw.h"

namespace zentra {

namespace {

// How far the viewer stands from the centre line, in half widths. Nearer gives a stronger
// perspective; three keeps the far edge at about two thirds of the height at 60 degrees.
constexpr double kViewerDistance = 3.0;
// Below this the image is seen edge-on and covers no column.
constexpr double kEdgeOn = 1e-6;

// Draws source turned by angle with its top-left (unturned) at origin; covered pixels of
// each row go to the blender as runs.
void draw_turned(const RenderSurface& source, RenderSurface& target, Point origin, double angle,
                 const Blender& blender) {
    const Size size = source.size();
    if (size.w <= 0 || size.h <= 0 || target.empty()) {
        return;
    }
    const FlipAnimation::Projection projection = FlipAnimation::project(size, angle);
    const Rect clip = target.clip();
    const int x_first = std::max(origin.x, clip.x);
    const int x_last = std::min(origin.x + size.w, clip.x + clip.w);
    const int y_first = std::max(origin.y, clip.y);
    const int y_last = std::min(origin.y + size.h, clip.y + clip.h);
    if (x_first >= x_last || y_first >= y_last) {
        return;
    }
    const double half_h = size.h / 2.0;
    std::vector<uint16_t> run(static_cast<size_t>(x_last - x_first));
    const Bitmap& pixels = *source.bitmap();
    for (int y = y_first; y < y_last; ++y) {
        const double from_centre = (y - origin.y) + 0.5 - half_h;
        uint16_t* row = target.bitmap()->row(y);
        int run_start = -1;
        int run_length = 0;
        auto flush = [&] {
            if (run_length > 0) {
                blender.copy_row(row + run_start, row + run_start + run_length, run.data());
            }
            run_start = -1;
            run_length = 0;
        };
        for (int x = x_first; x < x_last; ++x) {
            const int column = x - origin.x;
            const int u = projection.source_x[static_cast<size_t>(column)];
            int v = -1;
            if (u >= 0) {
                v = static_cast<int>(std::floor(
                    from_centre / projection.scale[static_cast<size_t>(column)] + half_h));
            }
            if (v < 0 || v >= size.h) {
                flush();
                continue;
            }
            if (run_start < 0) {
                run_start = x;
            }
            run[static_cast<size_t>(run_length++)] = pixels.row(v)[u];
        }
        flush();
    }
}

}  // namespace

std::unique_ptr<VisibilityAnimation> FlipAnimation::clone() const {
    return std::make_unique<FlipAnimation>();
}

void FlipAnimation::start(RenderSurface* from, int direction, RenderSurface* to) {
    m_hiding = direction < 0;
    m_half_from = from != nullptr ? Size{from->width() / 2, from->height() / 2} : Size{};
    m_half_to = to != nullptr ? Size{to->width() / 2, to->height() / 2} : Size{};
    VisibilityAnimation::start(from, direction, to);
}

double FlipAnimation::from_angle(double p) const {
    const double angle = std::clamp(p, 0.0, 0.5) * std::numbers::pi;
    return m_hiding ? -angle : angle;
}

double FlipAnimation::to_angle(double p) const {
    const double angle = -(1.0 - std::clamp(p, 0.5, 1.0)) * std::numbers::pi;
    return m_hiding ? -angle : angle;
}

FlipAnimation::Projection FlipAnimation::project(Size size, double angle) {
    Projection projection;
    projection.source_x.assign(static_cast<size_t>(std::max(size.w, 0)), -1);
    projection.scale.assign(projection.source_x.size(), 0.0);
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    if (size.w <= 0 || c < kEdgeOn) {
        return projection;
    }
    const double half_w = size.w / 2.0;
    const double distance = kViewerDistance * half_w;
    // The near edge stays in the picture plane and everything else moves back, so the turned
    // image never leaves its own rectangle. A point X from the centre line lands at
    // X c d / (d + z) on screen, z = X s + half_w |s| being its depth; solved for X.
    const double near = half_w * std::abs(s);
    for (int column = 0; column < size.w; ++column) {
        const double screen_x = column + 0.5 - half_w;
        const double denominator = c * distance - screen_x * s;
        if (denominator <= 0.0) {
            continue;
        }
        const double x = screen_x * (distance + near) / denominator;
        if (x < -half_w || x >= half_w) {
            continue;
        }
        const double depth = x * s + near;
        projection.source_x[static_cast<size_t>(column)] =
            std::clamp(static_cast<int>(std::floor(x + half_w)), 0, size.w - 1);
        projection.scale[static_cast<size_t>(column)] = distance / (distance + depth);
    }
    return projection;
}

void FlipAnimation::draw(RenderSurface& target, Point origin) {
    const double p = progress();
    if (p < 0.5) {
        const Point at{origin.x + m_half_to.w - m_half_from.w,
                       origin.y + m_half_to.h - m_half_from.h};
        draw_turned(from(), target, at, from_angle(p), plain_blender());
    } else {
        draw_turned(to(), target, origin, to_angle(p), blender());
    }
}

}  // namespace zentra

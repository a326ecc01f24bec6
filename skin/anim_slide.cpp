#include "skin/anim_slide.h"

#include "skin/blender.h"
#include "skin/draw.h"

namespace zentra {

std::unique_ptr<VisibilityAnimation> SlideAnimation::clone() const {
    return std::make_unique<SlideAnimation>(m_side);
}

Point SlideAnimation::to_offset(Size size) const {
    const double rest = 1.0 - progress();
    // Truncated toward zero, as the casts do.
    switch (m_side) {
        case Right:
            return {static_cast<int>(rest * size.w), 0};
        case Bottom:
            return {0, static_cast<int>(rest * size.h)};
        case Left:
            return {static_cast<int>(-rest * size.w), 0};
        case Top:
            return {0, static_cast<int>(-rest * size.h)};
    }
    return {};
}

void SlideAnimation::draw(RenderSurface& target, Point origin) {
    const Size size = to().size();
    const Point offset = to_offset(size);
    Point from_offset = offset;
    switch (m_side) {
        case Right:
            from_offset.x -= size.w;
            break;
        case Bottom:
            from_offset.y -= size.h;
            break;
        case Left:
            from_offset.x += size.w;
            break;
        case Top:
            from_offset.y += size.h;
            break;
    }
    // Both images stay inside the animated rectangle; a view keeps the target's coordinates.
    RenderSurface view = target.clipped({origin.x, origin.y, size.w, size.h});
    if (!from().empty()) {
        copy(from(), view, {origin.x + from_offset.x, origin.y + from_offset.y}, plain_blender());
    }
    copy(to(), view, {origin.x + offset.x, origin.y + offset.y}, blender());
}

}  // namespace zentra

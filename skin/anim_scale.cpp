#include "skin/anim_scale.h"

#include <cmath>
#include <numbers>

#include "skin/blender.h"
#include "skin/draw.h"

namespace zentra {

std::unique_ptr<VisibilityAnimation> ScaleAnimation::clone() const {
    return std::make_unique<ScaleAnimation>();
}

void ScaleAnimation::draw(RenderSurface& target, Point origin) {
    if (!from().empty()) {
        copy(from(), target, origin, plain_blender());
    }
    const Size size = to().size();
    const double f = factor(progress());
    const Size scaled{static_cast<int>(size.w * f), static_cast<int>(size.h * f)};
    if (scaled.w <= 0 || scaled.h <= 0) {
        return;
    }
    const Point at{origin.x + (size.w - scaled.w) / 2, origin.y + (size.h - scaled.h) / 2};
    scaled_copy(to(), target, at, scaled, blender());
}

std::unique_ptr<VisibilityAnimation> PopAnimation::clone() const {
    return std::make_unique<PopAnimation>();
}

double PopAnimation::factor(double p) const {
    const double turn = 1.5 * std::numbers::pi * p;
    return 1.0 - std::cos(turn) / (turn + 1.0);
}

}  // namespace zentra

#include "skin/visibility_animation.h"

#include <algorithm>
#include <cassert>

#include "core/log.h"
#include "skin/anim_flip.h"
#include "skin/anim_scale.h"
#include "skin/anim_slide.h"
#include "skin/blender.h"

namespace zentra {

VisibilityAnimation::VisibilityAnimation(double speed)
    : m_speed(speed), m_blender(make_keyed_blender(0)) {}

VisibilityAnimation::~VisibilityAnimation() = default;

void VisibilityAnimation::start(RenderSurface* from, int direction, RenderSurface* to) {
    assert(direction == 1 || direction == -1);
    m_from.release();
    m_to.release();
    if (from != nullptr) {
        m_from.take_over(*from);
    }
    if (to != nullptr) {
        m_to.take_over(*to);
    }
    m_direction = direction;
    m_progress = direction > 0 ? 0.0 : 1.0;
}

void VisibilityAnimation::advance(double seconds) {
    if (m_direction == 0) {
        return;
    }
    m_progress += m_direction * m_speed * kRate * seconds;
    // Frame times add up in binary fractions: five steps of 0.2 down from 1.0 leave a few
    // ulps, and the run must still end on the fifth frame.
    constexpr double kSlack = 1e-9;
    const bool ended = m_direction > 0 ? m_progress >= 1.0 - kSlack : m_progress <= kSlack;
    if (ended) {
        m_progress = m_direction > 0 ? 1.0 : 0.0;
        stop();
    }
}

void VisibilityAnimation::reverse() {
    m_direction = -m_direction;
}

void VisibilityAnimation::stop() {
    m_direction = 0;
    m_from.release();
    m_to.release();
}

void VisibilityAnimation::set_blender(std::unique_ptr<Blender> blender) {
    if (blender != nullptr) {
        m_blender = std::move(blender);
    }
}

std::unique_ptr<VisibilityAnimation> create_visibility_animation(platform::WStringView name) {
    if (name == u"scale") {
        return std::make_unique<ScaleAnimation>();
    }
    if (name == u"pop") {
        return std::make_unique<PopAnimation>();
    }
    if (name == u"right") {
        return std::make_unique<SlideAnimation>(SlideAnimation::Right);
    }
    if (name == u"bottom") {
        return std::make_unique<SlideAnimation>(SlideAnimation::Bottom);
    }
    if (name == u"left") {
        return std::make_unique<SlideAnimation>(SlideAnimation::Left);
    }
    if (name == u"top") {
        return std::make_unique<SlideAnimation>(SlideAnimation::Top);
    }
    if (name == u"flip") {
        return std::make_unique<FlipAnimation>();
    }
    velvane::log() << "create_visibility_animation unknown animation {" << name << "}\n";
    return nullptr;
}

}  // namespace zentra

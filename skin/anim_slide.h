#pragma once
// "right", "bottom", "left", "top": the new image slides in over its rectangle from that
// side and pushes the old one out before it.

#include "skin/visibility_animation.h"

namespace zentra {

class SlideAnimation : public VisibilityAnimation {
public:
    // The side the new image comes in from.
    enum Side { Right = 0, Bottom = 1, Left = 2, Top = 3 };

    explicit SlideAnimation(Side side) : VisibilityAnimation(1.0), m_side(side) {}
    std::unique_ptr<VisibilityAnimation> clone() const override;
    void draw(RenderSurface& target, Point origin) override;

    Side side() const { return m_side; }
    // Where the "to" image's top-left lies relative to origin at the current progress for
    // an image of size; "from" lies one image length further on the far side.
    Point to_offset(Size size) const;

private:
    Side m_side;
};

}  // namespace zentra

#pragma once
// "scale" and "pop": the new image grows out of its centre over the old one.

#include "skin/visibility_animation.h"

namespace zentra {

// The image drawn at progress² of its size, centred.
class ScaleAnimation : public VisibilityAnimation {
public:
    ScaleAnimation() : VisibilityAnimation(1.0) {}
    std::unique_ptr<VisibilityAnimation> clone() const override;
    void draw(RenderSurface& target, Point origin) override;

    // The size factor at progress p.
    virtual double factor(double p) const { return p * p; }

protected:
    explicit ScaleAnimation(double speed) : VisibilityAnimation(speed) {}
};

// Grows past its natural size and settles back: 1 - cos(1.5 pi p) / (1.5 pi p + 1). Half
// speed, so the overshoot can be seen.
class PopAnimation : public ScaleAnimation {
public:
    PopAnimation() : ScaleAnimation(0.5) {}
    std::unique_ptr<VisibilityAnimation> clone() const override;
    double factor(double p) const override;
};

}  // namespace zentra

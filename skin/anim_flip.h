#pragma once
// "flip": the picture turns round its vertical centre line like a card. In the first half
// the old image turns away, edge-on at the middle of the run, and in the second half the new
// one turns in from the other side. The turning image is seen in perspective: the edge that
// goes back shrinks toward the centre line, so each column is drawn at the height its depth
// gives it.

#include <vector>

#include "skin/visibility_animation.h"

namespace zentra {

class FlipAnimation : public VisibilityAnimation {
public:
    FlipAnimation() : VisibilityAnimation(0.5) {}
    std::unique_ptr<VisibilityAnimation> clone() const override;
    void start(RenderSurface* from, int direction, RenderSurface* to) override;
    void draw(RenderSurface& target, Point origin) override;

    // The turn of the image on screen at progress p, in radians: 0 for the image facing
    // the viewer, up to pi/2 for edge-on. Positive angles take the right edge back,
    // negative ones the left edge.
    double from_angle(double p) const;
    double to_angle(double p) const;

    // One image turned by angle about its vertical centre line, seen from a viewer in
    // front of that line. Per column of the image's rectangle: the source column shown
    // there (-1 where the turned image does not reach) and the factor its height is drawn
    // at (0 < scale <= 1).
    struct Projection {
        std::vector<int> source_x;
        std::vector<double> scale;
    };
    static Projection project(Size size, double angle);

private:
    // Hiding turns the other way round, so a hide does not look like a show played back.
    bool m_hiding = false;
    Size m_half_from;
    Size m_half_to;
};

}  // namespace zentra

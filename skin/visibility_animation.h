#pragma once
// What a node needs of the animation that shows or hides it: a progress run between two
// images that the node hands over when it starts, and a draw that replaces the node's own
// while the run lasts.

#include <memory>

#include "platform/ustring.h"
#include "skin/geometry.h"

namespace zentra {

class RenderSurface;

class VisibilityAnimation {
public:
    virtual ~VisibilityAnimation() = default;

    // A new, idle animation of the same kind (screen transitions play clones).
    virtual std::unique_ptr<VisibilityAnimation> clone() const = 0;
    // Takes over the bitmaps of from and to (either may be null; a given surface is left
    // empty). direction is +1 to show, -1 to hide.
    virtual void start(RenderSurface* from, int direction, RenderSurface* to) = 0;
    // Turns a running animation round; it continues from its current progress.
    virtual void reverse() = 0;
    virtual bool is_running() const = 0;
    virtual void advance(double seconds) = 0;
    // Draws the two images as the current progress combines them, at origin.
    virtual void draw(RenderSurface& target, Point origin) = 0;
};

// The animation a skin names in visibility_animation, compared exactly. An unknown name
// gives null and a log line: the node then shows and hides at once.
std::unique_ptr<VisibilityAnimation> create_visibility_animation(platform::WStringView name);

}  // namespace zentra

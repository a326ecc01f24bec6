#pragma once
// Visibility animations: a progress run between two images, "from" (what was there) and
// "to" (the node or form being shown), from 0 (hidden) to 1 (shown). A node plays its own
// when it is shown or hidden; the application plays a clone of a form's as a screen
// transition. Each kind only decides how the two images combine at a given progress.

#include <memory>

#include "platform/ustring.h"
#include "skin/geometry.h"
#include "skin/render_surface.h"

namespace zentra {

class Blender;

class VisibilityAnimation {
public:
    // Progress per second at speed 1.0: a full run lasts 0.2 s / speed.
    static constexpr double kRate = 5.0;

    explicit VisibilityAnimation(double speed = 1.0);
    VisibilityAnimation(const VisibilityAnimation&) = delete;
    VisibilityAnimation& operator=(const VisibilityAnimation&) = delete;

    // The virtual operations keep this order.
    virtual ~VisibilityAnimation();
    // A new, idle animation of the same kind and speed; the state is not copied.
    virtual std::unique_ptr<VisibilityAnimation> clone() const = 0;
    // Takes over the bitmaps of from and to (either may be null; a given surface is left
    // empty). direction is +1 to show (progress starts at 0) or -1 to hide (starts at 1).
    virtual void start(RenderSurface* from, int direction, RenderSurface* to);
    // Draws the two images as the current progress combines them, with the top-left of the
    // "to" image at origin.
    virtual void draw(RenderSurface& target, Point origin) = 0;

    // The calls a node makes while a run lasts come after the kinds' slots; a stand-in may
    // take them over.
    // Moves the progress on; at the end of the run the animation goes idle and lets go of
    // both images.
    virtual void advance(double seconds);
    // Turns a running animation round; it continues from its current progress.
    virtual void reverse();
    // Ends a run at once, wherever it is.
    virtual void stop();
    virtual bool is_running() const { return m_direction != 0; }
    // +1 showing, -1 hiding, 0 idle.
    int direction() const { return m_direction; }
    double progress() const { return m_progress; }
    double speed() const { return m_speed; }

    // The blender the "to" image is drawn with; a keyed copy (the key colour stays
    // transparent) unless the node's cache blender replaced it.
    const Blender& blender() const { return *m_blender; }
    void set_blender(std::unique_ptr<Blender> blender);

    const RenderSurface& from() const { return m_from; }
    const RenderSurface& to() const { return m_to; }

private:
    int m_direction = 0;
    double m_progress = 0.0;
    double m_speed;
    RenderSurface m_from;
    RenderSurface m_to;
    std::unique_ptr<Blender> m_blender;
};

// The animation a skin names in visibility_animation, compared exactly ("scale", "pop",
// "flip", "left", "right", "top", "bottom"). Any other name gives null and a log line: the
// node then shows and hides at once.
std::unique_ptr<VisibilityAnimation> create_visibility_animation(platform::WStringView name);

}  // namespace zentra

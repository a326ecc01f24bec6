#include "skin/clip_node.h"

#include "skin/draw.h"

namespace zentra {

void ClipNode::draw(RenderSurface& target, Point origin) {
    // A view narrows the target's own clip, so nested clips keep the smaller area and the
    // target is untouched for the siblings drawn after this node.
    RenderSurface view = target.clipped(Rect{origin.x, origin.y, size().w, size().h});
    if (view.empty() || view.clip().empty()) {
        return;
    }
    Node::draw(view, origin);
}

}  // namespace zentra

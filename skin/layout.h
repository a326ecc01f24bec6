#pragma once
// Layout: gives every node an absolute position and size from its anchor modes, borders and
// design size. A tree is laid out in two passes, all horizontal placements first and then all
// vertical ones, so a node's height may depend on its final width (wrapped text). Measures are
// cached per node; an untouched subtree whose placement did not change is skipped.
//
// Entry point: layout_root(root, position, size). Owners of a root (forms, tools) call it
// before every step and full draw; when nothing changed it costs two comparisons.

#include "skin/anchor.h"
#include "skin/geometry.h"

namespace zentra {

class Node;
struct MeasuredSize;

enum class Axis { Horizontal, Vertical };

// Told when a node's placement along an axis was set, before its children are placed.
class LayoutListener {
public:
    virtual ~LayoutListener() = default;
    // length is the node's new width (Horizontal) or height (Vertical).
    virtual void on_layout(Node& node, Axis axis, int length) = 0;
};

// Lays out the tree under root: root.set_x_and_width(position.x, size.w), then
// root.set_y_and_height(position.y, size.h). Only the invalidated or moved parts do work.
void layout_root(Node& root, Point position, Size size);

// Whether a child in this mode makes its parent's measured size grow (the *_NO_SIZE modes do
// not).
bool anchor_counts_toward_parent(AnchorMode mode);
// The child's length along an axis inside a parent of parent_length; never below 0.
int anchor_length(AnchorMode mode, int parent_length, int border_min, int border_max,
                  int preferred);
// The child's offset from the parent's start edge, for a child of that length.
int anchor_offset(AnchorMode mode, int parent_length, int border_min, int border_max,
                  int length);

// Reading and writing one axis of the node fields.
inline int along(Point point, Axis axis) {
    return axis == Axis::Horizontal ? point.x : point.y;
}
inline int along(Size size, Axis axis) {
    return axis == Axis::Horizontal ? size.w : size.h;
}
AnchorMode anchor_along(const Node& node, Axis axis);
// The node's cached measure on the axis, measured first when invalid.
MeasuredSize measured_along(Node& node, Axis axis);
// set_x_and_width or set_y_and_height.
void place_along(Node& node, Axis axis, int start, int length);

// Places child by its own anchor rules inside the span [parent_start, parent_start +
// parent_length), taking preferred as its preferred length. Containers that size one child
// themselves use it; the plain rule passes the child's measured preferred length.
void place_by_anchor(Node& child, Axis axis, int parent_start, int parent_length, int preferred);

// The plain rules on one axis, shared by Node and the containers that keep them on one axis.
void measure_children(Node& node, Axis axis, MeasuredSize& size);
// The same over the first count children only, for containers whose later children are
// their own (a list's rows) and are sized by other rules.
void measure_first_children(Node& node, int count, Axis axis, MeasuredSize& size);
void layout_children(Node& node, Axis axis);

}  // namespace zentra

#include "skin/layout.h"

#include <algorithm>

#include "skin/node.h"

namespace zentra {

void layout_root(Node& root, Point position, Size size) {
    root.set_x_and_width(position.x, size.w);
    root.set_y_and_height(position.y, size.h);
}

bool anchor_counts_toward_parent(AnchorMode mode) {
    switch (mode) {
        case AnchorMode::MinSide:
        case AnchorMode::BothSide:
        case AnchorMode::MaxSide:
        case AnchorMode::Ratio:
        case AnchorMode::Center:
            return true;
        case AnchorMode::MinSideNoSize:
        case AnchorMode::MaxSideNoSize:
        case AnchorMode::BothSideNoSize:
        case AnchorMode::CenterNoSize:
            return false;
    }
    return true;
}

int anchor_length(AnchorMode mode, int parent_length, int border_min, int border_max,
                  int preferred) {
    int length = 0;
    switch (mode) {
        case AnchorMode::MinSide:
            length = std::min(preferred, parent_length - border_min);
            break;
        case AnchorMode::MaxSide:
            length = std::min(preferred, parent_length - border_max);
            break;
        case AnchorMode::Ratio:
        case AnchorMode::Center:
            length = std::min(preferred, parent_length - border_min - border_max);
            break;
        case AnchorMode::MinSideNoSize:
        case AnchorMode::MaxSideNoSize:
        case AnchorMode::CenterNoSize:
            length = preferred;
            break;
        case AnchorMode::BothSide:
        case AnchorMode::BothSideNoSize:
        default:
            length = parent_length - border_min - border_max;
            break;
    }
    return std::max(length, 0);
}

int anchor_offset(AnchorMode mode, int parent_length, int border_min, int border_max,
                  int length) {
    switch (mode) {
        case AnchorMode::MaxSide:
        case AnchorMode::MaxSideNoSize:
            return std::max(parent_length - length - border_max, 0);
        case AnchorMode::Center:
        case AnchorMode::CenterNoSize: {
            // Integer division truncates toward zero; a child wider than the room sticks to
            // the start border instead of sliding out to the left.
            const int half = (parent_length - border_min - length - border_max) / 2;
            return border_min + std::max(half, 0);
        }
        default:
            return border_min;
    }
}

AnchorMode anchor_along(const Node& node, Axis axis) {
    return axis == Axis::Horizontal ? node.anchor_x() : node.anchor_y();
}

MeasuredSize measured_along(Node& node, Axis axis) {
    return axis == Axis::Horizontal ? node.measured_width() : node.measured_height();
}

void place_along(Node& node, Axis axis, int start, int length) {
    if (axis == Axis::Horizontal) {
        node.set_x_and_width(start, length);
    } else {
        node.set_y_and_height(start, length);
    }
}

void place_by_anchor(Node& child, Axis axis, int parent_start, int parent_length,
                     int preferred) {
    const AnchorMode mode = anchor_along(child, axis);
    const int border_min = along(child.border_min(), axis);
    const int border_max = along(child.border_max(), axis);
    const int length = anchor_length(mode, parent_length, border_min, border_max, preferred);
    const int offset = anchor_offset(mode, parent_length, border_min, border_max, length);
    place_along(child, axis, parent_start + offset, length);
}

void measure_children(Node& node, Axis axis, MeasuredSize& size) {
    measure_first_children(node, node.child_count(), axis, size);
}

void measure_first_children(Node& node, int count, Axis axis, MeasuredSize& size) {
    const int design = along(node.design_size(), axis);
    size.preferred = std::max(size.preferred, design);
    size.minimum = std::max(size.minimum, design);
    // Hidden children count too: showing one must not resize its parent.
    for (int i = 0; i < count; ++i) {
        Node& child = *node.child(i);
        const MeasuredSize measured = measured_along(child, axis);
        const int need = anchor_counts_toward_parent(anchor_along(child, axis))
                             ? along(child.border_min(), axis) + measured.preferred +
                                   along(child.border_max(), axis)
                             : 0;
        size.preferred = std::max(size.preferred, need);
        size.minimum = std::max(size.minimum, measured.minimum + need - measured.preferred);
    }
}

void layout_children(Node& node, Axis axis) {
    const int start = along(node.position(), axis);
    const int length = along(node.size(), axis);
    // By index, the count read each time: a layout listener may change the children.
    for (int i = 0; i < node.child_count(); ++i) {
        Node& child = *node.child(i);
        place_by_anchor(child, axis, start, length, measured_along(child, axis).preferred);
    }
}

// The Node members that belong to layout.

void Node::layout_horizontal() {
    layout_children(*this, Axis::Horizontal);
}

void Node::layout_vertical() {
    layout_children(*this, Axis::Vertical);
}

void Node::measure_width(MeasuredSize& size) {
    measure_children(*this, Axis::Horizontal, size);
}

void Node::measure_height(MeasuredSize& size) {
    measure_children(*this, Axis::Vertical, size);
}

MeasuredSize Node::measured_width() {
    if (!m_measured_width.valid()) {
        m_measured_width = {0, 0};
        measure_width(m_measured_width);
    }
    return m_measured_width;
}

MeasuredSize Node::measured_height() {
    if (!m_measured_height.valid()) {
        m_measured_height = {0, 0};
        measure_height(m_measured_height);
    }
    return m_measured_height;
}

void Node::set_x_and_width(int x, int width) {
    if (x == m_position.x && width == m_size.w && !m_layout_pending) {
        return;
    }
    m_position.x = x;
    m_size.w = width;
    // Stays set until the vertical pass reaches this node, so that pass does not skip it.
    m_layout_pending = true;
    m_measured_height = {};
    m_dirty = true;
    if (m_layout_listener != nullptr) {
        m_layout_listener->on_layout(*this, Axis::Horizontal, width);
    }
    layout_horizontal();
}

void Node::set_y_and_height(int y, int height) {
    if (y == m_position.y && height == m_size.h && !m_layout_pending) {
        return;
    }
    m_position.y = y;
    m_size.h = height;
    m_layout_pending = false;
    m_dirty = true;
    if (m_layout_listener != nullptr) {
        m_layout_listener->on_layout(*this, Axis::Vertical, height);
    }
    layout_vertical();
}

void Node::set_anchors(AnchorMode x, AnchorMode y) {
    m_anchor_x = x;
    m_anchor_y = y;
    invalidate_layout();
}

void Node::set_borders(Point min, Point max) {
    m_border_min = min;
    m_border_max = max;
    invalidate_layout();
}

void Node::invalidate_layout() {
    for (Node* node = this; node != nullptr; node = node->m_parent) {
        node->m_measured_width = {};
        node->m_measured_height = {};
        node->m_layout_pending = true;
    }
}

}  // namespace zentra

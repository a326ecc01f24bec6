#include "skin/progress_node.h"

#include <algorithm>
#include <cmath>

namespace zentra {

void ProgressNode::load(const Properties& properties, SkinRecord record) {
    Node::load(properties, record);
    m_line = nullptr;
    // Only a direct child: layout places the children, not deeper nodes.
    for (int i = 0; i < child_count(); ++i) {
        if (child(i)->name() == u"#line") {
            m_line = child(i);
            break;
        }
    }
}

void ProgressNode::set_fraction(double fraction) {
    // NaN fails both comparisons and ends at 0.
    fraction = fraction > 1 ? 1 : fraction > 0 ? fraction : 0;
    if (fraction != m_fraction) {
        m_fraction = fraction;
        invalidate_layout();
        mark_dirty();
    }
}

void ProgressNode::layout_horizontal() {
    layout_axis(Axis::Horizontal);
}

void ProgressNode::layout_vertical() {
    layout_axis(Axis::Vertical);
}

void ProgressNode::layout_axis(Axis axis) {
    const int start = along(position(), axis);
    const int length = along(size(), axis);
    for (int i = 0; i < child_count(); ++i) {
        Node& item = *child(i);
        if (&item != m_line) {
            place_by_anchor(item, axis, start, length, measured_along(item, axis).preferred);
            continue;
        }
        // The same rule on both axes: a line anchored BOTH_SIDE across the bar ignores the
        // preferred length and fills it.
        const int room = length - along(item.border_min(), axis) - along(item.border_max(), axis);
        const int preferred = std::max(static_cast<int>(std::floor(room * m_fraction)), 0);
        place_by_anchor(item, axis, start, length, preferred);
    }
}

}  // namespace zentra

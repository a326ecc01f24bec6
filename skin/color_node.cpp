#include "skin/color_node.h"

#include "skin/draw.h"

namespace zentra {

void ColorNode::load(const Properties& properties, SkinRecord record) {
    Node::load(properties, record);
    m_color = properties.get_color(record, u"color", Color{0, 0, 0, 255});
}

void ColorNode::set_color(Color color) {
    if (color != m_color) {
        m_color = color;
        mark_dirty();
    }
}

void ColorNode::draw(RenderSurface& target, Point origin) {
    // Plain: a colour node is a background, and its colour may well be the key colour of a
    // cached parent's surface (which then shows through) or lack the opaque bit.
    fill_rect(target, Rect{origin.x, origin.y, size().w, size().h}, m_color.to_565(),
              plain_blender());
    // A skin may lay other nodes on a colour; they go on top of it.
    Node::draw(target, origin);
}

}  // namespace zentra

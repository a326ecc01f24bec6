#include "skin/label_edit_node.h"

namespace zentra {

void LabelEditNode::load(const Properties& properties, SkinRecord record) {
    Node::load(properties, record);
    m_edit = &find<EditNode>(u"#edit");
    m_placeholder = &find<TextNode>(u"#text");
    m_clear = dynamic_cast<ButtonNode*>(find_descendant(u"clear"));
    m_edit->set_listener(this);
    m_edit->set_layout_listener(this);
    if (m_clear != nullptr) {
        m_clear->set_listener(this);
    }
    m_placeholder->set_text(properties.translate(properties.get_string(record, u"text", u"")));
    update_parts();
}

void LabelEditNode::on_changed(EditNode& edit) {
    update_parts();
    if (m_listener != nullptr) {
        m_listener->on_changed(edit);
    }
}

bool LabelEditNode::on_click(ButtonNode& /*button*/, const ButtonEvent& /*event*/) {
    m_edit->set_text(u"");
    return true;
}

void LabelEditNode::on_layout(Node& node, Axis axis, int length) {
    if (m_layout_listener != nullptr) {
        m_layout_listener->on_layout(node, axis, length);
    }
}

void LabelEditNode::update_parts() {
    const bool empty = m_edit->get_text().empty();
    m_placeholder->set_visible(empty);
    if (m_clear != nullptr) {
        m_clear->set_visible(!empty);
    }
}

}  // namespace zentra

#include "skin/edit_node.h"

#include "skin/blender.h"
#include "skin/draw.h"
#include "skin/edit_bridge.h"

namespace zentra {

EditNode::EditNode() = default;

EditNode::~EditNode() {
    // The bridge must never hold on to an edit that is gone.
    if (s_focused == this) {
        drop_focus();
    }
    if (s_waiting == this) {
        s_waiting = nullptr;
    }
}

void EditNode::load(const Properties& properties, SkinRecord record) {
    TextNode::load(properties, record);
    m_background = properties.get_color(record, u"background_color", Color{0, 0, 0, 255});
    m_capitalize = properties.get_integer(record, u"capitalize", 0) != 0;
}

void EditNode::draw(RenderSurface& target, Point origin) {
    fill_rect(target, Rect{origin.x, origin.y, size().w, size().h}, m_background.to_565(),
              plain_blender());
    TextNode::draw(target, origin);
}

void EditNode::layout_vertical() {
    TextNode::layout_vertical();
    // The native input follows the edit to its new place.
    if (s_focused == this) {
        take_focus(false);
    }
}

void EditNode::on_visibility_changed(bool effective) {
    TextNode::on_visibility_changed(effective);
    if (!effective && s_focused == this) {
        drop_focus();
    } else if (effective && s_waiting == this) {
        take_focus(true);
    }
}

bool EditNode::on_pointer(const PointerEvent& event) {
    if (event.pressed && !event.cancel) {
        take_focus(true);
    }
    return true;
}

bool EditNode::on_text(platform::WStringView text) {
    // The native input hands over its whole content, so an empty one is the last character
    // erased; only a text that was empty already carries no change.
    if (text.empty() && get_text().empty()) {
        return true;
    }
    store(text);
    invalidate_layout();
    changed();
    return true;
}

void EditNode::set_text(platform::WStringView text) {
    if (text == get_text()) {
        return;
    }
    store(text);
    if (s_focused == this) {
        if (EditBridge* bridge = EditBridge::instance()) {
            bridge->edit_text_changed(*this);
        }
    }
    changed();
}

void EditNode::set_password(platform::WStringView text) {
    m_password = platform::WString(text);
    TextNode::set_text(platform::WString(text.size(), u'*'));
}

const platform::WString& EditNode::get_text() const {
    return m_password ? *m_password : text();
}

void EditNode::focus() {
    if (is_visible()) {
        take_focus(true);
    } else {
        s_waiting = this;
    }
}

void EditNode::clear_focus() {
    s_waiting = nullptr;
    drop_focus();
}

void EditNode::drop_focus() {
    if (s_focused == nullptr) {
        return;
    }
    s_focused = nullptr;
    if (EditBridge* bridge = EditBridge::instance()) {
        bridge->set_edit_node(nullptr, false);
    }
}

void EditNode::take_focus(bool create) {
    s_waiting = nullptr;
    s_focused = this;
    if (EditBridge* bridge = EditBridge::instance()) {
        bridge->set_edit_node(this, create);
    }
}

void EditNode::store(platform::WStringView text) {
    if (m_password) {
        set_password(text);
    } else {
        TextNode::set_text(text);
    }
}

void EditNode::changed() {
    if (m_listener != nullptr) {
        m_listener->on_changed(*this);
    }
}

}  // namespace zentra

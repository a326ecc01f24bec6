#include "skin/button_node.h"

#include "core/keys.h"

namespace zentra {

void ButtonNode::load(const Properties& properties, SkinRecord record) {
    Node::load(properties, record);
    m_normal = find_descendant(u"#normal");
    m_pressed = find_descendant(u"#pressed");
    m_disabled = find_descendant(u"#disabled");
    // The button decides what its state children show; nothing else may resize them behind
    // its back.
    for (Node* state : {m_normal, m_pressed, m_disabled}) {
        if (state != nullptr) {
            state->set_layout_listener(nullptr);
        }
    }
    // An empty or unknown name gives key::None, which binds nothing.
    m_bound_key = velvane::key_code(properties.get_string(record, u"bind_key", u""));
    const platform::WString text =
        properties.translate(properties.get_string(record, u"text", u""));
    if (text != m_label) {
        set_label(text);
    }
    refresh_states();
}

void ButtonNode::set_label(platform::WStringView label) {
    m_label = label;
    Node::set_text(u"#text", m_label);
}

void ButtonNode::set_pressed_by_code(bool pressed) {
    if (pressed != m_code_pressed) {
        m_code_pressed = pressed;
        refresh_states();
    }
}

Node* ButtonNode::shown_state() const {
    Node* wanted = !is_enabled() ? m_disabled : pressed() ? m_pressed : m_normal;
    return wanted != nullptr ? wanted : m_normal;
}

Point ButtonNode::centre() const {
    return {position().x + size().w / 2, position().y + size().h / 2};
}

void ButtonNode::refresh_states() {
    Node* shown = shown_state();
    for (Node* state : {m_normal, m_pressed, m_disabled}) {
        if (state != nullptr) {
            state->set_visible(state == shown);
        }
    }
    mark_dirty();
}

void ButtonNode::on_enabled_changed(bool effective) {
    Node::on_enabled_changed(effective);
    refresh_states();
}

bool ButtonNode::on_pointer(const PointerEvent& event) {
    const bool was_pressed = pressed();
    const Point point{event.x, event.y};
    m_pointer_pressed = event.pressed;
    m_last_point = point;
    if (m_pointer_pressed && m_listener != nullptr) {
        m_listener->on_pointer(*this, point);
    }
    click_step(was_pressed, event.cancel, point, false);
    // Whatever the listener made of it, the stylus was on the button: nothing under it may
    // take the gesture.
    return true;
}

void ButtonNode::on_pointer_move(Point point) {
    if (!m_pointer_pressed) {
        return;
    }
    if (m_listener != nullptr) {
        m_listener->on_pointer(*this, {point.x - m_last_point.x, point.y - m_last_point.y});
    }
    m_last_point = point;
}

bool ButtonNode::on_key(const KeyEvent& event) {
    if (m_bound_key == velvane::key::None || event.key != m_bound_key) {
        return false;
    }
    const bool was_pressed = pressed();
    m_key_pressed = event.down;
    // A key has no position: the click lands where a tap on the middle would.
    click_step(was_pressed, false, centre(), true);
    return true;
}

bool ButtonNode::click_step(bool was_pressed, bool cancel, Point point, bool from_key) {
    const bool now_pressed = pressed();
    if (now_pressed != was_pressed) {
        if (m_listener != nullptr) {
            m_listener->on_press_changed(*this, {point, cancel || !is_enabled()});
        }
        refresh_states();
    }
    const bool clicked =
        was_pressed && !now_pressed && is_enabled() && !cancel && (from_key || contains(point));
    if (!clicked) {
        return false;
    }
    return m_listener == nullptr || m_listener->on_click(*this, {point, false});
}

}  // namespace zentra

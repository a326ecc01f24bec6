#include "skin/node.h"

#include <algorithm>
#include <cassert>

#include "core/log.h"
#include "skin/draw.h"
#include "skin/node_factory.h"

namespace zentra {

Node::Node() = default;

Node::~Node() {
    // A node deleted while its parent still lists it must leave the list first; a node that
    // its parent is destroying has had its parent pointer cleared and skips this.
    if (m_parent != nullptr) {
        if (const int index = m_parent->index_of(this); index >= 0) {
            m_parent->remove_child(this, index);
        }
    }
    destroy_children();
    m_cache_blender.reset();
    m_surface.release();
    m_name.clear();
    m_visibility_animation.reset();
}

void Node::remove_child(Node* child, int index) {
    if (index < 0 || index >= child_count() || m_children[index].get() != child) {
        assert(false && "remove_child: index does not hold child");
        index = index_of(child);
        if (index < 0) {
            return;
        }
    }
    invalidate_layout();
    forget_child(child, index);
}

void Node::forget_child(Node* child, int index) {
    if (child == m_captured_child) {
        m_captured_child = nullptr;
    }
    // Not destroyed: whoever removed the child owns it now.
    static_cast<void>(m_children[index].release());
    m_children.erase(m_children.begin() + index);
}

void Node::insert_child(std::unique_ptr<Node> child, int index, const Properties* /*properties*/,
                        SkinRecord /*record*/, platform::WStringView /*type*/) {
    // A pending layout means the path to the root has been invalidated already.
    if (!m_layout_pending) {
        invalidate_layout();
    }
    insert_child_quietly(std::move(child), index);
}

void Node::insert_child_quietly(std::unique_ptr<Node> child, int index) {
    assert(child != nullptr);
    Node* node = child.get();
    const bool was_visible = node->is_visible();
    const bool was_enabled = node->is_enabled();
    node->m_parent = this;
    node->m_parents_visible = is_visible();
    node->m_parents_enabled = is_enabled();
    index = std::clamp(index, 0, child_count());
    m_children.insert(m_children.begin() + index, std::move(child));
    // A subtree built on its own thinks its ancestors are all visible and enabled; tell it
    // when its new place says otherwise, so every descendant's flags stay right.
    if (node->is_visible() != was_visible) {
        node->on_visibility_changed(node->is_visible());
    }
    if (node->is_enabled() != was_enabled) {
        node->on_enabled_changed(node->is_enabled());
    }
}

void Node::on_child_visibility_changed() {}

void Node::dump(int depth) {
    velvane::log() << dump_line(depth);
    for (auto& child : m_children) {
        child->dump(depth + 1);
    }
}

void Node::set_text(platform::WStringView name, platform::WStringView text) {
    for (auto& child : m_children) {
        child->set_text(name, text);
    }
}

void Node::load(const Properties& properties, SkinRecord record) {
    m_name = properties.get_string(record, u"id", u"");
    m_anchor_x = parse_anchor_mode(properties.get_string(record, u"anchor_x", u""));
    m_anchor_y = parse_anchor_mode(properties.get_string(record, u"anchor_y", u""));

    // Geometry and the cache settings are read only when the record has properties of that
    // kind at all; otherwise the node keeps what it had.
    if (properties.has_group(record, PropertyGroup::Point)) {
        m_border_min = properties.get_point(record, u"border_min", {0, 0});
        const Point design = properties.get_point(record, u"design_size", {0, 0});
        m_design_size = {design.x, design.y};
        m_border_max = properties.get_point(record, u"border_max", {0, 0});
    }
    if (properties.has_group(record, PropertyGroup::Integer)) {
        m_cache = properties.get_integer(record, u"cache", 0) != 0;
        if (m_cache) {
            m_cache_blender =
                make_cache_blender(properties.get_integer(record, u"cache_alpha", -1));
        }
    }

    const int count = properties.child_count(record);
    m_children.reserve(m_children.size() + static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const SkinRecord child_record = properties.child(record, i);
        const platform::WString type = properties.get_string(child_record, u"type", u"");
        // An unknown type raises here; the children made so far stay in the tree.
        std::unique_ptr<Node> child = NodeFactory::create(type);
        child->load(properties, child_record);
        insert_child(std::move(child), child_count(), &properties, child_record, type);
    }

    const platform::WString animation = properties.get_string(record, u"visibility_animation", u"");
    if (!animation.empty()) {
        m_visibility_animation = create_visibility_animation(animation);
    }
}

void Node::on_enabled_changed(bool /*effective*/) {
    const bool effective = is_enabled();
    for (auto& child : m_children) {
        const bool before = child->is_enabled();
        child->m_parents_enabled = effective;
        if (child->is_enabled() != before) {
            child->on_enabled_changed(child->is_enabled());
        }
    }
    mark_dirty();
}

void Node::on_visibility_changed(bool /*effective*/) {
    const bool effective = is_visible();
    for (auto& child : m_children) {
        const bool before = child->is_visible();
        child->m_parents_visible = effective;
        if (child->is_visible() != before) {
            child->on_visibility_changed(child->is_visible());
        }
    }
    mark_dirty();
    if (!effective) {
        m_surface.release();
        // The captured child would otherwise wait for a release that now never comes.
        if (Node* captured = m_captured_child) {
            m_captured_child = nullptr;
            PointerEvent cancel;
            cancel.cancel = true;
            captured->on_pointer(cancel);
        }
    }
}

void Node::advance(double seconds) {
    if (m_visibility_animation && m_visibility_animation->is_running()) {
        m_visibility_animation->advance(seconds);
        mark_dirty();
        return;
    }
    // By index: a child may change the list while it advances.
    for (int i = 0; i < child_count(); ++i) {
        m_children[i]->advance(seconds);
    }
}

void Node::draw(RenderSurface& target, Point origin) {
    for (auto& child : m_children) {
        const Point at{origin.x + child->m_position.x - m_position.x,
                       origin.y + child->m_position.y - m_position.y};
        child->render(target, at);
    }
}

void Node::render(RenderSurface& target, Point origin) {
    if (m_visibility_animation && m_visibility_animation->is_running()) {
        m_visibility_animation->draw(target, origin);
        return;
    }
    if (!is_visible()) {
        return;
    }
    if (m_cache) {
        // A node released by hiding (or never drawn) has an empty surface: redraw it even
        // when nothing marked it dirty.
        if (m_dirty || m_surface.empty() || m_surface.size() != m_size) {
            refresh_own_surface();
        }
        copy(m_surface, target, origin, blender_or_plain(m_cache_blender.get()));
    } else {
        draw(target, origin);
    }
    m_dirty = false;
}

void Node::refresh_own_surface() {
    m_surface.recreate(m_size);
    if (m_surface.empty()) {
        return;  // zero size or out of memory: nothing to draw into
    }
    fill(m_surface, kKeyColor, plain_blender());
    draw(m_surface, {0, 0});
}

// layout_horizontal, layout_vertical, measure_width and measure_height live in layout.cpp.

bool Node::contains(Point point) const {
    return m_position.x <= point.x && point.x < m_position.x + m_size.w &&
           m_position.y <= point.y && point.y < m_position.y + m_size.h;
}

void Node::on_pointer_move(Point point) {
    if (m_captured_child != nullptr) {
        m_captured_child->on_pointer_move(point);
    }
}

bool Node::on_pointer(const PointerEvent& event) {
    // The child that took the press gets the whole gesture, wherever the stylus goes.
    if (Node* captured = m_captured_child) {
        if (!event.pressed || event.cancel) {
            m_captured_child = nullptr;
        }
        captured->on_pointer(event);
        return true;
    }
    const Point point{event.x, event.y};
    for (int i = child_count() - 1; i >= 0; --i) {
        Node* child = m_children[i].get();
        if (!child->contains(point) || !child->is_visible() || !child->is_enabled()) {
            continue;
        }
        if (child->on_pointer(event)) {
            if (event.pressed) {
                m_captured_child = child;
            }
            return true;
        }
    }
    return false;
}

bool Node::on_key(const KeyEvent& event) {
    for (int i = 0; i < child_count(); ++i) {
        Node* child = m_children[i].get();
        if (child->m_visible && child->on_key(event)) {
            return true;
        }
    }
    return false;
}

bool Node::on_text(platform::WStringView /*text*/) {
    return false;
}

int Node::index_of(const Node* child) const {
    for (int i = 0; i < child_count(); ++i) {
        if (m_children[i].get() == child) {
            return i;
        }
    }
    return -1;
}

Node& Node::add_child(std::unique_ptr<Node> child) {
    Node& added = *child;
    insert_child(std::move(child), child_count(), nullptr, SkinRecord{}, u"");
    return added;
}

std::unique_ptr<Node> Node::take_child(int index) {
    assert(index >= 0 && index < child_count());
    Node* child = m_children[index].get();
    remove_child(child, index);
    child->m_parent = nullptr;
    return std::unique_ptr<Node>(child);
}

std::unique_ptr<Node> Node::take_child_quietly(int index) {
    assert(index >= 0 && index < child_count());
    Node* child = m_children[index].get();
    forget_child(child, index);
    child->m_parent = nullptr;
    return std::unique_ptr<Node>(child);
}

void Node::destroy_children() {
    m_captured_child = nullptr;
    std::vector<std::unique_ptr<Node>> children = std::move(m_children);
    m_children.clear();
    for (auto& child : children) {
        child->m_parent = nullptr;
        child.reset();
    }
}

Node* Node::find_descendant(platform::WStringView name) const {
    for (const auto& child : m_children) {
        if (child->m_name == name) {
            return child.get();
        }
    }
    for (const auto& child : m_children) {
        if (Node* found = child->find_descendant(name)) {
            return found;
        }
    }
    return nullptr;
}

void Node::set_visible(bool visible) {
    if (visible == m_visible) {
        return;
    }
    VisibilityAnimation* animation = m_visibility_animation.get();
    if (animation == nullptr) {
        apply_visible(visible);
        return;
    }
    // Showing makes the node visible before the run starts, hiding only after it started, so
    // the node is on screen for the whole run either way.
    if (visible) {
        apply_visible(true);
    }
    if (animation->is_running()) {
        animation->reverse();
    } else {
        // The picture is taken from the tree as it stands now: the root placed again where
        // it is, so a node shown for the first time has its final size.
        Node* root = this;
        while (root->m_parent != nullptr) {
            root = root->m_parent;
        }
        layout_root(*root, root->m_position, root->m_size);
        if (m_cache_blender) {
            animation->set_blender(m_cache_blender->clone());
        }
        refresh_own_surface();
        animation->start(nullptr, visible ? 1 : -1, &m_surface);
    }
    if (!visible) {
        apply_visible(false);
    }
}

void Node::set_visible_at_once(bool visible) {
    if (m_visibility_animation) {
        m_visibility_animation->stop();
    }
    if (visible != m_visible) {
        apply_visible(visible);
    }
}

void Node::apply_visible(bool visible) {
    const bool before = is_visible();
    m_visible = visible;
    if (is_visible() != before) {
        on_visibility_changed(is_visible());
    }
    mark_dirty();
    if (m_parent != nullptr) {
        m_parent->on_child_visibility_changed();
    }
}

void Node::set_enabled(bool enabled) {
    if (enabled == m_enabled) {
        return;
    }
    const bool before = is_enabled();
    m_enabled = enabled;
    if (is_enabled() != before) {
        on_enabled_changed(is_enabled());
    }
    mark_dirty();
}

void Node::mark_dirty() {
    for (Node* node = this; node != nullptr; node = node->m_parent) {
        node->m_dirty = true;
    }
}

void Node::set_bounds(Point position, Size size) {
    m_position = position;
    m_size = size;
    mark_dirty();
}

void Node::set_visibility_animation(std::unique_ptr<VisibilityAnimation> animation) {
    m_visibility_animation = std::move(animation);
}

platform::WString Node::dump_line(int depth) const {
    using platform::to_wstring;
    platform::WString line(static_cast<size_t>(std::max(depth, 0)), u'\t');
    line += u"{";
    line += m_name;
    line += u"} position=" + to_wstring(m_position.x) + u" " + to_wstring(m_position.y);
    line += u" size=" + to_wstring(m_size.w) + u" " + to_wstring(m_size.h);
    line += u" design_size=" + to_wstring(m_design_size.w) + u" " + to_wstring(m_design_size.h);
    line += u" rs.size=" + to_wstring(m_surface.width()) + u" " + to_wstring(m_surface.height());
    line += u"\n";
    return line;
}

bool load_from_skin(Node& node, const Properties& properties, platform::WStringView definition) {
    const std::optional<SkinRecord> record = properties.find_definition(definition);
    if (!record) {
        return false;
    }
    node.destroy_children();
    node.load(properties, *record);
    node.invalidate_layout();
    return true;
}

}  // namespace zentra

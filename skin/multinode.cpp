#include "skin/multinode.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <string>

namespace zentra {

namespace {

// A time in seconds. The skin has no number type with a fraction, so `movie` is written as
// text ("0.5"); a plain integer property counts whole seconds. def when neither is there or
// the text is not a number.
double read_seconds(const Properties& properties, SkinRecord record, platform::WStringView key,
                    double def) {
    const platform::WString text = properties.get_string(record, key, u"");
    if (!text.empty()) {
        const std::string narrow = platform::to_utf8(text);
        double value = 0;
        const auto [end, error] =
            std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
        return error == std::errc{} && end == narrow.data() + narrow.size() ? value : def;
    }
    const int whole = properties.get_integer(record, key, INT_MIN);
    return whole != INT_MIN ? whole : def;
}

}  // namespace

void MultiNode::insert_child(std::unique_ptr<Node> child, int index, const Properties* properties,
                             SkinRecord record, platform::WStringView type) {
    Node* added = child.get();
    const bool first = m_entries.empty();
    const double duration =
        properties != nullptr ? read_seconds(*properties, record, u"movie", -1) : -1;
    Node::insert_child(std::move(child), index, properties, record, type);
    // The entries follow the children's order, so an entry's index is its child's.
    const int at = std::clamp(index_of(added), 0, static_cast<int>(m_entries.size()));
    m_entries.insert(m_entries.begin() + at, Entry{added, duration});
    if (!first) {
        added->set_visible_at_once(false);
    }
    // By class rather than by the skin's type name, so buttons added from code toggle too.
    if (auto* button = dynamic_cast<ButtonNode*>(added)) {
        button->set_listener(this);
        button->set_layout_listener(this);
    }
}

void MultiNode::remove_child(Node* child, int index) {
    std::erase_if(m_entries, [child](const Entry& entry) { return entry.child == child; });
    m_current = m_entries.empty() ? 0 : m_current % static_cast<int>(m_entries.size());
    if (auto* button = dynamic_cast<ButtonNode*>(child)) {
        if (button->listener() == this) {
            button->set_listener(nullptr);
        }
        if (button->layout_listener() == this) {
            button->set_layout_listener(nullptr);
        }
    }
    show_current(false);
    Node::remove_child(child, index);
}

void MultiNode::load(const Properties& properties, SkinRecord record) {
    // A reload destroys the children without telling the entries (see destroy_children);
    // forget those before the new children arrive. Only addresses are compared.
    std::erase_if(m_entries, [this](const Entry& entry) { return index_of(entry.child) < 0; });
    m_current = 0;
    Node::load(properties, record);
    m_movie = read_seconds(properties, record, u"movie", -1);
    m_cycling = properties.get_integer(record, u"delay", 0) != 0;
    // Without a label of its own the buttons keep theirs.
    if (const platform::WString text = properties.get_string(record, u"text", u""); !text.empty()) {
        set_label(properties.translate(text));
    }
}

double MultiNode::duration(int index) const {
    if (index < 0 || index >= static_cast<int>(m_entries.size())) {
        return -1;
    }
    const double own = m_entries[index].duration;
    return own != -1 ? own : m_movie;
}

void MultiNode::advance(double seconds) {
    Node::advance(seconds);
    if (!m_cycling || !is_visible() || m_entries.empty()) {
        return;
    }
    const double stay = duration(m_current);
    // Without any time given the frame stays; otherwise every frame would flash past.
    if (stay < 0) {
        return;
    }
    m_elapsed += seconds;
    if (m_elapsed >= stay) {
        m_elapsed -= stay;
        select((m_current + 1) % static_cast<int>(m_entries.size()), false);
    }
}

void MultiNode::select(int index, bool by_user) {
    if (index == m_current || index < 0 || index >= static_cast<int>(m_entries.size())) {
        return;
    }
    m_current = index;
    show_current(false);
    if (m_listener != nullptr) {
        m_listener->on_select(*this, by_user);
    }
}

void MultiNode::select_at_once(int index) {
    if (index < 0 || index >= static_cast<int>(m_entries.size())) {
        return;
    }
    const bool changed = index != m_current;
    m_current = index;
    show_current(true);
    if (changed && m_listener != nullptr) {
        m_listener->on_select(*this, false);
    }
}

void MultiNode::show_current(bool at_once) {
    for (int i = 0; i < static_cast<int>(m_entries.size()); ++i) {
        if (at_once) {
            m_entries[i].child->set_visible_at_once(i == m_current);
        } else {
            m_entries[i].child->set_visible(i == m_current);
        }
    }
}

void MultiNode::set_label(platform::WStringView label) {
    m_label = label;
    for (const Entry& entry : m_entries) {
        if (auto* button = dynamic_cast<ButtonNode*>(entry.child)) {
            button->set_label(m_label);
        }
    }
}

bool MultiNode::on_click(ButtonNode& /*button*/, const ButtonEvent& /*event*/) {
    select((m_current + 1) % static_cast<int>(m_entries.size()), true);
    return true;
}

// The toggle's look follows its buttons' own states; only the click matters here.
void MultiNode::on_press_changed(ButtonNode& /*button*/, const ButtonEvent& /*event*/) {}

void MultiNode::on_pointer(ButtonNode& /*button*/, Point /*point*/) {}

void MultiNode::on_layout(Node& node, Axis axis, int length) {
    if (m_button_layout_listener != nullptr) {
        m_button_layout_listener->on_layout(node, axis, length);
    }
}

}  // namespace zentra

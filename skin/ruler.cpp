#include "skin/ruler.h"

#include <algorithm>

#include "skin/node.h"
#include "skin/node_factory.h"
#include "skin/properties.h"

namespace zentra {

Ruler::~Ruler() {
    if (auto* button = dynamic_cast<ButtonNode*>(m_button); button != nullptr &&
                                                            button->listener() == this) {
        button->set_listener(nullptr);
    }
    if (m_table != nullptr && m_table->layout_listener() == this) {
        m_table->set_layout_listener(nullptr);
    }
}

void Ruler::bind(Node& ruler, platform::WStringView definition, const Properties& skin) {
    // A new binding follows a rebuilt tree: the nodes of the old one are gone by now, so they
    // are forgotten, never touched.
    m_button = &ruler.find(u"ruler_button");
    // A plain node may stand in for the button; it then just reports nothing.
    if (auto* button = dynamic_cast<ButtonNode*>(m_button)) {
        button->set_listener(this);
    }
    m_table = &ruler.find(u"ruler_table");
    m_button2 = ruler.find_descendant(u"ruler_button2");
    m_skin = &skin;
    m_definition = platform::WString(definition);
    // Letter nodes of an earlier binding belonged to a tree that may be gone.
    m_letter_nodes.clear();
    m_letter_height = 0;
    if (std::unique_ptr<Node> probe = make_letter()) {
        m_letter_height = probe->measured_height().preferred;
    }
    m_table->set_layout_listener(this);
    m_table->invalidate_layout();
}

void Ruler::set_letters(std::vector<platform::WString> letters) {
    m_letters = std::move(letters);
    // The shown letters change even when their number does not.
    for (Node* node : m_letter_nodes) {
        node->invalidate_layout();
    }
    if (m_table != nullptr) {
        m_table->invalidate_layout();
        fill_table();
    }
}

std::unique_ptr<Node> Ruler::make_letter() const {
    if (m_skin == nullptr) {
        return nullptr;
    }
    const std::optional<SkinRecord> record = m_skin->find_definition(m_definition);
    if (!record) {
        return nullptr;
    }
    const platform::WString type = m_skin->get_string(*record, u"type", u"");
    std::unique_ptr<Node> node = NodeFactory::create(type.empty() ? u"node" : type);
    node->load(*m_skin, *record);
    return node;
}

void Ruler::on_layout(Node& /*node*/, Axis axis, int /*length*/) {
    if (axis == Axis::Vertical && !m_filling) {
        fill_table();
    }
}

void Ruler::fill_table() {
    if (m_table == nullptr || m_filling) {
        return;
    }
    m_filling = true;
    const int available =
        std::max(m_table->size().h - m_table->border_min().y - m_table->border_max().y, 0);
    const int count = static_cast<int>(m_letters.size());
    const int n = m_letter_height > 0 ? std::min(count, available / m_letter_height) : 0;
    bool changed = false;
    while (static_cast<int>(m_letter_nodes.size()) > n) {
        Node* extra = m_letter_nodes.back();
        m_letter_nodes.pop_back();
        if (const int at = m_table->index_of(extra); at >= 0) {
            m_table->take_child(at).reset();
        }
        changed = true;
    }
    while (static_cast<int>(m_letter_nodes.size()) < n) {
        std::unique_ptr<Node> letter = make_letter();
        if (!letter) {
            break;
        }
        m_letter_nodes.push_back(letter.get());
        // Inserted with the definition's record, so the letter's table_ratio spreads the
        // letters over the strip the touch is mapped to.
        const std::optional<SkinRecord> record = m_skin->find_definition(m_definition);
        m_table->insert_child(std::move(letter), m_table->child_count(), m_skin, *record,
                              m_skin->get_string(*record, u"type", u""));
        changed = true;
    }
    for (int i = 0; i < static_cast<int>(m_letter_nodes.size()); ++i) {
        Node* node = m_letter_nodes[i];
        const platform::WString& letter = m_letters[static_cast<size_t>(i * count / n)];
        node->set_text(node->name(), letter);
    }
    if (changed) {
        // New letters have no place across yet; place the whole table again.
        m_table->set_x_and_width(m_table->position().x, m_table->size().w);
        m_table->set_y_and_height(m_table->position().y, m_table->size().h);
    }
    m_filling = false;
}

int Ruler::letter_at(int y) const {
    const int count = static_cast<int>(m_letters.size());
    const bool shown = std::any_of(m_letter_nodes.begin(), m_letter_nodes.end(),
                                   [](const Node* node) { return node->is_visible(); });
    if (m_table == nullptr || !shown || m_table->size().h < 1 || count == 0) {
        return -1;
    }
    const int index = (y - m_table->position().y) * count / m_table->size().h;
    return std::clamp(index, 0, count - 1);
}

void Ruler::report(Point point, bool held, bool cancelled) {
    const int index = letter_at(point.y);
    if (index >= 0 && m_listener != nullptr) {
        m_listener->on_ruler_letter(*this, index, m_letters[static_cast<size_t>(index)], held,
                                    cancelled);
    }
}

bool Ruler::on_click(ButtonNode& /*button*/, const ButtonEvent& /*event*/) {
    return false;
}

void Ruler::on_press_changed(ButtonNode& button, const ButtonEvent& event) {
    const bool held = button.pressed();
    m_finger = event.point;
    m_following = held;
    report(event.point, held, event.cancelled);
}

void Ruler::on_pointer(ButtonNode& /*button*/, Point point) {
    if (m_following) {
        m_finger = {m_finger.x + point.x, m_finger.y + point.y};
    } else {
        // The press: the button tells the listener of the point before the press change.
        m_finger = point;
        m_following = true;
    }
    report(m_finger, true, false);
}

}  // namespace zentra

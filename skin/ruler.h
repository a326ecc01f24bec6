#pragma once
// Ruler: fills a table with a column of index letters (the alphabet beside the contact list),
// taking every k-th letter when the column has no room for all, and reports the letter under
// the finger over the whole alphabet, so sampled-out letters stay reachable.

#include <memory>
#include <vector>

#include "platform/ustring.h"
#include "skin/button_node.h"
#include "skin/geometry.h"
#include "skin/layout.h"

namespace zentra {

class Node;
class Properties;
class Ruler;

class RulerListener {
public:
    virtual ~RulerListener() = default;
    // index counts all letters; held is false once the finger (or key) let go.
    virtual void on_ruler_letter(Ruler& ruler, int index, const platform::WString& letter,
                                 bool held, bool cancelled) = 0;
};

// The ruler listens to its `ruler_button`: the letter under the finger is reported while it
// is held and once more when it lets go.
class Ruler : public ButtonListener, private LayoutListener {
public:
    Ruler() = default;
    ~Ruler() override;
    Ruler(const Ruler&) = delete;
    Ruler& operator=(const Ruler&) = delete;

    // Finds `ruler_button` and `ruler_table` (NodeNotFound when missing) and the optional
    // `ruler_button2` under ruler, and measures one letter made from definition. skin must
    // outlive the binding, and the ruler must go before the tree it is bound to. Binding again
    // is for a rebuilt tree: the earlier nodes are taken as destroyed and left alone.
    void bind(Node& ruler, platform::WStringView definition, const Properties& skin);
    void set_letters(std::vector<platform::WString> letters);
    void set_listener(RulerListener* listener) { m_listener = listener; }

    // Makes the table hold as many letter nodes as fit and lays it out again. Also runs by
    // itself whenever the table is placed.
    void fill_table();

    // The letter index under root y, or -1 when there is none.
    int letter_at(int y) const;

    // The button side. A press hands the point itself and moves hand the movement since
    // the last point, so the finger's place is followed here.
    bool on_click(ButtonNode& button, const ButtonEvent& event) override;
    void on_press_changed(ButtonNode& button, const ButtonEvent& event) override;
    void on_pointer(ButtonNode& button, Point point) override;

    Node* button() const { return m_button; }
    Node* button2() const { return m_button2; }
    Node* table() const { return m_table; }
    int letter_height() const { return m_letter_height; }
    const std::vector<platform::WString>& letters() const { return m_letters; }
    // The letter nodes in the table, top to bottom.
    const std::vector<Node*>& letter_nodes() const { return m_letter_nodes; }

private:
    void on_layout(Node& node, Axis axis, int length) override;
    std::unique_ptr<Node> make_letter() const;
    void report(Point point, bool held, bool cancelled);

    Node* m_button = nullptr;
    Node* m_button2 = nullptr;
    Node* m_table = nullptr;
    const Properties* m_skin = nullptr;
    platform::WString m_definition;
    std::vector<platform::WString> m_letters;
    std::vector<Node*> m_letter_nodes;
    int m_letter_height = 0;
    RulerListener* m_listener = nullptr;
    bool m_filling = false;
    bool m_following = false;  // a press gave an absolute point; moves add to it
    Point m_finger;
};

}  // namespace zentra

#pragma once
// `multinode`: shows one child at a time. Code selects the child, a click on a child button
// steps to the next one (a toggle), and with `delay` set it cycles on its own, each child
// staying for its `movie` time (an animation made of frames).

#include <vector>

#include "platform/ustring.h"
#include "skin/button_node.h"
#include "skin/layout.h"
#include "skin/node.h"

namespace zentra {

class MultiNode;

// Told when another child has become the current one.
class MultiNodeListener {
public:
    virtual ~MultiNodeListener() = default;
    // by_user: the change came from a click on a child button or from code passing true;
    // automatic cycling passes false.
    virtual void on_select(MultiNode& node, bool by_user) = 0;
};

class MultiNode : public Node, private ButtonListener, private LayoutListener {
public:
    // The button listener's on_pointer below would otherwise hide the node's.
    using Node::on_pointer;
    void remove_child(Node* child, int index) override;
    void insert_child(std::unique_ptr<Node> child, int index, const Properties* properties,
                      SkinRecord record, platform::WStringView type) override;
    void load(const Properties& properties, SkinRecord record) override;
    void advance(double seconds) override;

    int current() const { return m_current; }
    // Makes the child at index the only visible one; an index outside the children or equal
    // to the current one changes nothing.
    void select(int index, bool by_user);
    // As select(index, false), but the children switch at once, without their visibility
    // animations: for rows shown for the first time, which must not play a change. Any
    // animation still running is ended, also when index is already the current one.
    void select_at_once(int index);

    MultiNodeListener* listener() const { return m_listener; }
    void set_listener(MultiNodeListener* listener) { m_listener = listener; }
    // The multinode is the layout listener of its child buttons; the owner hears their
    // placement through this one.
    void set_button_layout_listener(LayoutListener* listener) {
        m_button_layout_listener = listener;
    }

    // The time a child stays when its own `movie` is not given; negative: unknown.
    double movie() const { return m_movie; }
    void set_movie(double seconds) { m_movie = seconds; }
    bool cycling() const { return m_cycling; }
    void set_cycling(bool cycling) { m_cycling = cycling; }
    double elapsed() const { return m_elapsed; }
    // The time the child at index stays; negative when neither it nor the multinode says.
    double duration(int index) const;

    const platform::WString& label() const { return m_label; }
    // Gives every child button the label, so the toggle reads the same in each state.
    void set_label(platform::WStringView label);

private:
    struct Entry {
        Node* child;
        double duration;  // seconds; -1 means "the multinode's own movie"
    };

    // ButtonListener, for the child buttons.
    bool on_click(ButtonNode& button, const ButtonEvent& event) override;
    void on_press_changed(ButtonNode& button, const ButtonEvent& event) override;
    void on_pointer(ButtonNode& button, Point point) override;
    // LayoutListener, for the child buttons.
    void on_layout(Node& node, Axis axis, int length) override;

    void show_current(bool at_once);

    std::vector<Entry> m_entries;
    int m_current = 0;
    double m_elapsed = 0;
    double m_movie = -1;
    bool m_cycling = false;
    platform::WString m_label;
    MultiNodeListener* m_listener = nullptr;
    LayoutListener* m_button_layout_listener = nullptr;
};

}  // namespace zentra

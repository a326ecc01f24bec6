#pragma once
// `progress`: a bar whose child #line covers the fraction done of the node's length.

#include "skin/node.h"

namespace zentra {

class ProgressNode : public Node {
public:
    void load(const Properties& properties, SkinRecord record) override;
    void layout_horizontal() override;
    void layout_vertical() override;

    double fraction() const { return m_fraction; }
    // Kept within 0..1; a change lays the bar out again.
    void set_fraction(double fraction);
    // The direct child named #line; null when the skin has none.
    Node* line() const { return m_line; }

private:
    void layout_axis(Axis axis);

    double m_fraction = 0;
    Node* m_line = nullptr;
};

}  // namespace zentra

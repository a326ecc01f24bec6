#pragma once
// Table: a container that shares its length along one axis among its visible children instead
// of placing each child on its own. Each child starts from its minimum length, grows toward
// its preferred one, and children with a weight (the integer table_ratio of their record)
// take what is left over. On the other axis children follow the plain anchor rules.
// HTable and VTable are the two orientations.

#include <unordered_map>

#include "skin/layout.h"
#include "skin/node.h"

namespace zentra {

class Table : public Node {
public:
    explicit Table(Axis axis) : m_axis(axis) {}

    Axis axis() const { return m_axis; }
    // The child's share of the leftover length; 0 takes none.
    int weight(const Node& child) const;
    // For code-built children, which have no record to read table_ratio from.
    void set_weight(const Node& child, int weight);

    void remove_child(Node* child, int index) override;
    // Reads the child's table_ratio from its record (0 when absent or code-built).
    void insert_child(std::unique_ptr<Node> child, int index, const Properties* properties,
                      SkinRecord record, platform::WStringView type) override;
    // Hidden children take no share, so showing or hiding one redistributes the rest.
    void on_child_visibility_changed() override;
    void layout_horizontal() override;
    void layout_vertical() override;
    void measure_width(MeasuredSize& size) override;
    void measure_height(MeasuredSize& size) override;

private:
    void measure_main(MeasuredSize& size);
    void layout_main();

    Axis m_axis;
    // Keyed by child rather than by index: destroy_children empties the list without telling
    // the container, so an index-aligned list would fall out of step after a skin reload.
    std::unordered_map<const Node*, int> m_weights;
};

}  // namespace zentra

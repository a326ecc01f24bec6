#include "skin/table.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zentra {

namespace {

// One visible child and the length the table gives it along the main axis.
struct Cell {
    Node* node = nullptr;
    int preferred = 0;
    int minimum = 0;
    int borders = 0;  // border min + border max on the main axis
    int weight = 0;
    int length = 0;
};

// a * b / c rounded down; the products of screen lengths and weights may pass int.
int64_t scaled(int64_t a, int64_t b, int64_t c) {
    const int64_t product = a * b;
    const int64_t quotient = product / c;
    return (product % c != 0 && (product < 0) != (c < 0)) ? quotient - 1 : quotient;
}

// Hands amount out evenly to the cells still short of their preferred length. A cell whose
// share would take it past its preferred length stops there, and what it could not take is
// shared out again among the others.
void grow_toward_preferred(std::vector<Cell>& cells, int64_t amount) {
    std::vector<Cell*> open;
    while (amount > 0) {
        open.clear();
        for (Cell& cell : cells) {
            if (cell.length < cell.preferred) {
                open.push_back(&cell);
            }
        }
        if (open.empty()) {
            return;
        }
        const auto k = static_cast<int64_t>(open.size());
        int64_t surplus = 0;
        for (int64_t j = 1; j <= k; ++j) {
            // Cumulative division: the shares add up to amount exactly.
            const int64_t share = scaled(amount, j, k) - scaled(amount, j - 1, k);
            Cell& cell = *open[j - 1];
            const int64_t room = cell.preferred - cell.length;
            if (share > room) {
                cell.length = cell.preferred;
                surplus += share - room;
            } else {
                cell.length += static_cast<int>(share);
            }
        }
        // Each round with a surplus fills at least one cell, so this ends.
        amount = surplus;
    }
}

// Adds the length left once every cell has its preferred length to the weighted cells.
void share_by_weight(std::vector<Cell>& cells, int64_t extra) {
    // Divided by the sum of the weights, not by the number of weighted cells: with weights 0
    // and 1 both are the same, and for larger weights only the sum makes the cells add up to
    // the table's length.
    int64_t total = 0;
    for (const Cell& cell : cells) {
        total += std::max(cell.weight, 0);
    }
    if (total == 0) {
        return;
    }
    int64_t running = 0;
    for (Cell& cell : cells) {
        if (cell.weight <= 0) {
            continue;
        }
        cell.length += static_cast<int>(scaled(extra, running + cell.weight, total) -
                                        scaled(extra, running, total));
        running += cell.weight;
    }
}

// Too little room for every minimum: each cell gets a part of room proportional to its
// minimum.
void shrink_by_minimum(std::vector<Cell>& cells, int64_t room, int64_t total_minimum) {
    int64_t running = 0;
    for (Cell& cell : cells) {
        cell.length = static_cast<int>(scaled(room, running + cell.minimum, total_minimum) -
                                       scaled(room, running, total_minimum));
        running += cell.minimum;
    }
}

}  // namespace

int Table::weight(const Node& child) const {
    const auto found = m_weights.find(&child);
    return found == m_weights.end() ? 0 : found->second;
}

void Table::set_weight(const Node& child, int weight) {
    m_weights[&child] = weight;
    invalidate_layout();
}

void Table::remove_child(Node* child, int index) {
    m_weights.erase(child);
    Node::remove_child(child, index);
}

void Table::insert_child(std::unique_ptr<Node> child, int index, const Properties* properties,
                         SkinRecord record, platform::WStringView type) {
    // Entries of children destroyed with destroy_children are dropped here, before a new
    // child can reuse one's address.
    if (m_weights.size() > static_cast<size_t>(child_count())) {
        std::erase_if(m_weights, [this](const auto& entry) { return index_of(entry.first) < 0; });
    }
    const Node* node = child.get();
    m_weights[node] = properties != nullptr ? properties->get_integer(record, u"table_ratio", 0) : 0;
    Node::insert_child(std::move(child), index, properties, record, type);
}

void Table::on_child_visibility_changed() {
    invalidate_layout();
}

void Table::layout_horizontal() {
    if (m_axis == Axis::Horizontal) {
        layout_main();
    } else {
        layout_children(*this, Axis::Horizontal);
    }
}

void Table::layout_vertical() {
    if (m_axis == Axis::Vertical) {
        layout_main();
    } else {
        layout_children(*this, Axis::Vertical);
    }
}

void Table::measure_width(MeasuredSize& size) {
    if (m_axis == Axis::Horizontal) {
        measure_main(size);
    } else {
        measure_children(*this, Axis::Horizontal, size);
    }
}

void Table::measure_height(MeasuredSize& size) {
    if (m_axis == Axis::Vertical) {
        measure_main(size);
    } else {
        measure_children(*this, Axis::Vertical, size);
    }
}

void Table::measure_main(MeasuredSize& size) {
    size.preferred = std::max(size.preferred, along(design_size(), m_axis));
    // The children stand in a row: their needs add up, and the table can give up what each
    // can give up.
    int need_sum = 0;
    int give_sum = 0;
    for (int i = 0; i < child_count(); ++i) {
        Node& child = *this->child(i);
        if (!child.visible()) {
            continue;
        }
        const MeasuredSize measured = measured_along(child, m_axis);
        if (anchor_counts_toward_parent(anchor_along(child, m_axis))) {
            need_sum += along(child.border_min(), m_axis) + measured.preferred +
                        along(child.border_max(), m_axis);
        }
        give_sum += measured.preferred - measured.minimum;
    }
    size.preferred = std::max(size.preferred, need_sum);
    size.minimum = std::max(size.minimum, need_sum - give_sum);
}

void Table::layout_main() {
    const int start = along(position(), m_axis);
    std::vector<Cell> cells;
    cells.reserve(static_cast<size_t>(child_count()));
    // The borders come off the table's length whatever the child's anchor mode.
    int64_t room = along(size(), m_axis);
    int64_t total_preferred = 0;
    int64_t total_minimum = 0;
    for (int i = 0; i < child_count(); ++i) {
        Node& child = *this->child(i);
        if (!child.visible()) {
            continue;
        }
        const MeasuredSize measured = measured_along(child, m_axis);
        Cell cell;
        cell.node = &child;
        cell.preferred = measured.preferred;
        cell.minimum = measured.minimum;
        cell.borders = along(child.border_min(), m_axis) + along(child.border_max(), m_axis);
        cell.weight = weight(child);
        room -= cell.borders;
        total_preferred += cell.preferred;
        total_minimum += cell.minimum;
        cells.push_back(cell);
    }

    if (room <= 0) {
        for (const Cell& cell : cells) {
            place_along(*cell.node, m_axis, start, 0);
        }
        return;
    }
    if (total_minimum < room) {
        for (Cell& cell : cells) {
            cell.length = cell.minimum;
        }
        const bool roomy = total_preferred < room;
        grow_toward_preferred(cells, roomy ? total_preferred - total_minimum : room - total_minimum);
        if (roomy) {
            share_by_weight(cells, room - total_preferred);
        }
    } else {
        shrink_by_minimum(cells, room, total_minimum);
    }

    int at = start;
    for (const Cell& cell : cells) {
        const int cell_length = std::max(cell.length, 0) + cell.borders;
        place_by_anchor(*cell.node, m_axis, at, cell_length, cell.preferred);
        at += cell_length;
    }
}

}  // namespace zentra

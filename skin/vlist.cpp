#include "skin/vlist.h"

#include <algorithm>
#include <cmath>

#include "platform/clock.h"
#include "core/invariant.h"
#include "core/keys.h"
#include "core/log.h"
#include "skin/blender.h"
#include "skin/draw.h"
#include "skin/skin_error.h"

namespace zentra {

namespace {

constexpr int kKeyUp = velvane::key::Up;
constexpr int kKeyDown = velvane::key::Down;
constexpr int kKeyEnter = velvane::key::Enter;

}  // namespace

// Finger movements are timed on the program clock, so a scripted run moves alike every time.
VList::VList() : m_clock(platform::tick_count) {}

VList::~VList() {
    // The rows are children and go with them; only the bookkeeping must not outlive them.
    m_pressed = nullptr;
    m_rows.clear();
}

void VList::load(const Properties& properties, SkinRecord record) {
    // A reload rebuilds the skin children; rows made for the old skin go first. A refill from
    // the skin has destroyed every child already, rows included, before this runs.
    if (m_pressed != nullptr && index_of(m_pressed) < 0) {
        m_pressed = nullptr;
    }
    std::erase_if(m_rows, [this](const Row& row) { return index_of(row.node) < 0; });
    release_pressed();
    destroy_rows();
    Node::load(properties, record);
    m_scroll_border_min = properties.get_point(record, u"scroll_border_min", {0, 0}).y;
    m_scroll_border_max = properties.get_point(record, u"scroll_border_max", {0, 0}).y;
    m_locked = properties.get_integer(record, u"locked", 0) != 0;
    m_grow = properties.get_integer(record, u"grow", 0) != 0;
    m_highlight = properties.get_image(record, u"highlight", ImageRef{});
    const int alpha = properties.get_integer(record, u"highlight_alpha", -1);
    m_highlight_blender = alpha == -1 ? nullptr : make_keyed_blender(keyed_level_for_alpha(alpha));
    m_tracker.set_scale_shift(properties.scale_shift());
    reset(m_count);
}

// Model side.

void VList::set_adapter(VListAdapter* adapter) {
    m_adapter = adapter;
    reset(m_count);
    set_selected(-1);
}

void VList::reset(int count) {
    release_pressed();
    destroy_rows();
    m_count = std::max(count, 0);
    m_cursor = -1;
    m_cursor_speed = 0;
    m_first = -1;
    m_last = 0;
    m_total = 0;
    m_position = m_scroll_border_min;
    m_velocity = 0;
    if (m_grow) {
        invalidate_layout();
    }
    mark_dirty();
}

void VList::scroll_to(int index) {
    if (m_pressed != nullptr) {
        return;
    }
    reset(m_count);
    m_first = std::clamp(index, 0, m_count) - 1;
    m_last = m_first + 1;
}

VListElement* VList::element_for(int index) const {
    if (index < 0) {
        return nullptr;
    }
    for (const Row& row : m_rows) {
        if (row.index == index) {
            return row.node;
        }
    }
    return nullptr;
}

int VList::item_of(const VListElement* element) const {
    for (const Row& row : m_rows) {
        if (row.node == element) {
            return row.index;
        }
    }
    return -1;
}

void VList::item_changed(int index) {
    if (m_first < index && index < m_last) {
        for (Row& row : m_rows) {
            if (row.index == index) {
                row.node->bind(*this, VListElement::kBindAgain, index);
                // A new height is reached gradually by advance.
                row.height = measure_row(*row.node);
                update_states(row.node);
            }
        }
        mark_dirty();
    }
}

void VList::all_items_changed() {
    for (Row& row : m_rows) {
        if (row.index >= 0) {
            row.node->bind(*this, VListElement::kBindAgain, row.index);
            row.height = measure_row(*row.node);
            update_states(row.node);
        }
    }
    mark_dirty();
}

void VList::item_removed(int index) {
    if (index < 0 || index >= m_count) {
        return;
    }
    --m_count;
    if (index <= m_first) {
        --m_first;
        --m_last;
        for (Row& row : m_rows) {
            if (row.index >= 0) {
                --row.index;
            }
        }
    } else if (index < m_last) {
        --m_last;
        for (Row& row : m_rows) {
            if (row.index == index) {
                if (row.node == m_pressed) {
                    release_pressed();
                }
                // It shrinks away in advance and is destroyed at height 0.
                row.index = -1;
            } else if (row.index > index) {
                --row.index;
            }
        }
    }
    if (m_selected == index) {
        m_selected = -1;
    } else if (m_selected > index) {
        --m_selected;
    }
    if (m_cursor >= m_count) {
        m_cursor = m_count - 1;
    }
    // While the list measures itself, a row the adapter no longer has is left out of the sum
    // that is being made; the ancestors must not be reset half-way through theirs.
    if (m_grow && !m_measuring) {
        invalidate_layout();
    }
    mark_dirty();
    check_rows();
}

void VList::item_inserted(int index) {
    if (index < 0 || index > m_count) {
        return;
    }
    ++m_count;
    if (m_selected >= index) {
        ++m_selected;
    }
    if (index <= m_first) {
        ++m_first;
        ++m_last;
        for (Row& row : m_rows) {
            if (row.index >= 0) {
                ++row.index;
            }
        }
    } else if (index < m_last) {
        // Inside the bound rows: the new row opens from height 0 where it belongs, so the
        // bound rows stay one unbroken run of items.
        ++m_last;
        size_t at = m_rows.size();
        for (size_t i = 0; i < m_rows.size(); ++i) {
            if (m_rows[i].index >= index) {
                ++m_rows[i].index;
                at = std::min(at, i);
            }
        }
        if (std::optional<Row> row = make_row(index)) {
            row->shown = 0;
            m_rows.insert(m_rows.begin() + static_cast<long>(at), *row);
        } else {
            --m_last;
            --m_count;
            for (Row& row : m_rows) {
                if (row.index > index) {
                    --row.index;
                }
            }
        }
    }
    if (m_grow) {
        invalidate_layout();
    }
    mark_dirty();
    check_rows();
}

void VList::set_selected(int index) {
    const int before = m_selected;
    m_selected = index;
    if (before != index) {
        update_states(element_for(before));
        update_states(element_for(index));
        mark_dirty();
    }
}

void VList::set_grow(bool grow) {
    m_grow = grow;
    invalidate_layout();
}

void VList::set_scroll_borders(int min, int max) {
    m_scroll_border_min = min;
    m_scroll_border_max = max;
    reset(m_count);
}

void VList::set_scroll_position(double position) {
    m_position = position;
    close_gaps();
    mark_dirty();
}

// Rows.

std::optional<VList::Row> VList::make_row(int index) {
    if (m_adapter == nullptr) {
        return std::nullopt;
    }
    // Rows are made while the list draws, where a skin error would end the frame: a row the
    // skin cannot build is left out, as an item the adapter has no row for.
    VListElement* made = nullptr;
    try {
        std::unique_ptr<VListElement> element = m_adapter->create_element(*this, index);
        if (!element) {
            return std::nullopt;
        }
        made = element.get();
        return adopt(std::move(element), index);
    } catch (...) {
        const platform::WString why = current_skin_error();
        velvane::log() << "VList " << name() << ": row " << index << " left out, " << why << "\n";
        if (const int at = made != nullptr ? index_of(made) : -1; at >= 0) {
            take_child_quietly(at).reset();
        }
        return std::nullopt;
    }
}

void VList::check_rows() const {
    int bound = 0;
    double shown = 0;
    for (const Row& row : m_rows) {
        bound += row.index >= 0 ? 1 : 0;
        shown += row.shown;
    }
    // first and last enclose exactly the bound rows, within the items, and the total height
    // is what the rows show.
    VELVANE_ASSERT(-1 <= m_first && m_first < m_last && m_last <= m_count);
    VELVANE_ASSERT(m_last - m_first - 1 == bound);
    VELVANE_ASSERT(std::abs(m_total - shown) < 0.5);
}

VList::Row VList::adopt(std::unique_ptr<VListElement> element, int index) {
    VListElement* node = element.get();
    // Bound and measured before it joins the list, so what binding changes inside the row
    // (texts, a skin loaded into it) stops at the row. The list places its rows itself; they
    // never size its ancestors, which may be in the middle of summing their measures (a
    // growing list fills while it is measured).
    node->bind(*this, VListElement::kBindNew, index);
    node->set_visible_at_once(true);
    Row row;
    row.node = node;
    row.index = index;
    row.height = measure_row(*node);
    row.shown = row.height;
    insert_child_quietly(std::move(element), child_count());
    update_states(node);
    return row;
}

int VList::measure_row(VListElement& element) {
    element.invalidate_layout();
    element.set_x_and_width(position().x, size().w);
    return std::max(element.measured_height().preferred, 0);
}

void VList::destroy_row(Row& row) {
    if (row.node == m_pressed) {
        release_pressed();
    }
    const int at = index_of(row.node);
    if (at >= 0) {
        ++m_rows_dropped;
        take_child_quietly(at).reset();
    }
    row.node = nullptr;
}

void VList::destroy_rows() {
    for (Row& row : m_rows) {
        destroy_row(row);
    }
    m_rows.clear();
}

void VList::fill() {
    fill_to(size().h);
}

void VList::fill_to(double height) {
    if (m_adapter == nullptr) {
        return;
    }
    const double bottom_line = height - m_scroll_border_max;
    const double total_before = m_total;
    // Started past the last item (scroll_to near the end): the items end at the bottom line
    // and the ones above fill the window from there.
    if (m_rows.empty() && m_last >= m_count && m_first >= 0) {
        m_position = bottom_line;
    }
    // A gap above the first row: bring in the items above.
    while (m_first >= 0 && m_position > 0) {
        const int index = m_first;
        std::optional<Row> row = make_row(index);
        if (!row) {
            item_removed(index);
            continue;
        }
        m_rows.push_front(*row);
        m_position -= row->shown;
        m_total += row->shown;
        --m_first;
    }
    // Rows scrolled out above the top.
    while (!m_rows.empty() && m_position + m_rows.front().shown <= 0) {
        Row row = m_rows.front();
        m_rows.pop_front();
        m_position += row.shown;
        m_total -= row.shown;
        if (row.index >= 0) {
            m_first = row.index;
        }
        destroy_row(row);
    }
    // A gap below the last row.
    while (m_last < m_count && m_position + m_total < bottom_line) {
        const int index = m_last;
        std::optional<Row> row = make_row(index);
        if (!row) {
            item_removed(index);
            continue;
        }
        m_rows.push_back(*row);
        m_total += row->shown;
        ++m_last;
    }
    // Rows scrolled out below the bottom.
    while (!m_rows.empty() && m_position + m_total - m_rows.back().shown >= bottom_line) {
        Row row = m_rows.back();
        m_rows.pop_back();
        m_total -= row.shown;
        if (row.index >= 0) {
            m_last = row.index;
        }
        destroy_row(row);
    }
    if (m_rows.empty()) {
        m_total = 0;
    }
    // A growing list is as high as its rows: outside its own measuring, rows that came or
    // went change its measure.
    if (m_grow && !m_measuring && m_total != total_before) {
        invalidate_layout();
    }
    // Rows made here are where they will be drawn and tapped, without a layout of the
    // screen around the list.
    place_rows();
    check_rows();
}

void VList::place_rows() {
    double y = std::floor(m_position);
    for (Row& row : m_rows) {
        row.node->set_x_and_width(position().x, size().w);
        row.node->set_y_and_height(position().y + static_cast<int>(y), row.height);
        y += row.shown;
    }
}

int VList::row_at(Point point) const {
    if (!contains(point)) {
        return -1;
    }
    double y = position().y + std::floor(m_position);
    for (int i = 0; i < row_count(); ++i) {
        const double bottom = y + m_rows[i].shown;
        if (point.y >= y && point.y < bottom) {
            return m_rows[i].index >= 0 ? i : -1;
        }
        y = bottom;
    }
    return -1;
}

void VList::update_states(VListElement* element) {
    if (element == nullptr) {
        return;
    }
    Node* normal = element->find_descendant(u"#vlist_normal");
    Node* pressed = element->find_descendant(u"#vlist_pressed");
    Node* selected = element->find_descendant(u"#vlist_selected");
    int index = -1;
    for (const Row& row : m_rows) {
        if (row.node == element) {
            index = row.index;
        }
    }
    Node* shown = normal;
    if (element == m_pressed && element->captured_child() == nullptr && pressed != nullptr) {
        shown = pressed;
    } else if (index >= 0 && index == m_selected && selected != nullptr) {
        shown = selected;
    }
    for (Node* state : {normal, pressed, selected}) {
        if (state != nullptr) {
            state->set_visible(state == shown);
        }
    }
}

void VList::release_pressed() {
    VListElement* element = m_pressed;
    if (element == nullptr) {
        return;
    }
    m_pressed = nullptr;
    const uint64_t dropped = m_rows_dropped;
    if (element->captured_child() != nullptr) {
        PointerEvent cancel;
        cancel.x = m_last_point.x;
        cancel.y = m_last_point.y;
        cancel.cancel = true;
        element->on_pointer(cancel);
    }
    // The cancel may have reset the list through the row's listener.
    if (!rows_dropped_since(dropped)) {
        update_states(element);
    }
    mark_dirty();
}

// Motion.

scroller::Overshoot VList::overshoot() const {
    scroller::Overshoot over;
    over.top = m_position - m_scroll_border_min;
    over.bottom = (size().h - m_scroll_border_max - m_total) - m_position;
    over.first_bound = m_first == -1;
    over.last_bound = m_last >= m_count;
    return over;
}

void VList::close_gaps() {
    if (!m_grow || m_rows.empty()) {
        return;
    }
    const scroller::Overshoot over = overshoot();
    if (over.last_bound && over.bottom > 0) {
        m_position = size().h - m_scroll_border_max - m_total;
        m_velocity = 0;
    }
    if (over.first_bound && m_position > m_scroll_border_min) {
        m_position = m_scroll_border_min;
        m_velocity = 0;
    }
}

void VList::animate_heights(double seconds) {
    // The row the user looks at keeps its place: the pressed one, else the selected one,
    // else the first in view.
    int anchor = -1;
    if (m_pressed != nullptr) {
        for (int i = 0; i < row_count(); ++i) {
            if (m_rows[i].node == m_pressed) {
                anchor = i;
            }
        }
    }
    if (anchor < 0 && m_selected >= 0) {
        for (int i = 0; i < row_count(); ++i) {
            if (m_rows[i].index == m_selected) {
                anchor = i;
            }
        }
    }
    if (anchor < 0) {
        double y = m_position;
        for (int i = 0; i < row_count() && anchor < 0; ++i) {
            y += m_rows[i].shown;
            if (y > 0) {
                anchor = i;
            }
        }
    }
    const double step = scroller::kHeightSpeed * seconds;
    bool changed = false;
    for (int i = 0; i < row_count(); ++i) {
        Row& row = m_rows[i];
        const double target = row.index >= 0 ? row.height : 0;
        if (row.shown == target) {
            continue;
        }
        const double before = row.shown;
        row.shown = scroller::move_toward(row.shown, target, step);
        const double change = row.shown - before;
        m_total += change;
        if (i < anchor) {
            m_position -= change;
        } else if (i == anchor) {
            m_position -= change / 2;
        }
        changed = true;
    }
    for (int i = row_count() - 1; i >= 0; --i) {
        if (m_rows[i].index < 0 && m_rows[i].shown == 0) {
            Row row = m_rows[i];
            m_rows.erase(m_rows.begin() + i);
            destroy_row(row);
        }
    }
    if (changed) {
        if (m_grow) {
            invalidate_layout();
        }
        mark_dirty();
    }
}

void VList::advance(double seconds) {
    Node::advance(seconds);
    const double dt = seconds;
    const double before = m_position;
    animate_heights(dt);

    m_position += m_velocity * dt;
    fill();
    if (m_rows.empty()) {
        m_velocity = 0;
        m_position = m_scroll_border_min;
    }
    const bool finger_braking = m_finger_down && m_pressed == nullptr;
    m_velocity = scroller::fling_step(m_velocity, dt, overshoot(), finger_braking);

    if (!m_finger_down && m_velocity == 0 && !m_rows.empty()) {
        const scroller::Overshoot over = overshoot();
        const double step = scroller::kSpringSpeed * dt;
        if (over.first_bound && over.top >= 0) {
            m_position = scroller::move_toward(m_position, m_scroll_border_min, step);
        } else if (over.last_bound && over.bottom >= 0) {
            m_position = scroller::move_toward(
                m_position, size().h - m_scroll_border_max - m_total, step);
        }
    }
    if (m_finger_down && m_pressed != nullptr) {
        place_rows();
        const int under = row_at(m_last_point);
        if (under < 0 || m_rows[under].node != m_pressed) {
            release_pressed();
        }
    }
    if (m_cursor >= 0 && m_cursor_speed != 0) {
        const scroller::Cursor moved = scroller::cursor_step(
            {m_cursor, m_cursor_speed}, dt, m_count,
            [this](int index) { return row_height_for_cursor(index); });
        m_cursor = moved.position;
        m_cursor_speed = moved.speed;
        keep_cursor_visible();
        mark_dirty();
    }
    if (m_position != before) {
        close_gaps();
        mark_dirty();
    }
}

double VList::row_height_for_cursor(int index) const {
    for (const Row& row : m_rows) {
        if (row.index == index) {
            return std::max(row.shown, 1.0);
        }
    }
    // Rows out of view: the average of those in view stands in.
    int bound = 0;
    double total = 0;
    for (const Row& row : m_rows) {
        if (row.index >= 0) {
            ++bound;
            total += row.shown;
        }
    }
    return bound > 0 ? std::max(total / bound, 1.0) : 1.0;
}

bool VList::item_top(int index, double& top) const {
    double y = m_position;
    for (const Row& row : m_rows) {
        if (row.index == index) {
            top = y;
            return true;
        }
        y += row.shown;
    }
    return false;
}

void VList::keep_cursor_visible() {
    if (m_cursor < 0 || m_rows.empty()) {
        return;
    }
    const int index = static_cast<int>(std::floor(m_cursor));
    const double window_top = m_scroll_border_min;
    const double window_bottom = size().h - m_scroll_border_max;
    double top = 0;
    const double height = row_height_for_cursor(index);
    if (!item_top(index, top)) {
        // Not bound yet: move one row's height toward it; fill binds it on the way.
        m_position += index <= m_first ? height : -height;
        m_velocity = 0;
        fill();
        if (!item_top(index, top)) {
            return;
        }
    }
    // The bar's own place inside its row follows the cursor's fraction.
    const double bar_top = top + (m_cursor - index) * height;
    const double bar_bottom = bar_top + height;
    if (bar_top < window_top) {
        m_position += window_top - bar_top;
        m_velocity = 0;
    } else if (bar_bottom > window_bottom && bar_top > window_top) {
        m_position -= std::min(bar_bottom - window_bottom, bar_top - window_top);
        m_velocity = 0;
    }
}

// Layout and drawing.

void VList::layout_horizontal() {
    const int skin = skin_child_count();
    for (int i = 0; i < skin; ++i) {
        Node& c = *child(i);
        place_by_anchor(c, Axis::Horizontal, position().x, size().w, c.measured_width().preferred);
    }
    for (Row& row : m_rows) {
        row.node->set_x_and_width(position().x, size().w);
    }
}

void VList::layout_vertical() {
    const int skin = skin_child_count();
    for (int i = 0; i < skin; ++i) {
        Node& c = *child(i);
        place_by_anchor(c, Axis::Vertical, position().y, size().h, c.measured_height().preferred);
    }
    place_rows();
}

void VList::measure_width(MeasuredSize& size) {
    measure_first_children(*this, skin_child_count(), Axis::Horizontal, size);
}

void VList::measure_height(MeasuredSize& measured) {
    measure_first_children(*this, skin_child_count(), Axis::Vertical, measured);
    if (!m_grow) {
        return;
    }
    // The height is what is being decided, so the rows are filled as far as the parent
    // could ever give room; a growing list is meant for short lists.
    const int room = parent() != nullptr ? parent()->size().h : size().h;
    const bool was_measuring = m_measuring;
    m_measuring = true;
    fill_to(std::max(room, size().h));
    m_measuring = was_measuring;
    const int content = static_cast<int>(std::ceil(m_total)) + m_scroll_border_min +
                        m_scroll_border_max;
    measured.preferred = std::max(measured.preferred, content);
    measured.minimum = std::max(measured.minimum, m_scroll_border_min + m_scroll_border_max);
}

void VList::draw_own_children(RenderSurface& target, Point origin, int y0, int y1) {
    if (y1 <= y0) {
        return;
    }
    RenderSurface band = target.clipped(Rect{origin.x, origin.y + y0, size().w, y1 - y0});
    if (band.empty() || band.clip().empty()) {
        return;
    }
    const int skin = skin_child_count();
    for (int i = 0; i < skin; ++i) {
        Node* c = child(i);
        c->render(band, {origin.x + c->position().x - position().x,
                         origin.y + c->position().y - position().y});
    }
}

void VList::draw(RenderSurface& target, Point origin) {
    fill();
    place_rows();
    const int top = static_cast<int>(std::floor(m_position));
    const int bottom = top + static_cast<int>(std::ceil(m_total));
    if (m_rows.empty()) {
        draw_own_children(target, origin, 0, size().h);
    } else {
        draw_own_children(target, origin, 0, std::min(top, size().h));
        draw_own_children(target, origin, std::max(bottom, 0), size().h);
    }
    RenderSurface view = target.clipped(Rect{origin.x, origin.y, size().w, size().h});
    if (view.empty() || view.clip().empty()) {
        return;
    }
    double y = top;
    for (Row& row : m_rows) {
        const int row_y = static_cast<int>(std::floor(y));
        const int shown = static_cast<int>(std::ceil(y + row.shown)) - row_y;
        RenderSurface cell = view.clipped(Rect{origin.x, origin.y + row_y, size().w, shown});
        if (!cell.empty() && !cell.clip().empty()) {
            row.node->render(cell, {origin.x, origin.y + row_y});
        }
        y += row.shown;
    }
    if (m_cursor >= 0 && !m_highlight.empty()) {
        const int index = static_cast<int>(std::floor(m_cursor));
        double row_top = 0;
        if (item_top(index, row_top)) {
            const double height = row_height_for_cursor(index);
            const int bar_y = static_cast<int>(std::floor(row_top + (m_cursor - index) * height));
            draw_image(m_highlight, view, {origin.x, origin.y + bar_y},
                       {size().w, static_cast<int>(std::lround(height))},
                       blender_or_plain(m_highlight_blender.get()));
        }
    }
}

void VList::on_visibility_changed(bool effective) {
    Node::on_visibility_changed(effective);
    if (!effective) {
        // A hidden list gets no release; the gesture ends here.
        release_pressed();
        m_finger_down = false;
        m_velocity = 0;
    }
}

// Input.

void VList::on_pointer_move(Point point) {
    m_last_point = point;
    if (!m_finger_down) {
        return;
    }
    // A button inside the row follows the finger until the drag takes over.
    if (m_pressed != nullptr && m_pressed->captured_child() != nullptr &&
        !m_tracker.outside_slop()) {
        m_pressed->on_pointer_move(point);
    }
    if (!m_tracker.move(point, m_clock()) || size().h <= 0) {
        return;
    }
    const double dy = scroller::rubber_band(m_tracker.last_dy(), overshoot(), size().h);
    m_position += dy;
    release_pressed();
    m_cursor = -1;
    close_gaps();
    mark_dirty();
}

bool VList::on_pointer(const PointerEvent& event) {
    const Point point{event.x, event.y};
    m_last_point = point;
    if (event.cancel) {
        release_pressed();
        m_finger_down = false;
        mark_dirty();
        return true;
    }
    place_rows();
    if (event.pressed) {
        m_tracker.press(point);
        m_finger_down = true;
        release_pressed();
        if (m_velocity == 0) {
            const int under = row_at(point);
            if (under >= 0) {
                m_pressed = m_rows[under].node;
                m_pressed->on_pointer(event);
                // A reset during the press released the row (m_pressed is null then).
                update_states(m_pressed);
            }
        }
    } else {
        m_finger_down = false;
        if (VListElement* pressed = m_pressed) {
            m_velocity = 0;
            const int under = row_at(point);
            if (under < 0 || m_rows[under].node != pressed) {
                release_pressed();
            } else if (pressed->captured_child() != nullptr) {
                m_pressed = nullptr;
                const uint64_t dropped = m_rows_dropped;
                pressed->on_pointer(event);
                // A click on a button in the row may have reset the list, directly or
                // through a refresh of the model: then the row is gone.
                if (!rows_dropped_since(dropped)) {
                    update_states(pressed);
                }
            } else {
                const int index = m_rows[under].index;
                if (m_adapter != nullptr) {
                    m_adapter->on_item_click(*this, index);
                }
                // The click may have reset the list and destroyed the row already.
                if (m_pressed == pressed) {
                    release_pressed();
                }
            }
        } else {
            const scroller::Overshoot over = overshoot();
            if ((over.first_bound && over.top > 0) || (over.last_bound && over.bottom > 0)) {
                m_velocity = 0;
            } else {
                m_tracker.release(m_clock());
                m_velocity = std::clamp(-m_tracker.velocity_y(), -scroller::kMaxFling,
                                        scroller::kMaxFling);
            }
        }
    }
    m_cursor = -1;
    mark_dirty();
    return true;
}

bool VList::on_key(const KeyEvent& event) {
    const bool arrow = event.key == kKeyUp || event.key == kKeyDown;
    bool handled = false;
    if (event.down && m_pressed == nullptr) {
        if (arrow) {
            const bool up = event.key == kKeyUp;
            if (m_cursor < 0) {
                // The cursor starts on the first (or last) row in view.
                fill();
                int found = -1;
                double y = m_position;
                for (const Row& row : m_rows) {
                    const bool in_view = y + row.shown > 0 && y < size().h;
                    if (row.index >= 0 && in_view && (found < 0 || !up)) {
                        found = row.index;
                    }
                    y += row.shown;
                }
                if (found >= 0) {
                    m_cursor = found;
                    m_cursor_speed = up ? -scroller::kCursorStep : scroller::kCursorStep;
                    handled = true;
                }
            } else if (up && m_cursor > 0) {
                m_cursor_speed -= scroller::kCursorStep;
                handled = true;
            } else if (!up && m_cursor < m_count - 1) {
                m_cursor_speed += scroller::kCursorStep;
                handled = true;
            }
            if (handled) {
                // Keys take over from a fling.
                m_velocity = 0;
                mark_dirty();
            }
        } else if (event.key == kKeyEnter && m_cursor >= 0 && m_cursor < m_count &&
                   m_adapter != nullptr) {
            m_adapter->on_item_click(*this, static_cast<int>(std::floor(m_cursor + 0.5)));
            return true;
        }
    }
    if (!event.down) {
        m_cursor_speed = std::clamp(m_cursor_speed, -scroller::kCursorStep, scroller::kCursorStep);
    }
    if (handled) {
        return true;
    }
    bool taken = false;
    if (m_cursor >= 0) {
        // The key belongs to the row under the cursor (a row with its own key handling);
        // what it leaves goes no further into the other rows, whose bound buttons would
        // fire for a row the user is not on.
        if (VListElement* element = element_for(static_cast<int>(std::floor(m_cursor + 0.5)))) {
            taken = element->on_key(event);
        }
        if (!taken) {
            taken = skin_children_key(event);
        }
    } else {
        taken = Node::on_key(event);
    }
    return taken || (arrow && event.down);
}

bool VList::skin_children_key(const KeyEvent& event) {
    // The count is read each time: a child's key may reset the list.
    for (int i = 0; i < skin_child_count(); ++i) {
        Node* c = child(i);
        if (c->visible() && c->on_key(event)) {
            return true;
        }
    }
    return false;
}

}  // namespace zentra

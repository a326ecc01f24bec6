#pragma once
// `vlist`: a vertical list of any number of items of which only the rows in view exist. The
// adapter makes the rows; the list binds, recycles and destroys them as it scrolls by drag
// (with a rubber band at both ends) and fling, by keys with a cursor bar, or from code. The
// owner keeps it in step with its model through the item notices.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "skin/image_ref.h"
#include "skin/node.h"
#include "skin/vlist_adapter.h"
#include "skin/vlist_scroller.h"
#include "skin/vlist_velocity.h"

namespace zentra {

class VList : public Node {
public:
    VList();
    ~VList() override;

    // Model side.
    void set_adapter(VListAdapter* adapter);
    VListAdapter* adapter() const { return m_adapter; }
    // Drops every row and starts over with count items at the top.
    void reset(int count);
    // Starts the list with item index at the top on the next draw; ignored while a row is
    // pressed, since the finger would lose its row.
    void scroll_to(int index);
    void item_changed(int index);
    void all_items_changed();
    void item_removed(int index);
    void item_inserted(int index);

    int item_count() const { return m_count; }
    int selected() const { return m_selected; }
    void set_selected(int index);
    bool locked() const { return m_locked; }
    void set_locked(bool locked) { m_locked = locked; }
    bool grow() const { return m_grow; }
    // For code-built lists; skins set these in load.
    void set_grow(bool grow);
    void set_scroll_borders(int min, int max);

    // Scroll state, relative to the list's top.
    double scroll_position() const { return m_position; }
    void set_scroll_position(double position);
    double velocity() const { return m_velocity; }
    void set_velocity(double velocity) { m_velocity = velocity; }
    double cursor() const { return m_cursor; }
    double cursor_speed() const { return m_cursor_speed; }
    int first() const { return m_first; }
    int last() const { return m_last; }
    double total_height() const { return m_total; }
    int scroll_border_min() const { return m_scroll_border_min; }
    int scroll_border_max() const { return m_scroll_border_max; }

    // The bound rows in item order; an index of -1 is a removed row still shrinking away.
    int row_count() const { return static_cast<int>(m_rows.size()); }
    VListElement* row(int i) const { return m_rows[i].node; }
    int row_index(int i) const { return m_rows[i].index; }
    double row_shown_height(int i) const { return m_rows[i].shown; }
    VListElement* element_for(int index) const;
    // The item a bound row shows now (rows move as items come and go around them); -1 for a
    // row that is not bound or is shrinking away.
    int item_of(const VListElement* element) const;
    VListElement* pressed_element() const { return m_pressed; }

    // Pointer moves carry no time; the tracker reads it here. Tests set their own clock.
    void set_move_clock(std::function<uint32_t()> clock) { m_clock = std::move(clock); }

    // Creates the rows the view needs now (draw and measure do this themselves).
    void fill();

    void load(const Properties& properties, SkinRecord record) override;
    void advance(double seconds) override;
    void draw(RenderSurface& target, Point origin) override;
    void layout_horizontal() override;
    void layout_vertical() override;
    // Only the list's own skin children count; rows never size the list across.
    void measure_width(MeasuredSize& size) override;
    void measure_height(MeasuredSize& size) override;
    void on_visibility_changed(bool effective) override;
    void on_pointer_move(Point point) override;
    bool on_pointer(const PointerEvent& event) override;
    bool on_key(const KeyEvent& event) override;

private:
    struct Row {
        VListElement* node = nullptr;
        int index = -1;
        int height = 0;     // as laid out
        double shown = 0;   // as drawn; follows height
    };

    // A new row for item index, bound and measured; none when the adapter gives none or the
    // skin cannot build it (logged).
    std::optional<Row> make_row(int index);
    // Adds the element as a child, binds it as new and measures it at the list's width.
    Row adopt(std::unique_ptr<VListElement> element, int index);
    // The bookkeeping of first, last and total height agrees with the rows.
    void check_rows() const;
    int measure_row(VListElement& element);
    void destroy_row(Row& row);
    void destroy_rows();
    void fill_to(double bottom);
    void place_rows();
    void update_states(VListElement* element);
    void release_pressed();
    int row_at(Point point) const;
    scroller::Overshoot overshoot() const;
    void close_gaps();
    void animate_heights(double seconds);
    void keep_cursor_visible();
    double row_height_for_cursor(int index) const;
    // Top of item index relative to the list's top, when bound.
    bool item_top(int index, double& top) const;
    int skin_child_count() const { return child_count() - static_cast<int>(m_rows.size()); }
    // A key offered to the list's own skin children only, as the plain node offers it.
    bool skin_children_key(const KeyEvent& event);
    // Whether rows were destroyed since the count was dropped_before.
    bool rows_dropped_since(uint64_t dropped_before) const {
        return m_rows_dropped != dropped_before;
    }
    void draw_own_children(RenderSurface& target, Point origin, int y0, int y1);

    int m_scroll_border_min = 0;
    int m_scroll_border_max = 0;
    bool m_locked = false;
    bool m_grow = false;
    ImageRef m_highlight;
    std::unique_ptr<Blender> m_highlight_blender;

    VListAdapter* m_adapter = nullptr;
    int m_count = 0;
    std::deque<Row> m_rows;
    int m_first = -1;
    int m_last = 0;
    double m_total = 0;
    double m_position = 0;
    double m_velocity = 0;
    double m_cursor = -1;
    double m_cursor_speed = 0;
    int m_selected = -1;
    VListElement* m_pressed = nullptr;
    VelocityTracker m_tracker;
    bool m_finger_down = false;
    Point m_last_point;
    // Counts the rows destroyed so far: a call into a row that finds it changed afterwards
    // knows the row may be gone (a click that reset the list) and does not touch it again.
    uint64_t m_rows_dropped = 0;
    // Set while the list fills itself to measure its height: its ancestors are summing their
    // measures and nothing may invalidate them.
    bool m_measuring = false;
    std::function<uint32_t()> m_clock;
};

}  // namespace zentra

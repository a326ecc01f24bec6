#pragma once
// `spinner`: a vertical strip of value rows that the finger drags and flings; a fling glides
// to rest on a whole value. Cyclic spinners come round to the first value after the last.
// The start-up code registers the type itself with create_node<SpinnerNode>.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "skin/node.h"
#include "skin/vlist_velocity.h"

namespace zentra {

class SpinnerNode;

// A row of a spinner; it shows the value it is bound to.
class SpinnerElement : public Node {
public:
    virtual void bind(SpinnerNode& spinner, int value) = 0;
};

// The owner's side; the spinner does not own it. The spinner never moves itself: it proposes
// values and the owner decides with set_value.
class SpinnerAdapter {
public:
    virtual ~SpinnerAdapter() = default;
    // wraps: how many times a cyclic spinner went past its last value (negative: its first).
    virtual void on_value_changed(SpinnerNode& spinner, int wraps) = 0;
    // value as the gesture would have it; wrapped is the same reduced into [0, count) for a
    // cyclic spinner. Calling set_value(value) keeps the wrap count right.
    virtual void on_value_proposed(SpinnerNode& spinner, double value, double wrapped) = 0;
    virtual void on_glide_started(SpinnerNode& spinner) = 0;
    virtual std::unique_ptr<SpinnerElement> create_element(SpinnerNode& spinner, int value) = 0;
    // The spinner is being destroyed (a skin reload); the adapter must let go of it.
    virtual void on_spinner_destroyed(SpinnerNode& /*spinner*/) {}
};

class SpinnerNode : public Node {
public:
    static constexpr double kDeceleration = 20.0;  // values per second squared
    static constexpr double kMaxSpeed = 2000.0;    // values per second

    SpinnerNode();
    ~SpinnerNode() override;

    void load(const Properties& properties, SkinRecord record) override;
    void draw(RenderSurface& target, Point origin) override;
    void advance(double seconds) override;
    void on_pointer_move(Point point) override;
    bool on_pointer(const PointerEvent& event) override;

    void set_value(double value);
    double value() const { return m_value; }
    int count() const { return m_count; }
    void set_count(int count);
    bool cyclic() const { return m_cyclic; }
    void set_cyclic(bool cyclic) { m_cyclic = cyclic; }
    int row_height() const { return m_row_height; }
    void set_row_height(int height);
    SpinnerAdapter* adapter() const { return m_adapter; }
    void set_adapter(SpinnerAdapter* adapter) { m_adapter = adapter; }
    // Moves the value by units together with any glide in progress, which keeps its course.
    void move_by(int units);
    // Stops any glide and shows value.
    void jump_to(double value);
    // Glides from the current value to target, arriving at rest.
    void glide_to(double target);
    bool gliding() const { return m_time_left > 0; }
    double glide_target() const { return m_target; }
    // Held by the finger or gliding.
    bool moving() const { return m_finger_down || gliding(); }
    // Where a dragged pointer's time comes from (tests step it by hand).
    void set_move_clock(std::function<uint32_t()> clock) { m_clock = std::move(clock); }

    // The rows of the last draw, with the value each shows, top to bottom.
    struct Row {
        int value = 0;
        std::unique_ptr<SpinnerElement> node;
    };
    const std::vector<Row>& rows() const { return m_rows; }

private:
    void propose(double value);
    double wrapped(double value) const;

    int m_count = 0;
    bool m_cyclic = false;
    double m_value = 0;
    double m_target = 0;
    double m_time_left = 0;
    int m_direction = 1;
    int m_row_height = 60;
    bool m_finger_down = false;
    // The rows are not children: they are made, placed and dropped by draw alone, and must
    // not take part in layout or input dispatch.
    std::vector<Row> m_rows;
    SpinnerAdapter* m_adapter = nullptr;
    VelocityTracker m_tracker;
    std::function<uint32_t()> m_clock;
};

}  // namespace zentra

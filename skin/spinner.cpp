#include "skin/spinner.h"

#include <algorithm>
#include <cmath>

#include "platform/clock.h"

namespace zentra {

// Finger movements are timed on the program clock, so a scripted run moves alike every time.
SpinnerNode::SpinnerNode() : m_clock(platform::tick_count) {}
SpinnerNode::~SpinnerNode() {
    if (SpinnerAdapter* adapter = m_adapter) {
        m_adapter = nullptr;
        adapter->on_spinner_destroyed(*this);
    }
}

void SpinnerNode::load(const Properties& properties, SkinRecord record) {
    Node::load(properties, record);
    m_row_height = std::max(1, properties.get_point(record, u"element_size", Point{0, 60}).y);
    m_tracker.set_scale_shift(properties.scale_shift());
}

void SpinnerNode::set_count(int count) {
    m_count = count;
    m_rows.clear();
    mark_dirty();
}

void SpinnerNode::set_row_height(int height) {
    m_row_height = std::max(1, height);
    mark_dirty();
}

double SpinnerNode::wrapped(double value) const {
    if (!m_cyclic || m_count <= 0) {
        return value;
    }
    const double reduced = value - std::floor(value / m_count) * m_count;
    // A value a hair below 0 rounds up to count itself.
    return reduced >= m_count ? 0.0 : reduced;
}

void SpinnerNode::set_value(double value) {
    if (value == m_value) {
        return;
    }
    int wraps = 0;
    if (m_cyclic && m_count > 0) {
        const double reduced = wrapped(value);
        wraps = static_cast<int>(std::floor(value / m_count)) -
                static_cast<int>(std::floor(m_value / m_count));
        if (reduced == 0 && value < 0 && std::floor(value / m_count) * m_count != value) {
            ++wraps;  // the hair below 0 that wrapped() rounded up to a whole cycle
        }
        value = reduced;
        // The glide runs on in the same frame of values, so it does not wrap twice.
        m_target -= wraps * static_cast<double>(m_count);
    }
    m_value = value;
    mark_dirty();
    if (m_adapter != nullptr) {
        m_adapter->on_value_changed(*this, wraps);
    }
}

void SpinnerNode::propose(double value) {
    if (m_adapter != nullptr) {
        m_adapter->on_value_proposed(*this, value, wrapped(value));
    }
}

void SpinnerNode::move_by(int units) {
    // set_value takes a wrap off the target again.
    m_target += units;
    set_value(m_value + units);
}

void SpinnerNode::jump_to(double value) {
    m_time_left = 0;
    m_target = value;
    set_value(value);
}

void SpinnerNode::glide_to(double target) {
    m_target = target;
    m_direction = target >= m_value ? 1 : -1;
    m_time_left = std::sqrt(std::abs(target - m_value) / kDeceleration);
    if (m_time_left == 0 && target != m_value) {
        propose(target);
    }
    mark_dirty();
}

void SpinnerNode::advance(double seconds) {
    Node::advance(seconds);
    if (m_time_left <= 0) {
        return;
    }
    m_time_left = std::max(m_time_left - seconds, 0.0);
    propose(m_target - m_direction * kDeceleration * m_time_left * m_time_left);
}

void SpinnerNode::on_pointer_move(Point point) {
    if (!m_finger_down || size().h <= 0 || m_count < 1) {
        return;
    }
    if (!m_tracker.move(point, m_clock())) {
        return;
    }
    const int dy = m_tracker.last_dy();
    double factor = 1;
    // Pulled past an end, a straight spinner gives way less and less.
    if (!m_cyclic) {
        double overshoot = 0;
        if (dy >= 1 && m_value < 0) {
            overshoot = -m_value * m_row_height;
        } else if (dy < 0 && m_value > m_count - 1) {
            overshoot = (m_value - (m_count - 1)) * m_row_height;
        }
        factor = std::max(0.0, 1 - 2 * overshoot / size().h);
    }
    propose(m_value - dy * factor / m_row_height);
}

bool SpinnerNode::on_pointer(const PointerEvent& event) {
    const Point point{event.x, event.y};
    if (event.cancel) {
        m_finger_down = false;
        return true;
    }
    if (event.pressed) {
        m_tracker.press(point);
        m_finger_down = true;
        m_time_left = 0;
        return true;
    }
    if (!m_finger_down) {
        return true;
    }
    m_finger_down = false;
    m_tracker.release(m_clock());
    const bool beyond = !m_cyclic && (m_value < 0 || m_value > m_count - 1);
    const double speed =
        beyond ? 0.0
               : std::clamp(m_tracker.velocity_y() / m_row_height, -kMaxSpeed, kMaxSpeed);
    const double time = std::abs(speed) / kDeceleration;
    const double sign = speed < 0 ? -1.0 : 1.0;
    // The fling's natural end, moved to the nearest whole value so the glide comes to rest on
    // a row rather than between two.
    double target = std::round(m_value + sign * kDeceleration * time * time);
    if (!m_cyclic) {
        target = std::clamp(target, 0.0, std::max(0.0, m_count - 1.0));
    }
    glide_to(target);
    if (m_adapter != nullptr) {
        m_adapter->on_glide_started(*this);
    }
    return true;
}

void SpinnerNode::draw(RenderSurface& target, Point origin) {
    Node::draw(target, origin);
    if (m_count <= 0) {
        m_rows.clear();
        return;
    }
    RenderSurface view = target.clipped(Rect{origin.x, origin.y, size().w, size().h});
    const double v = m_value + 0.5;
    int index = static_cast<int>(std::floor(v));
    int top = size().h / 2 - static_cast<int>(std::floor(m_row_height * (v - index)));
    while (top > 0) {
        top -= m_row_height;
        --index;
    }
    std::vector<Row> previous = std::move(m_rows);
    m_rows.clear();
    for (; top < size().h; top += m_row_height, ++index) {
        if (!m_cyclic && (index < 0 || index >= m_count)) {
            continue;
        }
        const int value = ((index % m_count) + m_count) % m_count;
        Row row;
        row.value = value;
        auto reused = std::find_if(previous.begin(), previous.end(), [value](const Row& old) {
            return old.node != nullptr && old.value == value;
        });
        if (reused != previous.end()) {
            row.node = std::move(reused->node);
        } else if (m_adapter != nullptr) {
            row.node = m_adapter->create_element(*this, value);
            if (row.node != nullptr) {
                row.node->bind(*this, value);
            }
        }
        if (row.node == nullptr) {
            continue;
        }
        row.node->set_x_and_width(position().x, size().w);
        row.node->set_y_and_height(position().y + top, m_row_height);
        if (!view.empty() && !view.clip().empty()) {
            row.node->render(view, Point{origin.x, origin.y + top});
        }
        m_rows.push_back(std::move(row));
    }
}

}  // namespace zentra

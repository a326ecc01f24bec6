// The spinner: wrapping, the rows it draws, and drags and flings that come to rest on a whole
// value.

#include "skin/spinner.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

using zentra::PointerEvent;
using zentra::SpinnerNode;

struct ValueRow : zentra::SpinnerElement {
    void bind(SpinnerNode&, int v) override { value = v; }
    int value = -1;
};

// Takes every proposal as it comes, the way a plain owner does.
struct Owner : zentra::SpinnerAdapter {
    void on_value_changed(SpinnerNode&, int w) override {
        wraps.push_back(w);
        total_wraps += w;
    }
    void on_value_proposed(SpinnerNode& spinner, double value, double) override {
        spinner.set_value(value);
    }
    void on_glide_started(SpinnerNode&) override { ++glides; }
    std::unique_ptr<zentra::SpinnerElement> create_element(SpinnerNode&, int) override {
        ++created;
        return std::make_unique<ValueRow>();
    }
    std::vector<int> wraps;
    int total_wraps = 0;
    int glides = 0;
    int created = 0;
};

class SpinnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        spinner.set_adapter(&owner);
        spinner.set_count(12);
        spinner.set_cyclic(true);
        spinner.set_row_height(60);
        spinner.set_bounds({0, 0}, {40, 180});
        spinner.set_move_clock([this] { return now; });
        surface.recreate(40, 180);
    }
    std::vector<int> drawn_values() {
        spinner.render(surface, {0, 0});
        std::vector<int> values;
        for (const auto& row : spinner.rows()) {
            values.push_back(static_cast<ValueRow&>(*row.node).value);
        }
        return values;
    }
    // The finger goes from y0 to y1 in 10 ms steps of step pixels, then lets go.
    void fling(int y0, int y1, int step) {
        spinner.on_pointer(PointerEvent{20, y0, now, true});
        for (int y = y0; y != y1;) {
            y += y1 > y0 ? step : -step;
            now += 10;
            spinner.on_pointer_move({20, y});
        }
        spinner.on_pointer(PointerEvent{20, y1, now, false});
    }
    void glide_out() {
        for (int frame = 0; frame < 500 && spinner.gliding(); ++frame) {
            spinner.advance(0.04);
        }
    }

    // The owner outlives the spinner, which tells its adapter when it goes.
    Owner owner;
    SpinnerNode spinner;
    zentra::RenderSurface surface;
    uint32_t now = 1000;
};

TEST_F(SpinnerTest, CyclicValuesWrapAndReportHowOften) {
    spinner.set_value(11);
    spinner.set_value(13);
    EXPECT_EQ(spinner.value(), 1);
    spinner.set_value(-0.5);
    EXPECT_EQ(spinner.value(), 11.5);
    spinner.set_value(11.5);  // unchanged: no call
    EXPECT_EQ(owner.wraps, (std::vector<int>{0, 1, -1}));

    spinner.set_cyclic(false);
    spinner.set_value(13);
    EXPECT_EQ(spinner.value(), 13);
    EXPECT_EQ(owner.wraps.back(), 0);
}

TEST_F(SpinnerTest, DrawsTheRowsAroundTheValueAndReusesThem) {
    // Value 0 sits in the middle row; the cyclic strip shows 11 above it.
    EXPECT_EQ(drawn_values(), (std::vector<int>{11, 0, 1}));
    EXPECT_EQ(spinner.rows()[1].node->position().y, 60);
    EXPECT_EQ(spinner.rows()[1].node->size(), (zentra::Size{40, 60}));
    spinner.set_value(1);
    EXPECT_EQ(drawn_values(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(owner.created, 4);  // only the row of 2 is new

    // Half a row on, the strip has moved up by half a row.
    spinner.set_value(1.5);
    drawn_values();
    EXPECT_EQ(spinner.rows()[1].node->position().y, 30);

    spinner.set_cyclic(false);
    spinner.set_value(0);
    EXPECT_EQ(drawn_values(), (std::vector<int>{0, 1}));
}

TEST_F(SpinnerTest, AFlingGlidesToRestOnAWholeValueWithoutCountingWrapsTwice) {
    spinner.set_value(3);
    fling(170, 20, 15);  // upward: the values grow
    EXPECT_EQ(owner.glides, 1);
    ASSERT_TRUE(spinner.gliding());
    // The target lies in the frame of the current value, possibly beyond the last one.
    const double unwrapped_target = spinner.glide_target();
    owner.total_wraps = 0;
    glide_out();
    EXPECT_FALSE(spinner.gliding());
    EXPECT_EQ(spinner.value(), std::round(spinner.value()));
    EXPECT_GT(unwrapped_target, 12);  // far enough to go round at least once
    EXPECT_EQ(spinner.value() + 12 * owner.total_wraps, unwrapped_target);
    EXPECT_GE(owner.total_wraps, 1);
}

TEST_F(SpinnerTest, APressStopsTheGlide) {
    fling(20, 170, 15);
    ASSERT_TRUE(spinner.gliding());
    spinner.on_pointer(PointerEvent{20, 90, now, true});
    EXPECT_FALSE(spinner.gliding());
    EXPECT_TRUE(spinner.moving());
}

TEST_F(SpinnerTest, AStraightSpinnerPulledPastItsEndGoesBackToIt) {
    spinner.set_cyclic(false);
    spinner.set_value(-0.7);
    // Pulling further down moves less than the finger does.
    spinner.on_pointer(PointerEvent{20, 20, now, true});
    for (int y = 20; y < 80; y += 15) {
        now += 10;
        spinner.on_pointer_move({20, y + 15});
    }
    EXPECT_GT(spinner.value(), -0.7 - 60.0 / 60);
    spinner.on_pointer(PointerEvent{20, 80, now + 10, false});
    glide_out();
    EXPECT_EQ(spinner.value(), 0);
}

}  // namespace

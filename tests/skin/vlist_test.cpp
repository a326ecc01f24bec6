// The scrolling list driven as a person would: taps, drags, flings, keys and model notices,
// with time advanced frame by frame.

#include "skin/vlist.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/keys.h"
#include "skin/button_node.h"
#include "skin/color_node.h"
#include "skin/exceptions.h"
#include "skin/layout.h"
#include "skin/render_surface.h"
#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::KeyEvent;
using zentra::Node;
using zentra::PointerEvent;
using zentra::VList;
using zentra::VListAdapter;
using zentra::VListElement;
namespace key = velvane::key;

class Row : public VListElement {
public:
    Row(std::vector<int>* binds, int height) : m_binds(binds) { set_design_size({0, height}); }
    void bind(VList& /*list*/, int flags, int index) override {
        m_binds->push_back(index);
        last_flags = flags;
        bound = index;
    }
    void set_height(int height) {
        set_design_size({0, height});
        invalidate_layout();
    }
    int bound = -1;
    int last_flags = 0;

private:
    std::vector<int>* m_binds;
};

// A row with the three state children, and a child that takes the stylus in its left half
// (a button inside the row).
class StateRow : public Row {
public:
    StateRow(std::vector<int>* binds, int height) : Row(binds, height) {
        for (const char16_t* name : {u"#vlist_normal", u"#vlist_pressed", u"#vlist_selected"}) {
            auto state = std::make_unique<Node>();
            state->set_name(name);
            add_child(std::move(state));
        }
        auto grab = std::make_unique<Grabber>();
        grab->set_anchors(zentra::AnchorMode::MinSide, zentra::AnchorMode::BothSide);
        grab->set_design_size({10, 0});
        grabber = static_cast<Grabber*>(&add_child(std::move(grab)));
    }
    const char16_t* shown() const {
        for (int i = 0; i < 3; ++i) {
            if (child(i)->visible()) {
                return child(i)->name().c_str();
            }
        }
        return u"";
    }
    struct Grabber : Node {
        bool on_pointer(const PointerEvent& event) override {
            events.push_back(event);
            return true;
        }
        std::vector<PointerEvent> events;
    };
    Grabber* grabber = nullptr;
};

// A row whose skin lacks one of its nodes.
class BrokenRow : public Row {
public:
    explicit BrokenRow(std::vector<int>* binds) : Row(binds, 20) {}
    void bind(VList& list, int flags, int index) override {
        Row::bind(list, flags, index);
        throw zentra::NodeNotFound{u"row", u"big"};
    }
};

class Adapter : public VListAdapter {
public:
    void on_item_click(VList& /*list*/, int index) override { clicks.push_back(index); }
    std::unique_ptr<VListElement> create_element(VList& /*list*/, int index) override {
        ++created;
        if (index == missing) {
            missing = -1;  // the model has dropped it by the time the list asks again
            return nullptr;
        }
        if (index == broken) {
            broken = -1;
            return std::make_unique<BrokenRow>(&binds);
        }
        const int height = index < static_cast<int>(heights.size()) ? heights[index] : 20;
        if (with_states) {
            return std::make_unique<StateRow>(&binds, height);
        }
        return std::make_unique<Row>(&binds, height);
    }
    bool with_states = false;
    int missing = -1;
    int broken = -1;
    std::vector<int> clicks;
    std::vector<int> binds;
    std::vector<int> heights;
    int created = 0;
};

constexpr int kWidth = 50;
constexpr int kHeight = 100;

class VListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.set_move_clock([this] { return now; });
        list.set_bounds({0, 0}, {kWidth, kHeight});
        zentra::layout_root(list, {0, 0}, {kWidth, kHeight});
        surface.recreate(kWidth, kHeight);
    }
    void start(int count) {
        list.set_adapter(&adapter);
        list.reset(count);
        draw();
    }
    void draw() {
        zentra::layout_root(list, {0, 0}, {kWidth, kHeight});
        list.render(surface, {0, 0});
    }
    void press(int x, int y) { list.on_pointer({x, y, now, true, false}); }
    void release(int x, int y) { list.on_pointer({x, y, now, false, false}); }
    void move(int x, int y) { list.on_pointer_move({x, y}); }
    void frames(int count, double dt = 1.0 / 60) {
        for (int i = 0; i < count; ++i) {
            list.advance(dt);
            draw();
        }
    }
    std::vector<int> bound_indices() const {
        std::vector<int> out;
        for (int i = 0; i < list.row_count(); ++i) {
            out.push_back(list.row_index(i));
        }
        return out;
    }
    // Drags from y0 to y1 in steps of step pixels, ms milliseconds apart.
    void drag(int y0, int y1, int step, uint32_t ms) {
        press(10, y0);
        const int sign = y1 > y0 ? 1 : -1;
        for (int y = y0 + sign * step; sign * (y1 - y) >= 0; y += sign * step) {
            now += ms;
            move(10, y);
        }
    }

    Adapter adapter;
    VList list;
    zentra::RenderSurface surface;
    uint32_t now = 1000;
};

TEST_F(VListTest, CreatesRowsOnlyForWhatIsVisibleAndRecyclesWhileScrolling) {
    start(1000);
    EXPECT_EQ(bound_indices(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(adapter.created, 5);
    EXPECT_EQ(list.total_height(), 100);
    // Scrolled by half a row: the sixth row comes in, none leaves yet.
    list.set_scroll_position(-10);
    draw();
    EXPECT_EQ(bound_indices(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    // A whole row further: the first one is destroyed, the position rebased onto item 1.
    list.set_scroll_position(-30);
    draw();
    EXPECT_EQ(bound_indices(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(list.scroll_position(), -10);
    EXPECT_EQ(list.first(), 0);
    EXPECT_EQ(list.child_count(), 6);  // destroyed rows leave the tree
}

TEST_F(VListTest, ListWithoutItemsDrawsOnlyItsOwnChildren) {
    auto color = std::make_unique<zentra::ColorNode>();
    color->set_color({255, 255, 255, 255});
    list.add_child(std::move(color));
    start(0);
    EXPECT_EQ(list.row_count(), 0);
    EXPECT_EQ(surface.bitmap()->row(50)[10], 0xFFFF);
    // With items the rows cover the list's own children.
    list.reset(3);
    draw();
    EXPECT_EQ(list.row_count(), 3);
    EXPECT_EQ(surface.bitmap()->row(80)[10], 0xFFFF);  // below the last row
}

TEST_F(VListTest, SmallMoveIsStillATapAndALargerOneScrolls) {
    start(100);
    press(10, 30);
    now += 30;
    move(10, 35);
    release(10, 35);
    EXPECT_EQ(adapter.clicks, (std::vector<int>{1}));
    EXPECT_EQ(list.scroll_position(), 0);

    press(10, 30);
    ASSERT_NE(list.pressed_element(), nullptr);
    now += 30;
    move(10, 15);
    EXPECT_EQ(list.pressed_element(), nullptr);
    EXPECT_EQ(list.scroll_position(), -15);
    release(10, 15);
    EXPECT_EQ(adapter.clicks.size(), 1u);
}

TEST_F(VListTest, DragPastTheTopStretchesAtHalfSpeedAtAQuarterOfTheHeight) {
    start(100);
    list.set_scroll_position(25);  // a quarter of the height below its rest place
    draw();
    press(10, 40);
    now += 20;
    move(10, 60);
    EXPECT_DOUBLE_EQ(list.scroll_position(), 35);
}

TEST_F(VListTest, FastFlickIsClampedAndTheFlingComesToRestWithinTheItems) {
    start(30);
    drag(90, -300, 20, 5);  // 4000 px/s upwards; the finger may leave the list
    release(10, -300);
    EXPECT_DOUBLE_EQ(list.velocity(), -2000);
    double lowest = 0;
    for (int i = 0; i < 600; ++i) {
        frames(1);
        lowest = std::min(lowest, list.scroll_position() - 20 * (list.first() + 1));
    }
    EXPECT_EQ(list.velocity(), 0);
    // 30 rows of 20 in a window of 100: the content rests at most 500 up.
    const double content_top = list.scroll_position() - 20 * (list.first() + 1);
    EXPECT_GE(content_top, -500);
    EXPECT_LT(content_top, 0);
    EXPECT_LT(lowest, -500);          // it did run past the end...
    EXPECT_GT(lowest, -500 - kHeight);  // ...but the pull back stopped it within a window

    // A flick down from wherever it is runs into the top and springs back to rest there.
    drag(10, 400, 20, 5);
    release(10, 400);
    EXPECT_DOUBLE_EQ(list.velocity(), 2000);
    frames(600);
    EXPECT_EQ(list.first(), -1);
    EXPECT_EQ(list.scroll_position(), 0);
}

TEST_F(VListTest, OverscrolledReleaseSpringsBackWithoutFling) {
    start(3);  // 60 px of content in 100
    drag(10, 60, 10, 10);
    EXPECT_GT(list.scroll_position(), 0);
    release(10, 60);
    EXPECT_EQ(list.velocity(), 0);
    frames(60);
    EXPECT_EQ(list.scroll_position(), 0);
}

TEST_F(VListTest, RemovalAboveTheRowsShiftsIndicesWithoutRebinding) {
    start(100);
    list.set_scroll_position(-50);
    draw();
    const std::vector<int> before = bound_indices();
    ASSERT_EQ(before.front(), 2);
    const double position = list.scroll_position();
    adapter.binds.clear();
    list.item_removed(0);
    EXPECT_TRUE(adapter.binds.empty());
    std::vector<int> expected = before;
    for (int& index : expected) {
        --index;
    }
    EXPECT_EQ(bound_indices(), expected);
    EXPECT_EQ(list.scroll_position(), position);
    EXPECT_EQ(list.item_count(), 99);
}

TEST_F(VListTest, RemovedRowShrinksAwayAndInsertedRowOpens) {
    start(100);
    list.item_removed(1);
    EXPECT_EQ(bound_indices(), (std::vector<int>{0, -1, 1, 2, 3}));
    frames(10);  // 200 px/s: 20 px in a tenth of a second, with some frames spare
    EXPECT_EQ(list.row_index(1), 1);
    EXPECT_EQ(list.scroll_position(), 0);  // the first row in view stays where it was
    EXPECT_EQ(list.element_for(1)->position().y, 20);

    list.item_inserted(2);
    EXPECT_EQ(list.row_index(2), 2);
    EXPECT_EQ(list.row_shown_height(2), 0);
    EXPECT_EQ(list.row_index(3), 3);
    frames(10);
    EXPECT_EQ(list.row_shown_height(2), 20);
    EXPECT_EQ(list.element_for(3)->position().y, 60);
}

TEST_F(VListTest, ChangedItemIsBoundAgainAndItsNewHeightIsReachedGradually) {
    start(100);
    adapter.binds.clear();
    list.item_changed(50);  // not in view: nothing to do
    EXPECT_TRUE(adapter.binds.empty());
    auto* row = static_cast<Row*>(list.element_for(2));
    row->set_height(40);
    list.item_changed(2);
    EXPECT_EQ(adapter.binds, (std::vector<int>{2}));
    EXPECT_EQ(row->last_flags, VListElement::kBindAgain);
    frames(3);
    EXPECT_GT(list.row_shown_height(2), 20);
    EXPECT_LT(list.row_shown_height(2), 40);
    frames(10);
    EXPECT_EQ(list.row_shown_height(2), 40);
    // Rows below the first in view move down; the one pushed out of the window goes.
    EXPECT_EQ(list.scroll_position(), 0);
    EXPECT_EQ(list.element_for(3)->position().y, 80);
    EXPECT_EQ(bound_indices(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(VListTest, ScrollToStartsWithTheItemAtTheTop) {
    start(100);
    list.scroll_to(40);
    draw();
    EXPECT_EQ(bound_indices(), (std::vector<int>{40, 41, 42, 43, 44}));
    list.scroll_to(500);  // clamped to the end; the rows above fill in
    draw();
    frames(60);
    EXPECT_EQ(list.last(), 100);
    EXPECT_EQ(list.scroll_position() + list.total_height(), kHeight);
}

TEST_F(VListTest, KeyboardCursorMovesRowByRowAndStaysInView) {
    start(100);
    EXPECT_TRUE(list.on_key({key::Down, true, true}));  // Down: the cursor starts on the last row in view
    list.on_key({key::Down, false, true});
    EXPECT_EQ(list.cursor(), 4);
    frames(30);
    EXPECT_EQ(list.cursor(), 5);
    EXPECT_EQ(list.cursor_speed(), 0);
    // The cursor's row was scrolled into the window.
    zentra::Node* row = list.element_for(5);
    ASSERT_NE(row, nullptr);
    EXPECT_GE(row->position().y, 0);
    EXPECT_LE(row->position().y + 20, kHeight);

    // Held down: runs faster, and every step stays in view.
    for (int i = 0; i < 5; ++i) {
        list.on_key({key::Down, true, false});
    }
    for (int i = 0; i < 60; ++i) {
        frames(1);
        double top = 0;
        const int index = static_cast<int>(std::floor(list.cursor()));
        zentra::Node* under = list.element_for(index);
        ASSERT_NE(under, nullptr) << "cursor row " << index << " not bound";
        top = under->position().y;
        EXPECT_GE(top, -20);
        EXPECT_LE(top, kHeight);
    }
    EXPECT_GT(list.cursor(), 10);
    list.on_key({key::Down, false, true});
    frames(60);
    EXPECT_EQ(list.cursor(), std::floor(list.cursor()));

    EXPECT_TRUE(list.on_key({key::Enter, true, true}));  // Enter clicks the cursor's item
    EXPECT_EQ(adapter.clicks, (std::vector<int>{static_cast<int>(list.cursor())}));
    // A touch clears the cursor.
    press(10, 10);
    release(10, 10);
    EXPECT_EQ(list.cursor(), -1);
}

TEST_F(VListTest, RowStatesFollowPressAndSelection) {
    adapter.with_states = true;
    start(10);
    auto* row1 = static_cast<StateRow*>(list.element_for(1));
    EXPECT_EQ(platform::WString(row1->shown()), u"#vlist_normal");
    press(30, 25);  // right half: no button there
    EXPECT_EQ(platform::WString(row1->shown()), u"#vlist_pressed");
    release(30, 25);
    EXPECT_EQ(adapter.clicks, (std::vector<int>{1}));
    EXPECT_EQ(platform::WString(row1->shown()), u"#vlist_normal");
    list.set_selected(1);
    EXPECT_EQ(platform::WString(row1->shown()), u"#vlist_selected");
    // Pressed outranks selected, and the selection comes back after a drag cancels it.
    press(30, 25);
    EXPECT_EQ(platform::WString(row1->shown()), u"#vlist_pressed");
    now += 20;
    move(30, 45);
    EXPECT_EQ(platform::WString(row1->shown()), u"#vlist_selected");
    release(30, 45);
    EXPECT_EQ(adapter.clicks.size(), 1u);
}

TEST_F(VListTest, AButtonInsideARowGetsItsReleaseInsteadOfARowClick) {
    adapter.with_states = true;
    start(10);
    auto* row1 = static_cast<StateRow*>(list.element_for(1));
    press(5, 25);  // the row's own button takes the press: the row does not look pressed
    EXPECT_EQ(platform::WString(row1->shown()), u"#vlist_normal");
    release(5, 25);
    EXPECT_TRUE(adapter.clicks.empty());
    ASSERT_EQ(row1->grabber->events.size(), 2u);
    EXPECT_FALSE(row1->grabber->events[1].pressed);
    EXPECT_FALSE(row1->grabber->events[1].cancel);
    // Dragging away from the button cancels it and scrolls.
    press(5, 25);
    now += 20;
    move(5, 60);
    EXPECT_TRUE(row1->grabber->events.back().cancel);
    EXPECT_NE(list.scroll_position(), 0);
}

TEST_F(VListTest, ItemWithoutARowOrWithARowTheSkinCannotBuildIsLeftOut) {
    adapter.missing = 2;
    adapter.broken = 3;  // the old item 4: its row raises the skin's error while drawing
    start(10);
    EXPECT_EQ(list.item_count(), 8);
    EXPECT_EQ(bound_indices(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(list.child_count(), list.row_count()) << "the broken row is not left behind";
}

TEST_F(VListTest, GrowingListFollowsItsContentAndHasNoRubberBand) {
    Node parent;
    auto owned = std::make_unique<VList>();
    VList& grown = *owned;
    grown.set_anchors(zentra::AnchorMode::BothSide, zentra::AnchorMode::MinSide);
    parent.add_child(std::move(owned));
    grown.set_move_clock([this] { return now; });
    grown.set_grow(true);
    grown.set_scroll_borders(5, 5);
    grown.set_adapter(&adapter);
    grown.reset(3);
    zentra::layout_root(parent, {0, 0}, {kWidth, 300});
    EXPECT_EQ(grown.size().h, 70);
    EXPECT_EQ(grown.row_count(), 3);
    EXPECT_EQ(grown.element_for(0)->position().y, 5);

    grown.on_pointer({10, 20, now, true, false});
    now += 20;
    grown.on_pointer_move({10, 50});
    EXPECT_EQ(grown.scroll_position(), 5);
    grown.on_pointer({10, 50, now, false, false});
    EXPECT_EQ(grown.velocity(), 0);

    grown.item_removed(0);
    for (int i = 0; i < 30; ++i) {
        grown.advance(1.0 / 60);
        zentra::layout_root(parent, {0, 0}, {kWidth, 300});
        ASSERT_EQ(grown.scroll_position(), 5);
    }
    EXPECT_EQ(grown.size().h, 50);
    EXPECT_EQ(grown.row_count(), 2);
}

// Rows with a button in their left 10 pixels; what a click on it does is up to the test.
class ButtonRowAdapter : public VListAdapter, public zentra::ButtonListener {
public:
    explicit ButtonRowAdapter(VList& list) : m_list(list) {}
    void on_item_click(VList& /*list*/, int index) override { clicks.push_back(index); }
    std::unique_ptr<VListElement> create_element(VList& /*list*/, int index) override {
        auto row = std::make_unique<StateRow>(&binds, 20);
        auto button = std::make_unique<zentra::ButtonNode>();
        button->set_name(platform::to_wstring(index));
        button->set_anchors(zentra::AnchorMode::MinSide, zentra::AnchorMode::BothSide);
        button->set_design_size({10, 0});
        button->set_listener(this);
        if (index == keyed_row) {
            button->set_bound_key(key::Left);
        }
        row->add_child(std::move(button));
        return row;
    }
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) override {
        button_clicks.push_back(platform::to_utf8(button.name()));
        if (reset_on_click) {
            refresh();
        }
        return true;
    }
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

    // The model changed under the list: it starts over, and (as a screen that redraws at
    // once would) makes its rows again right away.
    void refresh() {
        m_list.reset(m_list.item_count());
        if (refill) {
            zentra::layout_root(m_list, m_list.position(), m_list.size());
            m_list.fill();
        }
    }

    bool reset_on_click = false;
    bool refill = true;
    int keyed_row = -1;
    std::vector<int> clicks;
    std::vector<int> binds;
    std::vector<std::string> button_clicks;

private:
    VList& m_list;
};

TEST_F(VListTest, AClickThatResetsTheListLeavesTheOldRowAlone) {
    // Run under the address sanitizer this fails on the first touch of a destroyed row.
    ButtonRowAdapter rows(list);
    list.set_adapter(&rows);
    rows.reset_on_click = true;
    // The click resets the list and the rows are made again at once, or only on the next
    // draw.
    for (const bool made_at_once : {true, false}) {
        rows.refill = made_at_once;
        list.reset(10);
        draw();
        rows.button_clicks.clear();
        press(5, 25);
        release(5, 25);
        EXPECT_EQ(rows.button_clicks, (std::vector<std::string>{"1"}));
        EXPECT_TRUE(rows.clicks.empty());
        EXPECT_EQ(list.pressed_element(), nullptr);
        draw();
        ASSERT_EQ(list.row_count(), 5);
        for (int i = 0; i < list.row_count(); ++i) {
            EXPECT_EQ(platform::WString(static_cast<StateRow*>(list.row(i))->shown()),
                      u"#vlist_normal");
        }
        EXPECT_EQ(list.child_count(), 5) << "the old rows are gone from the tree";
    }
}

TEST_F(VListTest, AKeyTheCursorRowLeavesReachesNoOtherRowButTheListsOwnChildren) {
    ButtonRowAdapter rows(list);
    rows.keyed_row = 3;
    auto own = std::make_unique<zentra::ButtonNode>();
    own->set_name(u"own");
    own->set_bound_key(key::Right);
    own->set_listener(&rows);
    list.add_child(std::move(own));
    list.set_adapter(&rows);
    list.reset(10);
    draw();

    // No cursor: every row is offered the key, and the bound one takes it.
    EXPECT_TRUE(list.on_key({key::Left, true, true}));
    EXPECT_TRUE(list.on_key({key::Left, false, true}));
    EXPECT_EQ(rows.button_clicks, (std::vector<std::string>{"3"}));

    // With the cursor on row 0 the key stays with that row, which has no use for it.
    list.on_key({key::Up, true, true});
    list.on_key({key::Up, false, true});
    ASSERT_EQ(list.cursor(), 0);
    EXPECT_FALSE(list.on_key({key::Left, true, true}));
    EXPECT_FALSE(list.on_key({key::Left, false, true}));
    EXPECT_EQ(rows.button_clicks, (std::vector<std::string>{"3"}));
    // The list's own children still hear their keys.
    EXPECT_TRUE(list.on_key({key::Right, true, true}));
    EXPECT_TRUE(list.on_key({key::Right, false, true}));
    EXPECT_EQ(rows.button_clicks, (std::vector<std::string>{"3", "own"}));
}

TEST_F(VListTest, RowsComeAndGoWithoutResettingTheMeasuresAroundTheList) {
    // A growing list measured inside a parent: the rows it makes while it measures must not
    // reset the sums that the parent and the list itself are making.
    Node root;
    auto owned_parent = std::make_unique<Node>();
    Node& parent = *owned_parent;
    parent.set_anchors(zentra::AnchorMode::BothSide, zentra::AnchorMode::MinSide);
    root.add_child(std::move(owned_parent));
    auto tall = std::make_unique<zentra::ColorNode>();
    tall->set_anchors(zentra::AnchorMode::BothSide, zentra::AnchorMode::MinSide);
    tall->set_design_size({0, 80});
    parent.add_child(std::move(tall));
    auto owned = std::make_unique<VList>();
    VList& grown = *owned;
    grown.set_anchors(zentra::AnchorMode::BothSide, zentra::AnchorMode::MinSide);
    auto backdrop = std::make_unique<zentra::ColorNode>();
    backdrop->set_anchors(zentra::AnchorMode::BothSide, zentra::AnchorMode::MinSide);
    backdrop->set_design_size({0, 70});
    grown.add_child(std::move(backdrop));
    parent.add_child(std::move(owned));
    grown.set_grow(true);
    grown.set_adapter(&adapter);
    zentra::layout_root(root, {0, 0}, {kWidth, 300});
    ASSERT_EQ(parent.size().h, 80);
    grown.reset(3);  // 60 of rows, made while the list is measured

    zentra::layout_root(root, {0, 0}, {kWidth, 300});
    EXPECT_EQ(grown.row_count(), 3);
    EXPECT_EQ(grown.size().h, 70) << "its own child is taller than its rows";
    EXPECT_EQ(parent.size().h, 80) << "the tall sibling counts";
    EXPECT_FALSE(root.layout_pending());

    // A list that does not grow makes and drops rows while it scrolls; the screen around it
    // is not laid out again for that.
    Node screen;
    auto placed = std::make_unique<VList>();
    VList& scrolled = *placed;
    screen.add_child(std::move(placed));
    scrolled.set_adapter(&adapter);
    scrolled.reset(100);
    zentra::layout_root(screen, {0, 0}, {kWidth, kHeight});
    scrolled.render(surface, {0, 0});
    ASSERT_FALSE(screen.layout_pending());
    const int created = adapter.created;
    scrolled.set_scroll_position(-50);
    scrolled.render(surface, {0, 0});
    EXPECT_GT(adapter.created, created);
    EXPECT_EQ(scrolled.first(), 1) << "rows above have gone";
    EXPECT_FALSE(screen.layout_pending());
    EXPECT_FALSE(scrolled.layout_pending());
}

}  // namespace

namespace {

// Rows painted red over the list's own white background.
class PaintedAdapter : public VListAdapter {
public:
    void on_item_click(VList& /*list*/, int /*index*/) override {}
    std::unique_ptr<VListElement> create_element(VList& /*list*/, int /*index*/) override {
        auto row = std::make_unique<Row>(&binds, 20);
        auto paint = std::make_unique<zentra::ColorNode>();
        paint->set_color({255, 0, 0, 255});
        row->add_child(std::move(paint));
        return row;
    }
    std::vector<int> binds;
};

class SkinnedVListTest : public skintest::NodeStage {};

TEST_F(SkinnedVListTest, OwnChildrenShowInTheBordersAndTheBarCoversTheCursorRow) {
    add_picture("bar", skintest::picture(4, 4, [](int, int) { return 0x001F; }));
    load(R"(
        define Screen {
            node { string type = "vlist"  string id = "list"
                   point scroll_border_min = 0, 10  point scroll_border_max = 0, 10
                   image highlight = "bar" 0 0 0 0 4 4 4 4 0  int locked = 1
                   node { string type = "color"  color color = 255, 255, 255 } }
        }
    )");
    show("Screen", 50, 100);
    auto& list = node<VList>(u"list");
    EXPECT_TRUE(list.locked());
    EXPECT_EQ(list.scroll_border_min(), 10);
    PaintedAdapter adapter;
    list.set_adapter(&adapter);
    list.reset(50);
    root.render(surface, {0, 0});
    // Rows fill 10..90; the list's own child shows above and below them.
    EXPECT_EQ(list.row_count(), 4);
    EXPECT_EQ(pixel(5, 5), 0xFFFF);
    EXPECT_EQ(pixel(5, 15), 0xF800);
    EXPECT_EQ(pixel(5, 89), 0xF800);
    EXPECT_EQ(pixel(5, 95), 0xFFFF);

    list.on_key({velvane::key::Down, true, true});
    EXPECT_EQ(list.cursor(), 3);
    root.render(surface, {0, 0});
    EXPECT_EQ(pixel(5, 69), 0xF800);
    EXPECT_EQ(pixel(5, 70), 0x001F);
    EXPECT_EQ(pixel(45, 89), 0x001F);
    EXPECT_EQ(pixel(5, 90), 0xFFFF);
}

}  // namespace

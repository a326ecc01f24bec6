// Layout: anchor rules, measures, the two passes and what invalidation makes them redo.

#include "skin/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "skin/node.h"

namespace {

using zentra::AnchorMode;
using zentra::Axis;
using zentra::MeasuredSize;
using zentra::Node;
using zentra::Point;
using zentra::Size;
using zentra::layout_root;

// A node that counts the layout work done on it; its measures may be given outright.
class Counted : public Node {
public:
    MeasuredSize given_width{0, 0};
    MeasuredSize given_height{0, 0};
    int width_measures = 0;
    int height_measures = 0;
    int horizontal_layouts = 0;
    int vertical_layouts = 0;

    void measure_width(MeasuredSize& size) override {
        ++width_measures;
        Node::measure_width(size);
        size.preferred = std::max(size.preferred, given_width.preferred);
        size.minimum = std::max(size.minimum, given_width.minimum);
    }
    void measure_height(MeasuredSize& size) override {
        ++height_measures;
        Node::measure_height(size);
        size.preferred = std::max(size.preferred, given_height.preferred);
        size.minimum = std::max(size.minimum, given_height.minimum);
    }
    void layout_horizontal() override {
        ++horizontal_layouts;
        Node::layout_horizontal();
    }
    void layout_vertical() override {
        ++vertical_layouts;
        Node::layout_vertical();
    }
    int work() const {
        return width_measures + height_measures + horizontal_layouts + vertical_layouts;
    }
    void forget_work() { width_measures = height_measures = horizontal_layouts = vertical_layouts = 0; }
};

// Wrapped text in miniature: a fixed area, so the height it asks for depends on its width.
class Wrapping : public Node {
public:
    int area = 1200;
    int width_when_measured = -1;

    void measure_height(MeasuredSize& size) override {
        width_when_measured = this->size().w;
        const int height = area / std::max(this->size().w, 1);
        size.preferred = std::max(size.preferred, height);
        size.minimum = std::max(size.minimum, height);
    }
};

template <typename T = Counted>
T& add(Node& parent, AnchorMode x, AnchorMode y, Size design = {}) {
    auto node = std::make_unique<T>();
    node->set_anchors(x, y);
    node->set_design_size(design);
    return static_cast<T&>(parent.add_child(std::move(node)));
}

// Anchor rules, checked through a real tree so the measure and the placement both take part.

struct AnchorCase {
    AnchorMode mode;
    int preferred;
    int length;
    int offset;
};

void expect_horizontal(const AnchorCase& c, int parent_width, Point border_min, Point border_max) {
    Node root;
    Counted& child = add(root, c.mode, AnchorMode::BothSide, {c.preferred, 0});
    child.set_borders(border_min, border_max);
    layout_root(root, {5, 0}, {parent_width, 100});
    const std::string mode{zentra::anchor_mode_name(c.mode).begin(),
                           zentra::anchor_mode_name(c.mode).end()};
    EXPECT_EQ(child.size().w, c.length) << mode << " preferred " << c.preferred;
    EXPECT_EQ(child.position().x, 5 + c.offset) << mode << " preferred " << c.preferred;
}

TEST(AnchorRules, AllNineModesInAParent240Wide) {
    // Borders 10 and 20; preferred from the design size, first smaller than the room, then
    // larger: only the modes that are limited give way.
    const AnchorCase cases[] = {
        {AnchorMode::MinSide, 50, 50, 10},          {AnchorMode::MinSide, 300, 230, 10},
        {AnchorMode::BothSide, 50, 210, 10},        {AnchorMode::BothSide, 300, 210, 10},
        {AnchorMode::MaxSide, 50, 50, 170},         {AnchorMode::MaxSide, 300, 220, 0},
        {AnchorMode::Ratio, 50, 50, 10},            {AnchorMode::Ratio, 300, 210, 10},
        {AnchorMode::Center, 50, 50, 90},           {AnchorMode::Center, 300, 210, 10},
        {AnchorMode::MinSideNoSize, 50, 50, 10},    {AnchorMode::MinSideNoSize, 300, 300, 10},
        {AnchorMode::MaxSideNoSize, 50, 50, 170},   {AnchorMode::MaxSideNoSize, 300, 300, 0},
        {AnchorMode::BothSideNoSize, 50, 210, 10},  {AnchorMode::BothSideNoSize, 300, 210, 10},
        {AnchorMode::CenterNoSize, 50, 50, 90},     {AnchorMode::CenterNoSize, 300, 300, 10},
    };
    for (const AnchorCase& c : cases) {
        expect_horizontal(c, 240, {10, 0}, {20, 0});
    }
}

TEST(AnchorRules, CenterTruncatesAndNeverStartsBeforeItsBorder) {
    expect_horizontal({AnchorMode::Center, 50, 50, 75}, 200, {10, 0}, {10, 0});
    expect_horizontal({AnchorMode::Center, 50, 40, 10}, 60, {10, 0}, {10, 0});
    // 11 spare pixels: 5 before, 6 after.
    expect_horizontal({AnchorMode::Center, 50, 50, 5}, 61, {0, 0}, {0, 0});
    expect_horizontal({AnchorMode::CenterNoSize, 50, 50, 5}, 61, {0, 0}, {0, 0});
}

TEST(AnchorRules, LengthsBelowZeroBecomeZero) {
    expect_horizontal({AnchorMode::MaxSide, 30, 15, 0}, 20, {0, 0}, {5, 0});
    expect_horizontal({AnchorMode::BothSide, 30, 0, 150}, 240, {150, 0}, {150, 0});
    expect_horizontal({AnchorMode::MinSide, 30, 0, 300}, 240, {300, 0}, {0, 0});
    expect_horizontal({AnchorMode::BothSideNoSize, 30, 0, 200}, 240, {200, 0}, {100, 0});
}

TEST(AnchorRules, VerticalUsesAnchorYAndTheYBorders) {
    Node root;
    Counted& child = add(root, AnchorMode::BothSide, AnchorMode::MaxSide, {999, 30});
    child.set_borders({1, 2}, {3, 5});
    layout_root(root, {0, 100}, {50, 20});
    EXPECT_EQ(child.position(), (Point{1, 100}));
    EXPECT_EQ(child.size(), (Size{46, 15}));
}

// Measures.

TEST(Measure, ChildrenNeedTheirBordersAndTheNoSizeModesNeedNothing) {
    Node parent;
    parent.set_design_size({40, 40});
    Counted& child = add(parent, AnchorMode::MinSide, AnchorMode::Center);
    child.set_borders({10, 1}, {20, 2});
    child.given_width = {80, 30};
    child.given_height = {10, 4};
    for (AnchorMode mode : {AnchorMode::MinSideNoSize, AnchorMode::MaxSideNoSize,
                            AnchorMode::BothSideNoSize, AnchorMode::CenterNoSize}) {
        add(parent, mode, mode, {5000, 5000});
    }
    // Width: need 10 + 80 + 20; the child can give up 50 of its 80.
    EXPECT_EQ(parent.measured_width().preferred, 110);
    EXPECT_EQ(parent.measured_width().minimum, 60);
    // Height: the design size asks for more than the child's 1 + 10 + 2.
    EXPECT_EQ(parent.measured_height().preferred, 40);
    EXPECT_EQ(parent.measured_height().minimum, 40);
}

TEST(Measure, HiddenChildrenStillCount) {
    Node parent;
    Counted& child = add(parent, AnchorMode::MinSide, AnchorMode::MinSide, {70, 0});
    child.set_visible(false);
    EXPECT_EQ(parent.measured_width().preferred, 70);
}

TEST(Measure, IsCachedUntilInvalidated) {
    Node parent;
    Counted& child = add(parent, AnchorMode::MinSide, AnchorMode::MinSide, {70, 0});
    parent.measured_width();
    parent.measured_width();
    EXPECT_EQ(child.width_measures, 1);
    child.set_design_size({90, 0});
    child.invalidate_layout();
    EXPECT_FALSE(parent.measured_width_cache().valid());
    EXPECT_EQ(parent.measured_width().preferred, 90);
    EXPECT_EQ(child.width_measures, 2);
}

// The two passes.

TEST(TwoPasses, HeightIsMeasuredAtTheFinalWidth) {
    // root > box (as tall as it needs) > text (1200 pixels of area).
    Node root;
    Node& box = add<Node>(root, AnchorMode::BothSide, AnchorMode::MinSide);
    Wrapping& text = add<Wrapping>(box, AnchorMode::BothSide, AnchorMode::MinSide);

    layout_root(root, {0, 0}, {240, 320});
    EXPECT_EQ(text.width_when_measured, 240);
    EXPECT_EQ(text.size(), (Size{240, 5}));
    EXPECT_EQ(box.size(), (Size{240, 5}));

    // Narrower: the cached heights must not survive the new width, on either level.
    layout_root(root, {0, 0}, {120, 320});
    EXPECT_EQ(text.width_when_measured, 120);
    EXPECT_EQ(text.size(), (Size{120, 10}));
    EXPECT_EQ(box.size(), (Size{120, 10}));
}

TEST(TwoPasses, PlacementIsAbsoluteInTheRootsCoordinates) {
    Node root;
    Node& panel = add<Node>(root, AnchorMode::MaxSide, AnchorMode::MaxSide, {100, 50});
    Counted& inner = add(panel, AnchorMode::Center, AnchorMode::Center, {20, 10});
    layout_root(root, {7, 9}, {240, 320});
    EXPECT_EQ(panel.position(), (Point{7 + 140, 9 + 270}));
    EXPECT_EQ(inner.position(), (Point{7 + 140 + 40, 9 + 270 + 20}));
    EXPECT_EQ(inner.size(), (Size{20, 10}));
}

TEST(TwoPasses, LeaveNoLayoutPending) {
    Node root;
    Node& a = add<Node>(root, AnchorMode::BothSide, AnchorMode::BothSide);
    Node& a1 = add<Node>(a, AnchorMode::BothSide, AnchorMode::BothSide);
    EXPECT_TRUE(a1.layout_pending());
    layout_root(root, {0, 0}, {240, 320});
    EXPECT_FALSE(root.layout_pending());
    EXPECT_FALSE(a.layout_pending());
    EXPECT_FALSE(a1.layout_pending());
}

// Invalidation and the work it makes.

class Invalidation : public ::testing::Test {
protected:
    // root > a > a1, root > b > b1; a and b share the height.
    void SetUp() override {
        a = &add(root, AnchorMode::BothSide, AnchorMode::MinSide, {0, 100});
        a1 = &add(*a, AnchorMode::MinSide, AnchorMode::BothSide, {50, 0});
        b = &add(root, AnchorMode::BothSide, AnchorMode::MaxSide, {0, 100});
        b1 = &add(*b, AnchorMode::MinSide, AnchorMode::BothSide, {50, 0});
        layout_root(root, {0, 0}, {240, 320});
        forget_work();
    }
    void forget_work() {
        for (Counted* node : {a, a1, b, b1}) {
            node->forget_work();
        }
    }

    Node root;
    Counted* a = nullptr;
    Counted* a1 = nullptr;
    Counted* b = nullptr;
    Counted* b1 = nullptr;
};

TEST_F(Invalidation, UnchangedTreeDoesNoWork) {
    layout_root(root, {0, 0}, {240, 320});
    for (Counted* node : {a, a1, b, b1}) {
        EXPECT_EQ(node->work(), 0);
    }
}

TEST_F(Invalidation, OnlyThePathToTheRootIsRedone) {
    b1->set_design_size({80, 0});
    b1->invalidate_layout();
    EXPECT_TRUE(root.layout_pending());
    EXPECT_TRUE(b->layout_pending());
    EXPECT_FALSE(a->layout_pending());
    EXPECT_TRUE(a->measured_width_cache().valid());

    layout_root(root, {0, 0}, {240, 320});
    EXPECT_EQ(a->work(), 0);
    EXPECT_EQ(a1->work(), 0);
    EXPECT_EQ(b1->size().w, 80);
    EXPECT_EQ(b1->width_measures, 1);
    EXPECT_EQ(b->horizontal_layouts, 1);
    EXPECT_EQ(b->vertical_layouts, 1);
}

TEST_F(Invalidation, MovingOnlyVerticallyLeavesTheHorizontalPassAlone) {
    const int a1_x = a1->position().x;
    const int b1_y = b1->position().y;
    layout_root(root, {0, 30}, {240, 320});
    for (Counted* node : {a, a1, b, b1}) {
        EXPECT_EQ(node->horizontal_layouts, 0);
        EXPECT_EQ(node->width_measures, 0);
        EXPECT_TRUE(node->measured_width_cache().valid());
        EXPECT_EQ(node->vertical_layouts, 1);
    }
    EXPECT_EQ(a1->position().x, a1_x);
    EXPECT_EQ(b1->position().y, b1_y + 30);
}

TEST_F(Invalidation, AddedAndRemovedChildrenAreLaidOut) {
    Counted& extra = add(*a, AnchorMode::MaxSide, AnchorMode::MinSide, {30, 30});
    layout_root(root, {0, 0}, {240, 320});
    EXPECT_EQ(extra.position(), (Point{210, 0}));
    EXPECT_EQ(b->work(), 0);

    // A removed child that made its parent taller no longer does.
    Counted& tall = add(*b, AnchorMode::MinSide, AnchorMode::MinSide, {10, 150});
    layout_root(root, {0, 0}, {240, 320});
    EXPECT_EQ(b->size().h, 150);
    std::unique_ptr<Node> taken = b->take_child(b->index_of(&tall));
    layout_root(root, {0, 0}, {240, 320});
    EXPECT_EQ(b->size().h, 100);
}

// The layout listener.

struct Recorder : zentra::LayoutListener {
    struct Entry {
        Node* node;
        Axis axis;
        int length;
    };
    std::vector<Entry> entries;
    void on_layout(Node& node, Axis axis, int length) override {
        entries.push_back({&node, axis, length});
    }
};

TEST(LayoutListener, IsToldOfEachChangedPlacement) {
    Node root;
    Counted& child = add(root, AnchorMode::BothSide, AnchorMode::MinSide, {0, 40});
    Recorder recorder;
    child.set_layout_listener(&recorder);

    layout_root(root, {0, 0}, {240, 320});
    ASSERT_EQ(recorder.entries.size(), 2u);
    EXPECT_EQ(recorder.entries[0].node, &child);
    EXPECT_EQ(recorder.entries[0].axis, Axis::Horizontal);
    EXPECT_EQ(recorder.entries[0].length, 240);
    EXPECT_EQ(recorder.entries[1].axis, Axis::Vertical);
    EXPECT_EQ(recorder.entries[1].length, 40);

    layout_root(root, {0, 0}, {240, 320});
    EXPECT_EQ(recorder.entries.size(), 2u);

    layout_root(root, {0, 10}, {240, 320});
    ASSERT_EQ(recorder.entries.size(), 3u);
    EXPECT_EQ(recorder.entries[2].axis, Axis::Vertical);
}

}  // namespace

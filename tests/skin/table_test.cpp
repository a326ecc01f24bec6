// Tables: sharing the length along the main axis among the visible children.

#include "skin/table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "skin/htable.h"
#include "skin/node_factory.h"
#include "skin/vtable.h"
#include "tests/skin/skin_test_support.h"
#include "tools/skinc/source_parser.h"
#include "tools/skinc/skin_model.h"

namespace {

using zentra::AnchorMode;
using zentra::HTable;
using zentra::MeasuredSize;
using zentra::Node;
using zentra::Point;
using zentra::Size;
using zentra::Table;
using zentra::VTable;
using zentra::layout_root;

// A cell whose measure on both axes is given outright: (preferred, minimum).
class Cell : public Node {
public:
    MeasuredSize given{0, 0};

    void measure_width(MeasuredSize& size) override { take(size); }
    void measure_height(MeasuredSize& size) override { take(size); }

private:
    void take(MeasuredSize& size) const {
        size.preferred = std::max(size.preferred, given.preferred);
        size.minimum = std::max(size.minimum, given.minimum);
    }
};

Cell& add_cell(Table& table, int preferred, int minimum, int weight = 0) {
    auto cell = std::make_unique<Cell>();
    cell->given = {preferred, minimum};
    Cell& added = static_cast<Cell&>(table.add_child(std::move(cell)));
    table.set_weight(added, weight);
    return added;
}

std::vector<int> widths(const Table& table) {
    std::vector<int> result;
    for (int i = 0; i < table.child_count(); ++i) {
        result.push_back(table.child(i)->size().w);
    }
    return result;
}

std::vector<int> xs(const Table& table) {
    std::vector<int> result;
    for (int i = 0; i < table.child_count(); ++i) {
        result.push_back(table.child(i)->position().x);
    }
    return result;
}

using Ints = std::vector<int>;

TEST(TableDistribution, GrowsEvenlyFromMinimumTowardPreferred) {
    HTable table;
    for (int i = 0; i < 3; ++i) {
        add_cell(table, 40, 20);
    }
    // Minimums 60, preferred 120: the 40 left over is split 13, 13, 14.
    layout_root(table, {10, 0}, {100, 30});
    EXPECT_EQ(widths(table), (Ints{33, 33, 34}));
    EXPECT_EQ(xs(table), (Ints{10, 43, 76}));
}

TEST(TableDistribution, ACellAtItsPreferredPassesItsShareOn) {
    HTable table;
    add_cell(table, 25, 20);
    add_cell(table, 100, 20);
    add_cell(table, 100, 20);
    // 60 to hand out: 20 each, but the first takes only 5; the other 15 go 7 and 8.
    layout_root(table, {0, 0}, {120, 30});
    EXPECT_EQ(widths(table), (Ints{25, 47, 48}));
}

TEST(TableDistribution, TooLittleRoomSharesByMinimum) {
    HTable table;
    for (int i = 0; i < 3; ++i) {
        add_cell(table, 40, 20);
    }
    layout_root(table, {0, 0}, {45, 30});
    EXPECT_EQ(widths(table), (Ints{15, 15, 15}));

    HTable uneven;
    add_cell(uneven, 50, 10);
    add_cell(uneven, 50, 20);
    add_cell(uneven, 50, 30);
    layout_root(uneven, {0, 0}, {50, 30});
    EXPECT_EQ(widths(uneven), (Ints{8, 17, 25}));
}

TEST(TableDistribution, NoRoomAtAllGivesEveryoneZeroAtTheStart) {
    HTable table;
    Cell& first = add_cell(table, 40, 20);
    Cell& second = add_cell(table, 40, 20);
    first.set_borders({20, 0}, {20, 0});
    layout_root(table, {5, 0}, {40, 30});
    EXPECT_EQ(widths(table), (Ints{0, 0}));
    EXPECT_EQ(first.position().x, 5);
    EXPECT_EQ(second.position().x, 5);
}

TEST(TableDistribution, LeftoverGoesToWeightedCellsAndFillsTheTable) {
    HTable table;
    add_cell(table, 30, 10, 1);
    add_cell(table, 30, 10, 0);
    add_cell(table, 20, 20, 1);
    // Everyone at preferred (80); 60 left for the two weighted cells.
    layout_root(table, {0, 0}, {140, 30});
    EXPECT_EQ(widths(table), (Ints{60, 30, 50}));

    // Weights 1 and 3 take a quarter and three quarters, and the cells still add up to the
    // table's length.
    table.set_weight(*table.child(2), 3);
    layout_root(table, {0, 0}, {140, 30});
    EXPECT_EQ(widths(table), (Ints{45, 30, 65}));

    // Nobody weighted: the leftover stays empty at the end.
    table.set_weight(*table.child(0), 0);
    table.set_weight(*table.child(2), 0);
    layout_root(table, {0, 0}, {140, 30});
    EXPECT_EQ(widths(table), (Ints{30, 30, 20}));
}

TEST(TableDistribution, BordersComeOffTheLengthAndTheChildsAnchorRulesItsCell) {
    HTable table;
    Cell& bordered = add_cell(table, 30, 30);
    bordered.set_borders({4, 0}, {6, 0});
    Cell& small = add_cell(table, 20, 20, 1);
    small.set_anchors(AnchorMode::Center, AnchorMode::BothSide);
    Cell& last = add_cell(table, 10, 10);
    // 100 - 10 of borders = 90; preferred 60, so the weighted middle cell is 50 long but its
    // child, centred, keeps its preferred 20.
    layout_root(table, {0, 0}, {100, 30});
    EXPECT_EQ(bordered.position().x, 4);
    EXPECT_EQ(bordered.size().w, 30);
    EXPECT_EQ(small.position().x, 40 + 15);
    EXPECT_EQ(small.size().w, 20);
    EXPECT_EQ(last.position().x, 90);
    EXPECT_EQ(last.size().w, 10);
}

TEST(TableDistribution, HiddenChildrenTakeNoShareAndShowingOneRedistributes) {
    HTable table;
    add_cell(table, 40, 20);
    Cell& hidden = add_cell(table, 40, 20);
    add_cell(table, 40, 20);
    hidden.set_visible(false);
    layout_root(table, {0, 0}, {100, 30});
    EXPECT_EQ(table.child(0)->size().w, 40);
    EXPECT_EQ(table.child(2)->position().x, 40);
    EXPECT_EQ(table.child(2)->size().w, 40);

    // Same table size: only the visibility notice makes it lay out again.
    hidden.set_visible(true);
    layout_root(table, {0, 0}, {100, 30});
    EXPECT_EQ(widths(table), (Ints{33, 33, 34}));
    EXPECT_EQ(xs(table), (Ints{0, 33, 66}));
}

TEST(TableDistribution, VerticalTableStacksDownwardAndUsesPlainRulesAcross) {
    VTable table;
    Cell& top = add_cell(table, 40, 20);
    Cell& bottom = add_cell(table, 40, 20);
    top.set_anchors(AnchorMode::MaxSide, AnchorMode::BothSide);
    layout_root(table, {3, 7}, {100, 100});
    EXPECT_EQ(top.position(), (Point{3 + 60, 7}));
    EXPECT_EQ(top.size(), (Size{40, 40}));
    EXPECT_EQ(bottom.position(), (Point{3, 47}));
    EXPECT_EQ(bottom.size(), (Size{100, 40}));
}

TEST(TableMeasure, NeedsAddUpAlongTheMainAxisOnly) {
    HTable table;
    table.set_design_size({10, 0});
    Cell& a = add_cell(table, 40, 20);
    a.set_borders({5, 1}, {5, 1});
    add_cell(table, 30, 30);
    add_cell(table, 999, 999).set_visible(false);
    add_cell(table, 500, 100).set_anchors(AnchorMode::MinSideNoSize, AnchorMode::BothSide);
    // Needs 50 + 30 (the hidden cell and the no-size one add none); the no-size cell can still
    // give up 400 of its length, so nothing is truly required.
    EXPECT_EQ(table.measured_width().preferred, 80);
    EXPECT_EQ(table.measured_width().minimum, 0);
    // Across, the tallest need wins, hidden children included.
    EXPECT_EQ(table.measured_height().preferred, 999);

    table.child(3)->set_visible(false);
    EXPECT_EQ(table.measured_width().preferred, 80);
    EXPECT_EQ(table.measured_width().minimum, 80 - 20);
}

// Built from a skin, as screens are.

class TableFromSkin : public ::testing::Test {
protected:
    void SetUp() override {
        zentra::NodeFactory::register_type(u"node", zentra::create_node<Node>);
        zentra::NodeFactory::register_type(u"htable", zentra::create_node<HTable>);
        zentra::NodeFactory::register_type(u"vtable", zentra::create_node<VTable>);
    }
    void TearDown() override {
        zentra::NodeFactory::unregister_type(u"node");
        zentra::NodeFactory::unregister_type(u"htable");
        zentra::NodeFactory::unregister_type(u"vtable");
    }

    void load(const std::string& source) {
        skintest::load_source(skin, source);
    }

    zentra::Properties skin;
};

TEST_F(TableFromSkin, WeightsComeFromTableRatioAndSurviveAReload) {
    load(R"(
        define Bar {
            node { string type = "node"  string id = "left"   point design_size = 20, 10 }
            node { string type = "node"  string id = "fill"   int table_ratio = 1 }
            node { string type = "node"  string id = "right"  point design_size = 30, 10 }
        }
    )");
    // Reloading into the same table replaces its children; the new ones must get their own
    // weights, not those of the children they replace.
    HTable bar;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(zentra::load_from_skin(bar, skin, u"Bar"));
        layout_root(bar, {0, 0}, {240, 40});
        EXPECT_EQ(bar.weight(bar.find(u"fill")), 1);
        EXPECT_EQ(bar.weight(bar.find(u"left")), 0);
        EXPECT_EQ(bar.find(u"left").size().w, 20);
        EXPECT_EQ(bar.find(u"fill").position().x, 20);
        EXPECT_EQ(bar.find(u"fill").size().w, 190);
        EXPECT_EQ(bar.find(u"right").position().x, 210);
    }
}

}  // namespace

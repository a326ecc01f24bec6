// The `progress` node: its #line covers the fraction done; everything else is laid out as
// in any node.

#include "skin/progress_node.h"

#include <cmath>
#include <limits>

#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::Node;
using zentra::ProgressNode;
using zentra::Size;

// A 101 x 6 bar: a grey background, then the line, MIN_SIDE along and BOTH_SIDE across.
constexpr const char* kBar = R"(
    define Screen {
        node {
            string type = "progress"  string id = "bar"
            node { string type = "color"  string id = "back"  color color = 128, 128, 128 }
            node { string type = "color"  string id = "#line"  string anchor_x = "MIN_SIDE"
                   point border_min = %d, 1  point border_max = %d, 1  color color = 255, 255, 255 }
        }
    }
)";

class ProgressNodeTest : public skintest::NodeStage {
protected:
    void load_bar(int border_min, int border_max) {
        char source[1024];
        std::snprintf(source, sizeof source, kBar, border_min, border_max);
        load(source);
        show("Screen", 101, 6);
    }

    ProgressNode& bar() { return node<ProgressNode>(u"bar"); }
    Node& line() { return node<Node>(u"#line"); }

    // Sets the fraction and lays the screen out again, as the next frame would.
    int line_width_at(double fraction) {
        bar().set_fraction(fraction);
        zentra::layout_root(root, {0, 0}, {101, 6});
        return line().size().w;
    }
};

TEST_F(ProgressNodeTest, LineLengthFollowsTheFractionRoundedDown) {
    load_bar(0, 0);
    EXPECT_EQ(bar().line(), &line());
    EXPECT_EQ(line().size().w, 0) << "a new bar is empty";
    EXPECT_EQ(line_width_at(0.5), 50);
    EXPECT_EQ(line_width_at(1), 101);
    EXPECT_EQ(line_width_at(0.999), 100);
    EXPECT_EQ(line_width_at(0.01), 1);
    EXPECT_EQ(line_width_at(0), 0);
}

TEST_F(ProgressNodeTest, FractionsOutOfRangeStopAtTheEnds) {
    load_bar(0, 0);
    EXPECT_EQ(line_width_at(1.7), 101);
    EXPECT_DOUBLE_EQ(bar().fraction(), 1);
    EXPECT_EQ(line_width_at(-0.3), 0);
    EXPECT_DOUBLE_EQ(bar().fraction(), 0);
    EXPECT_EQ(line_width_at(0.5), 50);
    EXPECT_EQ(line_width_at(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(ProgressNodeTest, BordersComeOffTheLengthBeforeTheFraction) {
    load_bar(2, 3);
    EXPECT_EQ(line_width_at(0.5), 48);  // (101 - 5) / 2
    EXPECT_EQ(line().position().x, 2);
    EXPECT_EQ(line_width_at(1), 96);
    EXPECT_EQ(line().position().x, 2);
}

TEST_F(ProgressNodeTest, DrawsTheLineAcrossTheBarOverTheRest) {
    load_bar(0, 0);
    bar().set_fraction(0.25);
    zentra::layout_root(root, {0, 0}, {101, 6});
    root.render(surface, {0, 0});
    // Across: BOTH_SIDE fills between its borders whatever the fraction.
    EXPECT_EQ(line().position().y, 1);
    EXPECT_EQ(line().size().h, 4);
    // The background, laid out by the plain rule, covers the whole bar.
    EXPECT_EQ(node<Node>(u"back").size(), (Size{101, 6}));
    EXPECT_EQ(pixel(0, 0), 0x8410);
    EXPECT_EQ(pixel(0, 1), 0xFFFF);
    EXPECT_EQ(pixel(24, 4), 0xFFFF);
    EXPECT_EQ(pixel(25, 4), 0x8410);
    EXPECT_EQ(pixel(24, 5), 0x8410);
}

TEST_F(ProgressNodeTest, ALineThatDoesNotFillAcrossGetsTheFractionThereToo) {
    load(R"(
        define Screen {
            node {
                string type = "progress"  string id = "bar"
                node { string type = "node"  string id = "#line"  string anchor_x = "MIN_SIDE"
                       string anchor_y = "MAX_SIDE" }
            }
        }
    )");
    show("Screen", 40, 20);
    bar().set_fraction(0.5);
    zentra::layout_root(root, {0, 0}, {40, 20});
    EXPECT_EQ(line().size(), (Size{20, 10}));
    EXPECT_EQ(line().position().y, 10);
}

TEST_F(ProgressNodeTest, OnlyAChangedFractionAsksForLayout) {
    load_bar(0, 0);
    bar().set_fraction(0.5);
    EXPECT_TRUE(root.layout_pending());
    zentra::layout_root(root, {0, 0}, {101, 6});
    bar().set_fraction(0.5);
    EXPECT_FALSE(root.layout_pending());
    EXPECT_FALSE(bar().layout_pending());
}

TEST_F(ProgressNodeTest, WithoutALineChildItIsAPlainNode) {
    load(R"(
        define Screen {
            node { string type = "progress"  string id = "bar"
                   node { string type = "node"  string id = "deep"
                          node { string type = "node"  string id = "#line"
                                 string anchor_x = "MIN_SIDE" } } }
        }
    )");
    show("Screen", 40, 20);
    // Only a direct child counts as the line.
    EXPECT_EQ(bar().line(), nullptr);
    bar().set_fraction(0.5);
    zentra::layout_root(root, {0, 0}, {40, 20});
    EXPECT_EQ(node<Node>(u"deep").size(), (Size{40, 20}));
    EXPECT_EQ(line().size().w, 0);
}

}  // namespace

// The `clip` node: its children draw only inside its rectangle.

#include "skin/clip_node.h"

#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::ClipNode;

class ClipNodeTest : public skintest::NodeStage {
protected:
    // The set of changed pixels must be exactly the rectangle [x0, x1) x [y0, y1).
    void expect_painted_exactly(int x0, int y0, int x1, int y1, uint16_t paint,
                                uint16_t background) {
        for (int y = 0; y < surface.height(); ++y) {
            for (int x = 0; x < surface.width(); ++x) {
                const bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
                ASSERT_EQ(pixel(x, y), inside ? paint : background) << x << "," << y;
            }
        }
    }
};

TEST_F(ClipNodeTest, CutsAChildThatReachesPastEverySide) {
    load(R"(
        define Screen {
            node {
                string type = "clip"
                string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE"
                point border_min = 4, 3  point design_size = 6, 5
                node { string type = "color"  point border_min = -3, -3
                       point border_max = -3, -3  color color = 255, 255, 255 }
            }
        }
    )");
    show("Screen", 16, 12, 0);
    expect_painted_exactly(4, 3, 10, 8, 0xFFFF, 0);
}

TEST_F(ClipNodeTest, NestedClipsKeepTheSmallerArea) {
    // The inner clip is larger than the outer one on every side; its child is still bounded
    // by the outer rectangle, and the outer one's bounds come back for later siblings.
    load(R"(
        define Screen {
            node {
                string type = "clip"
                string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE"
                point border_min = 5, 5  point design_size = 4, 4
                node {
                    string type = "clip"  point border_min = -2, -2  point border_max = -2, -2
                    node { string type = "color"  point border_min = -2, -2
                           point border_max = -2, -2  color color = 255, 255, 255 }
                }
            }
            node {
                string type = "color"  string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE"
                point design_size = 1, 1  color color = 0, 0, 255
            }
        }
    )");
    show("Screen", 14, 14, 0);
    EXPECT_EQ(pixel(0, 0), 0x001F);
    EXPECT_EQ(pixel(4, 5), 0);
    EXPECT_EQ(pixel(5, 5), 0xFFFF);
    EXPECT_EQ(pixel(8, 8), 0xFFFF);
    EXPECT_EQ(pixel(9, 8), 0);
    EXPECT_EQ(pixel(8, 9), 0);
    EXPECT_EQ(pixel(5, 4), 0);
}

TEST_F(ClipNodeTest, ClipsAtTheOriginItIsDrawnAt) {
    load(R"(
        define Screen {
            node {
                string type = "clip"  string id = "clip"
                string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE"
                point border_min = 6, 6  point design_size = 2, 2
                node { string type = "color"  point border_min = -1, -1
                       point border_max = -1, -1  color color = 255, 255, 255 }
            }
        }
    )");
    show("Screen", 10, 10, 0);
    // Drawn again somewhere else, as into a cached parent's own surface.
    for (int y = 0; y < 10; ++y) {
        std::fill_n(surface.bitmap()->row(y), 10, uint16_t{0});
    }
    node<ClipNode>(u"clip").draw(surface, {1, 2});
    expect_painted_exactly(1, 2, 3, 4, 0xFFFF, 0);
}

TEST_F(ClipNodeTest, ARectangleOffTheTargetDrawsNothing) {
    load(R"(
        define Screen {
            node {
                string type = "clip"  string id = "clip"
                string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE"
                point design_size = 3, 3
                node { string type = "color"  point border_max = -20, -20
                       color color = 255, 255, 255 }
            }
        }
    )");
    show("Screen", 8, 8, 0);
    for (int y = 0; y < 8; ++y) {
        std::fill_n(surface.bitmap()->row(y), 8, uint16_t{0});
    }
    node<ClipNode>(u"clip").draw(surface, {-5, 2});
    node<ClipNode>(u"clip").draw(surface, {8, 0});
    expect_painted_exactly(0, 0, 0, 0, 0xFFFF, 0);
}

}  // namespace

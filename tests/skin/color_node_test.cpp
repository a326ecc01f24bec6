// The `color` node: one colour over exactly its rectangle, copied as it is.

#include "skin/color_node.h"

#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::Color;
using zentra::ColorNode;

class ColorNodeTest : public skintest::NodeStage {};

TEST_F(ColorNodeTest, ReadsItsColourAndDefaultsToOpaqueBlack) {
    load(R"(
        define Screen {
            node { string type = "color"  string id = "set"  color color = 8, 4, 8 }
            node { string type = "color"  string id = "unset" }
        }
    )");
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    EXPECT_EQ(node<ColorNode>(u"set").color(), (Color{8, 4, 8, 255}));
    EXPECT_EQ(node<ColorNode>(u"unset").color(), (Color{0, 0, 0, 255}));
}

TEST_F(ColorNodeTest, FillsExactlyItsRectangle) {
    load(R"(
        define Screen {
            node {
                string type = "color"
                string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE"
                point border_min = 3, 2  point design_size = 4, 3
                color color = 255, 255, 255
            }
        }
    )");
    show("Screen", 10, 8, 0x1234);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 3 && x < 7 && y >= 2 && y < 5;
            EXPECT_EQ(pixel(x, y), inside ? 0xFFFF : 0x1234) << x << "," << y;
        }
    }
}

TEST_F(ColorNodeTest, KeyColourAndTranslucentValuesAreCopiedNotBlended) {
    // (255, 0, 255) is the key colour and (0, 0, 0) lacks the opaque bit: a keyed copy
    // would leave the background or blend with it; a colour node writes them as they are.
    load(R"(
        define Screen {
            node { string type = "color"  string anchor_y = "MIN_SIDE"  point design_size = 0, 1
                   color color = 255, 0, 255 }
            node { string type = "color"  string anchor_y = "MIN_SIDE"  point border_min = 0, 1
                   point design_size = 0, 1  color color = 0, 0, 0 }
        }
    )");
    show("Screen", 3, 3, 0xFFFF);
    EXPECT_EQ(row(0, 0, 3), (std::vector<uint16_t>{0xF81F, 0xF81F, 0xF81F}));
    EXPECT_EQ(row(1, 0, 3), (std::vector<uint16_t>{0x0000, 0x0000, 0x0000}));
    EXPECT_EQ(row(2, 0, 3), (std::vector<uint16_t>{0xFFFF, 0xFFFF, 0xFFFF}));
}

TEST_F(ColorNodeTest, DrawsAtTheOriginItIsGivenAndItsChildrenOnTop) {
    // A cached node draws its subtree into its own surface at (0, 0), whatever its position.
    load(R"(
        define Screen {
            node {
                string type = "color"  string id = "fill"
                string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE"
                point border_min = 5, 5  point design_size = 3, 2
                color color = 0, 0, 255
                node { string type = "color"  string anchor_x = "MIN_SIDE"
                       point design_size = 1, 0  color color = 0, 255, 0 }
            }
        }
    )");
    show("Screen", 10, 10, 0);
    auto& fill = node<ColorNode>(u"fill");
    ASSERT_EQ(fill.position(), (zentra::Point{5, 5}));
    zentra::RenderSurface own;
    own.recreate(4, 3);
    for (int y = 0; y < 3; ++y) {
        std::fill_n(own.bitmap()->row(y), 4, uint16_t{0x1111});
    }
    fill.draw(own, {0, 0});
    const std::vector<uint16_t> top{0x07E0, 0x001F, 0x001F, 0x1111};
    EXPECT_EQ(std::vector<uint16_t>(own.bitmap()->row(0), own.bitmap()->row(0) + 4), top);
    EXPECT_EQ(std::vector<uint16_t>(own.bitmap()->row(1), own.bitmap()->row(1) + 4), top);
    EXPECT_EQ(own.bitmap()->row(2)[0], 0x1111);
}

}  // namespace

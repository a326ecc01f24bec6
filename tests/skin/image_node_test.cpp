// The `image` node: nine-patch drawing, blender choice (mask, alpha, plain), grow measures
// and fitting with the aspect ratio kept.

#include "skin/image_node.h"

#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::ImageNode;
using zentra::Point;
using zentra::Size;
using Fit = ImageNode::Fit;

constexpr uint16_t kRed = 0xF800 | 0x0020;   // opaque
constexpr uint16_t kBlue = 0x001F | 0x0020;  // opaque
constexpr uint16_t kWhite = 0xFFFF;

TEST(ImageFit, MagnifiesByWholeDoublingsAndCentres) {
    EXPECT_EQ(ImageNode::fit_keeping_aspect({20, 10}, {100, 100}), (Fit{{10, 30}, {80, 40}, 2}));
    // Exactly twice the size still doubles; one pixel less does not.
    EXPECT_EQ(ImageNode::fit_keeping_aspect({20, 10}, {40, 20}), (Fit{{0, 0}, {40, 20}, 1}));
    EXPECT_EQ(ImageNode::fit_keeping_aspect({20, 10}, {39, 20}), (Fit{{9, 5}, {20, 10}, 0}));
    // Sixteen times at most.
    EXPECT_EQ(ImageNode::fit_keeping_aspect({1, 1}, {100, 100}), (Fit{{42, 42}, {16, 16}, 4}));
}

TEST(ImageFit, ShrinksToTheTighterSideWhenEitherSideIsShort) {
    EXPECT_EQ(ImageNode::fit_keeping_aspect({20, 10}, {10, 30}), (Fit{{0, 12}, {10, 5}, 0, true}));
    EXPECT_EQ(ImageNode::fit_keeping_aspect({20, 10}, {40, 5}), (Fit{{15, 0}, {10, 5}, 0, true}));
    // Only the height is short: fitted by height although the width has room.
    EXPECT_EQ(ImageNode::fit_keeping_aspect({20, 10}, {100, 9}), (Fit{{41, 0}, {18, 9}, 0, true}));
    // An empty picture or node gives nothing to draw.
    EXPECT_EQ(ImageNode::fit_keeping_aspect({0, 10}, {100, 100}).size, (Size{0, 0}));
    EXPECT_EQ(ImageNode::fit_keeping_aspect({20, 10}, {0, 50}).size.w, 0);
}

class ImageNodeTest : public skintest::NodeStage {
protected:
    void SetUp() override {
        NodeStage::SetUp();
        // 20 x 10: left half red, right half blue.
        add_picture("photo", skintest::picture(20, 10, [](int x, int) {
                        return x < 10 ? kRed : kBlue;
                    }));
    }
};

TEST_F(ImageNodeTest, ReadsItsProperties) {
    add_picture("mask", skintest::picture(20, 10, [](int, int) { return 31; }));
    load(R"(
        define Screen {
            node { string type = "image"  string id = "full"  image src = "photo" 0 0 2 2 18 8 20 10 0
                   image mask = "mask" 0 0 0 0 20 10 20 10 0  int alpha = 100  int grow = 1
                   int save_aspect_ratio = 7 }
            node { string type = "image"  string id = "bare" }
        }
    )");
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    const auto& full = node<ImageNode>(u"full");
    EXPECT_EQ(full.source().pairs[1], (Point{2, 2}));
    EXPECT_EQ(full.source().pairs[3], (Point{20, 10}));
    EXPECT_FALSE(full.mask().empty());
    EXPECT_EQ(full.alpha(), 100);
    EXPECT_TRUE(full.grow());
    EXPECT_TRUE(full.save_aspect_ratio());
    EXPECT_NE(full.blender(), nullptr);

    const auto& bare = node<ImageNode>(u"bare");
    EXPECT_TRUE(bare.source().empty());
    EXPECT_FALSE(bare.alpha().has_value());
    EXPECT_FALSE(bare.grow());
    EXPECT_FALSE(bare.save_aspect_ratio());
    EXPECT_EQ(bare.blender(), nullptr);
}

TEST_F(ImageNodeTest, MaskAppliesOnlyToASourceOfItsSizeElseAlphaElsePlain) {
    // One translucent black pixel over white: plain writes it, level 2 halves the white,
    // and a mask of 31 writes the source too while a mask of 0 keeps the white.
    add_picture("dot", skintest::picture(1, 1, [](int, int) { return 0x0000; }));
    add_picture("full", skintest::picture(1, 1, [](int, int) { return 31; }));
    add_picture("none", skintest::picture(1, 1, [](int, int) { return 0; }));
    add_picture("wide", skintest::picture(2, 1, [](int, int) { return 0; }));
    // Row n holds the nth image.
    const std::string at[] = {"0", "1", "2", "3", "4", "5", "6"};
    auto image = [&](int n, const std::string& rest) {
        return "node { string type = \"image\"  string anchor_y = \"MIN_SIDE\"  point border_min = 0, " +
               at[n] + "  point design_size = 1, 1  " + rest + " }\n";
    };
    const std::string dot = "image src = \"dot\" 0 0 0 0 1 1 1 1 0 ";
    load("define Screen {\n node { string type = \"color\"  color color = 255, 255, 255 }\n" +
         image(0, dot) + image(1, dot + "int alpha = 128") + image(2, dot + "int alpha = -1") +
         image(3, dot + "image mask = \"none\" 0 0 0 0 1 1 1 1 0  int alpha = 128") +
         image(4, dot + "image mask = \"full\" 0 0 0 0 1 1 1 1 0") +
         image(5, dot + "image mask = \"wide\" 0 0 0 0 2 1 2 1 0  int alpha = 128") +
         image(6, "string id = \"late\"  image src = \"photo\" 0 0 0 0 20 10 20 10 0 "
                  "image mask = \"wide\" 0 0 0 0 2 1 2 1 0") +
         "}\n");
    show("Screen", 1, 7, kWhite);
    EXPECT_EQ(pixel(0, 0), 0x0000) << "no alpha, no mask: plain";
    EXPECT_EQ(pixel(0, 1), 0x7BEF) << "alpha 128: keyed level 2";
    EXPECT_EQ(pixel(0, 2), 0x0000) << "alpha -1 counts as absent";
    EXPECT_EQ(pixel(0, 3), kWhite) << "mask of 0 leaves the destination";
    EXPECT_EQ(pixel(0, 4), 0x0000) << "mask of 31 writes the source";
    EXPECT_EQ(pixel(0, 5), 0x7BEF) << "a mask of another size falls back to alpha";
    EXPECT_EQ(node<ImageNode>(u"late").blender(), nullptr);
    // A source from code that the mask fits takes the mask on.
    node<ImageNode>(u"late").set_source(zentra::ImageRef::whole(
        skintest::picture(2, 1, [](int, int) { return 0x0000; })));
    EXPECT_NE(node<ImageNode>(u"late").blender(), nullptr);
    EXPECT_EQ(pixel(0, 6), kRed);
    zentra::layout_root(root, {0, 0}, {1, 7});
    root.render(surface, {0, 0});
    EXPECT_EQ(pixel(0, 6), kWhite) << "the new source goes through its mask of 0";
}

TEST_F(ImageNodeTest, DrawsANinePatchOverItsRectangle) {
    // 6 x 6: border 2 dark, middle 2 x 2 of four colours that must tile.
    add_picture("patch", skintest::picture(6, 6, [](int x, int y) -> uint16_t {
                    if (x < 2 || x > 3 || y < 2 || y > 3) return 0x2124;
                    return (x == 2 ? (y == 2 ? 0xF820 : 0x003F) : (y == 2 ? 0x07E0 : 0xFFE0));
                }));
    load(R"(
        define Screen {
            node { string type = "image"  string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE"
                   point border_min = 3, 1  point design_size = 9, 7
                   image src = "patch" 0 0 2 2 4 4 6 6 0 }
        }
    )");
    show("Screen", 14, 10, 0);
    // Columns 3-4 head, 5-9 middle (red, green, red, green, red), 10-11 tail.
    EXPECT_EQ(row(1, 2, 13), (std::vector<uint16_t>{0, 0x2124, 0x2124, 0x2124, 0x2124, 0x2124,
                                                     0x2124, 0x2124, 0x2124, 0x2124, 0}));
    EXPECT_EQ(row(3, 2, 13), (std::vector<uint16_t>{0, 0x2124, 0x2124, 0xF820, 0x07E0, 0xF820,
                                                     0x07E0, 0xF820, 0x2124, 0x2124, 0}));
    EXPECT_EQ(row(4, 5, 8), (std::vector<uint16_t>{0x003F, 0xFFE0, 0x003F}));
    EXPECT_EQ(row(5, 5, 8), (std::vector<uint16_t>{0xF820, 0x07E0, 0xF820}));
    EXPECT_EQ(pixel(5, 6), 0x2124);  // tail rows begin at 1 + 7 - 2
    EXPECT_EQ(pixel(5, 8), 0);
}

TEST_F(ImageNodeTest, GrowMeasuresTheNaturalSizeAndKeepsTheShapeWhenNarrowed) {
    load(R"(
        define Screen {
            node { string type = "image"  string id = "grown"  string anchor_x = "MIN_SIDE"
                   string anchor_y = "MIN_SIDE"  int grow = 1
                   image src = "photo" 0 0 0 0 20 10 20 10 0 }
            node { string type = "image"  string id = "plain"  string anchor_x = "MIN_SIDE"
                   string anchor_y = "MIN_SIDE"  point design_size = 4, 3
                   image src = "photo" 0 0 0 0 20 10 20 10 0 }
            node { string type = "image"  string id = "narrow"  string anchor_y = "MIN_SIDE"
                   point border_max = 88, 0  int grow = 1  int save_aspect_ratio = 1
                   image src = "photo" 0 0 0 0 20 10 20 10 0 }
            node { string type = "image"  string id = "narrow_stretched"  string anchor_y = "MIN_SIDE"
                   point border_max = 88, 0  int grow = 1
                   image src = "photo" 0 0 0 0 20 10 20 10 0 }
        }
    )");
    show("Screen", 100, 100);
    EXPECT_EQ(node<ImageNode>(u"grown").size(), (Size{20, 10}));
    EXPECT_EQ(node<ImageNode>(u"plain").size(), (Size{4, 3}));
    EXPECT_EQ(node<ImageNode>(u"narrow").size(), (Size{12, 6}));
    EXPECT_EQ(node<ImageNode>(u"narrow_stretched").size(), (Size{12, 10}));
    const zentra::MeasuredSize width = node<ImageNode>(u"grown").measured_width();
    EXPECT_EQ(width.preferred, 20);
    EXPECT_EQ(width.minimum, 20);

    // A new source from code is measured again.
    node<ImageNode>(u"grown").set_source(
        zentra::ImageRef::whole(skintest::picture(30, 4, [](int, int) { return 0; })));
    zentra::layout_root(root, {0, 0}, {100, 100});
    EXPECT_EQ(node<ImageNode>(u"grown").size(), (Size{30, 4}));
}

TEST_F(ImageNodeTest, KeepingTheAspectRatioMagnifiesWholePixelsOrShrinks) {
    load(R"(
        define Screen {
            node { string type = "image"  int save_aspect_ratio = 1
                   image src = "photo" 0 0 0 0 20 10 20 10 0 }
        }
    )");
    show("Screen", 100, 100, 0);
    // 4 x: 80 x 40 at (10, 30); the red half is 40 wide.
    EXPECT_EQ(row(30, 9, 12), (std::vector<uint16_t>{0, kRed, kRed}));
    EXPECT_EQ(row(30, 48, 52), (std::vector<uint16_t>{kRed, kRed, kBlue, kBlue}));
    EXPECT_EQ(row(69, 88, 91), (std::vector<uint16_t>{kBlue, kBlue, 0}));
    EXPECT_EQ(pixel(10, 29), 0);
    EXPECT_EQ(pixel(10, 70), 0);

    // Narrower than the picture: 10 x 5 at (0, 12), every other source column.
    show("Screen", 10, 30, 0);
    EXPECT_EQ(row(12, 0, 10), (std::vector<uint16_t>{kRed, kRed, kRed, kRed, kRed, kBlue, kBlue,
                                                      kBlue, kBlue, kBlue}));
    EXPECT_EQ(pixel(0, 11), 0);
    EXPECT_EQ(pixel(0, 16), kRed);
    EXPECT_EQ(pixel(0, 17), 0);
}

TEST_F(ImageNodeTest, MagnificationComposesWithTheSkinScale) {
    // At 192 dpi the picture is already 40 x 20 skin units (each pixel 2 x 2); in 100 x 100
    // it doubles once more, so each picture pixel covers 4 x 4.
    load(R"(
        define Screen {
            node { string type = "image"  int save_aspect_ratio = 1
                   image src = "photo" 0 0 0 0 20 10 20 10 0 }
        }
    )",
         192);
    show("Screen", 100, 100, 0);
    EXPECT_EQ(row(30, 9, 11), (std::vector<uint16_t>{0, kRed}));
    EXPECT_EQ(row(69, 49, 51), (std::vector<uint16_t>{kRed, kBlue}));
    EXPECT_EQ(row(69, 89, 91), (std::vector<uint16_t>{kBlue, 0}));
    EXPECT_EQ(pixel(10, 70), 0);
}

}  // namespace

// Drawing entry points: fill, copy and scaled copy clip once and hand rows to the blender;
// cached nodes draw into their own surface and are copied with their cache blender.

#include "skin/draw.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "skin/node.h"
#include "skin/node_factory.h"
#include "skin/properties.h"
#include "tests/skin/skin_test_support.h"
#include "tools/skinc/source_parser.h"

namespace {

using zentra::Bitmap;
using zentra::Point;
using zentra::RenderSurface;
using zentra::Size;

uint16_t at(const RenderSurface& s, int x, int y) {
    return s.bitmap()->row(y)[x];
}

void paint(RenderSurface& s, int w, int h, const std::function<uint16_t(int, int)>& colour) {
    s.recreate(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            s.bitmap()->row(y)[x] = colour(x, y);
        }
    }
}

// A source whose pixel tells where it came from: x in the low byte, y in the high one.
uint16_t coded(int x, int y) {
    return static_cast<uint16_t>((y << 8) | x);
}

TEST(Fill, PacksTheColourAndCoversExactlyTheClip) {
    RenderSurface s;
    paint(s, 5, 4, [](int, int) { return uint16_t{0x1111}; });
    zentra::fill(s, zentra::Color{8, 4, 8, 255});
    EXPECT_EQ(at(s, 4, 3), 0x0821);
    zentra::fill(s, zentra::Color{255, 0, 255, 0});
    EXPECT_EQ(at(s, 0, 0), zentra::kKeyColor);
    zentra::fill_rect(s, {3, -2, 10, 3}, 0xFFFF, zentra::plain_blender());
    EXPECT_EQ(at(s, 3, 0), 0xFFFF);
    EXPECT_EQ(at(s, 4, 0), 0xFFFF);
    EXPECT_EQ(at(s, 2, 0), zentra::kKeyColor);
    EXPECT_EQ(at(s, 3, 1), zentra::kKeyColor);
    // A darkening fill reads only the destination.
    zentra::fill(s, *zentra::make_darken_blender(8));
    EXPECT_EQ(at(s, 3, 0), 0x7BEF);
}

TEST(Copy, ClipsAgainstEverySideOfTheTargetClip) {
    RenderSurface source;
    paint(source, 4, 3, coded);
    for (Point p : {Point{-2, -1}, Point{3, 2}, Point{-3, 4}, Point{1, 1}, Point{9, 0}}) {
        RenderSurface target;
        paint(target, 6, 5, [](int, int) { return uint16_t{0xEEEE}; });
        RenderSurface view = target.clipped({1, 1, 4, 3});
        zentra::copy(source, view, p, zentra::plain_blender());
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 6; ++x) {
                const bool in_view = x >= 1 && x < 5 && y >= 1 && y < 4;
                const bool in_source = x >= p.x && x < p.x + 4 && y >= p.y && y < p.y + 3;
                const uint16_t expected = in_view && in_source ? coded(x - p.x, y - p.y) : 0xEEEE;
                ASSERT_EQ(at(target, x, y), expected)
                    << "at " << p.x << "," << p.y << " pixel " << x << "," << y;
            }
        }
    }
}

TEST(Copy, KeyedCopyLeavesTheKeyColourTransparent) {
    RenderSurface source, target;
    paint(source, 2, 1, [](int x, int) { return x == 0 ? zentra::kKeyColor : uint16_t{0x07E0}; });
    paint(target, 2, 1, [](int, int) { return uint16_t{0x1234}; });
    zentra::copy(source, target, {0, 0}, *zentra::make_keyed_blender(0));
    EXPECT_EQ(at(target, 0, 0), 0x1234);
    EXPECT_EQ(at(target, 1, 0), 0x07E0);
}

TEST(ScaledCopy, DoublesAndHalvesByNearestPixel) {
    RenderSurface source, target;
    paint(source, 3, 2, coded);
    paint(target, 8, 6, [](int, int) { return uint16_t{0xEEEE}; });
    zentra::scaled_copy(source, target, {1, 1}, {6, 4}, zentra::plain_blender());
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 1 && x < 7 && y >= 1 && y < 5;
            ASSERT_EQ(at(target, x, y), inside ? coded((x - 1) / 2, (y - 1) / 2) : 0xEEEE)
                << x << "," << y;
        }
    }
    RenderSurface small;
    paint(small, 2, 1, [](int, int) { return uint16_t{0}; });
    paint(source, 4, 2, coded);
    zentra::scaled_copy(source, small, {0, 0}, {2, 1}, zentra::plain_blender());
    EXPECT_EQ(at(small, 0, 0), coded(0, 0));
    EXPECT_EQ(at(small, 1, 0), coded(2, 0));
}

TEST(ScaledCopy, ClippedRowsMatchTheUnclippedDrawAndNothingIsReadPastTheSource) {
    RenderSurface source;
    paint(source, 7, 5, coded);
    RenderSurface whole, part;
    paint(whole, 20, 20, [](int, int) { return uint16_t{0xEEEE}; });
    paint(part, 20, 20, [](int, int) { return uint16_t{0xEEEE}; });
    zentra::scaled_copy(source, whole, {-3, 2}, {16, 11}, zentra::plain_blender());
    RenderSurface view = part.clipped({2, 5, 9, 4});
    zentra::scaled_copy(source, view, {-3, 2}, {16, 11}, zentra::plain_blender());
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool in_view = x >= 2 && x < 11 && y >= 5 && y < 9;
            ASSERT_EQ(at(part, x, y), in_view ? at(whole, x, y) : 0xEEEE) << x << "," << y;
        }
    }
    // A wider destination than the source's aspect allows: the step comes from the heights,
    // so the columns past the source's right edge are left alone.
    RenderSurface wide;
    paint(wide, 12, 2, [](int, int) { return uint16_t{0xEEEE}; });
    RenderSurface narrow;
    paint(narrow, 3, 2, coded);
    zentra::scaled_copy(narrow, wide, {0, 0}, {12, 2}, zentra::plain_blender());
    EXPECT_EQ(at(wide, 2, 1), coded(2, 1));
    EXPECT_EQ(at(wide, 3, 1), 0xEEEE);
}

TEST(ScaledCopy, LargeMagnificationsReadTheNearestPixelWithAnyBlender) {
    RenderSurface source;
    paint(source, 37, 23, [](int x, int y) { return static_cast<uint16_t>(coded(x, y) | 0x20); });
    for (int factor_num : {2, 3, 4}) {
        for (bool keyed : {false, true}) {
            const Size size{37 * factor_num, 23 * factor_num};
            RenderSurface target;
            paint(target, size.w + 3, size.h + 3, [](int, int) { return uint16_t{0x0001}; });
            const auto key = zentra::make_keyed_blender(1);
            zentra::scaled_copy(source, target, {1, 2}, size,
                                keyed ? *key : zentra::plain_blender());
            const int step = (23 * 1024) / size.h;
            for (int y = 0; y < size.h + 3; ++y) {
                for (int x = 0; x < size.w + 3; ++x) {
                    const bool inside = x >= 1 && x < size.w + 1 && y >= 2 && y < size.h + 2;
                    const uint16_t expected =
                        inside ? at(source, ((x - 1) * step) >> 10, ((y - 2) * step) >> 10)
                               : 0x0001;
                    ASSERT_EQ(at(target, x, y), expected)
                        << factor_num << " " << keyed << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(ScaledCopy, ImageVersionScalesOnlyThePictureArea) {
    auto picture = std::make_shared<Bitmap>(6, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            picture->row(y)[x] = coded(x, y);
        }
    }
    zentra::ImageRef image;
    image.picture = picture;
    image.scale_shift = 1;  // skin units are two picture pixels
    image.pairs = {Point{4, 2}, Point{4, 2}, Point{8, 6}, Point{8, 6}};  // picture (2,1)-(4,3)
    RenderSurface target;
    paint(target, 4, 4, [](int, int) { return uint16_t{0}; });
    zentra::scaled_copy_image(image, target, {0, 0}, {4, 4}, zentra::plain_blender());
    EXPECT_EQ(at(target, 0, 0), coded(2, 1));
    EXPECT_EQ(at(target, 3, 3), coded(3, 2));
}

// Cached nodes.

// Paints its own rectangle with a translucent black on its left half and the key colour on
// its right half, and counts how often it was asked.
class Painter : public zentra::Node {
public:
    int draws = 0;
    void draw(RenderSurface& target, Point origin) override {
        ++draws;
        zentra::fill_rect(target, {origin.x, origin.y, size().w / 2, size().h}, 0x0000,
                          zentra::plain_blender());
        zentra::Node::draw(target, origin);
    }
};

class CachedNode : public ::testing::Test {
protected:
    void SetUp() override {
        zentra::NodeFactory::register_type(u"node", zentra::create_node<zentra::Node>);
    }
    void TearDown() override { zentra::NodeFactory::unregister_type(u"node"); }

    void load(Painter& node, const std::string& source) {
        skintest::load_source(m_skin, source);
        ASSERT_TRUE(zentra::load_from_skin(node, m_skin, u"Form"));
    }

    zentra::Properties m_skin;
};

TEST_F(CachedNode, DrawsOnceIntoItsSurfaceAndCopiesWithItsCacheBlender) {
    Painter node;
    load(node, R"(define Form { int cache = 1  int cache_alpha = 128 })");
    node.set_bounds({0, 0}, {4, 2});
    RenderSurface target;
    paint(target, 6, 3, [](int, int) { return uint16_t{0xFFFF}; });

    node.render(target, {1, 1});
    EXPECT_EQ(node.draws, 1);
    EXPECT_EQ(node.surface().size(), (Size{4, 2}));
    EXPECT_EQ(at(node.surface(), 3, 1), zentra::kKeyColor);  // cleared to the key colour
    // Level 2 over white: translucent black shows half the white; the key stays white.
    EXPECT_EQ(at(target, 1, 1), 0x7BEF);
    EXPECT_EQ(at(target, 2, 2), 0x7BEF);
    EXPECT_EQ(at(target, 3, 1), 0xFFFF);
    EXPECT_EQ(at(target, 0, 1), 0xFFFF);
    EXPECT_FALSE(node.is_dirty());

    node.render(target, {1, 1});
    EXPECT_EQ(node.draws, 1);  // clean: the surface is reused
    node.mark_dirty();
    node.render(target, {1, 1});
    EXPECT_EQ(node.draws, 2);
    // Hiding releases the surface; showing again redraws it.
    node.set_visible(false);
    EXPECT_TRUE(node.surface().empty());
    node.set_visible(true);
    node.render(target, {1, 1});
    EXPECT_EQ(node.draws, 3);
    EXPECT_FALSE(node.surface().empty());
}

TEST_F(CachedNode, PlainCacheCopiesTheKeyColourAndUncachedNodesDrawStraightThrough) {
    Painter cached;
    load(cached, R"(define Form { int cache = 1 })");
    cached.set_bounds({0, 0}, {2, 1});
    RenderSurface target;
    paint(target, 2, 1, [](int, int) { return uint16_t{0xFFFF}; });
    cached.render(target, {0, 0});
    EXPECT_EQ(at(target, 1, 0), zentra::kKeyColor);

    Painter direct;
    direct.set_bounds({0, 0}, {2, 1});
    paint(target, 2, 1, [](int, int) { return uint16_t{0xFFFF}; });
    direct.render(target, {0, 0});
    EXPECT_EQ(at(target, 0, 0), 0x0000);
    EXPECT_EQ(at(target, 1, 0), 0xFFFF);
    EXPECT_TRUE(direct.surface().empty());
    EXPECT_EQ(direct.cache_blender(), nullptr);
}

}  // namespace

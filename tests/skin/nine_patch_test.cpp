// Nine-patch images: how an axis is shared out, and whole draws (clipped, magnified, masked)
// against a pixel-by-pixel model of where each destination pixel reads. Set VELVANE_SEED to
// rerun a failing seed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <random>

#include "skin/draw.h"

namespace {

using zentra::Bitmap;
using zentra::ImageRef;
using zentra::NinePatchSplit;
using zentra::Point;
using zentra::RenderSurface;
using zentra::Size;
using zentra::split_nine_patch;

uint32_t seed() {
    static const uint32_t s = [] {
        const char* env = std::getenv("VELVANE_SEED");
        const uint32_t v = env != nullptr ? static_cast<uint32_t>(std::strtoul(env, nullptr, 10))
                                          : std::random_device{}();
        std::cout << "nine-patch tests: VELVANE_SEED=" << v << "\n";
        return v;
    }();
    return s;
}

TEST(NinePatchSplit, ShortLengthsShareOutHeadAndTail) {
    EXPECT_EQ(split_nine_patch(10, 10, 15), (NinePatchSplit{7, 1, 7}));
    EXPECT_EQ(split_nine_patch(10, 10, 20), (NinePatchSplit{10, 1, 9}));
    EXPECT_EQ(split_nine_patch(10, 10, 21), (NinePatchSplit{10, 1, 10}));
    EXPECT_EQ(split_nine_patch(10, 10, 25), (NinePatchSplit{10, 5, 10}));
    EXPECT_EQ(split_nine_patch(10, 2, 11), (NinePatchSplit{8, 1, 2}));
    EXPECT_EQ(split_nine_patch(2, 10, 11), (NinePatchSplit{2, 1, 8}));
    EXPECT_EQ(split_nine_patch(10, 10, 1), (NinePatchSplit{0, 1, 0}));
    EXPECT_EQ(split_nine_patch(10, 10, 0), (NinePatchSplit{0, 0, 0}));
}

TEST(NinePatchSplit, PartsFillTheLengthAndNeverOutgrowTheirSource) {
    for (int head = 0; head <= 12; ++head) {
        for (int tail = 0; tail <= 12; ++tail) {
            for (int n = 1; n <= 30; ++n) {
                const NinePatchSplit s = split_nine_patch(head, tail, n);
                ASSERT_EQ(s.head + s.middle + s.tail, n) << head << " " << tail << " " << n;
                ASSERT_GE(s.middle, 1) << head << " " << tail << " " << n;
                ASSERT_LE(s.head, head);
                ASSERT_LE(s.tail, tail);
                ASSERT_GE(s.head, 0);
                ASSERT_GE(s.tail, 0);
            }
        }
    }
}

// Where destination offset j of an axis reads, in skin units.
int source_position(int x0, int x1, int x2, int x3, int n, int j) {
    const NinePatchSplit s = split_nine_patch(x1 - x0, x3 - x2, n);
    if (j < s.head) {
        return x0 + j;
    }
    if (j < s.head + s.middle) {
        return x1 + (j - s.head) % (x2 - x1);
    }
    return x3 - s.tail + (j - s.head - s.middle);
}

std::shared_ptr<Bitmap> coded_picture(int w, int h) {
    auto picture = std::make_shared<Bitmap>(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // Opaque everywhere (green's low bit) so keyed copies show the source as it is.
            picture->row(y)[x] = static_cast<uint16_t>((y << 10) | (x << 6) | 0x20);
        }
    }
    return picture;
}

TEST(NinePatchDraw, EveryPixelReadsWhereTheModelSaysUnderAnyClip) {
    std::mt19937 rng(seed());
    constexpr uint16_t kUntouched = 0x0001;
    for (int round = 0; round < 200; ++round) {
        const int shift = static_cast<int>(rng() % 3);
        const int pw = 1 + static_cast<int>(rng() % 12);
        const int ph = 1 + static_cast<int>(rng() % 12);
        auto picture = coded_picture(pw, ph);
        // Four ordered coordinates per axis inside the picture, in skin units, with a
        // non-empty middle.
        auto axis = [&](int length) {
            const int limit = length << shift;
            int c[4];
            c[1] = static_cast<int>(rng() % static_cast<unsigned>(limit));
            c[2] = c[1] + 1 + static_cast<int>(rng() % static_cast<unsigned>(limit - c[1]));
            c[0] = static_cast<int>(rng() % static_cast<unsigned>(c[1] + 1));
            c[3] = c[2] + static_cast<int>(rng() % static_cast<unsigned>(limit - c[2] + 1));
            return std::array<int, 4>{c[0], c[1], c[2], c[3]};
        };
        const auto xs = axis(pw);
        const auto ys = axis(ph);
        ImageRef image;
        image.picture = picture;
        image.scale_shift = shift;
        for (int i = 0; i < 4; ++i) {
            image.pairs[i] = {xs[i], ys[i]};
        }
        const Point at{static_cast<int>(rng() % 20) - 5, static_cast<int>(rng() % 20) - 5};
        const Size size{1 + static_cast<int>(rng() % 40), 1 + static_cast<int>(rng() % 40)};
        const zentra::Rect clip{static_cast<int>(rng() % 30), static_cast<int>(rng() % 30),
                                static_cast<int>(rng() % 40), static_cast<int>(rng() % 40)};

        RenderSurface target;
        target.recreate(48, 48);
        zentra::fill(target, kUntouched, zentra::plain_blender());
        {
            RenderSurface view = target.clipped(clip);
            // Keyed: exercises the staged (non-plain) row path as well.
            const auto blender = zentra::make_keyed_blender(round % 2 == 0 ? 0 : 4);
            zentra::draw_image(image, view, at, size,
                               round % 3 == 0 ? zentra::plain_blender() : *blender);
        }
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 48; ++x) {
                const bool inside = x >= at.x && x < at.x + size.w && y >= at.y &&
                                    y < at.y + size.h && x >= clip.x && x < clip.x + clip.w &&
                                    y >= clip.y && y < clip.y + clip.h;
                uint16_t expected = kUntouched;
                if (inside) {
                    const int sx = source_position(xs[0], xs[1], xs[2], xs[3], size.w, x - at.x);
                    const int sy = source_position(ys[0], ys[1], ys[2], ys[3], size.h, y - at.y);
                    expected = picture->row(sy >> shift)[sx >> shift];
                }
                ASSERT_EQ(target.bitmap()->row(y)[x], expected)
                    << "pixel " << x << "," << y << " round " << round << " seed " << seed();
            }
        }
    }
}

TEST(NinePatchDraw, ScaleShiftDrawsEachPicturePixelAsASquare) {
    auto picture = coded_picture(2, 2);
    ImageRef image = ImageRef::whole(picture);
    image.scale_shift = 1;
    for (auto& pair : image.pairs) {
        pair = {pair.x << 1, pair.y << 1};
    }
    RenderSurface target;
    target.recreate(4, 4);
    zentra::draw_image(image, target, {0, 0}, {4, 4}, zentra::plain_blender());
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(target.bitmap()->row(y)[x], picture->row(y / 2)[x / 2]) << x << "," << y;
        }
    }
}

TEST(NinePatchDraw, MaskReadsAtTheSameSourcePixelAsTheImage) {
    auto picture = coded_picture(3, 1);
    auto mask = std::make_shared<Bitmap>(3, 1);
    mask->row(0)[0] = 0;   // the head column lets the destination through
    mask->row(0)[1] = 31;  // middle and tail cover it
    mask->row(0)[2] = 31;
    ImageRef image;
    image.picture = picture;
    image.pairs = {Point{0, 0}, Point{1, 0}, Point{2, 1}, Point{3, 1}};
    zentra::MaskBlender blender(mask);  // bound to the picture by the draw
    RenderSurface target;
    target.recreate(6, 1);
    zentra::fill(target, 0x1234, zentra::plain_blender());
    zentra::draw_image(image, target, {0, 0}, {6, 1}, blender);
    EXPECT_EQ(target.bitmap()->row(0)[0], 0x1234);
    for (int x = 1; x < 5; ++x) {
        EXPECT_EQ(target.bitmap()->row(0)[x], picture->row(0)[1]) << x;
    }
    EXPECT_EQ(target.bitmap()->row(0)[5], picture->row(0)[2]);
}

TEST(NinePatchDraw, AnEmptyMiddleLeavesItsPixelsUntouched) {
    // Magnified by 2: head rows read picture rows 0, 0, 1; the tail row reads row 1 again,
    // across the untouched middle row.
    auto picture = coded_picture(2, 2);
    ImageRef image;
    image.picture = picture;
    image.scale_shift = 1;
    image.pairs = {Point{0, 0}, Point{0, 3}, Point{4, 3}, Point{4, 4}};
    RenderSurface target;
    target.recreate(4, 5);
    zentra::fill(target, 0x0001, zentra::plain_blender());
    zentra::draw_image(image, target, {0, 0}, {4, 5}, zentra::plain_blender());
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(target.bitmap()->row(2)[x], picture->row(1)[x / 2]) << x;
        EXPECT_EQ(target.bitmap()->row(3)[x], 0x0001) << x;
        EXPECT_EQ(target.bitmap()->row(4)[x], picture->row(1)[x / 2]) << x;
    }
}

TEST(NinePatchDraw, CoordinatesOutsideThePictureDrawNothing) {
    ImageRef image = ImageRef::whole(coded_picture(4, 4));
    image.pairs[3] = {5, 4};  // one column past the right edge
    image.pairs[2] = {5, 4};
    RenderSurface target;
    target.recreate(8, 8);
    zentra::fill(target, 0x0001, zentra::plain_blender());
    zentra::draw_image(image, target, {0, 0}, {8, 8}, zentra::plain_blender());
    EXPECT_EQ(target.bitmap()->row(3)[3], 0x0001);
}

}  // namespace

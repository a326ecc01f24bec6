// The frame blender: its three rules at known pixels, the fast rows bit-identical to the
// reference over seeded random rows, and a photo framed through a nine-patch frame. Set
// VELVANE_SEED to rerun a failing seed.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <random>
#include <vector>

#include "skin/bitmap.h"
#include "skin/blender.h"
#include "skin/photo_frame.h"
#include "tests/skin/blender_test_support.h"

namespace {

using blender_test::random_pixel;
using blender_test::test_seed;
using zentra::frame_pixel;
using zentra::kKeyColor;

struct RuleCase {
    uint32_t flags;
    uint16_t photo;
    uint16_t frame;
    uint16_t want;
};

TEST(FramePixel, KeyStaysTransparentMarkedLetsThePhotoThroughOthersAddTheFlaggedShares) {
    const RuleCase cases[] = {
        // The key colour is kept whatever the photo and the flags.
        {0, 0x1234, kKeyColor, kKeyColor},
        {0x1C0, 0xFFFF, kKeyColor, kKeyColor},
        // Marked frame pixels: the photo, marked opaque.
        {0, 0x1234, 0x0020, 0x1234 | 0x0020},
        {0x1C0, 0x8001, 0xFFFF, 0x8021},
        // Flag word 0: the frame pixel as it is.
        {0, 0xFFFF, 0x0841, 0x0841},
        // Each flag adds its share of the photo: whole, half, quarter.
        {0x100, 0x0841, 0x1000, 0x1841},
        {0x080, 0xFFDF, 0x0000, 0x7BEF},
        {0x040, 0xFFDF, 0x0000, 0x39E7},
        {0x0C0, 0xFFDF, 0x0000, 0x7BEF + 0x39E7},
        // Kept to 16 bits: the carry out of red is lost.
        {0x100, 0x8000, 0x8000, 0x0000},
        // Bits other than the three flags do nothing.
        {0x03F, 0xFFFF, 0x0841, 0x0841},
    };
    for (const RuleCase& c : cases) {
        EXPECT_EQ(frame_pixel(c.flags, c.photo, c.frame), c.want)
            << std::hex << "flags " << c.flags << " photo " << c.photo << " frame " << c.frame;
    }
}

TEST(FrameRows, FastAndBaselineRowsAreBitIdenticalToTheReference) {
    std::mt19937 rng(test_seed());
    const uint32_t flag_words[] = {0, 0x40, 0x80, 0x100, 0xC0, 0x140, 0x180, 0x1C0, 0xFFFF};
    for (int round = 0; round < 400; ++round) {
        const size_t n = rng() % 90;
        std::vector<uint16_t> frame(n), photo(n);
        for (size_t i = 0; i < n; ++i) {
            frame[i] = random_pixel(rng);
            photo[i] = static_cast<uint16_t>(rng());
        }
        for (uint32_t flags : flag_words) {
            auto want = photo, fast = photo, baseline = photo;
            const int count = static_cast<int>(n);
            zentra::blend::frame_row_scalar(flags, want.data(), count, frame.data());
            zentra::blend::frame_row_fast(flags, fast.data(), count, frame.data());
            zentra::blend::frame_row_baseline(flags, baseline.data(), count, frame.data());
            ASSERT_EQ(want, fast) << "flags " << flags << " n " << n << " seed " << test_seed();
            ASSERT_EQ(want, baseline) << "flags " << flags << " n " << n << " seed " << test_seed();
            for (size_t i = 0; i < n; ++i) {
                ASSERT_EQ(want[i], frame_pixel(flags, photo[i], frame[i])) << i;
            }
        }
    }
}

TEST(FrameBlender, RowOperationsAndClonesFollowTheRule) {
    std::mt19937 rng(test_seed() + 1);
    std::vector<uint16_t> frame(40);
    for (auto& p : frame) {
        p = random_pixel(rng);
    }
    zentra::FrameBlender original(0x80);
    const std::unique_ptr<zentra::Blender> blender = original.clone();
    std::vector<uint16_t> photo(300);
    for (auto& p : photo) {
        p = static_cast<uint16_t>(rng());
    }
    auto got = photo;
    // Magnified by two from source index 3: every frame pixel covers two photo pixels.
    blender->copy_row_shifted(got.data(), frame.data(), 6, 60, 1);
    for (int i = 0; i < 60; ++i) {
        ASSERT_EQ(got[i], frame_pixel(0x80, photo[i], frame[(6 + i) >> 1])) << i;
    }
    got = photo;
    blender->copy_row_tiled(got.data(), frame.data(), 2, 300, 0, 2, 7);
    int pos = 2;
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(got[i], frame_pixel(0x80, photo[i], frame[pos])) << i;
        pos = pos + 1 == 7 ? 2 : pos + 1;
    }
}

std::shared_ptr<zentra::Bitmap> filled(int w, int h, uint16_t pixel) {
    auto bitmap = std::make_shared<zentra::Bitmap>(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bitmap->row(y)[x] = pixel;
        }
    }
    return bitmap;
}

TEST(FramedPhoto, ThePhotoCoversTheFrameWhichKeepsItsRim) {
    // An 8 x 8 frame: key-colour corners, a drawn rim one pixel wide, a marked middle.
    auto frame = filled(8, 8, 0x0841);
    for (int y = 1; y < 7; ++y) {
        for (int x = 1; x < 7; ++x) {
            frame->row(y)[x] = 0x07E0;  // marked: the photo shows through
        }
    }
    frame->row(0)[0] = frame->row(0)[7] = frame->row(7)[0] = frame->row(7)[7] = kKeyColor;
    // A small tall photo, 4 x 10, each column its own colour: doubled to 8 x 20 it covers the
    // frame's width, centred, its top and bottom cut.
    auto photo = std::make_shared<zentra::Bitmap>(4, 10);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 4; ++x) {
            photo->row(y)[x] = static_cast<uint16_t>(0x1000 + (x << 6) + y);
        }
    }

    const zentra::ImageRef framed =
        zentra::framed_photo(zentra::ImageRef::whole(photo), zentra::ImageRef::whole(frame));
    ASSERT_FALSE(framed.empty());
    ASSERT_EQ(framed.picture->width(), 8);
    ASSERT_EQ(framed.picture->height(), 8);
    const zentra::Bitmap& out = *framed.picture;
    const auto at = [&](int x, int y) { return out.row(y)[x]; };
    EXPECT_EQ(at(0, 0), kKeyColor);
    EXPECT_EQ(at(7, 7), kKeyColor);
    EXPECT_EQ(at(3, 0), 0x0841);
    EXPECT_EQ(at(0, 4), 0x0841);
    EXPECT_EQ(at(4, 7), 0x0841);
    // Inside the rim: photo row 3 + y / 2 (rows 0..2 cut above), column x / 2, marked opaque.
    for (int y = 1; y < 7; ++y) {
        for (int x = 1; x < 7; ++x) {
            const uint16_t want = static_cast<uint16_t>(0x1000 + ((x / 2) << 6) + 3 + y / 2);
            EXPECT_EQ(at(x, y), want | zentra::kOpaqueBit) << x << "," << y;
        }
    }
    EXPECT_EQ(photo->row(0)[0], 0x1000) << "the photo given is left as it was";
    EXPECT_EQ(frame->row(3)[3], 0x07E0) << "and so is the frame";
}

TEST(FramedPhoto, WithoutAFrameThePhotoIsKeptAndWithoutAPhotoNothingIsMade) {
    const zentra::ImageRef photo = zentra::ImageRef::whole(filled(4, 4, 0x0001));
    EXPECT_EQ(zentra::framed_photo(photo, {}).picture, photo.picture);
    EXPECT_TRUE(zentra::framed_photo({}, zentra::ImageRef::whole(filled(2, 2, 0))).empty());
}

}  // namespace

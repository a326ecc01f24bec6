#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "skin/bitmap.h"
#include "skin_test_support.h"

using namespace skintest;
using zentra::Bitmap;

namespace {

constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kLime = 0x07E0;
constexpr uint16_t kBlue = 0x001F;

WString data_file(const char* name) {
    return platform::from_utf8(std::string(VELVANE_TEST_DATA) + "/bmp/" + name);
}

std::vector<std::vector<uint16_t>> pixels_of(const Bitmap& bitmap) {
    std::vector<std::vector<uint16_t>> rows;
    for (int y = 0; y < bitmap.height(); ++y) {
        rows.emplace_back(bitmap.row(y), bitmap.row(y) + bitmap.width());
    }
    return rows;
}

std::shared_ptr<const Bitmap> from_bytes(const std::vector<uint8_t>& bytes) {
    return zentra::load_565_from_memory(bytes.data(), bytes.size(), u"test");
}

// Distinct value per pixel, so a swapped row or column shows.
uint16_t pattern(int x, int y) {
    return static_cast<uint16_t>(0x1000 * y + 0x11 * x + 1);
}

}  // namespace

TEST(Bitmap, RowsStartOnFourByteBoundaries) {
    EXPECT_EQ(Bitmap::stride_for(1), 4);
    EXPECT_EQ(Bitmap::stride_for(2), 4);
    EXPECT_EQ(Bitmap::stride_for(3), 8);
    const Bitmap bitmap(3, 2);
    EXPECT_EQ(bitmap.stride(), 8);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(bitmap.row(1)) -
                  reinterpret_cast<const uint8_t*>(bitmap.row(0)),
              8);
    EXPECT_EQ(bitmap.row(1)[2], 0);
}

TEST(Bitmap, ImpossibleSizesGiveAnEmptyBitmap) {
    EXPECT_TRUE(Bitmap(0, 5).empty());
    EXPECT_TRUE(Bitmap(-1, 5).empty());
    EXPECT_TRUE(Bitmap(INT_MAX, 1).empty());
    const Bitmap huge(1 << 15, 1 << 15);
    EXPECT_TRUE(huge.empty());
    EXPECT_EQ(huge.width(), 0);
    EXPECT_EQ(huge.height(), 0);
}

TEST(Load565, ReadsImageMagickRgb565FilesWithV5Headers) {
    const auto small = zentra::load_565(data_file("im6_rgb565_3x2_v5"));
    ASSERT_EQ(small->width(), 3);
    ASSERT_EQ(small->height(), 2);
    EXPECT_EQ(pixels_of(*small),
              (std::vector<std::vector<uint16_t>>{{kRed, kBlue, kRed}, {kRed, kRed, kLime}}));

    // White at the top fading to navy at the bottom: every row one colour, each darker.
    const auto gradient = zentra::load_565(data_file("im6_rgb565_31x17_gradient_v5"));
    ASSERT_EQ(gradient->width(), 31);
    ASSERT_EQ(gradient->height(), 17);
    EXPECT_EQ(gradient->row(0)[0], 0xFFFF);
    EXPECT_EQ(gradient->row(16)[30], 0x000F);
    for (int y = 0; y < 17; ++y) {
        for (int x = 1; x < 31; ++x) {
            ASSERT_EQ(gradient->row(y)[x], gradient->row(y)[0]) << y;
        }
        if (y > 0) {
            EXPECT_LT(gradient->row(y)[0], gradient->row(y - 1)[0]) << y;
        }
    }
}

TEST(Load565, RefusesPicturesThatAreNotRgb565) {
    EXPECT_TRUE(zentra::load_565(data_file("im6_rgb555_4x2"))->empty());
    EXPECT_TRUE(zentra::load_565(data_file("im6_rgb888_3x2"))->empty());
    EXPECT_TRUE(zentra::load_565(data_file("no_such_picture"))->empty());
}

TEST(Load565, BottomUpAndTopDownGiveTheSamePicture) {
    for (const int width : {1, 2, 3, 4, 5}) {
        const auto expected = from_bytes(make_bmp(width, 3, pattern));
        ASSERT_EQ(expected->width(), width);
        ASSERT_EQ(expected->height(), 3);
        EXPECT_EQ(expected->row(2)[width - 1], pattern(width - 1, 2));
        EXPECT_EQ(expected->row(0)[0], pattern(0, 0));

        BmpOptions top_down;
        top_down.top_down = true;
        EXPECT_EQ(pixels_of(*from_bytes(make_bmp(width, 3, pattern, top_down))),
                  pixels_of(*expected))
            << width;
        BmpOptions v4_masks;
        v4_masks.info_size = 108;
        v4_masks.compression = 3;
        EXPECT_EQ(pixels_of(*from_bytes(make_bmp(width, 3, pattern, v4_masks))),
                  pixels_of(*expected))
            << width;
    }
}

TEST(Load565, MasksMustSayRgb565) {
    BmpOptions o;
    o.compression = 3;
    EXPECT_FALSE(from_bytes(make_bmp(2, 2, pattern, o))->empty());
    o.masks = {0x7C00, 0x03E0, 0x001F};
    EXPECT_TRUE(from_bytes(make_bmp(2, 2, pattern, o))->empty());
    o.masks = {0xF800, 0x07E0, 0x003F};
    EXPECT_TRUE(from_bytes(make_bmp(2, 2, pattern, o))->empty());
    BmpOptions rle;
    rle.compression = 1;
    EXPECT_TRUE(from_bytes(make_bmp(2, 2, pattern, rle))->empty());
    BmpOptions eight_bit;
    eight_bit.bit_count = 8;
    EXPECT_TRUE(from_bytes(make_bmp(2, 2, pattern, eight_bit))->empty());
}

TEST(Load565, RefusesHeadersThatDoNotFitTheFile) {
    const auto good = make_bmp(3, 2, pattern);  // data at 54, rows of 8 bytes
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        bool four_bytes;
    };
    const Case cases[] = {
        {"not BM", 0, 'X', false},
        {"info header below 40", 14, 39, true},
        {"info header past the end", 14, 1000, true},
        {"width 0", 18, 0, true},
        {"negative width", 18, uint32_t(-3), true},
        {"height 0", 22, 0, true},
        {"absurd width", 18, 100000, true},
        {"absurd height", 22, uint32_t(-100000), true},
        {"height INT_MIN", 22, 0x80000000u, true},
        {"more rows than the file holds", 22, 3, true},
        {"data inside the header", 10, 53, true},
        {"data past the end", 10, 0xFFFFFFF0u, true},
    };
    for (const auto& c : cases) {
        auto bytes = good;
        if (c.four_bytes) {
            put32(bytes, c.at, c.value);
        } else {
            bytes[c.at] = uint8_t(c.value);
        }
        EXPECT_TRUE(from_bytes(bytes)->empty()) << c.what;
    }
}

TEST(Load565, LastRowNeedsItsPixelsButNotItsPadding) {
    const auto good = make_bmp(3, 2, pattern);  // 6 data bytes + 2 padding per row
    for (size_t length = 0; length <= good.size(); ++length) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + long(length));
        const bool complete = length >= good.size() - 2;
        EXPECT_EQ(from_bytes(cut)->empty(), !complete) << length;
    }
    const auto trimmed = from_bytes({good.begin(), good.end() - 2});
    EXPECT_EQ(pixels_of(*trimmed), pixels_of(*from_bytes(good)));
}

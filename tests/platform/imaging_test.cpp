#include "platform/imaging.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <zlib.h>

namespace {

using namespace platform;

// A 4 x 2 test card: red, green, blue, white over black, grey, yellow, half-clear cyan.
RgbaImage card() {
    RgbaImage image;
    image.width = 4;
    image.height = 2;
    image.pixels = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255,
                    0, 0, 0, 255, 128, 128, 128, 255, 255, 255, 0, 255, 0, 255, 255, 128};
    return image;
}

std::vector<uint8_t> png_of(const RgbaImage& image) {
    std::string error;
    const std::string bytes =
        encode_png(image.width, image.height, image.pixels.data(), PngChannels::rgba, error);
    EXPECT_FALSE(bytes.empty()) << error;
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// A flat-coloured JPEG, so lossy coding keeps the colour close.
std::vector<uint8_t> jpeg_of(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    jpeg_compress_struct info {};
    jpeg_error_mgr error {};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int x = 0; x < width; ++x) {
        row[x * 3] = r, row[x * 3 + 1] = g, row[x * 3 + 2] = b;
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = v & 0xFF, b[at + 1] = (v >> 8) & 0xFF;
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// A BMP with a 40-byte header; pixel rows are given in file order and padded here.
std::vector<uint8_t> bmp_of(int width, int height, int bpp, const std::vector<uint32_t>& palette,
                            const std::vector<std::vector<uint8_t>>& rows, uint32_t compression = 0,
                            const std::vector<uint32_t>& masks = {}) {
    const size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    const size_t offset = 54 + masks.size() * 4 + palette.size() * 4;
    std::vector<uint8_t> b(offset + stride * rows.size());
    b[0] = 'B', b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(b.size()));
    put32(b, 10, static_cast<uint32_t>(offset));
    put32(b, 14, 40);
    put32(b, 18, width);
    put32(b, 22, static_cast<uint32_t>(height));
    put16(b, 26, 1);
    put16(b, 28, bpp);
    put32(b, 30, compression);
    put32(b, 46, static_cast<uint32_t>(palette.size()));
    size_t at = 54;
    for (uint32_t m : masks) {
        put32(b, at, m), at += 4;
    }
    for (uint32_t c : palette) {
        put32(b, at, c), at += 4;
    }
    for (size_t y = 0; y < rows.size(); ++y) {
        std::memcpy(b.data() + offset + y * stride, rows[y].data(), rows[y].size());
    }
    return b;
}

std::vector<uint8_t> pixel(const RgbaImage& image, int x, int y) {
    const uint8_t* p = image.pixels.data() + (static_cast<size_t>(y) * image.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

TEST(Imaging, PngDecodesExactlyWithAlpha) {
    const RgbaImage source = card();
    const std::vector<uint8_t> bytes = png_of(source);
    EXPECT_EQ(sniff_image(bytes.data(), bytes.size()), ImageFormat::png);
    std::string error;
    const RgbaImage image = decode_image(bytes.data(), bytes.size(), error);
    ASSERT_EQ(image.width, 4) << error;
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels, source.pixels);
}

TEST(Imaging, JpegDecodesCloseToItsColour) {
    const std::vector<uint8_t> bytes = jpeg_of(33, 17, 200, 40, 90);
    std::string error;
    const RgbaImage image = decode_image(bytes.data(), bytes.size(), error);
    ASSERT_EQ(image.width, 33) << error;
    ASSERT_EQ(image.height, 17);
    const auto p = pixel(image, 20, 10);
    EXPECT_NEAR(p[0], 200, 4);
    EXPECT_NEAR(p[1], 40, 4);
    EXPECT_NEAR(p[2], 90, 4);
    EXPECT_EQ(p[3], 255);
}

TEST(Imaging, BmpLayoutsDecodeTheirRowsTheRightWayUp) {
    std::string error;
    // 24 bits, bottom-up: the first row in the file is the bottom row.
    auto bytes = bmp_of(2, 2, 24, {}, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}});
    RgbaImage image = decode_image(bytes.data(), bytes.size(), error);
    ASSERT_EQ(image.width, 2) << error;
    EXPECT_EQ(pixel(image, 0, 0), (std::vector<uint8_t>{0, 0, 255, 255}));
    EXPECT_EQ(pixel(image, 1, 0), (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(pixel(image, 0, 1), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 1, 1), (std::vector<uint8_t>{0, 255, 0, 255}));

    // 4-bit palette, top-down (negative height), odd width.
    bytes = bmp_of(3, -1, 4, {0x000000, 0x112233, 0xFFFFFF}, {{0x12, 0x00}});
    image = decode_image(bytes.data(), bytes.size(), error);
    ASSERT_EQ(image.width, 3) << error;
    ASSERT_EQ(image.height, 1);
    EXPECT_EQ(pixel(image, 0, 0), (std::vector<uint8_t>{0x11, 0x22, 0x33, 255}));
    EXPECT_EQ(pixel(image, 1, 0), (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(pixel(image, 2, 0), (std::vector<uint8_t>{0, 0, 0, 255}));

    // 16-bit RGB565 by bit fields: full red and full blue.
    bytes = bmp_of(2, 1, 16, {}, {{0x00, 0xF8, 0x1F, 0x00}}, 3, {0xF800, 0x07E0, 0x001F});
    image = decode_image(bytes.data(), bytes.size(), error);
    ASSERT_EQ(image.width, 2) << error;
    EXPECT_EQ(pixel(image, 0, 0), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 1, 0), (std::vector<uint8_t>{0, 0, 255, 255}));
}

TEST(Imaging, BrokenFilesFailWithAReason) {
    const std::vector<uint8_t> png = png_of(card());
    const std::vector<uint8_t> jpeg = jpeg_of(16, 16, 1, 2, 3);
    const std::vector<uint8_t> bmp = bmp_of(2, 2, 24, {}, {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}});
    for (const auto* bytes : {&png, &jpeg, &bmp}) {
        for (size_t keep : {bytes->size() / 2, size_t{20}, size_t{3}}) {
            std::string error;
            const RgbaImage image = decode_image(bytes->data(), keep, error);
            if (image.empty()) {
                EXPECT_FALSE(error.empty());
            }
        }
    }
    std::string error;
    EXPECT_TRUE(decode_image(nullptr, 0, error).empty());
    EXPECT_FALSE(error.empty());
    const std::string text = "GIF89a not supported";
    EXPECT_TRUE(decode_image(reinterpret_cast<const uint8_t*>(text.data()), text.size(), error).empty());

    // A BMP that claims more pixels than it holds, and one that claims a huge size.
    std::vector<uint8_t> lying = bmp;
    put32(lying, 22, 1000);
    EXPECT_TRUE(decode_image(lying.data(), lying.size(), error).empty());
    EXPECT_NE(error.find("too short"), std::string::npos) << error;
    put32(lying, 18, 60000);
    put32(lying, 22, 60000);
    EXPECT_TRUE(decode_image(lying.data(), lying.size(), error).empty());
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    // RLE is not read.
    std::vector<uint8_t> rle = bmp_of(2, 1, 8, {0, 0}, {{0, 0}}, 1);
    EXPECT_TRUE(decode_image(rle.data(), rle.size(), error).empty());
}

// The header's size is checked before any pixel memory is taken: against the hard limits,
// and against what the file's bytes could hold at deflate's best ratio.
TEST(Imaging, PngSizeGuard) {
    const std::vector<uint8_t> real = png_of(card());
    struct Case {
        uint32_t width, height;
        bool size_readable;
        const char* decode_error;  // nullptr: decodes
    } cases[] = {
        {4, 2, true, nullptr},
        {70000, 1, false, "too large"},
        {8000, 8000, false, "too large"},  // past the pixel limit
        {5000, 5000, true, "claims"},      // allowed, but not in a file of this size
        {0, 5, false, "PNG"},              // libpng refuses a zero side itself
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = real;
        // IHDR follows the signature and its length and type: width, height, then its CRC.
        const auto put_be = [&bytes](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
        };
        put_be(16, c.width);
        put_be(20, c.height);
        put_be(29, static_cast<uint32_t>(crc32(0, bytes.data() + 12, 17)));
        std::string error;
        int width = 0, height = 0;
        EXPECT_EQ(read_png_size(bytes.data(), bytes.size(), width, height, error), c.size_readable)
            << c.width << " x " << c.height << ": " << error;
        error.clear();
        const RgbaImage image = decode_png(bytes.data(), bytes.size(), error);
        if (c.decode_error == nullptr) {
            EXPECT_EQ(image.width, 4) << error;
            EXPECT_EQ(width, 4);
            EXPECT_EQ(height, 2);
        } else {
            EXPECT_TRUE(image.empty()) << c.width << " x " << c.height;
            EXPECT_NE(error.find(c.decode_error), std::string::npos) << error;
        }
    }
}

TEST(Imaging, FitKeepsSmallPicturesAndScalesByTheBindingSide) {
    int w = 0, h = 0;
    fit_into_box(100, 50, 80, 80, w, h);
    EXPECT_EQ(w, 80);
    EXPECT_EQ(h, 40);
    fit_into_box(60, 60, 80, 80, w, h);
    EXPECT_EQ(w, 60);
    EXPECT_EQ(h, 60);
    fit_into_box(50, 200, 80, 80, w, h);  // taller: the height binds
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 80);
    fit_into_box(100, 100, 80, 40, w, h);  // box ratio wider than the picture
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 40);
    fit_into_box(0, 50, 80, 80, w, h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

TEST(Imaging, ThumbnailAveragesAndDrawingPacks565OverBlack) {
    const RgbaImage source = card();
    const RgbaImage small = thumbnail(source, 2, 1);
    ASSERT_EQ(small.width, 2);
    ASSERT_EQ(small.height, 1);
    // Left half: red, green, black, grey averaged.
    EXPECT_EQ(pixel(small, 0, 0), (std::vector<uint8_t>{96, 96, 32, 255}));
    // Right half: blue, white, yellow and half-clear cyan, which counts half.
    const auto right = pixel(small, 1, 0);
    EXPECT_EQ(right[0], 146);  // (255 + 255) * 255 / (3 * 255 + 128), rounded
    EXPECT_EQ(right[3], (255 * 3 + 128 + 2) / 4);

    const Picture565 drawn = draw_565(source);
    ASSERT_EQ(drawn.width, 4);
    EXPECT_EQ(drawn.pixels[0], 0xF800);
    EXPECT_EQ(drawn.pixels[1], 0x07E0);
    EXPECT_EQ(drawn.pixels[2], 0x001F);
    EXPECT_EQ(drawn.pixels[3], 0xFFFF);
    // Cyan at half alpha: 128 of 255 of each channel over black.
    EXPECT_EQ(drawn.pixels[7], ((128 >> 2) << 5) | (128 >> 3));
    EXPECT_TRUE(draw_565(RgbaImage()).empty());
}

}  // namespace

namespace {

// A few hundred bytes must not make the decoder build a picture of many megabytes: a JPEG
// that ends early fails instead of being made up, and a header's size must fit the file.
TEST(Imaging, SmallFilesCannotClaimHugePictures) {
    std::string error;
    const std::vector<uint8_t> jpeg = jpeg_of(64, 64, 200, 10, 10);
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() * 3 / 4));
    EXPECT_TRUE(decode_image(cut.data(), cut.size(), error).empty());
    EXPECT_NE(error.find("JPEG"), std::string::npos) << error;

    // The frame header's height and width (big-endian after the SOF0 marker) made huge.
    std::vector<uint8_t> lying = jpeg;
    for (size_t i = 0; i + 8 < lying.size(); ++i) {
        if (lying[i] == 0xFF && lying[i + 1] == 0xC0) {
            lying[i + 5] = 6000 >> 8;
            lying[i + 6] = 6000 & 0xFF;
            lying[i + 7] = 6000 >> 8;
            lying[i + 8] = 6000 & 0xFF;
            break;
        }
    }
    error.clear();
    EXPECT_TRUE(decode_image(lying.data(), lying.size(), error).empty());
    EXPECT_NE(error.find("claims"), std::string::npos) << error;

    // A whole, honest picture still decodes.
    error.clear();
    EXPECT_EQ(decode_image(jpeg.data(), jpeg.size(), error).width, 64) << error;
}

}  // namespace

// Pictures: PNG conversion to the keyed RGB565 form, BMP checks and the export folder.

#include "tools/skinc/pictures.h"

#include <gtest/gtest.h>
#include <png.h>

#include "skin/bitmap.h"
#include "tests/skin/skin_test_support.h"

namespace {

namespace fs = std::filesystem;
using skinc::convert_pixel;

std::vector<uint8_t> make_png(int width, int height, const std::vector<uint8_t>& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr));
    std::vector<uint8_t> bytes(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba.data(), 0, nullptr));
    bytes.resize(size);
    return bytes;
}

std::shared_ptr<const zentra::Bitmap> load_exported(const fs::path& file) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(skinc::read_file(file, bytes)) << file;
    return zentra::load_565_from_memory(bytes.data(), bytes.size(), u"exported");
}

skinc::SkinPicture picture_in(const fs::path& folder, const char16_t* name, int alpha = 255) {
    return {name, folder.string(), alpha, true, alpha != 255};
}

TEST(PictureConversion, OpaqueTransparentAndTranslucentPixels) {
    // Opaque: plain RGB565 plus the opaque bit, even where green's own low bit is 0.
    EXPECT_EQ(convert_pixel(255, 0, 0, 255, 255), 0xF820);
    EXPECT_EQ(convert_pixel(255, 255, 255, 255, 255), 0xFFFF);
    EXPECT_EQ(convert_pixel(255, 0, 255, 255, 255), 0xF83F);  // opaque magenta stays visible
    // Fully transparent, whatever its colour: the key colour.
    EXPECT_EQ(convert_pixel(12, 34, 56, 0, 255), 0xF81F);
    // Translucent: premultiplied, opaque bit cleared. White at 128/255 is about half white.
    EXPECT_EQ(convert_pixel(255, 255, 255, 128, 255), 0x8410);
    EXPECT_EQ(convert_pixel(255, 255, 255, 254, 255) & skinc::kOpaqueBit, 0);
    EXPECT_EQ(convert_pixel(0, 0, 0, 1, 255), 0x0000);
    // Near-opaque magenta would become the key colour; it is kept just off it.
    EXPECT_EQ(convert_pixel(255, 0, 255, 250, 255), 0xF81E);
    // The picture's level scales every pixel's alpha.
    EXPECT_EQ(convert_pixel(255, 255, 255, 255, 128), 0x8410);
    EXPECT_EQ(convert_pixel(255, 255, 255, 255, 0), 0xF81F);
}

TEST(PictureExport, PngBecomesA565BitmapWithTheConvertedPixels) {
    skintest::TempDir source;
    skintest::TempDir out;
    // 3 x 2, so every bitmap row carries two bytes of padding.
    const std::vector<uint8_t> rgba = {
        255, 0,   0, 255, /**/ 0, 0, 0,   0,   /**/ 255, 255, 255, 128,
        0,   255, 0, 255, /**/ 0, 0, 255, 255, /**/ 8,   4,   8,   255,
    };
    source.write("pic.png", make_png(3, 2, rgba));
    std::string error;
    std::optional<zentra::Size> size =
        skinc::picture_file_size(picture_in(source.path(), u"pic"), error);
    ASSERT_TRUE(size) << error;
    EXPECT_EQ(*size, (zentra::Size{3, 2}));

    ASSERT_TRUE(skinc::export_pictures({picture_in(source.path(), u"pic")}, out.path(), error))
        << error;
    const auto bitmap = load_exported(out.path() / "pic.bmp");
    ASSERT_EQ(bitmap->width(), 3);
    ASSERT_EQ(bitmap->height(), 2);
    EXPECT_EQ(bitmap->row(0)[0], 0xF820);
    EXPECT_EQ(bitmap->row(0)[1], 0xF81F);
    EXPECT_EQ(bitmap->row(0)[2], 0x8410);
    EXPECT_EQ(bitmap->row(1)[0], 0x07E0);
    EXPECT_EQ(bitmap->row(1)[1], 0x003F);
    EXPECT_EQ(bitmap->row(1)[2], 0x0821);
    // The file is a proper 565 bitmap that the compiler accepts again as a source.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(skinc::read_file(out.path() / "pic.bmp", bytes));
    EXPECT_TRUE(skinc::check_bmp_565(bytes, u"pic", error)) << error;

    // A declared level makes the whole picture translucent.
    ASSERT_TRUE(
        skinc::export_pictures({picture_in(source.path(), u"pic", 128)}, out.path(), error));
    EXPECT_EQ(load_exported(out.path() / "pic.bmp")->row(0)[0], 0x8000);
}

TEST(PictureExport, BitmapsAreCheckedAndCopiedUnchanged) {
    skintest::TempDir source;
    skintest::TempDir out;
    auto pixel = [](int x, int y) { return static_cast<uint16_t>(0x1234 + x + 16 * y); };
    skintest::BmpOptions masks;
    masks.compression = 3;
    const std::vector<uint8_t> good = skintest::make_bmp(5, 3, pixel, masks);
    source.write("good.bmp", good);
    std::string error;
    ASSERT_TRUE(skinc::export_pictures({picture_in(source.path(), u"good")}, out.path(), error))
        << error;
    std::vector<uint8_t> copied;
    ASSERT_TRUE(skinc::read_file(out.path() / "good.bmp", copied));
    EXPECT_EQ(copied, good);

    // Unused pictures are not exported.
    skinc::SkinPicture unused = picture_in(source.path(), u"good");
    unused.used = false;
    fs::remove(out.path() / "good.bmp");
    ASSERT_TRUE(skinc::export_pictures({unused}, out.path(), error));
    EXPECT_FALSE(fs::exists(out.path() / "good.bmp"));

    // Refused: 16-bit without masks (RGB555), 555 masks, 24-bit, a level on a bitmap, and
    // a picture that is not there.
    skintest::BmpOptions rgb555_masks = masks;
    rgb555_masks.masks = {0x7C00, 0x03E0, 0x001F};
    skintest::BmpOptions deep;
    deep.bit_count = 24;
    source.write("plain.bmp", skintest::make_bmp(5, 3, pixel));
    source.write("555.bmp", skintest::make_bmp(5, 3, pixel, rgb555_masks));
    source.write("deep.bmp", skintest::make_bmp(5, 3, pixel, deep));
    const std::pair<skinc::SkinPicture, const char*> refused[] = {
        {picture_in(source.path(), u"plain"), "holds RGB555"},
        {picture_in(source.path(), u"555"), "555.bmp: "},
        {picture_in(source.path(), u"deep"), "not a 16-bit bitmap"},
        {picture_in(source.path(), u"good", 100), "applies only to PNG"},
        {picture_in(source.path(), u"absent"), "no absent.png or absent.bmp"},
    };
    for (const auto& [picture, expected] : refused) {
        error.clear();
        EXPECT_FALSE(skinc::export_pictures({picture}, out.path(), error));
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
}

TEST(PictureExport, DamagedPngIsRefused) {
    skintest::TempDir source;
    skintest::TempDir out;
    std::vector<uint8_t> png = make_png(2, 2, std::vector<uint8_t>(16, 200));
    png.resize(png.size() - 20);  // cut into the image data
    source.write("cut.png", png);
    std::string error;
    EXPECT_FALSE(skinc::export_pictures({picture_in(source.path(), u"cut")}, out.path(), error));
    EXPECT_FALSE(fs::exists(out.path() / "cut.bmp"));
}

}  // namespace

#pragma once
// Contact photos: decoding JPEG, PNG and BMP files, making a thumbnail and drawing it into
// 16-bit RGB565 pixels.
//
// The bytes come from the contact database or from a file the user picked, so every decoder
// checks its sizes and gives up softly: an empty image and a reason, never a crash.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Straight (not premultiplied) RGBA, 4 bytes a pixel, rows top-down without padding.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
};

// RGB565 pixels, rows top-down without padding.
struct Picture565 {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
};

enum class ImageFormat { unknown, jpeg, png, bmp };

// Decoded pictures larger than this many pixels are refused.
inline constexpr int64_t kMaxImagePixels = 40'000'000;

// Tells the format from the first bytes.
ImageFormat sniff_image(const uint8_t* data, size_t size);

// Decodes by the format's signature. On failure the image is empty and error says why.
RgbaImage decode_image(const uint8_t* data, size_t size, std::string& error);

// PNG alone, for the skin compiler and the tools. The size guard is decode_image's.
RgbaImage decode_png(const uint8_t* data, size_t size, std::string& error);
// The size the header gives, without decoding the pixels; false for an unreadable header or
// a size decode_png refuses outright.
bool read_png_size(const uint8_t* data, size_t size, int& width, int& height, std::string& error);

enum class PngChannels { rgb, rgba };
// A PNG file of width x height pixels, 3 (RGB) or 4 (straight RGBA) bytes each, rows
// top-down without padding. Empty on failure, with error saying why.
std::string encode_png(int width, int height, const uint8_t* pixels, PngChannels channels,
                       std::string& error);

// The size an image takes in a box: its own when it fits both ways, otherwise scaled to the
// side that binds, keeping the aspect ratio. Zero when either size is zero.
void fit_into_box(int image_width, int image_height, int box_width, int box_height,
                  int& width, int& height);

// Scaled to width x height, averaging the source pixels each target pixel covers.
RgbaImage thumbnail(const RgbaImage& image, int width, int height);

// Draws onto a fresh black picture of the same size, blending by alpha.
Picture565 draw_565(const RgbaImage& image);

}  // namespace platform

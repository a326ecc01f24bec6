#pragma once
// Brings a skin's pictures next to the compiled skin as the 16-bit RGB565 bitmaps the loader
// reads: RGB565 BMP files are checked and copied, PNG files are converted.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/imaging.h"
#include "platform/ustring.h"
#include "skin/geometry.h"
#include "tools/skinc/source_parser.h"

namespace skinc {

// Fully transparent pixels become the key colour, which keyed copies leave out.
inline constexpr uint16_t kKeyColor = 0xF81F;
// Bit 5 (green's lowest bit) set marks an opaque pixel for the keyed copies.
inline constexpr uint16_t kOpaqueBit = 0x0020;

// One straight-alpha RGBA pixel as the keyed copies want it. alpha_level (0-255) scales the
// pixel's alpha first. Opaque: RGB565 with bit 5 set. Transparent: the key colour.
// Translucent: the colour premultiplied by its alpha, bit 5 cleared (never the key colour).
uint16_t convert_pixel(uint8_t r, uint8_t g, uint8_t b, uint8_t a, int alpha_level);

// Decoded pixels, four bytes (R, G, B, straight alpha) per pixel, rows top to bottom.
using RgbaImage = platform::RgbaImage;

// Any PNG (palette, grey, 16-bit, with or without transparency) as RGBA, through the
// program's own decoder and its size guard.
bool decode_png(const std::vector<uint8_t>& bytes, RgbaImage& image, std::string& error);
std::optional<zentra::Size> png_size(const std::vector<uint8_t>& bytes, std::string& error);

// The whole image through convert_pixel, rows top to bottom.
std::vector<uint16_t> convert_image(const RgbaImage& image, int alpha_level);

// A bitmap file with a 40-byte header, BI_BITFIELDS masks F800/07E0/001F and bottom-up rows
// padded to four bytes. pixels holds width x height values, rows top to bottom.
std::vector<uint8_t> encode_bmp_565(int width, int height, const std::vector<uint16_t>& pixels);

// Accepts a BMP the loader reads as it is meant: 16 bits per pixel with RGB565 masks.
// Sixteen-bit files without masks hold RGB555 and would show wrong colours, so they fail.
bool check_bmp_565(const std::vector<uint8_t>& bytes, platform::WStringView name,
                   std::string& error);

// The file a picture is made from: NAME.png in its folder when there is one, else NAME.bmp.
// A PNG wins so that compiling into the source folder itself can be repeated.
std::optional<std::filesystem::path> picture_source(const SkinPicture& picture);
// The picture's size in pixels, read from its source file.
std::optional<zentra::Size> picture_file_size(const SkinPicture& picture, std::string& error);

// Writes NAME.bmp into folder for every used picture. Stops at the first failure.
bool export_pictures(const std::vector<SkinPicture>& pictures, const std::filesystem::path& folder,
                     std::string& error);

bool read_file(const std::filesystem::path& path, std::vector<uint8_t>& bytes);
// platform::replace_file for the compiler's byte vectors: readers never see half a file.
bool write_file_atomically(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
                           std::string& error);

}  // namespace skinc

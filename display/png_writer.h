#pragma once
// Writes an RGB565 bitmap as an 8-bit-per-channel RGB PNG, for looking at rendered skins.

#include <cstdint>
#include <string>

#include "skin/bitmap.h"

namespace skinview {

// One RGB565 pixel as three bytes; the top bits of each channel are repeated into the new
// low bits, so 0 stays 0 and full intensity becomes 255.
struct Rgb8 {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

constexpr Rgb8 expand_565(uint16_t pixel) {
    const unsigned r = (pixel >> 11) & 0x1F;
    const unsigned g = (pixel >> 5) & 0x3F;
    const unsigned b = pixel & 0x1F;
    return {static_cast<uint8_t>((r << 3) | (r >> 2)), static_cast<uint8_t>((g << 2) | (g >> 4)),
            static_cast<uint8_t>((b << 3) | (b >> 2))};
}

// Replaces path whole; on failure returns false with a message.
bool write_png(const std::string& path, const zentra::Bitmap& bitmap, std::string& error);

}  // namespace skinview

#pragma once
#include <cstdint>

namespace zentra {

struct Color {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;
    friend bool operator==(const Color&, const Color&) = default;

    // RGB565; alpha plays no part in the packing.
    constexpr uint16_t to_565() const {
        return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    }
};

}  // namespace zentra

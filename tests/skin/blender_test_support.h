#pragma once
// What the blender tests share: a seed that can be given again (VELVANE_SEED) and pixels as
// artwork has them.

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>

#include "skin/blender.h"

namespace blender_test {

using zentra::kKeyColor;

inline uint32_t test_seed() {
    static const uint32_t seed = [] {
        const char* env = std::getenv("VELVANE_SEED");
        const uint32_t s = env != nullptr ? static_cast<uint32_t>(std::strtoul(env, nullptr, 10))
                                          : std::random_device{}();
        std::cout << "blender tests: VELVANE_SEED=" << s << "\n";
        return s;
    }();
    return seed;
}

// Pixels as artwork has them: the key colour, opaque and translucent pixels, and extremes.
inline uint16_t random_pixel(std::mt19937& rng) {
    switch (rng() % 6) {
        case 0:
            return kKeyColor;
        case 1:
            return static_cast<uint16_t>(rng() | zentra::kOpaqueBit);
        case 2:
            return static_cast<uint16_t>(rng() & ~zentra::kOpaqueBit);
        case 3:
            return static_cast<uint16_t>(rng() % 2 ? 0xFFFF : 0x0000);
        default:
            return static_cast<uint16_t>(rng());
    }
}

}  // namespace blender_test

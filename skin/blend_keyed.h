#pragma once
// Keyed copies: the key colour leaves the destination as it is, opaque pixels replace it and
// translucent ones (opaque bit clear) add to a share of it.
//   level 0: every pixel but the key is copied;
//   level 1: translucent -> s + d/4;   level 2: s + d/2;   level 3: s + d/4 + d/2;
//   level 4: only opaque pixels are copied.

#include "skin/blender.h"

namespace zentra {

constexpr uint16_t keyed_pixel(int level, uint16_t s, uint16_t d) {
    if (level >= 4) {
        return (s & kOpaqueBit) != 0 ? s : d;
    }
    if (s == kKeyColor) {
        return d;
    }
    if (level == 0 || (s & kOpaqueBit) != 0) {
        return s;
    }
    switch (level) {
        case 1:
            return static_cast<uint16_t>(s + quarter_565(d));
        case 2:
            return static_cast<uint16_t>(s + half_565(d));
        default:
            return static_cast<uint16_t>(s + quarter_565(d) + half_565(d));
    }
}

namespace blend {
// The reference row, pixel by pixel through keyed_pixel.
void keyed_row_scalar(int level, uint16_t* dst, int count, const uint16_t* src);
// The row the blender runs: branch-free, several pixels at a time; same bits as the scalar.
void keyed_row_fast(int level, uint16_t* dst, int count, const uint16_t* src);
// The fast row built for the baseline instruction set, whatever the machine has.
void keyed_row_baseline(int level, uint16_t* dst, int count, const uint16_t* src);
}  // namespace blend

class KeyedBlender final : public Blender {
public:
    // level is clamped to 0..4.
    explicit KeyedBlender(int level);
    int level() const { return m_level; }

    void copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const override;
    std::unique_ptr<Blender> clone() const override;

private:
    int m_level;
};

}  // namespace zentra

#pragma once
// Darkening: the destination scaled to level / 16 per channel, the source unused. The screen
// is dimmed this way under a modal form.

#include "skin/blender.h"

namespace zentra {

// A sum of halved, quartered, eighth and sixteenth parts, one per set bit of level, so each
// part is a shift and a mask; 16 keeps d and 0 gives black.
constexpr uint16_t darken_pixel(int level, uint16_t d) {
    if (level >= 16) {
        return d;
    }
    uint16_t out = 0;
    if (level & 8)
        out = static_cast<uint16_t>(out + half_565(d));
    if (level & 4)
        out = static_cast<uint16_t>(out + quarter_565(d));
    if (level & 2)
        out = static_cast<uint16_t>(out + eighth_565(d));
    if (level & 1)
        out = static_cast<uint16_t>(out + sixteenth_565(d));
    return out;
}

namespace blend {
void darken_row_scalar(int level, uint16_t* dst, int count);
void darken_row_fast(int level, uint16_t* dst, int count);
void darken_row_baseline(int level, uint16_t* dst, int count);
}  // namespace blend

class DarkenBlender final : public Blender {
public:
    // level is clamped to 0..16.
    explicit DarkenBlender(int level);
    int level() const { return m_level; }

    // The source is never read, so every row operation is the same darkening.
    void copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const override;
    void copy_row_stepped(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src, int pos,
                          int step) const override;
    void copy_row_shifted(uint16_t* dst, const uint16_t* src, int start, int count,
                          int shift) const override;
    void copy_row_tiled(uint16_t* dst, const uint16_t* src, int start, int count, int shift,
                        int wrap_to, int wrap_at) const override;
    std::unique_ptr<Blender> clone() const override;
    void fill_row(uint16_t* dst_first, uint16_t* dst_end, uint16_t value) const override;

private:
    int m_level;
};

}  // namespace zentra

#pragma once
// Blenders: how one row of source pixels is combined with one row of destination pixels.
// Every drawing operation moves pixels through one. Each kind keeps its per-pixel rule in
// constexpr functions (blend_*.h) with a plain scalar row as the reference; the rows the
// blenders run may be faster variants, which must give the same bits.

#include <cstdint>
#include <memory>

namespace zentra {

class Bitmap;

// Skin artwork marks transparent pixels with this colour (255, 0, 255).
inline constexpr uint16_t kKeyColor = 0xF81F;
// In keyed copies a source pixel with this bit (green's lowest) clear is translucent: it was
// stored already darkened to the share it contributes.
inline constexpr uint16_t kOpaqueBit = 0x0020;

// Each channel halved / quartered; the masks drop the bits that slid into the next channel.
constexpr uint16_t half_565(uint16_t d) {
    return static_cast<uint16_t>((d >> 1) & 0x7BEF);
}
constexpr uint16_t quarter_565(uint16_t d) {
    return static_cast<uint16_t>((d >> 2) & 0x39E7);
}
constexpr uint16_t eighth_565(uint16_t d) {
    return static_cast<uint16_t>((d >> 3) & 0x18E3);
}
constexpr uint16_t sixteenth_565(uint16_t d) {
    return static_cast<uint16_t>((d >> 4) & 0x0861);
}

// The row operations work on half-open ranges: dst_end is one past the last pixel written.
// Source indices are never clipped here; callers clip and pass whole rows.
class Blender {
public:
    virtual ~Blender();
    // dst[i] combined with src[i].
    virtual void copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const = 0;
    // Nearest-neighbour: dst[i] with src[pos >> 10], pos += step after each pixel.
    virtual void copy_row_stepped(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src,
                                  int pos, int step) const;
    // Magnified: for i < count, dst[i] with src[(start + i) >> shift].
    virtual void copy_row_shifted(uint16_t* dst, const uint16_t* src, int start, int count,
                                  int shift) const;
    // Repeating: position starts at start; dst[i] with src[position >> shift]; after each
    // pixel the position becomes wrap_to when position + 1 == wrap_at, else position + 1.
    virtual void copy_row_tiled(uint16_t* dst, const uint16_t* src, int start, int count, int shift,
                                int wrap_to, int wrap_at) const;
    virtual std::unique_ptr<Blender> clone() const = 0;

    // dst[i] combined with the one pixel value, as copy_row over a one-pixel source repeated.
    virtual void fill_row(uint16_t* dst_first, uint16_t* dst_end, uint16_t value) const;
    // Drawing entry points call this with the bitmap the source rows come from before they
    // hand rows over; only blenders that look up per-source-pixel data (mask) use it.
    virtual void bind_source(const Bitmap* source) const;
};

// Keyed level for a cache or image alpha: alpha / 64 clamped to 0..4.
constexpr int keyed_level_for_alpha(int alpha) {
    const int level = alpha / 64;
    return level < 0 ? 0 : (level > 4 ? 4 : level);
}
// Darkening level for an alpha: (alpha + 8) / 16 clamped to 0..16.
constexpr int darken_level_for_alpha(int alpha) {
    const int level = (alpha + 8) / 16;
    return level < 0 ? 0 : (level > 16 ? 16 : level);
}

std::unique_ptr<Blender> make_plain_blender();
// Level 0..4 (clamped): see KeyedBlender.
std::unique_ptr<Blender> make_keyed_blender(int level);
// The blender a node's cache_alpha selects: -1 a plain copy, otherwise the keyed copy at
// keyed_level_for_alpha(alpha).
std::unique_ptr<Blender> make_cache_blender(int cache_alpha);
// Level 0 (black) .. 16 (unchanged), clamped.
std::unique_ptr<Blender> make_darken_blender(int level);

// One shared plain blender, for operations given no blender.
const Blender& plain_blender();
inline const Blender& blender_or_plain(const Blender* blender) {
    return blender != nullptr ? *blender : plain_blender();
}

}  // namespace zentra

// The kinds, so one include gives every blender.
#include "skin/blend_darken.h"
#include "skin/blend_frame.h"
#include "skin/blend_keyed.h"
#include "skin/blend_mask.h"
#include "skin/blend_plain.h"
#include "skin/blend_tint.h"

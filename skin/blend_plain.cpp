#include "skin/blend_plain.h"

#include <algorithm>
#include <cstring>

#include "skin/blend_rows.h"
#include "skin/blend_simd.h"

namespace zentra {

namespace blend {
void plain_row_scalar(uint16_t* dst, int count, const uint16_t* src) {
    for (int i = 0; i < count; ++i) {
        dst[i] = plain_pixel(src[i], dst[i]);
    }
}
}  // namespace blend

// A plain copy needs no staging: the gathers write straight into the destination.

void PlainBlender::copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const {
    // memmove: a surface may be copied onto an overlapping part of itself.
    std::memmove(dst_first, src, static_cast<size_t>(dst_end - dst_first) * sizeof(uint16_t));
}

void PlainBlender::copy_row_stepped(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src,
                                    int pos, int step) const {
    if (const int shift = blend::shift_for_step(step); shift >= 0 && pos >= 0) {
        blend::gather_shifted(dst_first, src, pos >> (10 - shift),
                              static_cast<int>(dst_end - dst_first), shift);
        return;
    }
    blend::gather_stepped(dst_first, static_cast<int>(dst_end - dst_first), src, pos, step);
}

void PlainBlender::copy_row_shifted(uint16_t* dst, const uint16_t* src, int start, int count,
                                    int shift) const {
    blend::gather_shifted(dst, src, start, count, shift);
}

void PlainBlender::copy_row_tiled(uint16_t* dst, const uint16_t* src, int start, int count,
                                  int shift, int wrap_to, int wrap_at) const {
    blend::gather_tiled(dst, src, start, count, shift, wrap_to, wrap_at);
}

std::unique_ptr<Blender> PlainBlender::clone() const {
    return std::make_unique<PlainBlender>();
}

void PlainBlender::fill_row(uint16_t* dst_first, uint16_t* dst_end, uint16_t value) const {
    // Sixteen pixels a store pair; std::fill on 16-bit values is not vectorised by GCC.
    const blend::Pixels8 v = blend::splat8(value);
    uint16_t* p = dst_first;
    for (; dst_end - p >= 16; p += 16) {
        blend::store8(p, v);
        blend::store8(p + 8, v);
    }
    for (; p < dst_end; ++p) {
        *p = value;
    }
}

}  // namespace zentra

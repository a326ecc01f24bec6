#include "skin/blend_darken.h"

#include <algorithm>

#include "skin/blend_simd.h"

namespace zentra {

namespace blend {

void darken_row_scalar(int level, uint16_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        dst[i] = darken_pixel(level, dst[i]);
    }
}

void darken_row_fast(int level, uint16_t* dst, int count) {
    if (level >= 16) {
        return;
    }
    // Each bit of the level switches one part on through a lane mask, so the loop body is
    // the same for every level.
    const Pixels8 on8 = splat8(level & 8 ? 0xFFFF : 0);
    const Pixels8 on4 = splat8(level & 4 ? 0xFFFF : 0);
    const Pixels8 on2 = splat8(level & 2 ? 0xFFFF : 0);
    const Pixels8 on1 = splat8(level & 1 ? 0xFFFF : 0);
    int i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        const Pixels8 d = load8(dst + i);
        const Pixels8 out = (((d >> 1) & splat8(0x7BEF)) & on8) +
                            (((d >> 2) & splat8(0x39E7)) & on4) +
                            (((d >> 3) & splat8(0x18E3)) & on2) +
                            (((d >> 4) & splat8(0x0861)) & on1);
        store8(dst + i, out);
    }
    for (; i < count; ++i) {
        dst[i] = darken_pixel(level, dst[i]);
    }
}

}  // namespace blend

DarkenBlender::DarkenBlender(int level) : m_level(std::clamp(level, 0, 16)) {}

void DarkenBlender::copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t*) const {
    blend::darken_row_fast(m_level, dst_first, static_cast<int>(dst_end - dst_first));
}

void DarkenBlender::copy_row_stepped(uint16_t* dst_first, uint16_t* dst_end, const uint16_t*, int,
                                     int) const {
    blend::darken_row_fast(m_level, dst_first, static_cast<int>(dst_end - dst_first));
}

void DarkenBlender::copy_row_shifted(uint16_t* dst, const uint16_t*, int, int count, int) const {
    blend::darken_row_fast(m_level, dst, count);
}

void DarkenBlender::copy_row_tiled(uint16_t* dst, const uint16_t*, int, int count, int, int,
                                   int) const {
    blend::darken_row_fast(m_level, dst, count);
}

std::unique_ptr<Blender> DarkenBlender::clone() const {
    return std::make_unique<DarkenBlender>(m_level);
}

void DarkenBlender::fill_row(uint16_t* dst_first, uint16_t* dst_end, uint16_t) const {
    blend::darken_row_fast(m_level, dst_first, static_cast<int>(dst_end - dst_first));
}

}  // namespace zentra

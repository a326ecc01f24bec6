#include "skin/blend_tint.h"

#include <algorithm>

#include "skin/blend_simd.h"

namespace zentra {

namespace blend {

void tint_row_scalar(int r, int g, int b, TintMode mode, uint16_t* dst, int count,
                     const uint16_t* src) {
    for (int i = 0; i < count; ++i) {
        const uint16_t t = tint_pixel(r, g, b, src[i]);
        dst[i] = mode == TintMode::Or ? static_cast<uint16_t>(dst[i] | t) : t;
    }
}

void tint_row_fast(int r, int g, int b, TintMode mode, uint16_t* dst, int count,
                   const uint16_t* src) {
    // Products stay below 2^14 (63 x 256), so they fit the 16-bit lanes.
    const Pixels8 fr = splat8(static_cast<uint16_t>(r));
    const Pixels8 fg = splat8(static_cast<uint16_t>(g));
    const Pixels8 fb = splat8(static_cast<uint16_t>(b));
    const Pixels8 keep = splat8(mode == TintMode::Or ? 0xFFFF : 0);
    int i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        const Pixels8 s = load8(src + i);
        const Pixels8 red = ((s >> 11) * fr) >> 8;
        const Pixels8 green = (((s >> 5) & splat8(63)) * fg) >> 8;
        const Pixels8 blue = ((s & splat8(31)) * fb) >> 8;
        const Pixels8 t = (red << 11) | (green << 5) | blue;
        store8(dst + i, t | (load8(dst + i) & keep));
    }
    tint_row_scalar(r, g, b, mode, dst + i, count - i, src + i);
}

}  // namespace blend

TintBlender::TintBlender(int r, int g, int b, TintMode mode)
    : m_r(std::clamp(r, 0, 256)),
      m_g(std::clamp(g, 0, 256)),
      m_b(std::clamp(b, 0, 256)),
      m_mode(mode) {}

void TintBlender::copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const {
    blend::tint_row_fast(m_r, m_g, m_b, m_mode, dst_first, static_cast<int>(dst_end - dst_first),
                         src);
}

std::unique_ptr<Blender> TintBlender::clone() const {
    return std::make_unique<TintBlender>(m_r, m_g, m_b, m_mode);
}

}  // namespace zentra

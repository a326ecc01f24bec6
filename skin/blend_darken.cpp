#include "skin/blend_darken.h"

#include <algorithm>
#include <array>
#include <utility>

#include "skin/blend_simd.h"

namespace zentra {

namespace blend {

void darken_row_scalar(int level, uint16_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        dst[i] = darken_pixel(level, dst[i]);
    }
}

namespace {

// One instance per level, so each loop adds only the parts its level has.
// V is the widest vector the build's instruction set has: wider generic vectors would be
// taken apart lane by lane.
template <typename V, int Level>
[[gnu::always_inline]] inline void darken_row_at(uint16_t* dst, int count) {
    constexpr int lanes = sizeof(V) / sizeof(uint16_t);
    int i = 0;
    for (; i + lanes <= count; i += lanes) {
        V d;
        load(d, dst + i);
        V out{};
        if constexpr ((Level & 8) != 0)
            out += (d >> 1) & 0x7BEF;
        if constexpr ((Level & 4) != 0)
            out += (d >> 2) & 0x39E7;
        if constexpr ((Level & 2) != 0)
            out += (d >> 3) & 0x18E3;
        if constexpr ((Level & 1) != 0)
            out += (d >> 4) & 0x0861;
        store(dst + i, out);
    }
    for (; i < count; ++i) {
        dst[i] = darken_pixel(Level, dst[i]);
    }
}

template <typename V, int Level = 0>
[[gnu::always_inline]] inline void darken_row_dispatch(int level, uint16_t* dst, int count) {
    if constexpr (Level < 16) {
        if (level == Level) {
            darken_row_at<V, Level>(dst, count);
        } else {
            darken_row_dispatch<V, Level + 1>(level, dst, count);
        }
    }
}

#if VELVANE_AVX2_ROWS
VELVANE_TARGET_AVX2 void darken_row_avx2(int level, uint16_t* dst, int count) {
    darken_row_dispatch<Pixels16>(level, dst, count);
}
#endif

}  // namespace

// Level 16 is d x 16 / 16: the dispatch finds no instance and leaves the row alone.
void darken_row_baseline(int level, uint16_t* dst, int count) {
    darken_row_dispatch<Pixels8>(std::max(level, 0), dst, count);
}

void darken_row_fast(int level, uint16_t* dst, int count) {
#if VELVANE_AVX2_ROWS
    if (cpu_has_avx2()) {
        darken_row_avx2(std::max(level, 0), dst, count);
        return;
    }
#endif
    darken_row_baseline(level, dst, count);
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

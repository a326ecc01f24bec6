#include "skin/blend_keyed.h"

#include <algorithm>

#include "skin/blend_simd.h"

namespace zentra {

namespace blend {

void keyed_row_scalar(int level, uint16_t* dst, int count, const uint16_t* src) {
    for (int i = 0; i < count; ++i) {
        dst[i] = keyed_pixel(level, src[i], dst[i]);
    }
}

namespace {

// keyed_pixel for a vector of pixels, without branches, d updated in place. The share of d is
// added only where the pixel is translucent; the key colour (whose marker bit is clear too)
// then gives d back. Scalars in the expressions apply to every lane.
template <typename V, int Level>
[[gnu::always_inline]] inline void keyed_vector(V& d, const V& s) {
    const V translucent = reinterpret_cast<V>((s & kOpaqueBit) == 0);
    if constexpr (Level >= 4) {
        d = s ^ ((s ^ d) & translucent);
    } else {
        const V key = reinterpret_cast<V>(s == kKeyColor);
        V out = s;
        if constexpr (Level == 1) {
            out = s + (((d >> 2) & 0x39E7) & translucent);
        } else if constexpr (Level == 2) {
            out = s + (((d >> 1) & 0x7BEF) & translucent);
        } else if constexpr (Level == 3) {
            out = s + ((((d >> 2) & 0x39E7) + ((d >> 1) & 0x7BEF)) & translucent);
        }
        // out ^ ((out ^ d) & key): d where the key is, out elsewhere.
        d = out ^ ((out ^ d) & key);
    }
}

// V is the widest vector the build's instruction set has: wider generic vectors would be
// taken apart lane by lane.
template <typename V, int Level>
[[gnu::always_inline]] inline void keyed_row_at(uint16_t* dst, int count, const uint16_t* src) {
    constexpr int lanes = sizeof(V) / sizeof(uint16_t);
    int i = 0;
    for (; i + lanes <= count; i += lanes) {
        V s, d;
        load(s, src + i);
        load(d, dst + i);
        keyed_vector<V, Level>(d, s);
        store(dst + i, d);
    }
    for (; i < count; ++i) {
        dst[i] = keyed_pixel(Level, src[i], dst[i]);
    }
}

template <typename V>
[[gnu::always_inline]] inline void keyed_row_dispatch(int level, uint16_t* dst, int count,
                                                      const uint16_t* src) {
    switch (std::clamp(level, 0, 4)) {
        case 0:
            keyed_row_at<V, 0>(dst, count, src);
            break;
        case 1:
            keyed_row_at<V, 1>(dst, count, src);
            break;
        case 2:
            keyed_row_at<V, 2>(dst, count, src);
            break;
        case 3:
            keyed_row_at<V, 3>(dst, count, src);
            break;
        default:
            keyed_row_at<V, 4>(dst, count, src);
            break;
    }
}

#if VELVANE_AVX2_ROWS
VELVANE_TARGET_AVX2 void keyed_row_avx2(int level, uint16_t* dst, int count, const uint16_t* src) {
    keyed_row_dispatch<Pixels16>(level, dst, count, src);
}
#endif

}  // namespace

void keyed_row_baseline(int level, uint16_t* dst, int count, const uint16_t* src) {
    keyed_row_dispatch<Pixels8>(level, dst, count, src);
}

void keyed_row_fast(int level, uint16_t* dst, int count, const uint16_t* src) {
#if VELVANE_AVX2_ROWS
    if (cpu_has_avx2()) {
        keyed_row_avx2(level, dst, count, src);
        return;
    }
#endif
    keyed_row_baseline(level, dst, count, src);
}

}  // namespace blend

KeyedBlender::KeyedBlender(int level) : m_level(std::clamp(level, 0, 4)) {}

void KeyedBlender::copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const {
    blend::keyed_row_fast(m_level, dst_first, static_cast<int>(dst_end - dst_first), src);
}

std::unique_ptr<Blender> KeyedBlender::clone() const {
    return std::make_unique<KeyedBlender>(m_level);
}

}  // namespace zentra

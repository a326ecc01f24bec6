#include "skin/blend_frame.h"

#include "skin/blend_simd.h"

namespace zentra {

namespace blend {

void frame_row_scalar(uint32_t flags, uint16_t* dst, int count, const uint16_t* src) {
    for (int i = 0; i < count; ++i) {
        dst[i] = frame_pixel(flags, dst[i], src[i]);
    }
}

namespace {

// frame_pixel over a vector, without branches: the shares the flags leave out are masked to
// zero, then the marked and the key lanes are chosen over the sum.
template <typename V>
[[gnu::always_inline]] inline void frame_row_as(uint32_t flags, uint16_t* dst, int count,
                                                const uint16_t* src) {
    constexpr int lanes = sizeof(V) / sizeof(uint16_t);
    const uint16_t whole = (flags & kFrameAddWhole) != 0 ? 0xFFFF : 0;
    const uint16_t half = (flags & kFrameAddHalf) != 0 ? 0xFFFF : 0;
    const uint16_t quarter = (flags & kFrameAddQuarter) != 0 ? 0xFFFF : 0;
    int i = 0;
    for (; i + lanes <= count; i += lanes) {
        V f, p;
        load(f, src + i);
        load(p, dst + i);
        const V sum =
            f + (p & whole) + (((p >> 1) & 0x7BEF) & half) + (((p >> 2) & 0x39E7) & quarter);
        const V marked = reinterpret_cast<V>((f & kOpaqueBit) != 0);
        const V key = reinterpret_cast<V>(f == kKeyColor);
        V out = sum ^ ((sum ^ (p | kOpaqueBit)) & marked);
        out = out ^ ((out ^ kKeyColor) & key);
        store(dst + i, out);
    }
    for (; i < count; ++i) {
        dst[i] = frame_pixel(flags, dst[i], src[i]);
    }
}

#if VELVANE_AVX2_ROWS
VELVANE_TARGET_AVX2 void frame_row_avx2(uint32_t flags, uint16_t* dst, int count,
                                        const uint16_t* src) {
    frame_row_as<Pixels16>(flags, dst, count, src);
}
#endif

}  // namespace

void frame_row_baseline(uint32_t flags, uint16_t* dst, int count, const uint16_t* src) {
    frame_row_as<Pixels8>(flags, dst, count, src);
}

void frame_row_fast(uint32_t flags, uint16_t* dst, int count, const uint16_t* src) {
#if VELVANE_AVX2_ROWS
    if (cpu_has_avx2()) {
        frame_row_avx2(flags, dst, count, src);
        return;
    }
#endif
    frame_row_baseline(flags, dst, count, src);
}

}  // namespace blend

void FrameBlender::copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const {
    blend::frame_row_fast(m_flags, dst_first, static_cast<int>(dst_end - dst_first), src);
}

std::unique_ptr<Blender> FrameBlender::clone() const {
    return std::make_unique<FrameBlender>(m_flags);
}

}  // namespace zentra

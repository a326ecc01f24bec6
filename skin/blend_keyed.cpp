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

// keyed_pixel for eight pixels, without branches: every outcome is computed and the lane
// masks pick one.
template <int Level>
inline Pixels8 keyed8(Pixels8 s, Pixels8 d) {
    const Lanes8 opaque = (s & splat8(kOpaqueBit)) != 0;
    if constexpr (Level >= 4) {
        return select8(opaque, s, d);
    } else {
        const Lanes8 key = s == splat8(kKeyColor);
        Pixels8 blended = s;
        if constexpr (Level == 1) {
            blended = s + ((d >> 2) & splat8(0x39E7));
        } else if constexpr (Level == 2) {
            blended = s + ((d >> 1) & splat8(0x7BEF));
        } else if constexpr (Level == 3) {
            blended = s + ((d >> 2) & splat8(0x39E7)) + ((d >> 1) & splat8(0x7BEF));
        }
        if constexpr (Level == 0) {
            return select8(key, d, s);
        } else {
            return select8(key, d, select8(opaque, s, blended));
        }
    }
}

template <int Level>
void keyed_row_fast_at(uint16_t* dst, int count, const uint16_t* src) {
    int i = 0;
    for (; i + 2 * kLanes <= count; i += 2 * kLanes) {
        const Pixels8 a = keyed8<Level>(load8(src + i), load8(dst + i));
        const Pixels8 b = keyed8<Level>(load8(src + i + kLanes), load8(dst + i + kLanes));
        store8(dst + i, a);
        store8(dst + i + kLanes, b);
    }
    for (; i + kLanes <= count; i += kLanes) {
        store8(dst + i, keyed8<Level>(load8(src + i), load8(dst + i)));
    }
    for (; i < count; ++i) {
        dst[i] = keyed_pixel(Level, src[i], dst[i]);
    }
}

using KeyedRow = void (*)(uint16_t*, int, const uint16_t*);
constexpr KeyedRow kKeyedRows[5] = {keyed_row_fast_at<0>, keyed_row_fast_at<1>,
                                    keyed_row_fast_at<2>, keyed_row_fast_at<3>,
                                    keyed_row_fast_at<4>};

}  // namespace

void keyed_row_fast(int level, uint16_t* dst, int count, const uint16_t* src) {
    kKeyedRows[std::clamp(level, 0, 4)](dst, count, src);
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

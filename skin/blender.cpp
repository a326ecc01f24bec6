#include "skin/blender.h"

#include <algorithm>

#include "skin/blend_rows.h"

namespace zentra {

Blender::~Blender() = default;

// The defaults stage the source pixels a row reads on the stack and run copy_row over them,
// so a kind only has to provide copy_row to get all four operations right.
void Blender::copy_row_stepped(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src, int pos,
                               int step) const {
    if (const int shift = blend::shift_for_step(step); shift >= 0 && pos >= 0) {
        copy_row_shifted(dst_first, src, pos >> (10 - shift), static_cast<int>(dst_end - dst_first),
                         shift);
        return;
    }
    uint16_t staged[blend::kChunk];
    while (dst_first < dst_end) {
        const int count = static_cast<int>(std::min<ptrdiff_t>(dst_end - dst_first, blend::kChunk));
        pos = blend::gather_stepped(staged, count, src, pos, step);
        copy_row(dst_first, dst_first + count, staged);
        dst_first += count;
    }
}

void Blender::copy_row_shifted(uint16_t* dst, const uint16_t* src, int start, int count,
                               int shift) const {
    if (shift == 0) {
        copy_row(dst, dst + count, src + start);
        return;
    }
    uint16_t staged[blend::kChunk];
    while (count > 0) {
        const int n = std::min(count, blend::kChunk);
        blend::gather_shifted(staged, src, start, n, shift);
        copy_row(dst, dst + n, staged);
        dst += n;
        start += n;
        count -= n;
    }
}

void Blender::copy_row_tiled(uint16_t* dst, const uint16_t* src, int start, int count, int shift,
                             int wrap_to, int wrap_at) const {
    uint16_t staged[blend::kChunk];
    while (count > 0) {
        const int n = std::min(count, blend::kChunk);
        start = blend::gather_tiled(staged, src, start, n, shift, wrap_to, wrap_at);
        copy_row(dst, dst + n, staged);
        dst += n;
        count -= n;
    }
}

void Blender::fill_row(uint16_t* dst_first, uint16_t* dst_end, uint16_t value) const {
    copy_row_stepped(dst_first, dst_end, &value, 0, 0);
}

void Blender::bind_source(const Bitmap*) const {}

std::unique_ptr<Blender> make_plain_blender() {
    return std::make_unique<PlainBlender>();
}

std::unique_ptr<Blender> make_keyed_blender(int level) {
    return std::make_unique<KeyedBlender>(level);
}

std::unique_ptr<Blender> make_cache_blender(int cache_alpha) {
    if (cache_alpha == -1) {
        return make_plain_blender();
    }
    return make_keyed_blender(keyed_level_for_alpha(cache_alpha));
}

std::unique_ptr<Blender> make_darken_blender(int level) {
    return std::make_unique<DarkenBlender>(level);
}

const Blender& plain_blender() {
    static const PlainBlender plain;
    return plain;
}

}  // namespace zentra

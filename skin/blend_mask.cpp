#include "skin/blend_mask.h"

#include <algorithm>

#include "skin/blend_rows.h"

namespace zentra {

namespace blend {
void mask_row_scalar(uint16_t* dst, int count, const uint16_t* src, const uint16_t* mask) {
    for (int i = 0; i < count; ++i) {
        dst[i] = mask_pixel(mask[i] & 31u, src[i], dst[i]);
    }
}
}  // namespace blend

MaskBlender::MaskBlender(std::shared_ptr<const Bitmap> mask) : m_mask(std::move(mask)) {}

MaskBlender::MaskBlender(std::shared_ptr<const Bitmap> mask, std::shared_ptr<const Bitmap> source)
    : m_mask(std::move(mask)), m_owned_source(std::move(source)), m_source(m_owned_source.get()) {}

void MaskBlender::bind_source(const Bitmap* source) const {
    m_source = source;
}

const uint16_t* MaskBlender::mask_for(const uint16_t* src) const {
    // The mask lines up with the source only when both have the same size (and so the same
    // stride); then a source pixel's offset in its bitmap is also its mask pixel's offset.
    if (m_mask == nullptr || m_source == nullptr || m_source->empty() ||
        m_mask->width() != m_source->width() || m_mask->height() != m_source->height()) {
        return nullptr;
    }
    const uint16_t* first = m_source->row(0);
    const uint16_t* end = m_source->row(m_source->height() - 1) + m_source->width();
    if (src < first || src >= end) {
        return nullptr;
    }
    return m_mask->row(0) + (src - first);
}

// Rows that do not come from the bound source have no mask pixels: they are copied as a
// plain blender would, the most useful thing to do with a misuse.

void MaskBlender::copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const {
    const int count = static_cast<int>(dst_end - dst_first);
    if (const uint16_t* mask = mask_for(src)) {
        blend::mask_row_scalar(dst_first, count, src, mask);
    } else {
        std::copy(src, src + count, dst_first);
    }
}

void MaskBlender::copy_row_stepped(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src,
                                   int pos, int step) const {
    const uint16_t* mask = mask_for(src);
    for (uint16_t* d = dst_first; d < dst_end; ++d, pos += step) {
        const int i = pos >> 10;
        *d = mask != nullptr ? mask_pixel(mask[i] & 31u, src[i], *d) : src[i];
    }
}

void MaskBlender::copy_row_shifted(uint16_t* dst, const uint16_t* src, int start, int count,
                                   int shift) const {
    const uint16_t* mask = mask_for(src);
    for (int k = 0; k < count; ++k) {
        const int i = (start + k) >> shift;
        dst[k] = mask != nullptr ? mask_pixel(mask[i] & 31u, src[i], dst[k]) : src[i];
    }
}

void MaskBlender::copy_row_tiled(uint16_t* dst, const uint16_t* src, int start, int count,
                                 int shift, int wrap_to, int wrap_at) const {
    int pos = start;
    const uint16_t* mask = mask_for(src);
    for (int k = 0; k < count; ++k) {
        const int i = pos >> shift;
        dst[k] = mask != nullptr ? mask_pixel(mask[i] & 31u, src[i], dst[k]) : src[i];
        pos = pos + 1 == wrap_at ? wrap_to : pos + 1;
    }
}

std::unique_ptr<Blender> MaskBlender::clone() const {
    auto copy = m_owned_source != nullptr ? std::make_unique<MaskBlender>(m_mask, m_owned_source)
                                          : std::make_unique<MaskBlender>(m_mask);
    copy->m_source = m_source;
    return copy;
}

}  // namespace zentra

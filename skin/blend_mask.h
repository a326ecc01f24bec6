#pragma once
// The mask blender of image nodes: a second picture of the source's size whose blue channel
// (0..31) says how much of each source pixel covers the destination.

#include <memory>

#include "skin/bitmap.h"
#include "skin/blender.h"

namespace zentra {

// m = 0 keeps d, m = 31 writes s; in between each channel, widened to eight bits, becomes
// d + (s - d) * m / 32 (truncated toward zero), and the result is marked opaque.
constexpr uint16_t mask_pixel(unsigned m, uint16_t s, uint16_t d) {
    if (m == 0) {
        return d;
    }
    if (m >= 31) {
        return s;
    }
    const int mi = static_cast<int>(m);
    const int sr = (s >> 11) << 3, sg = ((s >> 5) & 63) << 2, sb = (s & 31) << 3;
    const int dr = (d >> 11) << 3, dg = ((d >> 5) & 63) << 2, db = (d & 31) << 3;
    const int r = dr + (sr - dr) * mi / 32;
    const int g = dg + (sg - dg) * mi / 32;
    const int b = db + (sb - db) * mi / 32;
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3) | kOpaqueBit);
}

namespace blend {
// mask holds the mask pixels that line up with src.
void mask_row_scalar(uint16_t* dst, int count, const uint16_t* src, const uint16_t* mask);
}  // namespace blend

class MaskBlender final : public Blender {
public:
    // The source picture is the one bound by the drawing entry point (bind_source).
    explicit MaskBlender(std::shared_ptr<const Bitmap> mask);
    // Bound to source from the start, for callers that hand rows over themselves.
    MaskBlender(std::shared_ptr<const Bitmap> mask, std::shared_ptr<const Bitmap> source);
    const std::shared_ptr<const Bitmap>& mask() const { return m_mask; }

    void copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const override;
    void copy_row_stepped(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src, int pos,
                          int step) const override;
    void copy_row_shifted(uint16_t* dst, const uint16_t* src, int start, int count,
                          int shift) const override;
    void copy_row_tiled(uint16_t* dst, const uint16_t* src, int start, int count, int shift,
                        int wrap_to, int wrap_at) const override;
    std::unique_ptr<Blender> clone() const override;
    void bind_source(const Bitmap* source) const override;

private:
    // The mask pixels that line up with src, or null when src is not in the bound source
    // picture (the rows are then copied plainly).
    const uint16_t* mask_for(const uint16_t* src) const;

    std::shared_ptr<const Bitmap> m_mask;
    std::shared_ptr<const Bitmap> m_owned_source;
    // Which picture the rows come from; set per drawing call, hence mutable.
    mutable const Bitmap* m_source = nullptr;
};

}  // namespace zentra

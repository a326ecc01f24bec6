#pragma once
// The frame blender: a frame picture (the source) drawn over a photo (the destination), so
// the frame's key colour stays transparent, its pixels marked opaque let the photo through,
// and its other pixels are drawn, optionally with shares of the photo added.

#include "skin/blender.h"

namespace zentra {

// Which shares of the photo a drawn frame pixel gets added; 0 draws the frame as it is.
inline constexpr uint32_t kFrameAddWhole = 0x100;
inline constexpr uint32_t kFrameAddHalf = 0x80;
inline constexpr uint32_t kFrameAddQuarter = 0x40;

// f is the frame pixel, p the photo pixel under it. The sum is kept to 16 bits: a skin that
// asks for more than the channels hold gets the carries, as the artwork was made for.
constexpr uint16_t frame_pixel(uint32_t flags, uint16_t p, uint16_t f) {
    if (f == kKeyColor) {
        return kKeyColor;
    }
    if ((f & kOpaqueBit) != 0) {
        return static_cast<uint16_t>(p | kOpaqueBit);
    }
    unsigned out = f;
    if ((flags & kFrameAddWhole) != 0) {
        out += p;
    }
    if ((flags & kFrameAddHalf) != 0) {
        out += half_565(p);
    }
    if ((flags & kFrameAddQuarter) != 0) {
        out += quarter_565(p);
    }
    return static_cast<uint16_t>(out);
}

namespace blend {
// dst holds the photo pixels, src the frame pixels.
void frame_row_scalar(uint32_t flags, uint16_t* dst, int count, const uint16_t* src);
void frame_row_fast(uint32_t flags, uint16_t* dst, int count, const uint16_t* src);
void frame_row_baseline(uint32_t flags, uint16_t* dst, int count, const uint16_t* src);
}  // namespace blend

class FrameBlender final : public Blender {
public:
    explicit FrameBlender(uint32_t flags = 0) : m_flags(flags) {}
    uint32_t flags() const { return m_flags; }

    void copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const override;
    std::unique_ptr<Blender> clone() const override;

private:
    uint32_t m_flags;
};

}  // namespace zentra

#pragma once
// The plain blender: the source replaces the destination.

#include "skin/blender.h"

namespace zentra {

constexpr uint16_t plain_pixel(uint16_t s, uint16_t /*d*/) {
    return s;
}

namespace blend {
// The reference row, pixel by pixel.
void plain_row_scalar(uint16_t* dst, int count, const uint16_t* src);
}  // namespace blend

class PlainBlender final : public Blender {
public:
    void copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const override;
    void copy_row_stepped(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src, int pos,
                          int step) const override;
    void copy_row_shifted(uint16_t* dst, const uint16_t* src, int start, int count,
                          int shift) const override;
    void copy_row_tiled(uint16_t* dst, const uint16_t* src, int start, int count, int shift,
                        int wrap_to, int wrap_at) const override;
    std::unique_ptr<Blender> clone() const override;
    void fill_row(uint16_t* dst_first, uint16_t* dst_end, uint16_t value) const override;
};

}  // namespace zentra

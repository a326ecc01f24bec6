#pragma once
// Tinted copies: each channel of the source multiplied by a factor 0..256 (256 keeps it) and
// shifted right by 8; the result replaces the destination or is ORed into it.

#include "skin/blender.h"

namespace zentra {

enum class TintMode { Store, Or };

constexpr uint16_t tint_pixel(int r, int g, int b, uint16_t s) {
    const unsigned red = ((static_cast<unsigned>(s >> 11) & 31u) * static_cast<unsigned>(r)) >> 8;
    const unsigned green = ((static_cast<unsigned>(s >> 5) & 63u) * static_cast<unsigned>(g)) >> 8;
    const unsigned blue = ((static_cast<unsigned>(s) & 31u) * static_cast<unsigned>(b)) >> 8;
    return static_cast<uint16_t>((red << 11) | (green << 5) | blue);
}

namespace blend {
void tint_row_scalar(int r, int g, int b, TintMode mode, uint16_t* dst, int count,
                     const uint16_t* src);
void tint_row_fast(int r, int g, int b, TintMode mode, uint16_t* dst, int count,
                   const uint16_t* src);
}  // namespace blend

class TintBlender final : public Blender {
public:
    // Factors are clamped to 0..256.
    TintBlender(int r, int g, int b, TintMode mode = TintMode::Store);
    int red() const { return m_r; }
    int green() const { return m_g; }
    int blue() const { return m_b; }
    TintMode mode() const { return m_mode; }

    void copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const override;
    std::unique_ptr<Blender> clone() const override;

private:
    int m_r;
    int m_g;
    int m_b;
    TintMode m_mode;
};

}  // namespace zentra

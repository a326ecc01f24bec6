#pragma once
// 16-bit RGB565 pixel memory and the BMP reader for skin pictures.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ustring.h"

namespace zentra {

class Bitmap {
public:
    Bitmap() = default;
    // Allocates w x h pixels, zeroed; an allocation failure leaves an empty bitmap.
    Bitmap(int width, int height);

    // Rows start on 4-byte boundaries.
    static constexpr int stride_for(int width) { return (2 * width + 3) & ~3; }

    int width() const { return m_width; }
    int height() const { return m_height; }
    int stride() const { return m_stride; }
    bool empty() const { return m_width == 0 || m_height == 0; }
    uint16_t* row(int y) { return m_pixels.data() + static_cast<size_t>(y) * (m_stride / 2); }
    const uint16_t* row(int y) const {
        return m_pixels.data() + static_cast<size_t>(y) * (m_stride / 2);
    }

private:
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    // Held as 16-bit units so rows are naturally aligned pixel arrays; a stride is always a
    // whole number of them.
    std::vector<uint16_t> m_pixels;
};

// Reads name + ".bmp": a 16-bit RGB565 BMP. Anything else, or a file that does not hold
// what its headers claim, gives an empty bitmap and a log line.
std::shared_ptr<const Bitmap> load_565(platform::WStringView name);
// The same from bytes in memory; name is used only in log lines.
std::shared_ptr<const Bitmap> load_565_from_memory(const uint8_t* data, size_t size,
                                                   platform::WStringView name);

}  // namespace zentra

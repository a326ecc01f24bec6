#pragma once

namespace zentra {

// What the skin engine needs to know of the screen; the program shell fills it in.
struct ScreenMetrics {
    int width = 0;
    int height = 0;
    int orientation = 0;  // 0-3, quarter turns
    int dpi_y = 96;       // vertical dots per inch

    // Skin geometry is multiplied by 2^shift: 0 up to 191 dpi, 1 up to 383, 2 above.
    constexpr int scale_shift() const { return dpi_y > 383 ? 2 : dpi_y > 191 ? 1 : 0; }
};

}  // namespace zentra

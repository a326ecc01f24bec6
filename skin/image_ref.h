#pragma once
// A reference to a skin picture with the four coordinate pairs that select and place it.

#include <array>
#include <memory>

#include "skin/bitmap.h"
#include "skin/geometry.h"

namespace zentra {

struct ImageRef {
    std::array<Point, 4> pairs{};
    std::shared_ptr<const Bitmap> picture;
    int scale_shift = 0;
    bool flag = false;

    bool empty() const { return !picture || picture->empty(); }
    // A whole picture: (0,0) (0,0) (w,h) (w,h).
    static ImageRef whole(std::shared_ptr<const Bitmap> picture);
};

}  // namespace zentra

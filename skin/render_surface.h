#pragma once
// A drawing target over a 16-bit RGB565 bitmap. A node's cache surface owns its bitmap;
// an empty surface has no bitmap and reports the size 0 x 0.

#include <memory>

#include "skin/bitmap.h"
#include "skin/geometry.h"

namespace zentra {

class RenderSurface {
public:
    RenderSurface() = default;
    ~RenderSurface();
    RenderSurface(const RenderSurface&) = delete;
    RenderSurface& operator=(const RenderSurface&) = delete;

    // The size of the bitmap, (0, 0) when there is none.
    Size size() const;
    int width() const { return size().w; }
    int height() const { return size().h; }
    bool empty() const { return m_bitmap == nullptr; }

    Bitmap* bitmap() { return m_bitmap.get(); }
    const Bitmap* bitmap() const { return m_bitmap.get(); }

    // Gives the surface an owned bitmap of w x h; nothing happens when it already has that
    // size. A zero or negative size, or a failed allocation, leaves the surface empty.
    // The contents of a new bitmap are undefined to callers: they redraw it whole.
    void recreate(int width, int height);
    // Frees the owned bitmap; the surface becomes empty.
    void release();

    // Pixels held by all owned surface bitmaps of the process (the frame overlay shows it).
    static long long owned_pixel_count();

private:
    std::unique_ptr<Bitmap> m_bitmap;
};

}  // namespace zentra

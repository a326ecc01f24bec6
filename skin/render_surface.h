#pragma once
// A drawing target over a 16-bit RGB565 bitmap, with a clip rectangle. A surface either owns
// its bitmap (the screen surface, a node's cache surface) or is a clipped view into another
// surface's bitmap. An empty surface has no bitmap, reports the size 0 x 0 and draws nothing.

#include <memory>

#include "skin/bitmap.h"
#include "skin/geometry.h"

namespace zentra {

// An axis-aligned rectangle in bitmap pixels; x + w and y + h are one past the last pixel.
struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The overlap of a and b; empty (all zero) when they do not meet.
Rect intersect(const Rect& a, const Rect& b);

class RenderSurface {
public:
    RenderSurface() = default;
    ~RenderSurface();
    RenderSurface(const RenderSurface&) = delete;
    RenderSurface& operator=(const RenderSurface&) = delete;

    // The size of the bitmap, (0, 0) when there is none. A view reports its parent's bitmap
    // size: coordinates on a view are those of the whole bitmap.
    Size size() const;
    int width() const { return size().w; }
    int height() const { return size().h; }
    bool empty() const { return m_bitmap == nullptr; }

    Bitmap* bitmap() { return m_bitmap; }
    const Bitmap* bitmap() const { return m_bitmap; }

    // Where drawing may land, in bitmap coordinates; the whole bitmap unless this is a view.
    Rect clip() const { return {m_clip_origin.x, m_clip_origin.y, m_clip_size.w, m_clip_size.h}; }
    Point clip_origin() const { return m_clip_origin; }
    Size clip_size() const { return m_clip_size; }
    // Set on views: their bitmap belongs to another surface, so they cannot be resized.
    bool clip_in_effect() const { return m_clip_in_effect; }

    // A view of the same bitmap whose clip is this surface's clip narrowed to area. The
    // view must not outlive this surface or its bitmap. A view of an empty surface is empty.
    RenderSurface clipped(const Rect& area);

    // Gives the surface an owned bitmap of w x h; nothing happens when it already has that
    // size. A zero or negative size releases the bitmap; a failed allocation leaves the
    // surface empty. The contents of a new bitmap are undefined to callers: they redraw it
    // whole. Resizing a view is fatal.
    void recreate(int width, int height);
    void recreate(Size size) { recreate(size.w, size.h); }
    // Takes over bitmap as the owned bitmap (null empties the surface); the clip becomes
    // the whole bitmap. Fatal on a view.
    void adopt(std::unique_ptr<Bitmap> bitmap);
    // Hands the owned bitmap to the caller; the surface becomes empty. Fatal on a view.
    std::unique_ptr<Bitmap> release_bitmap();
    // Moves other's owned bitmap here; other becomes empty.
    void take_over(RenderSurface& other) { adopt(other.release_bitmap()); }
    // Frees the owned bitmap; the surface becomes empty. A view just forgets its bitmap.
    void release();

    // Pixels held by all owned surface bitmaps of the process (the frame overlay shows it).
    static long long owned_pixel_count();

private:
    RenderSurface(Bitmap* bitmap, const Rect& clip);
    void set_whole_clip();

    Bitmap* m_bitmap = nullptr;
    Point m_clip_origin;
    Size m_clip_size;
    bool m_clip_in_effect = false;
    std::unique_ptr<Bitmap> m_owned;
};

}  // namespace zentra

#include "skin/render_surface.h"

#include <algorithm>
#include <atomic>

#include "core/log.h"

namespace zentra {

namespace {
// Surfaces live on the UI thread, but the overlay may read the total from anywhere.
std::atomic<long long> g_owned_pixels{0};

long long pixels_of(const Bitmap& bitmap) {
    return static_cast<long long>(bitmap.width()) * bitmap.height();
}
}  // namespace

Rect intersect(const Rect& a, const Rect& b) {
    const int x0 = std::max(a.x, b.x);
    const int y0 = std::max(a.y, b.y);
    // In 64 bits: x + w may pass INT_MAX for the "everything" rectangles callers build.
    const long long x1 =
        std::min(static_cast<long long>(a.x) + a.w, static_cast<long long>(b.x) + b.w);
    const long long y1 =
        std::min(static_cast<long long>(a.y) + a.h, static_cast<long long>(b.y) + b.h);
    if (x1 <= x0 || y1 <= y0) {
        return {};
    }
    return {x0, y0, static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

RenderSurface::RenderSurface(Bitmap* bitmap, const Rect& clip)
    : m_bitmap(bitmap),
      m_clip_origin{clip.x, clip.y},
      m_clip_size{clip.w, clip.h},
      m_clip_in_effect(true) {}

RenderSurface::~RenderSurface() {
    release();
}

Size RenderSurface::size() const {
    if (m_bitmap == nullptr) {
        return {};
    }
    return {m_bitmap->width(), m_bitmap->height()};
}

RenderSurface RenderSurface::clipped(const Rect& area) {
    if (m_bitmap == nullptr) {
        return RenderSurface(nullptr, Rect{});
    }
    return RenderSurface(m_bitmap, intersect(clip(), area));
}

void RenderSurface::set_whole_clip() {
    m_clip_origin = {};
    m_clip_size = size();
}

void RenderSurface::recreate(int width, int height) {
    if (width <= 0 || height <= 0) {
        width = 0;
        height = 0;
    }
    if (size() == Size{width, height}) {
        return;
    }
    if (m_clip_in_effect) {
        velvane::fatal(u"RenderSurface::recreate", u"Clip is in effect, cannot resize");
    }
    release();
    if (width == 0 || height == 0) {
        return;
    }
    auto bitmap = std::make_unique<Bitmap>(width, height);
    if (bitmap->empty()) {
        return;  // out of memory: an empty surface, drawing into it does nothing
    }
    adopt(std::move(bitmap));
}

void RenderSurface::adopt(std::unique_ptr<Bitmap> bitmap) {
    if (m_clip_in_effect) {
        velvane::fatal(u"RenderSurface::recreate", u"Clip is in effect, cannot resize");
    }
    release();
    if (bitmap == nullptr || bitmap->empty()) {
        return;
    }
    g_owned_pixels += pixels_of(*bitmap);
    m_owned = std::move(bitmap);
    m_bitmap = m_owned.get();
    set_whole_clip();
}

std::unique_ptr<Bitmap> RenderSurface::release_bitmap() {
    if (m_clip_in_effect) {
        velvane::fatal(u"RenderSurface::recreate", u"Clip is in effect, cannot resize");
    }
    if (m_owned != nullptr) {
        g_owned_pixels -= pixels_of(*m_owned);
    }
    m_bitmap = nullptr;
    m_clip_origin = {};
    m_clip_size = {};
    return std::move(m_owned);
}

void RenderSurface::release() {
    if (m_owned != nullptr) {
        g_owned_pixels -= pixels_of(*m_owned);
        m_owned.reset();
    }
    m_bitmap = nullptr;
    m_clip_origin = {};
    m_clip_size = {};
}

long long RenderSurface::owned_pixel_count() {
    return g_owned_pixels.load();
}

}  // namespace zentra

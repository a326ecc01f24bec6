#include "skin/render_surface.h"

#include <atomic>

namespace zentra {

namespace {
// Surfaces live on the UI thread, but the overlay may read the total from anywhere.
std::atomic<long long> g_owned_pixels{0};
}  // namespace

RenderSurface::~RenderSurface() {
    release();
}

Size RenderSurface::size() const {
    if (!m_bitmap) {
        return {};
    }
    return {m_bitmap->width(), m_bitmap->height()};
}

void RenderSurface::recreate(int width, int height) {
    if (width <= 0 || height <= 0) {
        release();
        return;
    }
    if (m_bitmap && m_bitmap->width() == width && m_bitmap->height() == height) {
        return;
    }
    release();
    auto bitmap = std::make_unique<Bitmap>(width, height);
    if (bitmap->empty()) {
        return;  // out of memory: an empty surface, drawing into it does nothing
    }
    g_owned_pixels += static_cast<long long>(width) * height;
    m_bitmap = std::move(bitmap);
}

void RenderSurface::release() {
    if (m_bitmap) {
        g_owned_pixels -= static_cast<long long>(m_bitmap->width()) * m_bitmap->height();
        m_bitmap.reset();
    }
}

long long RenderSurface::owned_pixel_count() {
    return g_owned_pixels.load();
}

}  // namespace zentra

#include "skin/photo_frame.h"

#include <cstdint>
#include <memory>

#include "skin/draw.h"
#include "skin/render_surface.h"

namespace zentra {

namespace {

Size natural_size(const ImageRef& image) {
    return {image.pairs[3].x - image.pairs[0].x, image.pairs[3].y - image.pairs[0].y};
}

}  // namespace

ImageRef framed_photo(const ImageRef& photo, const ImageRef& frame, uint32_t flags) {
    if (photo.empty()) {
        return {};
    }
    if (frame.empty()) {
        return photo;
    }
    const Size size = natural_size(frame);
    const Size shown = natural_size(photo);
    if (size.w <= 0 || size.h <= 0 || shown.w <= 0 || shown.h <= 0) {
        return {};
    }
    RenderSurface surface;
    surface.recreate(size);
    if (surface.empty()) {
        return {};
    }
    draw_image(frame, surface, {0, 0}, size, plain_blender());
    // The photo covers the frame: scaled (nearest neighbour, aspect kept) until both sides
    // reach it, centred, the overhang cut. A small or oddly shaped photo so leaves no band
    // of the frame's own picture.
    Size cover = size;
    if (static_cast<int64_t>(shown.w) * size.h >= static_cast<int64_t>(shown.h) * size.w) {
        cover.w = static_cast<int>(static_cast<int64_t>(shown.w) * size.h / shown.h);
    } else {
        cover.h = static_cast<int>(static_cast<int64_t>(shown.h) * size.w / shown.w);
    }
    scaled_copy_image(photo, surface, {(size.w - cover.w) / 2, (size.h - cover.h) / 2}, cover,
                      plain_blender());
    draw_image(frame, surface, {0, 0}, size, FrameBlender(flags));
    std::shared_ptr<const Bitmap> picture = surface.release_bitmap();
    return ImageRef::whole(std::move(picture));
}

}  // namespace zentra

#include "skin/photo_frame.h"

#include <memory>

#include "skin/draw.h"
#include "skin/render_surface.h"

namespace zentra {

ImageRef framed_photo(const ImageRef& photo, const ImageRef& frame, uint32_t flags) {
    if (photo.empty()) {
        return {};
    }
    if (frame.empty()) {
        return photo;
    }
    const Size size{photo.pairs[3].x - photo.pairs[0].x, photo.pairs[3].y - photo.pairs[0].y};
    if (size.w <= 0 || size.h <= 0) {
        return {};
    }
    RenderSurface surface;
    surface.recreate(size);
    if (surface.empty()) {
        return {};
    }
    draw_image(photo, surface, {0, 0}, size, plain_blender());
    draw_image(frame, surface, {0, 0}, size, FrameBlender(flags));
    std::shared_ptr<const Bitmap> picture = surface.release_bitmap();
    return ImageRef::whole(std::move(picture));
}

}  // namespace zentra

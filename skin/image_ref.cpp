#include "skin/image_ref.h"

#include <utility>

namespace zentra {

ImageRef ImageRef::whole(std::shared_ptr<const Bitmap> picture) {
    ImageRef ref;
    if (picture) {
        const Point size{picture->width(), picture->height()};
        ref.pairs = {Point{0, 0}, Point{0, 0}, size, size};
    }
    ref.picture = std::move(picture);
    return ref;
}

}  // namespace zentra

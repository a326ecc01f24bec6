#pragma once
// A photo combined with a frame picture once, so the frame costs nothing when the photo is
// drawn again and again.

#include <cstdint>

#include "skin/image_ref.h"

namespace zentra {

// A new picture of the photo's size: the photo, with the frame drawn over it as a nine-patch
// of that size through a FrameBlender of flags. An empty frame gives the photo back; an
// empty photo (or one that cannot be allocated) gives an empty reference.
ImageRef framed_photo(const ImageRef& photo, const ImageRef& frame, uint32_t flags = 0);

}  // namespace zentra

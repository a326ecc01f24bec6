#pragma once
// A photo combined with a frame picture once, so the frame costs nothing when the photo is
// drawn again and again.

#include <cstdint>

#include "skin/image_ref.h"

namespace zentra {

// A new picture of the frame's natural size: the photo scaled to cover it (aspect kept,
// centred, the overhang cut), then the frame drawn over it through a FrameBlender of flags,
// so the frame's rim stays whole whatever the photo's shape. An empty frame gives the photo
// back; an empty photo (or a failed allocation) an empty reference.
ImageRef framed_photo(const ImageRef& photo, const ImageRef& frame, uint32_t flags = 0);

}  // namespace zentra

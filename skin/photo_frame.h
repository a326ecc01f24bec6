#pragma once
// A photo combined with a frame picture once, so the frame costs nothing when the photo is
// drawn again and again.

#include <cstdint>

#include "skin/image_ref.h"

namespace zentra {

// A new picture of the frame's natural size: the frame drawn plainly as the ground, the photo
// centred on it (cut to the frame where it is larger), then the frame drawn over both through
// a FrameBlender of flags. A photo of another shape than the frame so keeps the frame's rim
// whole, and where the photo does not reach, the frame's own picture shows. An empty frame
// gives the photo back; an empty photo (or a failed allocation) an empty reference.
ImageRef framed_photo(const ImageRef& photo, const ImageRef& frame, uint32_t flags = 0);

}  // namespace zentra

#pragma once
// Drawing entry points. Each clips once against the target's clip (and the source's size)
// and hands whole rows to the blender, so the row kernels never clip. Drawing into or from an
// empty surface or picture does nothing.

#include <cstdint>

#include "skin/blender.h"
#include "skin/color.h"
#include "skin/geometry.h"
#include "skin/image_ref.h"
#include "skin/render_surface.h"

namespace zentra {

// Every clipped pixel of the target from a one-pixel source of pixel.
void fill(RenderSurface& target, uint16_t pixel, const Blender& blender);
// A plain fill with the colour's 565 value.
void fill(RenderSurface& target, Color color);
// For blenders that do not read the source (darkening).
void fill(RenderSurface& target, const Blender& blender);
// The same, limited to area (target coordinates).
void fill_rect(RenderSurface& target, const Rect& area, uint16_t pixel, const Blender& blender);

// The whole source with its top-left at at.
void copy(const Bitmap& source, RenderSurface& target, Point at, const Blender& blender);
void copy(const RenderSurface& source, RenderSurface& target, Point at, const Blender& blender);

// Nearest-neighbour scaling of the whole source to size, top-left at at. One step,
// (source height << 10) / size.h, serves both axes: callers keep the source's aspect ratio.
void scaled_copy(const Bitmap& source, RenderSurface& target, Point at, Size size,
                 const Blender& blender);
void scaled_copy(const RenderSurface& source, RenderSurface& target, Point at, Size size,
                 const Blender& blender);
// Scales the picture area of image ([x0, x3) x [y0, y3) in picture pixels) the same way.
void scaled_copy_image(const ImageRef& image, RenderSurface& target, Point at, Size size,
                       const Blender& blender);

// How a nine-patch axis of length n is shared out: head and tail come from the ends of
// the picture, the middle repeats. A short n shrinks head and tail (tail from its end).
struct NinePatchSplit {
    int head = 0;
    int middle = 0;
    int tail = 0;
    friend bool operator==(const NinePatchSplit&, const NinePatchSplit&) = default;
};
NinePatchSplit split_nine_patch(int head, int tail, int length);

// The nine-patch draw of image over the rectangle at/size: head, middle (repeated) and tail
// per axis, each picture pixel drawn 2^scale_shift times over.
void draw_image(const ImageRef& image, RenderSurface& target, Point at, Size size,
                const Blender& blender);

}  // namespace zentra

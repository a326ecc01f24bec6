#include "skin/draw.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

namespace zentra {

namespace {

// The clip is always inside the bitmap (views only narrow it); kernels rely on that.
[[maybe_unused]] bool fits(const RenderSurface& target, const Rect& r) {
    return r.x >= 0 && r.y >= 0 && r.x + r.w <= target.width() && r.y + r.h <= target.height();
}

// A plain copy's rows depend on the source only, so a row that reads the same source row as
// the one above it can be copied from there.
bool is_plain(const Blender& blender) {
    return dynamic_cast<const PlainBlender*>(&blender) != nullptr;
}

// The nearest-neighbour copy of area of source (picture pixels) onto at/size.
void scaled_copy_area(const Bitmap& source, const Rect& area, RenderSurface& target, Point at,
                      Size size, const Blender& blender) {
    if (target.empty() || source.empty() || area.empty() || size.w <= 0 || size.h <= 0) {
        return;
    }
    const int64_t step64 = (static_cast<int64_t>(area.h) << 10) / size.h;
    const int step = static_cast<int>(step64);
    // A destination whose aspect differs from the source's would read past the area's right
    // (or bottom) edge with the shared step; such columns and rows are not drawn.
    Size drawn = size;
    if (step > 0) {
        const int64_t limit_w = ((static_cast<int64_t>(area.w) << 10) - 1) / step + 1;
        const int64_t limit_h = ((static_cast<int64_t>(area.h) << 10) - 1) / step + 1;
        drawn.w = static_cast<int>(std::min<int64_t>(drawn.w, limit_w));
        drawn.h = static_cast<int>(std::min<int64_t>(drawn.h, limit_h));
    }
    const Rect r = intersect({at.x, at.y, drawn.w, drawn.h}, target.clip());
    if (r.empty()) {
        return;
    }
    assert(fits(target, r));
    blender.bind_source(&source);
    Bitmap& dst = *target.bitmap();
    const int first_pos = (r.x - at.x) * step;
    const bool plain = is_plain(blender);
    int pos_y = (r.y - at.y) * step;
    int previous_source_y = -1;
    for (int y = r.y; y < r.y + r.h; ++y, pos_y += step) {
        const int source_y = area.y + (pos_y >> 10);
        uint16_t* row = dst.row(y) + r.x;
        if (plain && source_y == previous_source_y) {
            // Magnified: this row is the one above it again.
            std::memcpy(row, dst.row(y - 1) + r.x, static_cast<size_t>(r.w) * sizeof(uint16_t));
            continue;
        }
        blender.copy_row_stepped(row, row + r.w, source.row(source_y) + area.x, first_pos, step);
        previous_source_y = source_y;
    }
}

// One axis of a nine-patch after clipping: where each part lands, how many pixels it has
// and the source position (skin units) of its first drawn pixel.
struct Part {
    int dst = 0;
    int count = 0;
    int src = 0;
};
struct Axis {
    Part head;
    Part middle;
    Part tail;
};

// Clipping a part at its start drops its first pixels; the removed count moves its source.
Part clip_part(int dst, int length, int c0, int c1, int* removed) {
    const int first = std::max(dst, c0);
    const int end = std::min(dst + length, c1);
    *removed = first - dst;
    if (end <= first) {
        return {first, 0, 0};
    }
    return {first, end - first, 0};
}

Axis plan_axis(int x0, int x1, int x2, int x3, int p, int n, int c0, int c1) {
    const NinePatchSplit split = split_nine_patch(x1 - x0, x3 - x2, n);
    Axis axis;
    int removed = 0;
    axis.head = clip_part(p, split.head, c0, c1, &removed);
    axis.head.src = x0 + removed;
    const int period = x2 - x1;
    // A middle with no source pixels has nothing to repeat; those pixels stay as they were.
    axis.middle = clip_part(p + split.head, period > 0 ? split.middle : 0, c0, c1, &removed);
    axis.middle.src = period > 0 ? x1 + removed % period : x1;
    axis.tail = clip_part(p + split.head + split.middle, split.tail, c0, c1, &removed);
    axis.tail.src = x3 - split.tail + removed;
    return axis;
}

}  // namespace

void fill_rect(RenderSurface& target, const Rect& area, uint16_t pixel, const Blender& blender) {
    if (target.empty()) {
        return;
    }
    const Rect r = intersect(area, target.clip());
    if (r.empty()) {
        return;
    }
    assert(fits(target, r));
    Bitmap& dst = *target.bitmap();
    for (int y = r.y; y < r.y + r.h; ++y) {
        uint16_t* row = dst.row(y) + r.x;
        blender.fill_row(row, row + r.w, pixel);
    }
}

void fill(RenderSurface& target, uint16_t pixel, const Blender& blender) {
    fill_rect(target, target.clip(), pixel, blender);
}

void fill(RenderSurface& target, Color color) {
    fill(target, color.to_565(), plain_blender());
}

void fill(RenderSurface& target, const Blender& blender) {
    fill(target, 0, blender);
}

void copy(const Bitmap& source, RenderSurface& target, Point at, const Blender& blender) {
    if (target.empty() || source.empty()) {
        return;
    }
    const Rect r = intersect({at.x, at.y, source.width(), source.height()}, target.clip());
    if (r.empty()) {
        return;
    }
    assert(fits(target, r));
    blender.bind_source(&source);
    Bitmap& dst = *target.bitmap();
    for (int y = r.y; y < r.y + r.h; ++y) {
        uint16_t* row = dst.row(y) + r.x;
        blender.copy_row(row, row + r.w, source.row(y - at.y) + (r.x - at.x));
    }
}

void copy(const RenderSurface& source, RenderSurface& target, Point at, const Blender& blender) {
    if (source.empty()) {
        return;
    }
    copy(*source.bitmap(), target, at, blender);
}

void scaled_copy(const Bitmap& source, RenderSurface& target, Point at, Size size,
                 const Blender& blender) {
    scaled_copy_area(source, {0, 0, source.width(), source.height()}, target, at, size, blender);
}

void scaled_copy(const RenderSurface& source, RenderSurface& target, Point at, Size size,
                 const Blender& blender) {
    if (source.empty()) {
        return;
    }
    scaled_copy(*source.bitmap(), target, at, size, blender);
}

void scaled_copy_image(const ImageRef& image, RenderSurface& target, Point at, Size size,
                       const Blender& blender) {
    if (image.empty()) {
        return;
    }
    const int shift = std::clamp(image.scale_shift, 0, 15);
    const Bitmap& picture = *image.picture;
    const int x0 = std::clamp(image.pairs[0].x >> shift, 0, picture.width());
    const int y0 = std::clamp(image.pairs[0].y >> shift, 0, picture.height());
    const int x3 = std::clamp(image.pairs[3].x >> shift, x0, picture.width());
    const int y3 = std::clamp(image.pairs[3].y >> shift, y0, picture.height());
    scaled_copy_area(picture, {x0, y0, x3 - x0, y3 - y0}, target, at, size, blender);
}

NinePatchSplit split_nine_patch(int head, int tail, int length) {
    if (length <= 0) {
        return {};
    }
    if (head + tail < length) {
        return {head, length - head - tail, tail};
    }
    // Too short for both ends: each gets about half, the tail keeps its last pixels, and
    // one middle pixel is left between them.
    const int a = length / 2;
    const int m = (length - 1) / 2 + std::max(a - head, 0);
    NinePatchSplit split;
    split.tail = std::min(tail, m);
    split.head = std::min(head, a) + std::max(m - tail, 0);
    split.middle = length - split.head - split.tail;
    return split;
}

void draw_image(const ImageRef& image, RenderSurface& target, Point at, Size size,
                const Blender& blender) {
    if (target.empty() || image.empty() || size.w <= 0 || size.h <= 0) {
        return;
    }
    const int shift = image.scale_shift;
    const auto& q = image.pairs;
    const Bitmap& picture = *image.picture;
    // Coordinates outside the picture, or out of order, would index past its rows; such a
    // reference draws nothing rather than reading memory it does not own.
    const bool ordered = shift >= 0 && shift < 16 && 0 <= q[0].x && q[0].x <= q[1].x &&
                         q[1].x <= q[2].x && q[2].x <= q[3].x && 0 <= q[0].y && q[0].y <= q[1].y &&
                         q[1].y <= q[2].y && q[2].y <= q[3].y &&
                         q[3].x <= (picture.width() << shift) &&
                         q[3].y <= (picture.height() << shift);
    if (!ordered) {
        return;
    }
    const Rect clip = target.clip();
    const Axis ax =
        plan_axis(q[0].x, q[1].x, q[2].x, q[3].x, at.x, size.w, clip.x, clip.x + clip.w);
    const Axis ay =
        plan_axis(q[0].y, q[1].y, q[2].y, q[3].y, at.y, size.h, clip.y, clip.y + clip.h);
    const int x1 = q[1].x;
    const int x2 = q[2].x;
    const int y1 = q[1].y;
    const int period_y = q[2].y - y1;

    blender.bind_source(&picture);
    Bitmap& dst = *target.bitmap();
    const bool plain = is_plain(blender);
    int previous_row = -1;
    int previous_y = -1;
    auto draw_row = [&](int y, int source_y) {
        const int picture_row = source_y >> shift;
        uint16_t* row = dst.row(y);
        const bool repeat = plain && picture_row == previous_row && previous_y == y - 1;
        previous_row = picture_row;
        previous_y = y;
        if (repeat) {
            // The row above was drawn from the same picture row; copy its parts (not the
            // span between them, which an empty middle leaves untouched).
            const uint16_t* above = dst.row(y - 1);
            for (const Part* part : {&ax.head, &ax.middle, &ax.tail}) {
                std::memcpy(row + part->dst, above + part->dst,
                            static_cast<size_t>(part->count) * sizeof(uint16_t));
            }
            return;
        }
        const uint16_t* src = picture.row(picture_row);
        if (ax.head.count > 0) {
            blender.copy_row_shifted(row + ax.head.dst, src, ax.head.src, ax.head.count, shift);
        }
        if (ax.middle.count > 0) {
            blender.copy_row_tiled(row + ax.middle.dst, src, ax.middle.src, ax.middle.count, shift,
                                   x1, x2);
        }
        if (ax.tail.count > 0) {
            blender.copy_row_shifted(row + ax.tail.dst, src, ax.tail.src, ax.tail.count, shift);
        }
    };
    for (int j = 0; j < ay.head.count; ++j) {
        draw_row(ay.head.dst + j, ay.head.src + j);
    }
    for (int j = 0, pos = ay.middle.src; j < ay.middle.count; ++j) {
        draw_row(ay.middle.dst + j, pos);
        pos = pos + 1 == y1 + period_y ? y1 : pos + 1;
    }
    for (int j = 0; j < ay.tail.count; ++j) {
        draw_row(ay.tail.dst + j, ay.tail.src + j);
    }
}

}  // namespace zentra

#include "skin/font.h"

#include <algorithm>
#include <cassert>
#include <mutex>

#include "core/log.h"
#include "platform/font.h"
#include "skin/bitmap.h"
#include "skin/blender.h"
#include "skin/render_surface.h"

namespace zentra {

namespace {

constexpr char16_t kEllipsis = u'\u2026';

// Copies back what text drawing changed: a pixel still equal to the one copied out keeps the
// target as it was, anything else lands marked opaque, so keyed copies of a cache surface
// show the glyphs and keep the key colour around them.
class MarkingBlender final : public Blender {
public:
    void copy_row(uint16_t* dst_first, uint16_t* dst_end, const uint16_t* src) const override {
        for (uint16_t* d = dst_first; d != dst_end; ++d, ++src) {
            if (*src != *d) {
                *d = static_cast<uint16_t>(*src | kOpaqueBit);
            }
        }
    }
    std::unique_ptr<Blender> clone() const override { return std::make_unique<MarkingBlender>(); }
};

// The one scratch bitmap all text drawing goes through; drawing happens on the UI thread
// only. It grows and is never given back.
Bitmap& scratch_bitmap(Size size) {
    static Bitmap scratch;
    if (scratch.width() < size.w || scratch.height() < size.h) {
        scratch = Bitmap(size.w, size.h);
    }
    return scratch;
}

}  // namespace

int font_logical_height(int size, int scale) {
    static constexpr int kSmall[] = {0,  1,  3,  4,  6,  7,  8,  10, 11, 12,
                                     14, 15, 16, 18, 19, 20, 21, 23, 24, 25};
    const long long n = static_cast<long long>(size) * scale;
    if (n >= 0 && n < static_cast<long long>(std::size(kSmall))) {
        return -kSmall[n];
    }
    return static_cast<int>(-(n * 96 / 72));
}

FontRep::FontRep(const FontDesc& description) : m_description(description) {
    platform::FontRequest request;
    request.height = font_logical_height(description.size, description.scale);
    request.weight = description.bold ? 700 : 400;
    request.italic = description.italic;
    request.underline = description.underline;
    // The handheld's face names hold at most 31 characters.
    request.face = description.face.substr(0, 31);
    m_font = platform::Font::create(request);
    if (!m_font) {
        velvane::log() << "ERROR: FontRep::FontRep() Failed to create font\n";
        return;
    }
    const platform::FontMetrics& metrics = m_font->metrics();
    m_descent = metrics.descent;
    m_height = metrics.height;
    m_internal_leading = metrics.internal_leading;
}

FontRep::~FontRep() = default;

std::shared_ptr<const FontRep> get_font(const FontDesc& description) {
    // Kept for the whole run: skins come and go, their fonts are made once.
    static std::mutex mutex;
    static std::vector<std::shared_ptr<const FontRep>> cache;
    std::lock_guard lock(mutex);
    for (const auto& font : cache) {
        if (font->description() == description) {
            return font;
        }
    }
    cache.push_back(std::make_shared<const FontRep>(description));
    return cache.back();
}

Size measure_text(const FontRep* font, platform::WStringView text, std::vector<int>* extents) {
    if (font == nullptr || font->platform_font() == nullptr) {
        if (extents != nullptr) {
            extents->assign(text.size(), 0);
        }
        return {0, 0};
    }
    const platform::TextExtent extent = font->platform_font()->measure(text, extents);
    return {extent.width, extent.height};
}

platform::WString ellipsize(const FontRep* font, platform::WStringView text, int width) {
    std::vector<int> extents;
    const Size whole = measure_text(font, text, &extents);
    if (whole.w <= width) {
        return platform::WString(text);
    }
    const int mark = measure_text(font, std::u16string_view(&kEllipsis, 1)).w;
    size_t keep = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        // Never ends between the halves of a surrogate pair: the first half carries the same
        // extent as the second, so it is only taken together with it.
        const bool pair_start = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size();
        if (pair_start) {
            continue;
        }
        if (extents[i] + mark > width) {
            break;
        }
        keep = i + 1;
    }
    // Blanks before the mark would only push it away from the word.
    while (keep > 0 && text[keep - 1] <= u' ') {
        --keep;
    }
    platform::WString out(text.substr(0, keep));
    out += kEllipsis;
    return out;
}

void draw_text(const FontRep* font, RenderSurface& target, Color color, platform::WStringView text,
               Point at, Size size, int halign, int valign, bool ellipsis) {
    if (text.empty() || target.empty() || font == nullptr || font->platform_font() == nullptr) {
        return;
    }
    const Rect r = intersect({at.x, at.y, size.w, size.h}, target.clip());
    if (r.empty()) {
        return;
    }
    assert(r.x >= 0 && r.y >= 0 && r.x + r.w <= target.width() && r.y + r.h <= target.height());

    platform::WString shortened;
    if (ellipsis) {
        shortened = ellipsize(font, text, size.w);
        text = shortened;
    }
    const Size extent = measure_text(font, text);
    int x = 0;
    if (halign == kAlignCenter) {
        x = (size.w - extent.w) / 2;
    } else if (halign == kAlignRight) {
        x = size.w - extent.w;
    }
    int y = 0;
    if (valign == kAlignVCenter) {
        y = (size.h - extent.h) / 2;
    } else if (valign == kAlignBottom) {
        y = size.h - extent.h;
    }

    Bitmap& scratch = scratch_bitmap(size);
    if (scratch.empty()) {
        return;
    }
    // The scratch bitmap stands for the box; only its part under the clip is used.
    const int sx = r.x - at.x;
    const int sy = r.y - at.y;
    Bitmap& dst = *target.bitmap();
    const Blender& plain = plain_blender();
    for (int row = 0; row < r.h; ++row) {
        uint16_t* s = scratch.row(sy + row) + sx;
        plain.copy_row(s, s + r.w, dst.row(r.y + row) + r.x);
    }
    font->platform_font()->draw(text, scratch.row(sy) + sx, scratch.stride(), r.w, r.h, x - sx,
                                y - sy, color.r, color.g, color.b);
    static const MarkingBlender marking;
    for (int row = 0; row < r.h; ++row) {
        uint16_t* d = dst.row(r.y + row) + r.x;
        marking.copy_row(d, d + r.w, scratch.row(sy + row) + sx);
    }
}

}  // namespace zentra

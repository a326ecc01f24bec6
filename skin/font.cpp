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

namespace {

// Marks that draw onto the letter before them, joiners and variation selectors: a cut
// before one would leave half a letter.
bool joins_previous(char16_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x0483 && c <= 0x0489) ||
           (c >= 0x0591 && c <= 0x05BD) || (c >= 0x0610 && c <= 0x061A) ||
           (c >= 0x064B && c <= 0x065F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || c == 0x200C || c == 0x200D ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE00 && c <= 0xFE0F) ||
           (c >= 0xFE20 && c <= 0xFE2F) || (c >= 0xDC00 && c <= 0xDFFF);
}

}  // namespace

bool is_letter_boundary(platform::WStringView text, size_t i) {
    if (i == 0 || i >= text.size()) {
        return true;
    }
    // A joiner glues the letters on both of its sides.
    return !joins_previous(text[i]) && text[i - 1] != 0x200D;
}

size_t fitting_prefix(platform::WStringView text, const std::vector<int>& extents, int limit) {
    const size_t n = std::min(text.size(), extents.size());
    size_t keep = 0;
    for (size_t i = 1; i <= n && extents[i - 1] <= limit; ++i) {
        if (is_letter_boundary(text, i)) {
            keep = i;
        }
    }
    return keep;
}

size_t ellipsis_cut(platform::WStringView text, const std::vector<int>& extents, int mark_width,
                    int room) {
    if (text.empty() || (extents.size() >= text.size() && extents[text.size() - 1] <= room)) {
        return text.size();
    }
    size_t keep = fitting_prefix(text, extents, room - mark_width);
    // Blanks before the mark would only push it away from the word.
    while (keep > 0 && text[keep - 1] <= u' ') {
        --keep;
    }
    return keep;
}

platform::WString ellipsize(const FontRep* font, platform::WStringView text, int width) {
    std::vector<int> extents;
    measure_text(font, text, &extents);
    const int mark = measure_text(font, std::u16string_view(&kEllipsis, 1)).w;
    const size_t keep = ellipsis_cut(text, extents, mark, width);
    if (keep == text.size()) {
        return platform::WString(text);
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

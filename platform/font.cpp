#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform {

namespace {

// One FreeType library for the process. Creating and destroying faces goes through it, so
// those steps hold this lock; each face is then used under its font's own lock.
std::mutex g_library_mutex;
FT_Library g_library = nullptr;

FT_Library library() {
    if (g_library == nullptr && FT_Init_FreeType(&g_library) != 0) {
        g_library = nullptr;
    }
    return g_library;
}

int ceil_26_6(FT_Pos value) {
    return static_cast<int>((value + 63) >> 6);
}

struct FaceFile {
    std::string path;
    int index = 0;
    bool bold = false;    // the face found is bold itself
    bool italic = false;  // the face found is italic or oblique itself
};

// The best installed face for the name; fontconfig's substitution rules map a face that is
// not installed (the skins' "Tahoma") to a matching family.
bool find_face(const FontRequest& request, FaceFile& out) {
    // fontconfig keeps its configuration until FcFini; handing it back at exit keeps leak
    // checkers quiet, and nothing asks fontconfig anything once the process ends.
    static const bool initialised = [] {
        if (FcInit() == FcFalse) {
            return false;
        }
        std::atexit(FcFini);
        return true;
    }();
    if (!initialised) {
        return false;
    }
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return false;
    }
    const std::string family = to_utf8(request.face);
    if (!family.empty()) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    // Sans-serif after the named family, as the handheld's own faces are.
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.weight >= 700 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return false;
    }
    FcChar8* file = nullptr;
    int index = 0;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (found) {
        out.path = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        out.index = index;
        out.bold = weight >= FC_WEIGHT_DEMIBOLD;
        out.italic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return found;
}

// d + (c - d) * a / 255 on each channel of a 565 pixel.
inline uint16_t blend_565(uint16_t d, int r, int g, int b, int a) {
    const int dr = d >> 11;
    const int dg = (d >> 5) & 0x3F;
    const int db = d & 0x1F;
    const int nr = dr + ((r - dr) * a) / 255;
    const int ng = dg + ((g - dg) * a) / 255;
    const int nb = db + ((b - db) * a) / 255;
    return static_cast<uint16_t>((nr << 11) | (ng << 5) | nb);
}

}  // namespace

char32_t code_point_at(WStringView text, size_t i, size_t& units) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
        const char16_t low = text[i + 1];
        if (low >= 0xDC00 && low <= 0xDFFF) {
            units = 2;
            return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
        }
    }
    units = 1;
    return c;
}

struct Font::Impl {
    FT_Face face = nullptr;
    bool embolden = false;
    bool oblique = false;
    ~Impl() {
        if (face != nullptr) {
            std::lock_guard lock(g_library_mutex);
            FT_Done_Face(face);
        }
    }
};

Font::Font() : m_impl(std::make_unique<Impl>()) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::create(const FontRequest& request) {
    FaceFile file;
    if (!find_face(request, file)) {
        return nullptr;
    }
    std::unique_ptr<Font> font(new Font());
    {
        std::lock_guard lock(g_library_mutex);
        FT_Library lib = library();
        if (lib == nullptr ||
            FT_New_Face(lib, file.path.c_str(), file.index, &font->m_impl->face) != 0) {
            font->m_impl->face = nullptr;
            return nullptr;
        }
    }
    FT_Face face = font->m_impl->face;
    font->m_file = file.path;
    font->m_impl->embolden = request.weight >= 700 && !file.bold;
    font->m_impl->oblique = request.italic && !file.italic;

    const int units = std::max<int>(face->units_per_EM, 1);
    const int span = std::max<int>(face->ascender - face->descender, 1);
    int em = 12;  // the size a height of 0 asks for
    if (request.height < 0) {
        em = -request.height;
    } else if (request.height > 0) {
        // The cell is ascent + descent; the em is the part of it the face's units give.
        em = std::max(1, static_cast<int>(std::lround(double(request.height) * units / span)));
    }
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)) != 0) {
        return nullptr;
    }
    const FT_Size_Metrics& m = face->size->metrics;
    FontMetrics& metrics = font->m_metrics;
    metrics.ascent = ceil_26_6(m.ascender);
    metrics.descent = ceil_26_6(-m.descender);
    metrics.height = metrics.ascent + metrics.descent;
    metrics.internal_leading = std::max(0, metrics.height - em);

    font->m_underline = request.underline;
    const long scale = m.y_scale;
    font->m_underline_position =
        std::max(1, static_cast<int>(-FT_MulFix(face->underline_position, scale) >> 6));
    font->m_underline_thickness =
        std::max(1, static_cast<int>((FT_MulFix(face->underline_thickness, scale) + 32) >> 6));
    return font;
}

const Font::Glyph& Font::glyph(char32_t code) const {
    // Called with m_mutex held.
    auto found = m_glyphs.find(code);
    if (found != m_glyphs.end()) {
        return found->second;
    }
    Glyph& glyph = m_glyphs[code];
    if (code < 0x20) {
        return glyph;  // control characters take no room
    }
    FT_Face face = m_impl->face;
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0) {
        return glyph;
    }
    FT_GlyphSlot slot = face->glyph;
    if (m_impl->oblique) {
        FT_GlyphSlot_Oblique(slot);
    }
    if (m_impl->embolden) {
        FT_GlyphSlot_Embolden(slot);
    }
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
        return glyph;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.rows = static_cast<int>(bitmap.rows);
    glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.rows);
    for (int y = 0; y < glyph.rows; ++y) {
        const uint8_t* src = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
        std::copy_n(src, glyph.width, glyph.coverage.begin() + static_cast<ptrdiff_t>(y) * glyph.width);
    }
    return glyph;
}

TextExtent Font::measure(WStringView text, std::vector<int>* extents) const {
    std::lock_guard lock(m_mutex);
    if (extents != nullptr) {
        extents->assign(text.size(), 0);
    }
    int x = 0;
    for (size_t i = 0; i < text.size();) {
        size_t units = 1;
        const char32_t code = code_point_at(text, i, units);
        x += glyph(code).advance;
        if (extents != nullptr) {
            for (size_t k = 0; k < units; ++k) {
                (*extents)[i + k] = x;
            }
        }
        i += units;
    }
    return {x, m_metrics.height};
}

void Font::draw(WStringView text, uint16_t* pixels, int stride, int width, int height, int x,
                int y, uint8_t red, uint8_t green, uint8_t blue) const {
    std::lock_guard lock(m_mutex);
    const int r = red >> 3;
    const int g = green >> 2;
    const int b = blue >> 3;
    auto row = [&](int py) {
        return reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(pixels) +
                                           static_cast<ptrdiff_t>(py) * stride);
    };
    const int baseline = y + m_metrics.ascent;
    int pen = x;
    for (size_t i = 0; i < text.size();) {
        size_t units = 1;
        const Glyph& g_ = glyph(code_point_at(text, i, units));
        i += units;
        const int gx = pen + g_.left;
        const int gy = baseline - g_.top;
        for (int sy = std::max(0, -gy); sy < g_.rows && gy + sy < height; ++sy) {
            uint16_t* dst = row(gy + sy);
            const uint8_t* cov = g_.coverage.data() + static_cast<ptrdiff_t>(sy) * g_.width;
            for (int sx = std::max(0, -gx); sx < g_.width && gx + sx < width; ++sx) {
                if (cov[sx] != 0) {
                    dst[gx + sx] = blend_565(dst[gx + sx], r, g, b, cov[sx]);
                }
            }
        }
        pen += g_.advance;
    }
    if (m_underline && pen > x) {
        const int top = baseline + m_underline_position;
        for (int py = std::max(0, top); py < std::min(height, top + m_underline_thickness); ++py) {
            uint16_t* dst = row(py);
            const uint16_t color = static_cast<uint16_t>((r << 11) | (g << 5) | b);
            std::fill(dst + std::clamp(x, 0, width), dst + std::clamp(pen, 0, width), color);
        }
    }
}

}  // namespace platform

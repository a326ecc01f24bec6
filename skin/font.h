#pragma once
// Fonts as the skin engine uses them: a FontRep is a platform font made from a skin font
// description, shared through a process-wide cache, plus one-line measuring and drawing.

#include <memory>
#include <vector>

#include "platform/ustring.h"
#include "skin/color.h"
#include "skin/font_desc.h"
#include "skin/geometry.h"

namespace platform {
class Font;
}

namespace zentra {

class RenderSurface;

// The logical height of a description: size x scale points through the handheld's table
// for small sizes, n x 96 / 72 above; negative means the character height.
int font_logical_height(int size, int scale);

// A platform font, its description and the metrics read once when it was made. A FontRep
// whose platform font could not be made is kept too (with zero metrics) and draws nothing.
class FontRep {
public:
    explicit FontRep(const FontDesc& description);
    ~FontRep();
    FontRep(const FontRep&) = delete;
    FontRep& operator=(const FontRep&) = delete;

    const FontDesc& description() const { return m_description; }
    const platform::Font* platform_font() const { return m_font.get(); }
    int descent() const { return m_descent; }
    int height() const { return m_height; }
    int internal_leading() const { return m_internal_leading; }

private:
    FontDesc m_description;
    std::unique_ptr<platform::Font> m_font;
    int m_descent = 0;
    int m_height = 0;
    int m_internal_leading = 0;
};

// The cached font for the description, made and kept for the rest of the run on first use;
// equal descriptions always give the same FontRep.
std::shared_ptr<const FontRep> get_font(const FontDesc& description);

// Width of text and line height; (0, 0) without a font. With extents, extents[i] is the
// width of text[0..i].
Size measure_text(const FontRep* font, platform::WStringView text,
                  std::vector<int>* extents = nullptr);

// Horizontal alignment 0 left, 1 centre, 2 right, 3 justified (drawn as left); vertical 0
// top, 1 centre, 2 bottom.
enum : int { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2, kAlignJustify = 3 };
enum : int { kAlignTop = 0, kAlignVCenter = 1, kAlignBottom = 2 };

// Whether a line may be cut before text[i]: not inside a surrogate pair and not between a
// letter and the marks or joiners that belong to it.
bool is_letter_boundary(platform::WStringView text, size_t i);

// The longest start of text, ending on a letter boundary, whose extent is at most limit.
size_t fitting_prefix(platform::WStringView text, const std::vector<int>& extents, int limit);

// How many code units of text to keep so that they and a mark mark_width wide fit room:
// the cut falls on a letter boundary and drops the blanks before the mark. extents are
// measure_text's. The whole text when it fits without a mark.
size_t ellipsis_cut(platform::WStringView text, const std::vector<int>& extents, int mark_width,
                    int room);

// The longest start of text that fits width with "…" after it, as drawn with ellipsis; the
// whole text when it fits as it is.
platform::WString ellipsize(const FontRep* font, platform::WStringView text, int width);

// Draws text as one line into the box at/size on target (clipped to both), aligned in it;
// with ellipsis a text wider than the box is shortened with "…". Only pixels the glyphs
// touch change, and they are marked opaque, so a cached surface cleared to the key colour
// keeps its transparent parts.
void draw_text(const FontRep* font, RenderSurface& target, Color color, platform::WStringView text,
               Point at, Size size, int halign, int valign, bool ellipsis);

}  // namespace zentra

#pragma once
// `text`: one string (translated through the language dictionary) in one font and colour,
// aligned in the node, optionally wrapped into lines at the node's width, shortened with an
// ellipsis, grown into the measured size, and with highlighted ranges (search matches).

#include <memory>
#include <vector>

#include "skin/color.h"
#include "skin/font.h"
#include "skin/node.h"

namespace zentra {

// A half-open range of code units.
struct TextRange {
    size_t first = 0;
    size_t end = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// Breaks text into lines no wider than width: a break may follow any character below U+0021
// and any U+200B; a line feed always ends a line; a word wider than the width takes a line of
// its own. Lines leave out the blanks they end with. extents are measure_text's.
std::vector<TextRange> wrap_lines(platform::WStringView text, const std::vector<int>& extents,
                                  int width);

// "LEFT" 0, "CENTER" 1, "RIGHT" 2, "JUSTIFY" 3, anything else 1.
int parse_halign(platform::WStringView text);
// "TOP" 0, "VCENTER" 1, "BOTTOM" 2, anything else 1.
int parse_valign(platform::WStringView text);

class TextNode : public Node {
public:
    static constexpr Color kHighlightColor{255, 0, 255, 255};

    TextNode();
    ~TextNode() override;

    void set_text(platform::WStringView name, platform::WStringView text) override;
    void load(const Properties& properties, SkinRecord record) override;
    void draw(RenderSurface& target, Point origin) override;
    void measure_width(MeasuredSize& size) override;
    void measure_height(MeasuredSize& size) override;

    // The text node's own operations; each does nothing when the value is unchanged.
    virtual void set_text(platform::WStringView text);
    virtual void set_color(Color color);
    virtual void set_font(std::shared_ptr<const FontRep> font);
    // Records every occurrence of pattern (non-overlapping, from the start); empty records none.
    virtual void set_highlight(platform::WStringView pattern);

    const platform::WString& text() const { return m_text; }
    Color color() const { return m_color; }
    const std::shared_ptr<const FontRep>& font() const { return m_font; }
    int halign() const { return m_halign; }
    int valign() const { return m_valign; }
    bool wrap() const { return m_wrap; }
    bool ellipsis() const { return m_ellipsis; }
    bool grow() const { return m_grow; }
    // (first, length) pairs as ranges of the text.
    const std::vector<TextRange>& highlights() const { return m_highlights; }
    // The lines for the current width, laid out when needed.
    const std::vector<TextRange>& lines();
    // Single-line extent of the whole text; h is the line height.
    Size text_size();

private:
    void drop_lines();
    void layout_lines();

    platform::WString m_text;
    std::shared_ptr<const FontRep> m_font;
    Color m_color{0, 0, 0, 255};
    int m_halign = kAlignCenter;
    int m_valign = kAlignVCenter;
    bool m_grow = false;
    bool m_grow_min = false;
    bool m_wrap = false;
    bool m_ellipsis = false;
    std::vector<TextRange> m_lines;
    Size m_text_size{-1, -1};
    int m_laid_out_width = -1;
    std::vector<TextRange> m_highlights;
};

}  // namespace zentra

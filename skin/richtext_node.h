#pragma once
// `richtext`: runs of text, each in its own font and colour, flowed as one text. Words may
// span run boundaries; with wrap the flow breaks lines at the node's width with the same
// break rules as `text`. Lines sit on a common baseline, are aligned by `halign`, and the
// block by `valign`. With `fit_height` (>= 0, skin units) the grown height stops there and
// only lines that fit whole in the node are drawn. With `ellipsis` a line wider than its room
// ends in "…" at a letter boundary. Children are clipped to the node.

#include <algorithm>
#include <memory>
#include <vector>

#include "skin/clip_node.h"
#include "skin/color.h"
#include "skin/font.h"

namespace zentra {

struct RichTextRun {
    platform::WString text;
    std::shared_ptr<const FontRep> font;
    // Carried for the owner (an alternative face, a link mark); the flow does not use them.
    std::shared_ptr<const FontRep> second_font;
    Color color;
    bool flag = false;
};

class RichTextNode : public ClipNode {
public:
    // Part of one run placed on a line; x is from the line's start.
    struct Piece {
        size_t run = 0;
        size_t first = 0;
        size_t end = 0;
        int x = 0;
        int width = 0;
    };
    struct Line {
        std::vector<Piece> pieces;
        int width = 0;   // without the blanks it ends with
        int height = 0;  // the tallest font on it
        int ascent = 0;  // the deepest baseline on it
    };

    RichTextNode();
    ~RichTextNode() override;

    void set_text(platform::WStringView name, platform::WStringView text) override;
    void load(const Properties& properties, SkinRecord record) override;
    void draw(RenderSurface& target, Point origin) override;
    void measure_width(MeasuredSize& size) override;
    void measure_height(MeasuredSize& size) override;

    // Without wrap, line feeds become spaces first.
    void append_run(platform::WStringView text, std::shared_ptr<const FontRep> font,
                    std::shared_ptr<const FontRep> second_font, Color color, bool flag);
    // Replaces every run by text in the default font and colour.
    void set_text(platform::WStringView text);

    const std::vector<RichTextRun>& runs() const { return m_runs; }
    const std::shared_ptr<const FontRep>& default_font() const { return m_font; }
    // Runs without a font of their own follow it, so the flow is made again.
    void set_default_font(std::shared_ptr<const FontRep> font);
    Color default_color() const { return m_color; }
    bool wrap() const { return m_wrap; }
    void set_wrap(bool wrap);
    int halign() const { return m_halign; }
    int valign() const { return m_valign; }
    int fit_height() const { return m_fit_height; }

    // A line as drawn in room: with ellipsis and too wide, its pieces up to the cut and the
    // mark's place; otherwise the line as flowed.
    struct Fitted {
        std::vector<Piece> pieces;
        bool marked = false;
        size_t mark_run = 0;
        int mark_x = 0;
        int width = 0;
    };

    bool ellipsis() const { return m_ellipsis; }
    // The width lines are cut to, for an owner whose node is partly covered by something
    // drawn over it; -1 is the node's own width.
    void set_room(int width);
    int room() const { return m_room < 0 ? size().w : std::min(m_room, size().w); }
    // The text of the lines as they are drawn, lines joined by "\n".
    platform::WString shown_text() const;

    // The flow at the node's current width.
    const std::vector<Line>& lines();
    Fitted fit(const Line& line, int room) const;
    // Flows runs into lines; width < 0 breaks only at line feeds.
    std::vector<Line> flow(int width) const;

private:
    const FontRep* run_font(const RichTextRun& run) const;
    void drop_flow();

    std::vector<RichTextRun> m_runs;
    std::shared_ptr<const FontRep> m_font;
    Color m_color{0, 0, 0, 255};
    int m_halign = kAlignCenter;
    int m_valign = kAlignVCenter;
    bool m_grow = false;
    bool m_wrap = false;
    bool m_ellipsis = false;
    int m_room = -1;
    int m_fit_height = -1;
    std::vector<Line> m_lines;
    bool m_lines_valid = false;
    int m_laid_out_width = -1;
};

}  // namespace zentra

#include "skin/richtext_node.h"

#include <algorithm>
#include <climits>

#include "skin/render_surface.h"
#include "skin/text_node.h"

namespace zentra {

namespace {

bool is_break(char16_t c) {
    return c < u'\u0021' || c == u'\u200B';
}

}  // namespace

RichTextNode::RichTextNode() = default;
RichTextNode::~RichTextNode() = default;

void RichTextNode::set_text(platform::WStringView name, platform::WStringView text) {
    if (name == this->name()) {
        set_text(text);
    }
    Node::set_text(name, text);
}

void RichTextNode::load(const Properties& properties, SkinRecord record) {
    ClipNode::load(properties, record);
    m_grow = properties.get_integer(record, u"grow", 0) != 0;
    m_wrap = properties.get_integer(record, u"wrap", 0) != 0;
    m_ellipsis = properties.get_integer(record, u"ellipsis", 0) != 0;
    m_font = properties.get_font(record, u"font", nullptr);
    m_color = properties.get_color(record, u"color", Color{0, 0, 0, 255});
    m_halign = parse_halign(properties.get_string(record, u"halign", u""));
    m_valign = parse_valign(properties.get_string(record, u"valign", u""));
    // A length, so it scales with the skin as geometry does.
    const int fit = properties.get_integer(record, u"fit_height", -1);
    m_fit_height = fit < 0 ? -1 : fit << std::clamp(properties.scale_shift(), 0, 4);
    m_runs.clear();
    const platform::WString text = properties.translate(properties.get_string(record, u"text", u""));
    if (!text.empty()) {
        append_run(text, m_font, nullptr, m_color, false);
    }
    drop_flow();
}

void RichTextNode::append_run(platform::WStringView text, std::shared_ptr<const FontRep> font,
                              std::shared_ptr<const FontRep> second_font, Color color, bool flag) {
    RichTextRun run{platform::WString(text), std::move(font), std::move(second_font), color, flag};
    if (!m_wrap) {
        std::replace(run.text.begin(), run.text.end(), u'\n', u' ');
    }
    m_runs.push_back(std::move(run));
    drop_flow();
}

void RichTextNode::set_text(platform::WStringView text) {
    m_runs.clear();
    append_run(text, m_font, nullptr, m_color, false);
}

void RichTextNode::set_default_font(std::shared_ptr<const FontRep> font) {
    if (font != m_font) {
        m_font = std::move(font);
        drop_flow();
    }
}

void RichTextNode::set_wrap(bool wrap) {
    if (wrap != m_wrap) {
        m_wrap = wrap;
        drop_flow();
    }
}

void RichTextNode::set_room(int width) {
    if (width != m_room) {
        m_room = width;
        mark_dirty();
    }
}

RichTextNode::Fitted RichTextNode::fit(const Line& line, int room) const {
    Fitted out;
    out.width = line.width;
    if (!m_ellipsis || line.width <= room || line.pieces.empty()) {
        out.pieces = line.pieces;
        return out;
    }
    constexpr char16_t kMark = u'\u2026';
    std::vector<int> extents;
    // The cut goes as far along the line as a letter and the mark after it still fit; the
    // mark takes the font and colour of the piece it ends.
    for (const Piece& piece : line.pieces) {
        const RichTextRun& run = m_runs[piece.run];
        const FontRep* font = run_font(run);
        const platform::WStringView text =
            platform::WStringView(run.text).substr(piece.first, piece.end - piece.first);
        const int mark = measure_text(font, platform::WStringView(&kMark, 1)).w;
        measure_text(font, text, &extents);
        const size_t keep = fitting_prefix(text, extents, room - piece.x - mark);
        if (keep == 0) {
            break;
        }
        Piece kept = piece;
        kept.end = piece.first + keep;
        kept.width = extents[keep - 1];
        out.pieces.push_back(kept);
        if (keep < text.size()) {
            break;
        }
    }
    // Blanks before the mark would only push it away from the word.
    while (!out.pieces.empty()) {
        Piece& last = out.pieces.back();
        const platform::WString& text = m_runs[last.run].text;
        while (last.end > last.first && text[last.end - 1] <= u' ') {
            --last.end;
        }
        if (last.end > last.first) {
            last.width =
                measure_text(run_font(m_runs[last.run]),
                             platform::WStringView(text).substr(last.first, last.end - last.first))
                    .w;
            break;
        }
        out.pieces.pop_back();
    }
    out.marked = true;
    out.mark_run = out.pieces.empty() ? line.pieces.front().run : out.pieces.back().run;
    out.mark_x = out.pieces.empty() ? 0 : out.pieces.back().x + out.pieces.back().width;
    out.width = out.mark_x +
                measure_text(run_font(m_runs[out.mark_run]), platform::WStringView(&kMark, 1)).w;
    return out;
}

platform::WString RichTextNode::shown_text() const {
    platform::WString text;
    const int width = room();
    for (const Line& line : flow(m_wrap ? size().w : -1)) {
        if (!text.empty()) {
            text += u'\n';
        }
        const Fitted fitted = fit(line, width);
        for (const Piece& piece : fitted.pieces) {
            text += platform::WStringView(m_runs[piece.run].text)
                        .substr(piece.first, piece.end - piece.first);
        }
        if (fitted.marked) {
            text += u'\u2026';
        }
    }
    // Blanks a line ends with take no room and are not seen.
    while (!text.empty() && text.back() <= u' ') {
        text.pop_back();
    }
    return text;
}

void RichTextNode::drop_flow() {
    m_lines.clear();
    m_lines_valid = false;
    invalidate_layout();
    mark_dirty();
}

const FontRep* RichTextNode::run_font(const RichTextRun& run) const {
    return run.font ? run.font.get() : m_font.get();
}

std::vector<RichTextNode::Line> RichTextNode::flow(int width) const {
    std::vector<Line> lines(1);
    int x = 0;
    // The word being gathered: it may continue from one run into the next.
    std::vector<Piece> word;
    int word_width = 0;    // with its trailing break character
    int word_content = 0;  // without it
    bool hard_break = false;

    auto place_word = [&] {
        if (word.empty()) {
            return;
        }
        Line* line = &lines.back();
        if (width >= 0 && x > 0 && x + word_content > width) {
            lines.emplace_back();
            line = &lines.back();
            x = 0;
        }
        for (Piece& piece : word) {
            piece.x += x;
            const FontRep* font = run_font(m_runs[piece.run]);
            line->height = std::max(line->height, font->height());
            line->ascent = std::max(line->ascent, font->height() - font->descent());
            line->pieces.push_back(piece);
        }
        line->width = x + word_content;
        x += word_width;
        word.clear();
        word_width = 0;
        word_content = 0;
        if (hard_break) {
            lines.emplace_back();
            x = 0;
            hard_break = false;
        }
    };

    std::vector<int> extents;
    for (size_t r = 0; r < m_runs.size(); ++r) {
        const platform::WString& text = m_runs[r].text;
        const FontRep* font = run_font(m_runs[r]);
        if (font == nullptr || text.empty()) {
            continue;
        }
        measure_text(font, text, &extents);
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = pos;
            while (end < text.size() && !is_break(text[end++])) {
            }
            const int before = pos > 0 ? extents[pos - 1] : 0;
            const int span = extents[end - 1] - before;
            const bool ended = is_break(text[end - 1]);
            word.push_back({r, pos, end, word_width, span});
            // The break character itself takes no visible room at a line's end.
            word_content = word_width + (ended ? (end - 1 > pos ? extents[end - 2] - before : 0)
                                               : span);
            word_width += span;
            pos = end;
            if (ended) {
                hard_break = text[end - 1] == u'\n';
                place_word();
            }
        }
    }
    place_word();
    if (lines.back().pieces.empty() && lines.size() > 1) {
        lines.pop_back();  // a final line feed opens no line of its own
    }
    return lines;
}

const std::vector<RichTextNode::Line>& RichTextNode::lines() {
    if (!m_lines_valid || (m_wrap && m_laid_out_width != size().w)) {
        m_laid_out_width = size().w;
        m_lines = flow(m_wrap ? size().w : -1);
        m_lines_valid = true;
    }
    return m_lines;
}

void RichTextNode::measure_width(MeasuredSize& size) {
    ClipNode::measure_width(size);
    if (m_grow) {
        int widest = 0;
        for (const Line& line : flow(-1)) {
            widest = std::max(widest, line.width);
        }
        size.preferred = std::max(size.preferred, widest);
    }
}

void RichTextNode::measure_height(MeasuredSize& size) {
    ClipNode::measure_height(size);
    if (m_grow) {
        int total = 0;
        for (const Line& line : lines()) {
            total += line.height;
        }
        if (m_fit_height >= 0) {
            total = std::min(total, m_fit_height);
        }
        size.preferred = std::max(size.preferred, total);
    }
}

void RichTextNode::draw(RenderSurface& target, Point origin) {
    const Size box = size();
    RenderSurface view = target.clipped(Rect{origin.x, origin.y, box.w, box.h});
    if (view.empty() || view.clip().empty()) {
        return;
    }
    const std::vector<Line>& flowed = lines();
    int total = 0;
    int shown = 0;
    for (const Line& line : flowed) {
        if (m_fit_height >= 0 && total + line.height > box.h) {
            break;  // only whole lines
        }
        total += line.height;
        ++shown;
    }
    int y = origin.y;
    if (m_valign == kAlignVCenter) {
        y += std::max((box.h - total) / 2, 0);
    } else if (m_valign == kAlignBottom) {
        y += box.h - total;
    }
    const int width = room();
    for (int i = 0; i < shown && y < origin.y + box.h; ++i) {
        const Fitted line = fit(flowed[static_cast<size_t>(i)], width);
        int x = origin.x;
        if (m_halign == kAlignCenter) {
            x += (box.w - line.width) / 2;
        } else if (m_halign == kAlignRight) {
            x += box.w - line.width;
        }
        const int ascent = flowed[static_cast<size_t>(i)].ascent;
        const auto draw_piece = [&](const RichTextRun& run, platform::WStringView text, int at,
                                    int advance) {
            const FontRep* font = run_font(run);
            const int top = y + ascent - (font->height() - font->descent());
            // The box reaches past the advance so slanted glyphs keep their overhang.
            draw_text(font, view, run.color, text, {x + at, top},
                      {advance + font->height(), font->height()}, kAlignLeft, kAlignTop, false);
        };
        for (const Piece& piece : line.pieces) {
            const RichTextRun& run = m_runs[piece.run];
            draw_piece(run,
                       platform::WStringView(run.text).substr(piece.first, piece.end - piece.first),
                       piece.x, piece.width);
        }
        if (line.marked) {
            draw_piece(m_runs[line.mark_run], u"\u2026", line.mark_x, line.width - line.mark_x);
        }
        y += flowed[static_cast<size_t>(i)].height;
    }
    Node::draw(view, origin);
}

}  // namespace zentra

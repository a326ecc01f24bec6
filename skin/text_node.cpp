#include "skin/text_node.h"

#include <algorithm>

#include "skin/render_surface.h"

namespace zentra {

namespace {

bool is_break(char16_t c) {
    return c < u'\u0021' || c == u'\u200B';
}

// Blanks and zero-width spaces at a line's end take no visible room.
size_t trim_end(platform::WStringView text, size_t first, size_t end) {
    while (end > first && is_break(text[end - 1])) {
        --end;
    }
    return end;
}

int span_width(const std::vector<int>& extents, size_t first, size_t end) {
    if (end <= first) {
        return 0;
    }
    return extents[end - 1] - (first > 0 ? extents[first - 1] : 0);
}

}  // namespace

std::vector<TextRange> wrap_lines(platform::WStringView text, const std::vector<int>& extents,
                                  int width) {
    std::vector<TextRange> lines;
    const size_t n = text.size();
    size_t line_start = 0;
    size_t pos = 0;
    while (pos < n) {
        // The next word runs up to and including its break character.
        size_t word_end = pos;
        while (word_end < n && !is_break(text[word_end++])) {
        }
        const bool fits =
            span_width(extents, line_start, trim_end(text, line_start, word_end)) <= width;
        if (!fits && pos > line_start) {
            lines.push_back({line_start, trim_end(text, line_start, pos)});
            line_start = pos;
            continue;  // the same word starts the next line
        }
        pos = word_end;
        if (text[word_end - 1] == u'\n') {
            lines.push_back({line_start, trim_end(text, line_start, word_end)});
            line_start = pos;
        }
    }
    if (line_start < n || lines.empty()) {
        lines.push_back({line_start, trim_end(text, line_start, n)});
    }
    return lines;
}

int parse_halign(platform::WStringView text) {
    if (text == u"LEFT") return kAlignLeft;
    if (text == u"RIGHT") return kAlignRight;
    if (text == u"JUSTIFY") return kAlignJustify;
    return kAlignCenter;
}

int parse_valign(platform::WStringView text) {
    if (text == u"TOP") return kAlignTop;
    if (text == u"BOTTOM") return kAlignBottom;
    return kAlignVCenter;
}

TextNode::TextNode() = default;
TextNode::~TextNode() = default;

void TextNode::set_text(platform::WStringView name, platform::WStringView text) {
    if (name == this->name()) {
        set_text(text);
    }
    Node::set_text(name, text);
}

void TextNode::load(const Properties& properties, SkinRecord record) {
    Node::load(properties, record);
    m_text = properties.translate(properties.get_string(record, u"text", u""));
    m_font = properties.get_font(record, u"font", nullptr);
    m_color = properties.get_color(record, u"color", Color{0, 0, 0, 255});
    m_halign = parse_halign(properties.get_string(record, u"halign", u""));
    m_valign = parse_valign(properties.get_string(record, u"valign", u""));
    m_grow = properties.get_integer(record, u"grow", 0) != 0;
    m_grow_min = properties.get_integer(record, u"grow_min", 0) != 0;
    m_wrap = properties.get_integer(record, u"wrap", 0) != 0;
    m_ellipsis = properties.get_integer(record, u"ellipsis", 0) != 0;
    m_highlights.clear();
    drop_lines();
}

void TextNode::set_text(platform::WStringView text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    drop_lines();
    invalidate_layout();
    mark_dirty();
}

void TextNode::set_color(Color color) {
    if (color == m_color) {
        return;
    }
    m_color = color;
    mark_dirty();
}

void TextNode::set_font(std::shared_ptr<const FontRep> font) {
    if (font == m_font) {
        return;
    }
    m_font = std::move(font);
    drop_lines();
    invalidate_layout();
    mark_dirty();
}

void TextNode::set_highlight(platform::WStringView pattern) {
    std::vector<TextRange> highlights;
    if (!pattern.empty()) {
        const platform::WStringView text = m_text;
        for (size_t at = text.find(pattern); at != text.npos;
             at = text.find(pattern, at + pattern.size())) {
            highlights.push_back({at, at + pattern.size()});
        }
    }
    // Rows are highlighted again on every keystroke of a search; most keep what they had.
    if (highlights == m_highlights) {
        return;
    }
    m_highlights = std::move(highlights);
    drop_lines();
    invalidate_layout();
    mark_dirty();
}

void TextNode::drop_lines() {
    m_lines.clear();
    m_text_size = {-1, -1};
}

Size TextNode::text_size() {
    if (m_text_size.w < 0) {
        m_text_size = measure_text(m_font.get(), m_text);
    }
    return m_text_size;
}

const std::vector<TextRange>& TextNode::lines() {
    if (m_wrap && m_laid_out_width != size().w) {
        drop_lines();
        m_laid_out_width = size().w;
    }
    if (m_lines.empty() || m_text_size.w < 0) {
        layout_lines();
    }
    return m_lines;
}

void TextNode::layout_lines() {
    std::vector<int> extents;
    m_text_size = measure_text(m_font.get(), m_text, m_wrap ? &extents : nullptr);
    m_lines.clear();
    if (!m_wrap) {
        m_lines.push_back({0, m_text.size()});
        return;
    }
    m_lines = wrap_lines(m_text, extents, size().w);
}

void TextNode::measure_width(MeasuredSize& size) {
    Node::measure_width(size);
    if (m_grow) {
        const int width = text_size().w;
        size.preferred = std::max(size.preferred, width);
        if (m_grow_min) {
            size.minimum = std::max(size.minimum, width);
        }
    }
}

void TextNode::measure_height(MeasuredSize& size) {
    Node::measure_height(size);
    if (m_grow) {
        // lines() relays out when wrapping at a width the lines were not made for.
        const int height = static_cast<int>(lines().size()) * text_size().h;
        size.preferred = std::max(size.preferred, height);
        if (m_grow_min) {
            size.minimum = std::max(size.minimum, height);
        }
    }
}

void TextNode::draw(RenderSurface& target, Point origin) {
    const Size box = size();
    RenderSurface view = target.clipped(Rect{origin.x, origin.y, box.w, box.h});
    if (m_font && !view.empty() && !view.clip().empty() && !m_text.empty()) {
        const std::vector<TextRange>& text_lines = lines();
        const int line_height = text_size().h;
        const int total = static_cast<int>(text_lines.size()) * line_height;
        int y = origin.y;
        if (m_valign == kAlignVCenter) {
            y += std::max((box.h - total) / 2, 0);
        } else if (m_valign == kAlignBottom) {
            y += box.h - total;
        }
        const int bottom = origin.y + box.h;
        const platform::WStringView text = m_text;
        const FontRep* font = m_font.get();
        for (const TextRange& line : text_lines) {
            if (y >= bottom || line_height <= 0) {
                break;
            }
            if (m_wrap && m_ellipsis && y + line_height > bottom) {
                draw_text(font, view, m_color, u"\u2026", origin, box, m_halign, kAlignBottom,
                          false);
                break;
            }
            const platform::WStringView chars = text.substr(line.first, line.end - line.first);
            draw_text(font, view, m_color, chars, {origin.x, y}, {box.w, line_height}, m_halign,
                      kAlignTop, m_ellipsis);
            const auto highlight =
                std::find_if(m_highlights.begin(), m_highlights.end(), [&](const TextRange& h) {
                    return h.first >= line.first && h.first <= line.end;
                });
            if (highlight != m_highlights.end() && highlight->first < line.end) {
                // Drawn again over the line where the plain copy put those characters.
                const int line_width = measure_text(font, chars).w;
                int x = origin.x;
                if (m_halign == kAlignCenter) {
                    x += (box.w - line_width) / 2;
                } else if (m_halign == kAlignRight) {
                    x += box.w - line_width;
                }
                x += measure_text(font, text.substr(line.first, highlight->first - line.first)).w;
                const size_t end = std::min(highlight->end, line.end);
                const platform::WStringView part =
                    text.substr(highlight->first, end - highlight->first);
                draw_text(font, view, kHighlightColor, part, {x, y},
                          {origin.x + box.w - x, line_height}, kAlignLeft, kAlignTop, false);
            }
            y += line_height;
        }
    }
    Node::draw(target, origin);
}

}  // namespace zentra

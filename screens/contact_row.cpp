#include "screens/contact_row.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "skin/properties.h"
#include "skin/richtext_node.h"
#include "skin/text_node.h"
#include "skin/vlist.h"

namespace velvane {

namespace {

// Skin units between the end of a line cut short and the cover over the row.
constexpr int kCoverGap = 4;

void add(std::vector<RowSegment>& line, WStringView text, RowStyle style) {
    if (!text.empty()) {
        line.push_back({WString(text), style});
    }
}

// A name whose first matched characters stand out.
void add_name(std::vector<RowSegment>& line, const WString& name, int matched) {
    const size_t cut = std::min(name.size(), static_cast<size_t>(std::max(matched, 0)));
    add(line, WStringView(name).substr(0, cut), RowStyle::Filtered);
    add(line, WStringView(name).substr(cut), RowStyle::Own);
}

// "first second", either alone, or nothing. An unmatched second name is set off from the
// first when set_off is on.
void add_names(std::vector<RowSegment>& line, const WString& first, int first_matched,
               const WString& second, int second_matched, bool set_off) {
    if (first.empty()) {
        add_name(line, second, second_matched);
        return;
    }
    add_name(line, first, first_matched);
    if (second.empty()) {
        return;
    }
    if (second_matched > 0 || !set_off) {
        add(line, u" ", RowStyle::Own);
        add_name(line, second, second_matched);
    } else {
        add(line, u" " + second, RowStyle::Second);
    }
}

// The left edge of the cover within the rows [top, bottom) of the screen, or INT_MAX where it
// does not reach them. The cover is round at its ends (the keypad button is a disc), so a
// line that only grazes it keeps the room beside its curve.
int cover_left(const zentra::Node& cover, int top, int bottom) {
    const zentra::Point at = cover.position();
    const zentra::Size size = cover.size();
    if (bottom <= at.y || top >= at.y + size.h || size.w <= 0) {
        return INT_MAX;
    }
    const int radius = std::min(size.w, size.h) / 2;
    // The straight part of the left side runs between the two curves.
    const int straight_top = at.y + radius;
    const int straight_bottom = at.y + size.h - radius;
    int dy = 0;
    if (bottom <= straight_top) {
        dy = straight_top - bottom + 1;
    } else if (top >= straight_bottom) {
        dy = top - straight_bottom;
    }
    if (dy >= radius) {
        return INT_MAX;
    }
    const double inset = radius - std::sqrt(static_cast<double>(radius * radius - dy * dy));
    return at.x + static_cast<int>(inset);
}

}  // namespace

RowTexts row_texts(const Contact& contact, int sort_order, const MatchLengths& matched) {
    RowTexts row;
    const WString& first = contact.first_name;
    const WString& last = contact.last_name;
    const WString& company = contact.company;
    if (sort_order == SortByCompany) {
        if (!company.empty()) {
            add_name(row.big, company, matched.company);
            add_names(row.small, first, matched.first_name, last, matched.last_name, false);
        } else {
            add_names(row.big, first, matched.first_name, last, matched.last_name, true);
        }
        return row;
    }
    if (first.empty() && last.empty()) {
        // The company is the name: said once.
        add_name(row.big, company, matched.company);
        return row;
    }
    if (sort_order == SortByFirstname) {
        add_names(row.big, first, matched.first_name, last, matched.last_name, true);
    } else {
        add_names(row.big, last, matched.last_name, first, matched.first_name, true);
    }
    add_name(row.small, company, matched.company);
    return row;
}

WString joined(const std::vector<RowSegment>& line) {
    WString text;
    for (const RowSegment& segment : line) {
        text += segment.text;
    }
    return text;
}

TextStyle read_text_style(const zentra::Properties& properties, WStringView section) {
    TextStyle style;
    if (const auto record = properties.find_definition(section)) {
        style.font = properties.get_font(*record, u"font", nullptr);
        style.color = properties.get_color(*record, u"color", style.color);
    }
    return style;
}

ContactsListElement::ContactsListElement(const zentra::Properties& properties,
                                         const RowStyles& styles)
    : m_properties(properties), m_styles(styles) {
    if (!zentra::load_from_skin(*this, properties, u"ContactsListElement")) {
        throw zentra::NodeNotFoundInSkin{u"ContactsListElement"};
    }
    m_big = &find(u"big");
    m_small = &find(u"small");
}

void ContactsListElement::bind(zentra::VList&, int, int index) {
    m_index = index;
    Document* document = Document::get_instance();
    if (document == nullptr || index < 0 ||
        static_cast<size_t>(index) >= document->filtered_list().size()) {
        show(*m_big, {});
        show(*m_small, {});
        return;
    }
    const ContactEntry& entry = *document->filtered_list()[index];
    MatchLengths matched;
    document->matches(entry, &matched);
    const RowTexts texts = row_texts(entry.contact, document->sorting(), matched);
    show(*m_big, texts.big);
    show(*m_small, texts.small);
}

void ContactsListElement::draw(zentra::RenderSurface& target, zentra::Point origin) {
    fit_under_cover(*m_big, origin);
    fit_under_cover(*m_small, origin);
    VListElement::draw(target, origin);
}

void ContactsListElement::fit_under_cover(zentra::Node& line, zentra::Point origin) {
    auto* rich = dynamic_cast<zentra::RichTextNode*>(&line);
    if (rich == nullptr) {
        return;
    }
    int room = -1;
    const zentra::Node* cover = m_styles.cover;
    if (cover != nullptr && cover->is_visible()) {
        // Where the line is drawn now: rows move as the list scrolls, the cover stays.
        const int x = origin.x + line.position().x - position().x;
        const int y = origin.y + line.position().y - position().y;
        const int left = cover_left(*cover, y, y + line.size().h);
        const int gap = kCoverGap << std::clamp(m_properties.scale_shift(), 0, 4);
        if (left != INT_MAX && x + line.size().w > left - gap) {
            room = std::max(left - gap - x, 0);
        }
    }
    rich->set_room(room);
}

void ContactsListElement::show(zentra::Node& node, const std::vector<RowSegment>& line) {
    auto* rich = dynamic_cast<zentra::RichTextNode*>(&node);
    if (rich == nullptr) {
        // A plain text node can only mark the matched start of the line.
        const WString text = joined(line);
        node.set_text(node.name(), text);
        if (auto* plain = dynamic_cast<zentra::TextNode*>(&node)) {
            const bool marked = !line.empty() && line.front().style == RowStyle::Filtered;
            plain->set_highlight(marked ? WStringView(line.front().text) : WStringView());
        }
        return;
    }
    rich->set_text(u"");
    for (const RowSegment& segment : line) {
        switch (segment.style) {
            case RowStyle::Own:
                rich->append_run(segment.text, rich->default_font(), nullptr, rich->default_color(),
                                 false);
                break;
            case RowStyle::Filtered:
            case RowStyle::Second: {
                const TextStyle& style =
                    segment.style == RowStyle::Filtered ? m_styles.filtered : m_styles.second;
                rich->append_run(segment.text, style.font ? style.font : rich->default_font(),
                                 nullptr, style.color, segment.style == RowStyle::Filtered);
                break;
            }
        }
    }
    rich->invalidate_layout();
    rich->mark_dirty();
}

}  // namespace velvane

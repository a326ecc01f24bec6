#pragma once
// One row of the contact list: the contact's names on two lines, ordered by the sort order,
// with the part that the typed filter matched drawn in its own style and the second name
// set off from the first.

#include <memory>
#include <vector>

#include "contacts/document.h"
#include "platform/ustring.h"
#include "skin/color.h"
#include "skin/font.h"
#include "skin/vlist_adapter.h"

namespace zentra {
class Properties;
}

namespace velvane {

// How one piece of a row's line is drawn.
enum class RowStyle {
    Own,       // the text node's own font and colour
    Filtered,  // the part the filter matched
    Second,    // the second name on the first line, when the filter did not touch it
};

struct RowSegment {
    WString text;
    RowStyle style = RowStyle::Own;
    friend bool operator==(const RowSegment&, const RowSegment&) = default;
};

struct RowTexts {
    std::vector<RowSegment> big;
    std::vector<RowSegment> small;
};

// The two lines of a contact under a sort order, with the match lengths the Document gives.
RowTexts row_texts(const Contact& contact, int sort_order, const MatchLengths& matched);
// The plain text of a line.
WString joined(const std::vector<RowSegment>& line);

// A text style read from a skin section: its `font` and `color`.
struct TextStyle {
    std::shared_ptr<const zentra::FontRep> font;
    zentra::Color color{0, 0, 0, 255};
};
// The style of the named section; the defaults (the node's font, opaque black) when the skin
// lacks it.
TextStyle read_text_style(const zentra::Properties& properties, WStringView section);

struct RowStyles {
    TextStyle second;
    TextStyle filtered;
    // Drawn over the list's far end (the round keypad button); a line passing under it ends
    // before it. May be null.
    const zentra::Node* cover = nullptr;
};

// The list element: loaded from `ContactsListElement`, with the text nodes `big` and `small`.
class ContactsListElement : public zentra::VListElement {
public:
    // styles must outlive the row.
    ContactsListElement(const zentra::Properties& properties, const RowStyles& styles);

    void bind(zentra::VList& list, int flags, int index) override;
    void draw(zentra::RenderSurface& target, zentra::Point origin) override;

    int index() const { return m_index; }
    zentra::Node* big() const { return m_big; }
    zentra::Node* small() const { return m_small; }

private:
    void show(zentra::Node& node, const std::vector<RowSegment>& line);
    // Gives a line the room it has where the row is drawn now.
    void fit_under_cover(zentra::Node& line, zentra::Point origin);

    const zentra::Properties& m_properties;
    const RowStyles& m_styles;
    zentra::Node* m_big = nullptr;
    zentra::Node* m_small = nullptr;
    int m_index = -1;
};

}  // namespace velvane

#include "skin/menu_element.h"

#include "skin/menu.h"
#include "skin/text_node.h"

namespace zentra {

platform::WString MenuElement::row_definition(const Menu& menu, const MenuItem& item) {
    platform::WString name = item.row_style.empty() ? menu.default_row_style() : item.row_style;
    if (!item.enabled) {
        name += u"Disabled";
    }
    return name;
}

void MenuElement::bind(VList& /*list*/, int /*flags*/, int index) {
    m_index = index;
    const MenuItem& item = m_menu.items().at(static_cast<size_t>(index));
    const platform::WString definition = row_definition(m_menu, item);
    if (!load_from_skin(*this, m_menu.properties(), definition)) {
        throw NodeNotFoundInSkin{definition};
    }
    if (item.key != kMagic4ButtonsKey) {
        find<TextNode>(u"#text").set_text(
            item.label.empty() ? m_menu.properties().translate(item.key) : item.label);
    }
    if (Node* separator = find_descendant(u"separator")) {
        separator->set_visible_at_once(item.separator);
    }
    if (Node* checked = find_descendant(u"checked")) {
        checked->set_visible_at_once(item.checked);
    }
}

}  // namespace zentra

#include "skin/menu.h"

#include "core/keys.h"
#include "core/log.h"
#include "skin/form_host.h"
#include "skin/magic4_buttons.h"
#include "skin/menu_element.h"
#include "skin/skin_error.h"
#include "skin/text_node.h"
#include "skin/vlist.h"

namespace zentra {

Menu::Menu(const Properties& properties, platform::WStringView definition,
           MenuListener& listener, platform::WString default_row_style)
    : m_properties(properties),
      m_listener(listener),
      m_definition(definition),
      m_default_row_style(std::move(default_row_style)) {
    load_definition(properties, definition);
    // Without its row style every menu would open empty and close at once, the skin menu
    // too, so the skin could not even be changed back: such a skin cannot make menus.
    if (!properties.find_definition(m_default_row_style)) {
        throw NodeNotFoundInSkin{m_default_row_style};
    }
    m_panel = &find(u"panel");
    m_caption = dynamic_cast<TextNode*>(find_descendant(u"caption"));
    m_list = &find<VList>(u"vlist");
    m_cancel = dynamic_cast<ButtonNode*>(find_descendant(u"cancel"));
    m_list->set_adapter(this);
    if (m_cancel != nullptr) {
        m_cancel->set_listener(this);
    }
}

Menu::~Menu() {
    // The rows go with the children; the list must not ask an adapter that is half gone.
    m_list->set_adapter(nullptr);
}

void Menu::open_by_name(platform::WStringView name, platform::WStringView caption, bool first) {
    const platform::WString text =
        caption.empty() ? m_properties.translate(name) : platform::WString(caption);
    std::vector<MenuItem> items = buildable(m_listener.menu_items(*this, name));
    if (m_caption != nullptr) {
        m_caption->set_text(text);
    }
    if (!first && items == m_items) {
        m_list->all_items_changed();
        return;
    }
    m_items = std::move(items);
    m_list->reset(static_cast<int>(m_items.size()));
    FormHost* host = FormHost::instance();
    if (host == nullptr) {
        return;
    }
    if (m_items.empty()) {
        host->remove_modal_form(*this, true);
    } else if (first) {
        host->add_modal_form(*this, true, true);
    }
}

std::vector<MenuItem> Menu::buildable(std::vector<MenuItem> items) {
    // Each row is built once here, so a row the skin lacks a part of is left out now rather
    // than ending a frame when the list draws it. The rows read the menu's items.
    std::swap(m_items, items);
    for (size_t i = 0; i < m_items.size();) {
        const int index = static_cast<int>(i);
        try {
            if (std::unique_ptr<VListElement> row = create_element(*m_list, index)) {
                row->bind(*m_list, VListElement::kBindNew, index);
            }
            ++i;
        } catch (...) {
            const platform::WString why = current_skin_error();
            velvane::log() << "Menu " << m_definition << ": item " << m_items[i].key
                           << " left out, " << why << "\n";
            m_items.erase(m_items.begin() + index);
        }
    }
    std::swap(m_items, items);
    return items;
}

void Menu::request_open(platform::WStringView name) {
    m_pending = platform::WString(name);
}

void Menu::run_pending() {
    if (m_pending) {
        const platform::WString name = std::move(*m_pending);
        m_pending.reset();
        open_by_name(name, {}, false);
    }
}

void Menu::cancel() {
    m_pending.reset();
    m_listener.menu_items(*this, {});
    if (FormHost* host = FormHost::instance()) {
        host->remove_modal_form(*this, true);
    }
}

bool Menu::on_pointer(const PointerEvent& event) {
    const bool taken = Form::on_pointer(event);
    run_pending();
    return taken;
}

bool Menu::on_key(const KeyEvent& event) {
    if (event.key == velvane::key::Backspace && event.down) {
        cancel();
        return true;
    }
    const bool taken = Form::on_key(event);
    run_pending();
    return taken;
}

void Menu::on_item_click(VList& /*list*/, int index) {
    if (index < 0 || index >= static_cast<int>(m_items.size())) {
        return;
    }
    const MenuItem& item = m_items[index];
    // The window-button row acts through its buttons only; the row itself names no command.
    if (!item.enabled || item.key == kMagic4ButtonsKey) {
        return;
    }
    // Copies: the listener's items replace the vector the references point into.
    const platform::WString key = item.key;
    const platform::WString label =
        item.label.empty() ? m_properties.translate(item.key) : item.label;
    open_by_name(key, label, false);
}

std::unique_ptr<VListElement> Menu::create_element(VList& /*list*/, int index) {
    if (index < 0 || index >= static_cast<int>(m_items.size())) {
        return nullptr;
    }
    if (m_items[index].key == kMagic4ButtonsKey) {
        return std::make_unique<Magic4Buttons>(*this);
    }
    return std::make_unique<MenuElement>(*this);
}

bool Menu::on_click(ButtonNode& /*button*/, const ButtonEvent& event) {
    if (!event.cancelled) {
        cancel();
    }
    return true;
}

}  // namespace zentra

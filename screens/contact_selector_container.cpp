#include "screens/contact_selector_container.h"

#include "core/log.h"
#include "platform/clock.h"
#include "skin/node.h"
#include "skin/properties.h"
#include "skin/vlist.h"

namespace velvane {

namespace {

void show_text(zentra::Node& node, WStringView text) {
    // A text node takes it itself; a composed one (a bubble with a label) hands it to the
    // text nodes inside that carry its name.
    node.set_text(node.name(), text);
}

}  // namespace

ContactSelectorContainer::ContactSelectorContainer(ContactListListener& listener)
    : m_listener(listener) {
    m_ruler.set_listener(this);
}

ContactSelectorContainer::~ContactSelectorContainer() {
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
    }
}

void ContactSelectorContainer::bind(zentra::Node& parent, const zentra::Properties& properties) {
    m_properties = &properties;
    m_styles.second = read_text_style(properties, u"ContactsListElementSecondText");
    m_styles.filtered = read_text_style(properties, u"ContactsListElementFilteredText");

    m_root = &parent.find(u"ContactSelectorContainer");
    m_list = &m_root->find<zentra::VList>(u"ContactsList");
    m_top = &m_root->find(u"top");
    m_category = &m_top->find<zentra::ButtonNode>(u"btnCategory");
    m_title = &m_top->find(u"title");
    m_add = &m_top->find<zentra::ButtonNode>(u"btnAddContact");
    m_ruler_node = &parent.find(u"ContactsListRuler");
    m_hint = &m_ruler_node->find(u"hint");
    // The keypad button floats over the list's corner; rows under it end before it.
    m_styles.cover = parent.find_descendant(u"open_keyboard");
    // Skins made before the list said so have no such text; their list stays blank.
    m_no_matches = m_list->find_descendant(u"no_matches");

    // Rows are made while the list draws, where a skin error would have no one to catch it;
    // one made here raises it to whoever binds the screen.
    ContactsListElement probe(properties, m_styles);

    m_category->set_listener(this);
    m_add->set_listener(this);
    set_title(Document::kNoCategory);
    m_ruler.bind(*m_ruler_node, kRulerLetter, properties);
    m_hint->set_visible_at_once(false);
    m_list->set_adapter(this);
    rebuild_letters();
    reset_rows();
}

void ContactSelectorContainer::set_title(WStringView key) {
    if (m_title != nullptr && m_properties != nullptr) {
        // Without a category filter the list shows everyone, and says so.
        show_text(*m_title,
                  m_properties->translate(key == Document::kNoCategory ? kAllContacts : key));
    }
}

std::vector<WString> ContactSelectorContainer::ruler_letters(const Document& document) {
    std::vector<WString> letters;
    for (const ContactEntry* entry : document.full_list()) {
        WString letter = document.index_letter(*entry);
        if (letters.empty() || letters.back() != letter) {
            letters.push_back(std::move(letter));
        }
    }
    return letters;
}

void ContactSelectorContainer::rebuild_letters() {
    if (m_root == nullptr) {
        return;
    }
    const Document* document = Document::get_instance();
    m_ruler.set_letters(document != nullptr ? ruler_letters(*document) : std::vector<WString>{});
}

bool ContactSelectorContainer::joins_a_run(int32_t position) const {
    const Document* document = Document::get_instance();
    if (document == nullptr || position < 0) {
        return false;
    }
    const auto& full = document->full_list();
    const auto at = static_cast<size_t>(position);
    if (at >= full.size()) {
        return false;
    }
    // Next to an entry of its own letter, a new entry only lengthens that letter's run.
    const WString letter = document->index_letter(*full[at]);
    return (at > 0 && document->index_letter(*full[at - 1]) == letter) ||
           (at + 1 < full.size() && document->index_letter(*full[at + 1]) == letter);
}

void ContactSelectorContainer::reset_rows() {
    if (m_list == nullptr) {
        return;
    }
    const Document* document = Document::get_instance();
    m_list->reset(document != nullptr ? static_cast<int>(document->filtered_list().size()) : 0);
    show_no_matches();
}

void ContactSelectorContainer::show_no_matches() {
    if (m_no_matches == nullptr) {
        return;
    }
    const Document* document = Document::get_instance();
    // An empty book before anything is typed is no failed search.
    const bool none = document != nullptr && document->filtered_list().empty() &&
                      (!document->filter_words().empty() || !document->full_list().empty());
    if (m_no_matches->visible() != none) {
        m_no_matches->set_visible_at_once(none);
    }
}

bool ContactSelectorContainer::scroll_to_letter(const WString& letter) {
    const Document* document = Document::get_instance();
    if (document == nullptr || m_list == nullptr) {
        return false;
    }
    const auto& filtered = document->filtered_list();
    for (size_t i = 0; i < filtered.size(); ++i) {
        if (document->index_letter(*filtered[i]) == letter) {
            m_list->scroll_to(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

void ContactSelectorContainer::on_document_refresh(const RefreshHint& hint) {
    if (m_list == nullptr) {
        return;
    }
    if (hint.filtered_inserted) {
        m_list->item_inserted(hint.filtered_position);
        m_list->scroll_to(hint.filtered_position);
        show_no_matches();
    } else if (hint.filtered_removed) {
        m_list->item_removed(hint.filtered_position);
        show_no_matches();
    } else if (hint.filtered_changed) {
        m_list->item_changed(hint.filtered_position);
    } else if (hint.filtered_reset) {
        m_list->reset(hint.filtered_position);
        show_no_matches();
    } else if (hint.list_inserted && joins_a_run(hint.list_position)) {
        // The letters stay as they are. A big import brings one insertion per contact, and
        // a rebuild for each would walk the whole book every time.
    } else if (hint.list_removed || hint.list_inserted || hint.list_changed) {
        rebuild_letters();
        // The last contact gone from the book leaves no search that failed.
        show_no_matches();
    } else if (hint.is_load_done || hint.is_sorting) {
        const uint32_t start = platform::tick_count();
        log() << "ContactSelectorContainer::on_document_refresh is_load_done is_sorting\n";
        rebuild_letters();
        reset_rows();
        log() << "refresh " << static_cast<int>(platform::tick_count() - start) << "\n";
    }
}

void ContactSelectorContainer::on_item_click(zentra::VList&, int index) {
    Document* document = Document::get_instance();
    if (document == nullptr || index < 0 ||
        static_cast<size_t>(index) >= document->filtered_list().size()) {
        return;
    }
    m_listener.on_contact_selected(*this, *document->filtered_list()[index]);
}

std::unique_ptr<zentra::VListElement> ContactSelectorContainer::create_element(zentra::VList&,
                                                                               int) {
    return std::make_unique<ContactsListElement>(*m_properties, m_styles);
}

bool ContactSelectorContainer::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    if (&button == m_category) {
        m_listener.on_category(*this);
    } else if (&button == m_add) {
        m_listener.on_add_contact(*this);
    }
    return true;
}

void ContactSelectorContainer::on_ruler_letter(zentra::Ruler&, int, const WString& letter,
                                               bool held, bool cancelled) {
    if (m_hint == nullptr) {
        return;
    }
    if (held) {
        show_text(*m_hint, letter);
        m_hint->set_visible_at_once(true);
        return;
    }
    m_hint->set_visible_at_once(false);
    if (!cancelled) {
        scroll_to_letter(letter);
    }
}

}  // namespace velvane

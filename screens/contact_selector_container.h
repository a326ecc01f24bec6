#pragma once
// ContactSelectorContainer: the contact list. It shows the Document's filtered contacts in a
// scrolling list with the alphabet ruler, a title with the current category, a category
// button and an add-contact button, and reports what the user picks to its listener. The same
// container serves the main screen and the contact chooser.

#include <vector>

#include "contacts/document.h"
#include "screens/contact_row.h"
#include "skin/button_node.h"
#include "skin/ruler.h"
#include "skin/vlist_adapter.h"

namespace zentra {
class Node;
class Properties;
class VList;
}  // namespace zentra

namespace velvane {

class ContactSelectorContainer;

class ContactListListener {
public:
    virtual ~ContactListListener() = default;
    // container tells the main list from the chooser's.
    virtual void on_contact_selected(ContactSelectorContainer& container, ContactEntry& entry) = 0;
    virtual void on_add_contact(ContactSelectorContainer& container) = 0;
    virtual void on_category(ContactSelectorContainer& container) = 0;
};

class ContactSelectorContainer : public DocumentView,
                                 public zentra::VListAdapter,
                                 public zentra::ButtonListener,
                                 public zentra::RulerListener {
public:
    // The skin definition one ruler letter is made from.
    static constexpr WStringView kRulerLetter = u"AlphabetRulerText";
    // The language key of the title while no category filter is set.
    static constexpr WStringView kAllContacts = u"skinAllContacts";

    explicit ContactSelectorContainer(ContactListListener& listener);
    ~ContactSelectorContainer() override;

    // Finds its nodes below parent (NodeNotFound for a missing one), builds the ruler letters
    // and sets the row count. properties must outlive the binding.
    void bind(zentra::Node& parent, const zentra::Properties& properties);

    // The title text, translated; the no-category key reads as all contacts.
    void set_title(WStringView key);
    // Ruler letters: the index letter of every entry of the full list, runs folded to one.
    void rebuild_letters();
    static std::vector<WString> ruler_letters(const Document& document);
    // Whether the entry just inserted at position of the full list leaves the letters as
    // they are.
    bool joins_a_run(int32_t position) const;
    // The list starts at the first filtered entry with that index letter; false when none has.
    bool scroll_to_letter(const WString& letter);

    zentra::Node* root() const { return m_root; }
    zentra::VList* list() const { return m_list; }
    zentra::Node* top() const { return m_top; }
    zentra::ButtonNode* category_button() const { return m_category; }
    zentra::ButtonNode* add_button() const { return m_add; }
    zentra::Node* title() const { return m_title; }
    zentra::Node* ruler_node() const { return m_ruler_node; }
    zentra::Node* hint() const { return m_hint; }
    // The text shown over the list when a search finds no one; null when the skin has none.
    zentra::Node* no_matches() const { return m_no_matches; }
    const zentra::Ruler& ruler() const { return m_ruler; }
    zentra::Ruler& ruler() { return m_ruler; }

    // Document.
    void on_document_refresh(const RefreshHint& hint) override;

    // The list.
    void on_item_click(zentra::VList& list, int index) override;
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList& list, int index) override;

    // The buttons.
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

    // The ruler.
    void on_ruler_letter(zentra::Ruler& ruler, int index, const WString& letter, bool held,
                         bool cancelled) override;

private:
    void reset_rows();
    // Shows the no-match text while the list is empty for a search or a category.
    void show_no_matches();

    ContactListListener& m_listener;
    const zentra::Properties* m_properties = nullptr;
    RowStyles m_styles;
    zentra::Node* m_root = nullptr;
    zentra::VList* m_list = nullptr;
    zentra::Node* m_top = nullptr;
    zentra::ButtonNode* m_category = nullptr;
    zentra::Node* m_title = nullptr;
    zentra::ButtonNode* m_add = nullptr;
    zentra::Node* m_ruler_node = nullptr;
    zentra::Node* m_hint = nullptr;
    zentra::Node* m_no_matches = nullptr;
    zentra::Ruler m_ruler;
};

}  // namespace velvane

#include "screens/edit_categories_form.h"

#include "core/log.h"
#include "skin/text_node.h"

namespace velvane {

namespace {

// One category of the Document's list: its name, and `checked` while the contact is in it.
class CategoryElement : public zentra::VListElement {
public:
    explicit CategoryElement(const zentra::Properties& properties) {
        if (!zentra::load_from_skin(*this, properties, u"CategoryElement")) {
            throw zentra::NodeNotFoundInSkin{u"CategoryElement"};
        }
        m_checked = &find(u"checked");
        m_name = &find<zentra::TextNode>(u"cat_name");
        m_checked->set_visible_at_once(false);
    }

    void bind(zentra::VList&, int, int index) override {
        Document* document = Document::get_instance();
        if (document == nullptr || index < 0 ||
            static_cast<size_t>(index) >= document->categories().size()) {
            return;
        }
        const auto at = static_cast<size_t>(index);
        m_name->set_text(document->categories()[at]);
        const std::vector<bool>& checked = document->category_checked();
        m_checked->set_visible_at_once(at < checked.size() && checked[at]);
    }

private:
    zentra::Node* m_checked = nullptr;
    zentra::TextNode* m_name = nullptr;
};

}  // namespace

EditCategoriesForm::EditCategoriesForm(zentra::Properties& properties)
    : ContactEditorForm(properties, u"EditCategoriesForm"),
      m_field_editor(std::make_unique<EditFieldForm>(properties)) {
    m_field_editor->set_saved_listener([this](const Contact& saved) { on_category_added(saved); });
    bind();
}

EditCategoriesForm::~EditCategoriesForm() {
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
    }
}

void EditCategoriesForm::unbind_nodes() {
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
        m_list = nullptr;
    }
}

void EditCategoriesForm::bind_nodes() {
    m_list = &find<zentra::VList>(u"catList");
    m_add = &find<zentra::ButtonNode>(u"add_category");
    m_add->set_listener(this);
    m_list->set_adapter(this);
    Document* document = Document::get_instance();
    m_list->reset(is_open() && document != nullptr ? static_cast<int>(document->categories().size())
                                                   : 0);
}

void EditCategoriesForm::prepare(const Contact& contact, size_t field_index) {
    Document* document = Document::get_instance();
    if (document == nullptr) {
        return;
    }
    m_field = field_index;
    m_editor.prepare(*document, contact, static_cast<int>(field_index));
    std::vector<WString>& names = document->categories();
    std::vector<bool>& checked = document->category_checked();
    const std::vector<WString> carried = field_index < contact.fields.size()
                                             ? split_categories(contact.fields[field_index].value)
                                             : std::vector<WString>();
    for (const WString& name : m_added) {
        if (index_of_category(names, name) < 0) {
            names.push_back(name);
            checked.push_back(index_of_category(carried, name) >= 0);
        }
    }
    m_list->reset(static_cast<int>(names.size()));
}

void EditCategoriesForm::on_category_added(const Contact& saved) {
    Document* document = Document::get_instance();
    const size_t field = m_field_editor->field_index();
    if (document == nullptr || !is_open() || field >= saved.fields.size()) {
        return;
    }
    // The new names are the pieces after those the copy had: the editor appends.
    const Contact& before = m_editor.contact();
    const size_t had =
        m_field < before.fields.size() && before.fields[m_field].kind == FieldKind::Categories
            ? split_categories(before.fields[m_field].value).size()
            : 0;
    std::vector<WString> pieces = split_categories(saved.fields[field].value);
    for (size_t i = had; i < pieces.size(); ++i) {
        if (!pieces[i].empty() && index_of_category(document->categories(), pieces[i]) < 0 &&
            index_of_category(m_added, pieces[i]) < 0) {
            m_added.push_back(std::move(pieces[i]));
        }
    }
    prepare(saved, field);
}

void EditCategoriesForm::open(const Contact& copy, size_t field_index) {
    m_added.clear();
    prepare(copy, field_index);
    show();
}

void EditCategoriesForm::on_stored_contact(const Contact& stored) {
    log() << "EditCategoriesForm::on_document_refresh() - 1\n";
    for (size_t i = 0; i < stored.fields.size(); ++i) {
        if (stored.fields[i].kind == FieldKind::Categories) {
            prepare(stored, i);
        }
    }
}

bool EditCategoriesForm::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) {
    if (&button != m_add) {
        return ContactEditorForm::on_click(button, event);
    }
    // The new name is appended to the names ticked so far, not to the value the editor was
    // opened with: the save's notice checks what the stored value names, and the ticks made
    // here would be lost.
    Document* document = Document::get_instance();
    const WString ticked =
        document != nullptr
            ? checked_categories_text(document->categories(), document->category_checked())
            : WString();
    const Contact& contact = m_editor.contact();
    if (m_field < contact.fields.size() && contact.fields[m_field].kind == FieldKind::Categories) {
        Contact copy = contact;
        copy.fields[m_field].value = ticked;
        prepare(copy, m_field);
        m_field_editor->open(m_editor.contact(), m_field);
    } else {
        // A contact without the field yet: the new name starts it.
        Contact with_field = contact;
        with_field.fields.emplace_back(FieldKind::Categories, ticked);
        m_field_editor->open(with_field, with_field.fields.size() - 1);
    }
    return true;
}

void EditCategoriesForm::on_item_click(zentra::VList& list, int index) {
    Document* document = Document::get_instance();
    if (document == nullptr || index < 0 ||
        static_cast<size_t>(index) >= document->category_checked().size()) {
        return;
    }
    std::vector<bool>& checked = document->category_checked();
    checked[static_cast<size_t>(index)] = !checked[static_cast<size_t>(index)];
    list.item_changed(index);
}

std::unique_ptr<zentra::VListElement> EditCategoriesForm::create_element(zentra::VList&, int) {
    return std::make_unique<CategoryElement>(properties());
}

void EditCategoriesForm::leave() {
    if (Document* document = Document::get_instance()) {
        if (!m_editor.save(*document)) {
            log() << "EditCategoriesForm::save() the contact " << m_editor.contact().object_id
                  << " was not saved\n";
        }
    }
    close();
}

void EditCategoriesForm::on_contact_gone() {
    close();
    // Nothing is saved, so the names added here leave the list with it.
    Document* document = Document::get_instance();
    if (!m_added.empty() && document != nullptr) {
        m_added.clear();
        document->read_categories();
    }
}

}  // namespace velvane

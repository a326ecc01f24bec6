#pragma once
// What the contact editors share: a named definition with a `cancel` button, bound at
// construction and again for a new skin; `Left` leaves as `cancel` does; the editor goes on
// the form stack while open, follows the contact it shows and closes when that contact is
// deleted.

#include <cstdint>

#include "contacts/document.h"
#include "screens/key_routed_form.h"
#include "skin/button_node.h"
#include "skin/properties.h"

namespace velvane {

class ContactEditorForm : public KeyRoutedForm,
                          public DocumentView,
                          public zentra::ReloadListener,
                          public zentra::ButtonListener {
public:
    ~ContactEditorForm() override;

    // Loads the definition and finds the nodes; raises the skin engine's errors for missing
    // ones.
    void bind();
    // Leaves the editor as its `cancel` button does.
    void cancel();
    // Between opening and leaving (or deletion of the contact).
    bool is_open() const { return m_open; }
    zentra::ButtonNode& cancel_button() const { return *m_cancel; }

    // DocumentView: follows the contact the editor shows while it is visible.
    void on_document_refresh(const RefreshHint& hint) override;
    void on_reload_skin(zentra::Properties& properties) override;

    // ButtonListener, for `cancel`; editors with more buttons extend on_click.
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}
    using Node::on_pointer;

protected:
    ContactEditorForm(zentra::Properties& properties, WStringView definition);

    bool on_form_key(const zentra::KeyEvent& event) override;

    // The editor's nodes below the loaded definition.
    virtual void bind_nodes() = 0;
    // Before the definition is loaded again: let go of what points into the old nodes.
    virtual void unbind_nodes() {}
    // The contact the editor shows; 0 for none.
    virtual uint32_t shown_object_id() const = 0;
    // The stored contact changed while the editor shows it.
    virtual void on_stored_contact(const Contact& stored) = 0;
    // What `cancel` does besides closing.
    virtual void leave() = 0;
    // The contact was deleted while the editor was open.
    virtual void on_contact_gone() { close(); }

    // Puts the editor on the form stack.
    void show();
    // Takes it off the stack.
    void close();
    // Saves contact, a working copy taken from original, through the store: only what the
    // copy changed is written. A refusal is logged.
    void save(const Contact& contact, const Contact& original);
    zentra::Properties& properties() const { return m_properties; }
    WStringView definition() const { return m_definition; }

private:
    zentra::Properties& m_properties;
    WStringView m_definition;
    zentra::ButtonNode* m_cancel = nullptr;
    bool m_open = false;
};

// An editor of one contact's working copy, which `cancel` writes back and saves.
class ContactCopyEditor : public ContactEditorForm {
public:
    const Contact& contact() const { return m_contact; }

protected:
    using ContactEditorForm::ContactEditorForm;

    uint32_t shown_object_id() const override { return m_contact.object_id; }
    // Writes the widgets into the copy, closes and saves; write_back false saves nothing.
    void leave() override;
    // The widgets' texts into the copy; false when there is nothing to save.
    virtual bool write_back() = 0;
    // Takes the copy and shows the editor.
    void open_copy(const Contact& copy);
    // Takes the stored contact as the copy and as what the copy's changes are measured from.
    void rebase(const Contact& stored);

    Contact m_contact;
    // The contact as the copy was taken; a save writes only what differs from it.
    Contact m_original;
};

}  // namespace velvane

#pragma once
// ContactRecentsForm: the call history of one contact, or of one number that belongs to no
// contact. A head with the names and the photo, then one row per call, newest first, without
// folding. Its own menu filters the calls by direction, switches on a delete mode in which
// each row can remove its call from the phone's call log, and deletes every call it lists.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "contacts/document.h"
#include "platform/locale.h"
#include "screens/recent_rows.h"
#include "screens/screen_slots.h"
#include "skin/button_node.h"
#include "skin/form.h"
#include "skin/image_ref.h"
#include "skin/menu.h"
#include "skin/multinode.h"
#include "skin/properties.h"
#include "skin/vlist_adapter.h"

namespace zentra {
class ImageNode;
class VList;
}  // namespace zentra

namespace velvane {

class ContactRecentsForm : public zentra::Form,
                           public ContactRecentsScreen,
                           public DocumentView,
                           public zentra::VListAdapter,
                           public zentra::ButtonListener,
                           public zentra::MultiNodeListener,
                           public zentra::MenuListener,
                           public zentra::ReloadListener {
public:
    using CallNumber = std::function<void(WStringView number)>;

    // One row of the list after the head: a call, by its position in the Document's recent
    // calls, with the texts it shows.
    struct CallRow {
        int32_t index = 0;
        WString number;
        int64_t start_time = 0;
        int32_t direction = RecentCall::Incoming;
        WString call_info;
    };

    // Binds `ContactRecentsForm`; raises the skin engine's errors when the skin lacks a node
    // or a row definition. The Document must exist.
    explicit ContactRecentsForm(zentra::Properties& properties, CallNumber call_number = {});
    ~ContactRecentsForm() override;

    // Loads `ContactRecentsForm` again and finds its nodes; what the form shows stays.
    void bind();

    // ContactRecentsScreen.
    void open_contact(const Contact& contact) override;
    void open_number(WStringView number) override;
    // `cancel`: the filter goes back to every call and the form leaves the stack.
    void cancel();

    // A call row's `remove`, by list index: the call leaves the call log and its row the
    // list at once.
    void remove(int index);
    // remove, once the input event being dispatched is through: the row's own button asks,
    // and a list that is built again destroys that row.
    void request_remove(int index) { m_pending_remove = index; }
    // Delete mode: every call row shows `remove`.
    bool delete_mode() const { return m_delete_mode; }
    int32_t direction_filter() const { return m_filter; }
    // Number mode shows the calls of number(); contact mode those of contact().
    bool number_mode() const { return m_number_mode; }
    const WString& number() const { return m_number; }
    const Contact& contact() const { return m_contact; }
    const std::vector<CallRow>& rows() const { return m_rows; }
    // The call row at a list index (the head is 0); null outside the rows.
    const CallRow* call_row(int index) const;

    // The photo of the shown contact fitted into a box of that size; empty when it has none.
    const zentra::ImageRef& photo(int width, int height);

    void set_date_locale(platform::DateLocale locale) { m_locale = std::move(locale); }

    zentra::VList& list() const { return *m_list; }
    zentra::ButtonNode& cancel_button() const { return *m_cancel; }
    zentra::Node& padding() const { return *m_padding; }
    zentra::MultiNode& edit_mode_node() const { return *m_edit_mode; }
    zentra::Menu& menu() const { return *m_menu; }
    const zentra::Properties& properties() const { return m_properties; }

    // DocumentView.
    void on_document_refresh(const RefreshHint& hint) override;
    // VListAdapter.
    void on_item_click(zentra::VList& list, int index) override;
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList& list, int index) override;
    // ButtonListener: `cancel`.
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}
    // Node: runs a requested remove after the event.
    bool on_pointer(const zentra::PointerEvent& event) override;
    bool on_key(const zentra::KeyEvent& event) override;
    // MultiNodeListener: `edit_mode`.
    void on_select(zentra::MultiNode& node, bool by_user) override;
    // MenuListener: the form's own menu.
    std::vector<zentra::MenuItem> menu_items(zentra::Menu& menu, WStringView name) override;
    void on_reload_skin(zentra::Properties& properties) override;

private:
    void open();
    // The rows from the Document's call log under the filter; the list starts at the top.
    void rebuild();
    std::vector<CallRow> build_rows() const;
    void set_delete_mode(bool on);
    void leave_edit_mode();
    void close();
    void run_pending();

    zentra::Properties& m_properties;
    CallNumber m_call_number;
    platform::DateLocale m_locale;
    Contact m_contact;
    WString m_number;
    bool m_number_mode = false;
    int32_t m_filter = kAllCalls;
    bool m_delete_mode = false;
    std::vector<CallRow> m_rows;
    // Set while this form deletes one call, so the re-read it causes keeps the list where it
    // is; cleared by that re-read.
    bool m_removing = false;
    bool m_reread = false;
    int m_pending_remove = -1;
    std::unique_ptr<zentra::Menu> m_menu;

    zentra::ButtonNode* m_cancel = nullptr;
    zentra::Node* m_padding = nullptr;
    zentra::MultiNode* m_edit_mode = nullptr;
    zentra::VList* m_list = nullptr;

    bool m_photo_stale = true;
    int m_photo_width = 0;
    int m_photo_height = 0;
};

// `SimpleContactHead`: the names and the photo of the shown contact.
class SimpleContactHead : public zentra::VListElement {
public:
    SimpleContactHead(ContactRecentsForm& form, const zentra::Properties& properties);
    void bind(zentra::VList& list, int flags, int index) override;
    // A new size of the photo box fetches the picture at that size.
    void layout_vertical() override;

    zentra::ImageNode& photo() const { return *m_photo; }

private:
    void show_photo();

    ContactRecentsForm& m_form;
    zentra::Node* m_firstname = nullptr;
    zentra::Node* m_lastname = nullptr;
    zentra::Node* m_company = nullptr;
    zentra::ImageNode* m_photo = nullptr;
    zentra::ImageRef m_default_photo;
};

// `SimpleRecentsListElement`: one call of the history.
class SimpleRecentsListElement : public zentra::VListElement, public zentra::ButtonListener {
public:
    using Node::on_pointer;

    SimpleRecentsListElement(ContactRecentsForm& form, const zentra::Properties& properties);
    ~SimpleRecentsListElement() override;
    void bind(zentra::VList& list, int flags, int index) override;

    zentra::Node& phone() const { return *m_phone; }
    zentra::Node& call_info() const { return *m_call_info; }
    zentra::MultiNode& direction() const { return *m_direction; }
    zentra::ButtonNode& remove_button() const { return *m_remove; }

    // ButtonListener: `remove`.
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

private:

    ContactRecentsForm& m_form;
    zentra::VList* m_list = nullptr;
    zentra::Node* m_phone = nullptr;
    zentra::Node* m_call_info = nullptr;
    zentra::MultiNode* m_direction = nullptr;
    zentra::ButtonNode* m_remove = nullptr;
};

}  // namespace velvane

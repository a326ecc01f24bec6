#pragma once
// SelectFieldForm: chooses the kind of a new field. It offers the kinds the contact has no
// field of yet (each address as one row), grouped by separators, and follows the contact
// while open.

#include <cstdint>
#include <vector>

#include "screens/contact_editor_form.h"
#include "screens/screen_slots.h"
#include "skin/vlist.h"
#include "skin/vlist_adapter.h"

namespace velvane {

// Row values besides kinds.
inline constexpr int32_t kGroupSeparatorRow = -1;
inline constexpr int32_t kSeparatorRow = -2;

// The kinds 0..33 the contact (null: a new one) has no field of, leaving out a whole address
// as soon as one part of it exists; with phones_only the phone kinds alone.
std::vector<FieldKind> offered_field_kinds(const Contact* contact, bool phones_only);
// The list's rows for the offered kinds: kinds and separator rows, one row per address.
std::vector<int32_t> field_kind_rows(const std::vector<FieldKind>& kinds);

class SelectFieldForm : public ContactEditorForm,
                        public FieldKindScreen,
                        public zentra::VListAdapter {
public:
    // Binds `SelectFieldForm`; raises the skin engine's errors for missing nodes.
    explicit SelectFieldForm(zentra::Properties& properties);
    ~SelectFieldForm() override;

    // object_id 0: no contact (a new one); the listener hears the chosen kind.
    void open(uint32_t object_id, FieldKindListener& listener, bool phones_only);
    void choose_phone_kind(uint32_t object_id, FieldKindListener& listener) override;

    // Row index as a kind: the listener hears it and the chooser closes. Separators do
    // nothing.
    void choose_row(int index);

    const std::vector<int32_t>& rows() const { return m_rows; }
    zentra::VList& list() const { return *m_list; }

    // VListAdapter.
    void on_item_click(zentra::VList& list, int index) override;
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList& list, int index) override;

protected:
    void bind_nodes() override;
    void unbind_nodes() override;
    uint32_t shown_object_id() const override { return m_object_id; }
    void on_stored_contact(const Contact& stored) override;
    void leave() override;

private:
    // Moves the list to rows one row at a time.
    void update_rows(const std::vector<int32_t>& rows);

    zentra::VList* m_list = nullptr;
    std::vector<int32_t> m_rows;
    uint32_t m_object_id = 0;
    FieldKindListener* m_listener = nullptr;
    bool m_phones_only = false;
};

}  // namespace velvane

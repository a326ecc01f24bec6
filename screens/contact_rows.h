#pragma once
// The contact card's rows as numbers: the head, separators, the edit buttons and one row per
// field, with the parts of one address sharing the row of its first part. The card's list
// follows this sequence one row at a time; what each row shows is decided here as well.

#include <cstdint>
#include <vector>

#include "contacts/contact.h"

namespace velvane {

// Values of the row sequence below 0; a value >= 0 is the index of a field.
inline constexpr int32_t kCardHead = -3;
inline constexpr int32_t kCardGroupSeparator = -1;
inline constexpr int32_t kCardSeparator = -2;
inline constexpr int32_t kCardEditButtons = -4;

// Sorts by kind; equal kinds keep their order.
void sort_fields_by_kind(std::vector<ContactField>& fields);

// The rows for fields in the order given (the card keeps them sorted by kind); edit mode
// ends with a group separator and the edit buttons.
std::vector<int32_t> build_contact_rows(const std::vector<ContactField>& fields, bool edit);

// Whether field b, following field a, has no row of its own (the parts of one address).
bool merges_into_previous(const ContactField& a, const ContactField& b);
bool is_address_group(FieldGroup group);

// The values of the address that starts at index first: that part and every directly
// following part of the same group, joined with ", ".
WString joined_address(const std::vector<ContactField>& fields, size_t first);

// Which parts of a field row are shown.
struct FieldRowLook {
    bool remove = false;
    bool icons = false;
    bool sms = false;
    bool favorite = false;
    friend bool operator==(const FieldRowLook&, const FieldRowLook&) = default;
};
FieldRowLook field_row_look(FieldKind kind, bool edit);

// One step that turns a shown row sequence into another: at list index `at`, a row is
// removed, inserted (taking the new value) or bound again to a new field index.
struct RowStep {
    enum Kind { Remove, Insert, Change };
    Kind kind = Remove;
    int at = 0;
    int32_t value = 0;
    friend bool operator==(const RowStep&, const RowStep&) = default;
};
// The fewest single-row steps, around the one place where the sequences differ, that turn
// from into to. A field row is bound again rather than replaced, since its element can show
// any field; a separator of another kind is a different element.
std::vector<RowStep> row_steps(const std::vector<int32_t>& from, const std::vector<int32_t>& to);

// Row values after field index `at` was inserted (field rows at or after it move up by one)
// or erased (the erased field's row becomes kErasedField, later ones move down by one).
inline constexpr int32_t kErasedField = INT32_MAX;
std::vector<int32_t> shift_for_insert(std::vector<int32_t> rows, int32_t at);
std::vector<int32_t> shift_for_erase(std::vector<int32_t> rows, int32_t at);

// Adds the missing parts of the address group as empty fields, each in kind order at its
// place within the group, so that an address editor finds all five. Returns the index of
// the group's first part.
size_t complete_address(std::vector<ContactField>& fields, FieldGroup group);

// The kinds of an address group in the order street, city, postal code, state, country.
FieldKind first_address_kind(FieldGroup group);

}  // namespace velvane

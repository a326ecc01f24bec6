#pragma once
// What the screens show for a field kind: its group, the state of the card's `icons` and the
// language key of its label. One table, for the contact card and the field-kind chooser.

#include <cstdint>

#include "contacts/contact.h"

namespace velvane {

// The kind's FieldGroup as a number (0 phones .. 5 other); the catalogue's group_of.
int32_t field_group(FieldKind kind);
// The state of the `icons` multinode: 0 Mobile, 1 other phones, 2 e-mail, 3 web page,
// 4 addresses, 5 categories, 6 birthday, 7 anything else.
int field_icon_state(FieldKind kind);
// The language key of the kind's label: its catalogue name ("Mobile", ..., "WorkAddress" and
// "HomeAddress" for all five parts of an address); "Unknown" outside the catalogue.
WStringView field_kind_key(FieldKind kind);

}  // namespace velvane

#pragma once
// How vCard types choose a contact's fields, shared by the reader and its tests. Types are
// the upper-case TYPE values of one property, bare vCard 2.1 ones included.

#include <string>
#include <string_view>
#include <vector>

#include "contacts/contact.h"

namespace velvane {

// The fields a TEL property may fill, best first; empty when none fits (a video or modem
// line), and then the property is kept as it stands. TEL;VOICE, TEL;MAIN, TEL;PREF and an
// untyped TEL are the person's main number: Mobile when free, else HomeTel.
std::vector<FieldKind> phone_kinds_for_types(const std::vector<std::string>& types);

// The first kind (WorkStreet or HomeStreet) of each address an ADR property may fill, best
// first. A second work address never becomes the home address.
std::vector<FieldKind> address_places_for_types(const std::vector<std::string>& types);

// Lines of a card as the writer puts them: CR LF ends, folded at 75 bytes without cutting a
// UTF-8 sequence or a quoted-printable escape.
void append_folded_line(std::string& out, std::string_view line);

}  // namespace velvane

#pragma once
// Whether a contact of this book and a card on the server are one person, for books that
// held the same people before they were first synced. A name alone is never enough: the two
// must also share a number or an address.

#include "contacts/contact.h"

namespace velvane::sync {

// First, last and company name as one key; empty when all three are.
WString name_key(const Contact& contact);

// The same non-empty name key, and one phone number equal once separators are left out or
// one e-mail address equal but for case.
bool same_person(const Contact& a, const Contact& b);

}  // namespace velvane::sync

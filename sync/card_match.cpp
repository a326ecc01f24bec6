#include "sync/card_match.h"

#include "platform/case_map.h"
#include "platform/phone_numbers.h"

namespace velvane::sync {

namespace {

// A field's value in the form two books would share: numbers without separators, addresses
// lower-cased; empty for other fields.
WString comparable(const ContactField& field) {
    if (field.group == FieldGroup::PhoneGroup) {
        return platform::compact_number(field.value);
    }
    if (field.group == FieldGroup::EmailGroup) {
        return platform::to_lower(field.value);
    }
    return {};
}

}  // namespace

WString name_key(const Contact& contact) {
    if (contact.first_name.empty() && contact.last_name.empty() && contact.company.empty()) {
        return {};
    }
    return contact.first_name + u'\n' + contact.last_name + u'\n' + contact.company;
}

bool same_person(const Contact& a, const Contact& b) {
    const WString key = name_key(a);
    if (key.empty() || key != name_key(b)) {
        return false;
    }
    for (const ContactField& mine : a.fields) {
        const WString value = comparable(mine);
        if (value.empty()) {
            continue;
        }
        for (const ContactField& theirs : b.fields) {
            if (theirs.group == mine.group && comparable(theirs) == value) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace velvane::sync

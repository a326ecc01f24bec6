#pragma once
// Many new contacts at once, with their pictures, as one transaction: either all of them are
// in the book afterwards or none is. The program's vCard import and velvane-pim share it.

#include <functional>
#include <string>
#include <vector>

#include "contacts/vcard.h"

namespace velvane {

class ContactManagerImpl2;

struct WriteOutcome {
    bool ok = false;
    // Pictures left out because they are no JPEG, PNG or BMP, or too large to store.
    int pictures_skipped = 0;
    // One line for each: which contact's picture and why.
    std::vector<std::string> picture_refusals;
    std::string error;
};

// Stores every card as a new contact, its photo bytes as the contact's picture, and adds the
// categories they carry to the folder's list. progress(done, total) follows each contact.
// extra_categories go into the folder's list as well, used or not.
WriteOutcome write_contacts(ContactManagerImpl2& store, std::vector<VCardContact>& cards,
                            const std::function<void(size_t, size_t)>& progress = {},
                            const std::vector<WString>& extra_categories = {});

}  // namespace velvane

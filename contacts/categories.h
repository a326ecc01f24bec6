#pragma once
// Categories: the names a contact carries in its Categories field, the folder's list of names
// the user may choose from, the category filter's test and the category editor's working copy.

#include <vector>

#include "contacts/contact.h"
#include "contacts/document_types.h"

namespace velvane {

class ContactManagerImpl2;
class Document;

// Cuts text at every ',' and ';' and drops one leading space from each piece. A piece
// between two separators is kept even when empty; the piece after the last separator only
// when it is not. Pieces keep their case and trailing spaces.
std::vector<WString> split_categories(WStringView text);

// The folder's category list as the store reads it: logs the value and appends its pieces.
void append_category_list(WStringView folder_value, std::vector<WString>& list);

// The folder's category list as stored; empty when it has none. False when it cannot be read.
bool read_folder_categories(ContactManagerImpl2& store, WString& out);
// Appends the names the folder's list lacks (names holding a separator are left out); the
// list is written only when it grows. Everything that brings contacts in (import, sync) adds
// their names, so the category filter offers them.
bool add_folder_categories(ContactManagerImpl2& store, const std::vector<WString>& names);

// Whether one of the contact's Categories fields names category exactly.
bool has_category(const Contact& contact, WStringView category);
// The category filter's test, for the Document's services.
bool passes_category(const ContactEntry& entry, WStringView category);

// Position of name in list, compared exactly; -1 when absent.
int index_of_category(const std::vector<WString>& list, WStringView name);

// Sets checked to one flag per list name, set for the names value carries; names not in the
// list are left out of the editor.
void check_categories(const std::vector<WString>& list, WStringView value,
                      std::vector<bool>& checked);
// The checked names in list order, joined by ", ".
WString checked_categories_text(const std::vector<WString>& list,
                                const std::vector<bool>& checked);

// The category editor's side of the Document: a working copy of one contact, checked against
// the Document's category list and flags, and saved through the store.
class CategoryEditor {
public:
    // Takes a copy of contact; field is the position of its Categories field in its fields,
    // or -1 when it has none.
    void prepare(Document& document, const Contact& contact, int field);
    // Writes the checked names into the copy's Categories field (added when it had none),
    // saves the copy through the store and reads the categories again. False when the store
    // refused the save.
    bool save(Document& document);

    const Contact& contact() const { return m_contact; }

private:
    Contact m_contact;
    // The contact as prepared; the save writes only what differs from it.
    Contact m_original;
    int m_field = -1;
};

}  // namespace velvane

#pragma once
// What the main form asks of the screens it owns but that are built on their own: the
// contact card, the field-kind chooser, the recents and favourites lists and the call screen.
// The main form builds the card and the chooser itself; each other slot stays empty until its
// screen exists, and the main form's paths to it do nothing (with a log line) meanwhile. The forms among them bind themselves and
// follow a new skin on their own; the tab containers are bound by the main form.

#include <cstdint>
#include <memory>
#include <vector>

#include "contacts/document.h"
#include "platform/ustring.h"

namespace zentra {
class Node;
class Properties;
}  // namespace zentra

namespace velvane {

// ContactForm.
class ContactCardScreen {
public:
    virtual ~ContactCardScreen() = default;
    // Shows the contact; edit opens it in edit mode.
    virtual void show_contact(const Contact& contact, bool edit) = 0;
};

// The field-kind chooser, told the chosen kind through its listener. The contact goes by its
// object id (0 for a new contact): it may be deleted while the chooser is open.
class FieldKindListener {
public:
    virtual ~FieldKindListener() = default;
    virtual void on_field_kind_chosen(uint32_t object_id, FieldKind kind) = 0;
};

// SelectFieldForm.
class FieldKindScreen {
public:
    virtual ~FieldKindScreen() = default;
    // Offers the phone kinds only; object_id is 0 for a new contact.
    virtual void choose_phone_kind(uint32_t object_id, FieldKindListener& listener) = 0;
};

// A container of the main screen that sits under a tab: RecentsContainer, FavoritesContainer,
// FavoritesContainer2.
class TabContainer {
public:
    virtual ~TabContainer() = default;
    // Binds its nodes below the main screen's root.
    virtual void bind(zentra::Node& parent, zentra::Properties& properties) = 0;
    virtual zentra::Node* root() const = 0;
    // Runs after every horizontal layout of the main screen (the grid's tiles per row).
    virtual void on_width_changed() {}
};

// RecentsContainer, with what the recents menu needs.
class RecentsScreen : public TabContainer {
public:
    // 255 all calls, else one direction.
    virtual int32_t direction_filter() const = 0;
    virtual void set_direction_filter(int32_t filter) = 0;
    // Whether a call passes the direction filter.
    virtual bool passes(const RecentCall& call) const = 0;
    virtual void refill() = 0;
};

// CallForm.
class CallScreen {
public:
    virtual ~CallScreen() = default;
    // Back to the call in progress, with the screen's keypad hidden.
    virtual void show_again() = 0;
    // The talk key: answers a call that rings and is not answered yet; false when none does.
    virtual bool answer_ringing_call() { return false; }
};

// ContactRecentsForm: the history of one contact or one number, opened from the recents list.
class ContactRecentsScreen {
public:
    virtual ~ContactRecentsScreen() = default;
    // Shows the calls of a copy of the contact and puts the form on the form stack.
    virtual void open_contact(const Contact& contact) = 0;
    // Shows the calls of a number that belongs to no contact, the same way.
    virtual void open_number(WStringView number) = 0;
};

// The main form's screens, in the order they are built; destroyed in reverse.
struct ScreenSlots {
    std::unique_ptr<CallScreen> call;
    std::unique_ptr<ContactCardScreen> contact;
    std::unique_ptr<ContactRecentsScreen> contact_recents;
    std::unique_ptr<FieldKindScreen> select_field;
};

}  // namespace velvane

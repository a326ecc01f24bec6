#pragma once
// What the application tells the screen that listens to it (the main form). Every operation
// has a harmless default, so a listener takes only what it needs.

#include "platform/ustring.h"

namespace zentra {
class Form;
struct KeyEvent;
}  // namespace zentra

namespace velvane {

class ApplicationListener {
public:
    virtual ~ApplicationListener() = default;
    // A command line from the start or from a second start of the program.
    virtual void on_command_line(platform::WStringView /*text*/) {}
    // Asked before the main window closes; false keeps it open.
    virtual bool can_close() { return true; }
    // A form was pushed on the modal stack (it is on top now).
    virtual void on_form_added(zentra::Form& /*form*/) {}
    // A form is being taken off the modal stack.
    virtual void on_form_removed(zentra::Form& /*form*/, bool /*animate*/) {}
    // The screen metrics changed (and once when the main form is first shown).
    virtual void on_resolution_changed() {}
    virtual void on_help() {}
    virtual void on_deactivate() {}
    virtual void on_activate() {}
    // True when the key was consumed; otherwise the application's own key handling runs.
    virtual bool on_key(const zentra::KeyEvent& /*event*/) { return false; }
};

}  // namespace velvane

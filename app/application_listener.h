#pragma once
// What the application tells the screen that listens to it (the main form).

namespace zentra {
class Form;
}

namespace velvane {

class ApplicationListener {
public:
    virtual ~ApplicationListener() = default;
    // A form was pushed on the modal stack (it is on top now).
    virtual void on_form_added(zentra::Form& /*form*/) {}
    // A form is being taken off the modal stack.
    virtual void on_form_removed(zentra::Form& /*form*/) {}
};

}  // namespace velvane

#pragma once
// What the skin engine needs of the program shell that keeps the forms: the modal stack, the
// screen it fills and the redraw request. Declared here, implemented by the application, so
// forms and widgets can show and close themselves without knowing the shell.

#include "skin/screen_metrics.h"

namespace zentra {

class Form;

class FormHost {
public:
    // The host of the running program, null before the application exists and after it has
    // gone.
    static FormHost* instance() { return s_instance; }

    // Puts form on top. An overlay keeps the form below as a frozen, dimmed background;
    // animate plays the form's visibility animation as a screen transition.
    virtual void add_modal_form(Form& form, bool overlay, bool animate) = 0;
    // Takes form off the stack wherever it is; false when it is not on the stack.
    virtual bool remove_modal_form(Form& form, bool animate) = 0;
    // The form that gets input and is drawn; null when the stack is empty.
    virtual Form* top_form() const = 0;
    virtual void request_redraw() = 0;
    virtual const ScreenMetrics& screen_metrics() const = 0;

protected:
    FormHost() = default;
    ~FormHost() = default;
    FormHost(const FormHost&) = delete;
    FormHost& operator=(const FormHost&) = delete;

    // The implementing shell registers itself while it lives.
    static void set_instance(FormHost* host) { s_instance = host; }

private:
    static inline FormHost* s_instance = nullptr;
};

}  // namespace zentra

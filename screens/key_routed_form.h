#pragma once
// A form whose keys have a name of their own: the node's on_key and the application
// listener's on_key share one signature, so a screen that is both gets its keys here.

#include "skin/form.h"

namespace velvane {

// The form's keys come through the node tree (the top form gets them); the listener's
// operation keeps its default.
class KeyRoutedForm : public zentra::Form {
public:
    bool on_key(const zentra::KeyEvent& event) final { return on_form_key(event); }

protected:
    virtual bool on_form_key(const zentra::KeyEvent& event) = 0;
};

}  // namespace velvane

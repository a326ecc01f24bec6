#pragma once
// What an edit field asks of the program shell: a native text input laid over the edit while
// it has the input focus. Declared here, implemented by the application, so the skin never
// knows the window system.

namespace zentra {

class EditNode;

class EditBridge {
public:
    // The bridge of the running program; null when there is none (tests, before start-up).
    static EditBridge* instance() { return s_instance; }

    // Gives the input focus to edit (null takes it away). create asks for a new native input
    // at the edit's place; without it the existing input is only moved to where the edit now
    // is. The bridge reads the rectangle, text and flags from the edit itself.
    virtual void set_edit_node(EditNode* edit, bool create) = 0;
    // The focused edit's text was set by code; the native input takes it over and puts its
    // input position at the end.
    virtual void edit_text_changed(EditNode& edit) = 0;

protected:
    EditBridge() = default;
    ~EditBridge() = default;
    EditBridge(const EditBridge&) = delete;
    EditBridge& operator=(const EditBridge&) = delete;

    // The implementing shell registers itself while it lives.
    static void set_instance(EditBridge* bridge) { s_instance = bridge; }

private:
    static inline EditBridge* s_instance = nullptr;
};

}  // namespace zentra

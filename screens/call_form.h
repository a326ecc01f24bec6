#pragma once
// CallForm: the program's own call screen. The line handler's call events reach it through
// the Document's hints; it names the caller, offers answer and ignore for a ringing call and
// end for a placed or answered one, switches mute, loudspeaker and hold, starts the notes
// program, and opens a keypad whose keys go out as touch tones.

#include "contacts/document.h"
#include "screens/key_routed_form.h"
#include "screens/keyboard_container.h"
#include "screens/screen_slots.h"
#include "skin/button_node.h"
#include "skin/image_node.h"
#include "skin/properties.h"

namespace velvane {

class CallForm : public KeyRoutedForm,
                 public CallScreen,
                 public DocumentView,
                 public KeyboardListener,
                 public zentra::ButtonListener,
                 public zentra::ReloadListener {
public:
    // Binds `CallForm`; raises the skin engine's errors when the skin lacks a node. The
    // Document must exist.
    explicit CallForm(zentra::Properties& properties);
    ~CallForm() override;

    // Loads `CallForm` again and finds its nodes; the caller and the buttons stay as shown.
    void bind();

    // CallScreen.
    void show_again() override;
    bool answer_ringing_call() override;

    // What the screen shows.
    // An incoming call that was not answered yet.
    bool ringing() const { return m_ringing; }
    // The caller's contact; 0 when the number matched none.
    uint32_t caller_id() const { return m_caller_id; }
    KeyboardContainer& keyboard() { return m_keyboard; }
    zentra::Node& firstname() const { return *m_firstname; }
    zentra::Node& lastname() const { return *m_lastname; }
    zentra::Node& company() const { return *m_company; }
    zentra::ImageNode& photo() const { return *m_photo; }
    zentra::Node& status() const { return *m_status; }
    zentra::ButtonNode& button(WStringView name) const { return find<zentra::ButtonNode>(name); }
    zentra::Node& switch_node(WStringView name) const { return find(name); }

    // Node.
    void advance(double seconds) override;

    // DocumentView: the call events.
    void on_document_refresh(const RefreshHint& hint) override;

    // KeyboardListener: the keys go out as touch tones.
    void on_keyboard_text(KeyboardContainer& keyboard, WStringView text) override;
    void on_keyboard_closed(KeyboardContainer&) override {}
    void on_keyboard_call(KeyboardContainer&, WStringView) override {}

    // ButtonListener.
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}
    using Node::on_pointer;

    void on_reload_skin(zentra::Properties& properties) override;

protected:
    bool on_form_key(const zentra::KeyEvent& event) override;

private:
    enum Button {
        Speaker,
        Mute,
        Hold,
        Note,
        Contacts,
        Keyboard,
        Answer,
        Ignore,
        EndCall,
        ButtonCount
    };

    // A call comes in (incoming) or goes out: the caller, the buttons for it, the form on top.
    void show_call(bool incoming);
    void look_up_caller();
    // The caller's picture at the photo node's size, or the skin's own picture.
    void show_photo();
    // The call-control buttons: answer and ignore while it rings, else end.
    void show_call_control();
    void show_switches();
    void answer();
    void end_call();
    // Off the form stack; the call itself goes on.
    void close();
    void show_on_top();
    bool is_top() const;
    LineHandler* line() const;
    Document* document() const { return Document::get_instance(); }

    zentra::Properties& m_properties;
    KeyboardContainer m_keyboard;

    zentra::Node* m_firstname = nullptr;
    zentra::Node* m_lastname = nullptr;
    zentra::Node* m_company = nullptr;
    zentra::ImageNode* m_photo = nullptr;
    zentra::Node* m_status = nullptr;
    zentra::Node* m_switch_speaker = nullptr;
    zentra::Node* m_switch_mute = nullptr;
    zentra::Node* m_switch_hold = nullptr;
    zentra::ButtonNode* m_buttons[ButtonCount] = {};
    // The skin's own picture of `photo`, shown when the caller has none.
    zentra::ImageRef m_default_photo;

    // The language key of the status text.
    WString m_status_key;
    bool m_ringing = false;
    uint32_t m_caller_id = 0;
    // The box the caller's picture was fetched for.
    zentra::Size m_photo_box;
};

}  // namespace velvane

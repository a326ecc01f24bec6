#include "screens/call_form.h"

#include "app/handovers.h"
#include "app/skin_rebind.h"
#include "core/keys.h"
#include "core/log.h"
#include "skin/form_host.h"

namespace velvane {

namespace {

constexpr const char16_t* kButtonNames[] = {
    u"buttonSpeaker",  u"buttonMute",   u"buttonHold",   u"buttonNote",    u"buttonContacts",
    u"buttonKeyboard", u"buttonAnswer", u"buttonIgnore", u"buttonEndCall",
};

// Shows text in a text or rich-text node: both take it through the node's own name.
void show_text(zentra::Node& node, WStringView text) {
    node.set_text(node.name(), text);
}

}  // namespace

CallForm::CallForm(zentra::Properties& properties)
    : m_properties(properties), m_keyboard(*this, false) {
    bind();
    m_properties.add_reload_listener(this);
}

CallForm::~CallForm() {
    m_properties.remove_reload_listener(this);
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->remove_modal_form(*this, false);
    }
}

void CallForm::bind() {
    load_definition(m_properties, u"CallForm");
    m_firstname = &find(u"firstname");
    m_lastname = &find(u"lastname");
    m_company = &find(u"company");
    m_photo = &find<zentra::ImageNode>(u"photo");
    m_status = &find(u"txtStatus");
    for (int i = 0; i < ButtonCount; ++i) {
        m_buttons[i] = &find<zentra::ButtonNode>(kButtonNames[i]);
        m_buttons[i]->set_listener(this);
    }
    m_switch_speaker = &m_buttons[Speaker]->find(u"switchSpeaker");
    m_switch_mute = &m_buttons[Mute]->find(u"switchMute");
    m_switch_hold = &m_buttons[Hold]->find(u"switchHold");
    m_keyboard.bind(*this);
    m_default_photo = m_photo->source();

    // A new skin or language shows the same call: names, status, buttons and switches.
    m_keyboard.close(false);
    show_text(*m_firstname, {});
    show_text(*m_lastname, {});
    show_text(*m_company, {});
    if (!m_status_key.empty()) {
        show_text(*m_status, m_properties.translate(m_status_key));
    }
    show_call_control();
    show_switches();
    if (!m_status_key.empty()) {
        look_up_caller();
    }
}

void CallForm::on_reload_skin(zentra::Properties& properties) {
    rebind_after_reload(properties, u"CallForm", [this] { bind(); });
}

LineHandler* CallForm::line() const {
    Document* doc = document();
    return doc != nullptr ? doc->line() : nullptr;
}

// Call events

void CallForm::on_document_refresh(const RefreshHint& hint) {
    if (hint.call_offered || hint.call_dialing) {
        show_call(hint.call_offered);
    } else if (hint.call_connected) {
        // However the call was taken up (here, by the talk key, or by the phone itself), a
        // connected call is ended, not answered.
        m_ringing = false;
        m_status_key = u"Connected";
        show_text(*m_status, m_properties.translate(m_status_key));
        show_call_control();
    } else if (hint.call_ended) {
        log() << "CallForm visibility2= " << (visible() ? 1 : 0) << "\n";
        m_ringing = false;
        m_status_key.clear();
        m_keyboard.close(false);
        close();
    } else if (hint.caller_changed) {
        look_up_caller();
    }
}

void CallForm::show_call(bool incoming) {
    m_ringing = incoming;
    // A placed call is named too: one the stock phone placed has no number of ours, and the
    // names of the last call must not stay.
    look_up_caller();
    m_status_key = incoming ? u"IncomingCall" : u"Dialing";
    show_text(*m_status, m_properties.translate(m_status_key));
    show_call_control();
    show_switches();
    // A new call starts without the keypad of the last one.
    m_keyboard.close(false);
    log() << "CallForm::on_document_refresh before add_modal_form\n";
    show_on_top();
}

void CallForm::look_up_caller() {
    Document* doc = document();
    if (doc == nullptr) {
        return;
    }
    const WString number = doc->caller_number;
    const ContactEntry* entry = doc->find_by_number(number);
    if (entry != nullptr) {
        log() << "CallFrom -> contact found for " << number << "\n";
        m_caller_id = entry->contact.object_id;
        show_text(*m_firstname, entry->contact.first_name);
        show_text(*m_lastname, entry->contact.last_name);
    } else {
        log() << "CallFrom -> contact not found for " << number << "\n";
        m_caller_id = 0;
        show_text(*m_firstname, {});
        show_text(*m_lastname, {});
    }
    // The placeholder for a withheld number is a language key; a real number shows as itself.
    show_text(*m_company, m_properties.translate(number));
    m_photo_box = {};
    show_photo();
}

void CallForm::show_photo() {
    zentra::Size box = m_photo->size();
    if (box.w <= 0 || box.h <= 0) {
        // Not laid out yet: the size the skin asks for.
        const zentra::FormHost* host = zentra::FormHost::instance();
        const int shift = host != nullptr ? host->screen_metrics().scale_shift() : 0;
        box = {m_photo->design_size().w << shift, m_photo->design_size().h << shift};
    }
    m_photo_box = box;
    zentra::ImageRef picture;
    Document* doc = document();
    ContactSource* store = doc != nullptr ? doc->store() : nullptr;
    if (m_caller_id != 0 && store != nullptr && box.w > 0 && box.h > 0) {
        picture = store->picture(m_caller_id, box.w, box.h);
    }
    const zentra::ImageRef& shown = picture.empty() ? m_default_photo : picture;
    // A new source lays the form out again; the same one must not, or every layout would.
    if (shown.picture != m_photo->source().picture || shown.pairs != m_photo->source().pairs) {
        m_photo->set_source(shown);
    }
}

void CallForm::advance(double seconds) {
    Form::advance(seconds);
    // The picture was fetched before the form had its size, or the size changed since: it is
    // fetched again for the real box here, between layouts, so the next layout places it.
    const zentra::Size box = m_photo->size();
    if (m_caller_id != 0 && box.w > 0 && box.h > 0 &&
        (box.w != m_photo_box.w || box.h != m_photo_box.h)) {
        show_photo();
    }
}

void CallForm::show_call_control() {
    m_buttons[Answer]->set_visible_at_once(m_ringing);
    m_buttons[Ignore]->set_visible_at_once(m_ringing);
    m_buttons[EndCall]->set_visible_at_once(!m_ringing);
}

void CallForm::show_switches() {
    const Document* doc = document();
    if (doc == nullptr) {
        return;
    }
    m_switch_speaker->set_visible_at_once(doc->loudspeaker_on);
    m_switch_mute->set_visible_at_once(!doc->microphone_muted);
    m_switch_hold->set_visible_at_once(doc->call_on_hold);
}

// The stack

bool CallForm::is_top() const {
    const zentra::FormHost* host = zentra::FormHost::instance();
    return host != nullptr && host->top_form() == this;
}

void CallForm::show_on_top() {
    zentra::FormHost* host = zentra::FormHost::instance();
    // A second event of the same call finds the screen in front already: no new transition.
    if (host == nullptr || is_top()) {
        return;
    }
    host->remove_modal_form(*this, false);
    host->add_modal_form(*this, false, true);
}

void CallForm::close() {
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->remove_modal_form(*this, true);
    }
}

void CallForm::show_again() {
    m_keyboard.close(false);
    show_switches();
    show_on_top();
}

// Buttons and keys

void CallForm::answer() {
    log() << "btnAnswer clicked\n";
    if (LineHandler* phone = line()) {
        phone->answer_call();
    }
    m_ringing = false;
    show_call_control();
}

bool CallForm::answer_ringing_call() {
    if (!m_ringing) {
        return false;
    }
    answer();
    return true;
}

void CallForm::end_call() {
    log() << "btnEndCall clicked\n";
    m_ringing = false;
    m_status_key.clear();
    if (LineHandler* phone = line()) {
        phone->drop_call();
    }
    log() << "CallForm visibility1= " << (visible() ? 1 : 0) << "\n";
    close();
}

bool CallForm::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    log() << "CallForm::on_click_broadcast\n";
    int which = 0;
    while (which < ButtonCount && m_buttons[which] != &button) {
        ++which;
    }
    LineHandler* phone = line();
    switch (which) {
        case Answer:
            answer();
            break;
        case EndCall:
        case Ignore:
            end_call();
            break;
        case Mute:
            if (phone != nullptr) {
                phone->toggle_mute();
            }
            show_switches();
            break;
        case Speaker:
            if (phone != nullptr) {
                phone->toggle_loudspeaker();
            }
            show_switches();
            break;
        case Hold:
            log() << "btnHold pressed\n";
            if (phone != nullptr) {
                phone->toggle_hold();
            }
            show_switches();
            break;
        case Note:
            log() << "btnNote pressed\n";
            run_notes_program();
            break;
        case Keyboard:
            m_keyboard.show(false);
            break;
        case Contacts:
            close();
            break;
        default:
            return false;
    }
    return true;
}

void CallForm::on_keyboard_text(KeyboardContainer&, WStringView text) {
    if (text.empty()) {
        return;
    }
    if (LineHandler* phone = line()) {
        phone->send_key_tone(text);
    }
}

bool CallForm::on_form_key(const zentra::KeyEvent& event) {
    // The talk key answers a ringing call, as it would in the phone's own screen.
    if (event.key == key::CallMake && event.down && answer_ringing_call()) {
        return true;
    }
    return Form::on_key(event);
}

}  // namespace velvane

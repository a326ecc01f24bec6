#pragma once
// Skin source for the call screen on a 100 x 100 screen: the caller's names in the top left
// (10 high each), the photo 30 x 30 in the top right, the status below the names; the toggles,
// notes and contacts in a row at y 40, keypad, answer, ignore and end at y 60; the keypad of
// screen_test_support.h over the top left when it is open.

#include <string>

#include "tests/screens/contact_card_support.h"
#include "tests/screens/screen_test_support.h"

namespace screens_test {

// A call button of 20 x 20 in the row at y with its switch inside.
inline std::string call_button(const std::string& id, int x, int y,
                               const std::string& switch_id = "") {
    return card_button(id, x, y, 20, 20,
                       switch_id.empty()
                           ? std::string()
                           : "node { string type = \"node\" string id = \"" + switch_id + "\" }");
}

inline std::string call_form_source() {
    return "define CallForm { point design_size = 100, 100\n" +
           card_text("firstname", 0, 0, 50, 10) + card_text("lastname", 0, 10, 50, 10) +
           card_text("company", 0, 20, 50, 10) + card_text("txtStatus", 0, 30, 50, 10) +
           "node { string type = \"image\" string id = \"photo\"" + at(70, 0, 30, 30) + "}\n" +
           call_button("buttonSpeaker", 0, 40, "switchSpeaker") +
           call_button("buttonMute", 20, 40, "switchMute") +
           call_button("buttonHold", 40, 40, "switchHold") + call_button("buttonNote", 60, 40) +
           call_button("buttonContacts", 80, 40) + call_button("buttonKeyboard", 0, 60) +
           call_button("buttonAnswer", 20, 60) + call_button("buttonIgnore", 40, 60) +
           call_button("buttonEndCall", 60, 60) + keypad_source() + "}\n";
}

}  // namespace screens_test

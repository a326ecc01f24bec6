#pragma once
// Skin source for the recents screens on a 100 x 100 screen. The recents list fills the main
// screen; a row is 10 high: the name x 0..39 (the whole row's tap), the direction icon
// x 60..69, the history button x 90..99. The history form has its top bar (cancel or
// padding, the edit toggle at x 80..89) 10 high with the list below; its head is 20 high, a
// call row 10 with its remove button at x 90..99.

#include <string>

#include "tests/screens/contact_card_support.h"

namespace screens_test {

// Three states of buttons, so a tap steps the icon as a tap on a skin's icon does.
inline std::string direction_source(int x) {
    return "node { string type = \"multinode\" string id = \"direction\"" + at(x, 0, 10, 10) +
           card_button("incoming", 0, 0, 10, 10) + card_button("missed", 0, 0, 10, 10) +
           card_button("outgoing", 0, 0, 10, 10) + "}\n";
}

// The container inside the main screen.
inline std::string recents_container_source() {
    return "node { string type = \"node\" string id = \"RecentsContainer\"\n"
           "node { string type = \"vlist\" string id = \"RecentsList\" } }\n";
}

// The row definitions and the history form.
inline std::string recents_definitions() {
    std::string s = "define RecentsListElement { point design_size = 100, 10\n" +
                    card_text("firstlast", 0, 0, 30, 10) + card_text("count", 30, 0, 10, 10) +
                    card_text("datetime", 40, 0, 10, 10) + card_text("duration", 50, 0, 10, 10) +
                    direction_source(60) + card_text("phone", 70, 0, 20, 10) +
                    card_button("btnRecents", 90, 0, 10, 10) + "}\n";
    s += "define ContactRecentsForm { point design_size = 100, 100\n" +
         card_button("cancel", 0, 0, 20, 10) +
         "node { string type = \"node\" string id = \"padding\"" + at(0, 0, 20, 10) + "}\n" +
         toggle("edit_mode", 80, 0) +
         "node { string type = \"vlist\" string id = \"List\" point border_min = 0, 10 }\n}\n";
    s += "define SimpleContactHead { point design_size = 100, 20\n" +
         card_text("firstname", 0, 0, 40, 10) + card_text("lastname", 40, 0, 40, 10) +
         card_text("company", 0, 10, 80, 10) +
         "node { string type = \"image\" string id = \"photo\"" + at(80, 0, 20, 20) + "}\n}\n";
    s += "define SimpleRecentsListElement { point design_size = 100, 10\n" +
         card_text("phone", 0, 0, 30, 10) + card_text("call_info", 30, 0, 50, 10) +
         direction_source(80) + card_button("remove", 90, 0, 10, 10) + "}\n";
    return s;
}

}  // namespace screens_test

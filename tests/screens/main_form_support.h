#pragma once
// Skin source for the main form's tests: the main screen with its tabs, the contact chooser,
// the menus, and the contact card with its editors, which the main form builds.

#include <string>

#include "tests/screens/call_form_support.h"
#include "tests/screens/contact_card_support.h"
#include "tests/screens/contact_list_support.h"
#include "tests/screens/favorites_support.h"
#include "tests/screens/recents_support.h"

namespace screens_test {

// in_each_state goes into every state child, as a skin that draws each state in full does.
inline std::string tab_source(const std::string& id, int x, const std::string& extra = "",
                              const std::string& in_each_state = "") {
    std::string s = "node { string type = \"button\" string id = \"" + id +
                    "\" string anchor_x = \"MIN_SIDE\" string anchor_y = \"MAX_SIDE\" "
                    "point border_min = " +
                    std::to_string(x) + ", 0 point design_size = 16, 10\n";
    for (int i = 0; i < 3; ++i) {
        s += "node { string type = \"node\" string id = \"#state" + std::to_string(i) + "\"\n" +
             in_each_state + "}\n";
    }
    return s + extra + "}\n";
}

// The sync's line across the top 10 pixels.
inline std::string sync_line_source() {
    return R"(node { string type = "button" string id = "sync_status" string anchor_y = "MIN_SIDE"
                  point design_size = 100, 10
                  node { string type = "text" string id = "sync_status" } }
    )";
}

// Main: the list, its ruler and the keypad fill the screen, the sync's line over them; the
// tabs sit in the bottom 10 pixels (contacts, favourites, recents with a badge in each state, menu, then the keypad
// button).
inline std::string main_skin() {
    return "define Main { point design_size = 100, 100\n" + contact_list_source() +
           recents_container_source() + favorites_containers_source() +
           keypad_source() + tab_source("button_contacts", 0) + tab_source("button_favorits", 20) +
           tab_source("button_recents", 40, "",
                      "node { string type = \"text\" string id = \"recent_count\" }\n") +
           tab_source("button_menu", 60) + tab_source("open_keyboard", 80) + sync_line_source() +
           "}\n" +
           "define ContactSelectorForm { point design_size = 100, 100\n" + contact_list_source() +
           keypad_source() + tab_source("cancel", 0) + tab_source("open_keyboard", 80) + "}\n" +
           contact_row_source() + contact_card_source() + card_menu_source() +
           recents_definitions() + favorites_rows_source() + call_form_source() + R"(
        define MenuElement4Buttons { point design_size = 100, 10
            node { string type = "button"  string id = "Help" }
        }
    )";
}

}  // namespace screens_test

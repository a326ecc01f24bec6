#pragma once
// Skin source for the contact card and the editors it owns, on a 100 x 100 screen: the card's
// top bar is 10 high (cancel or padding, standart, the edit toggle) with the row list below;
// the head row is 30 high, a field row 10, a group separator 4, a separator 2, the edit
// buttons 10. The date editor's spinners need the program's spinner type, registered here for
// the life of a SpinnerType.

#include <string>

#include "skin/node_factory.h"
#include "skin/spinner.h"

namespace screens_test {

struct SpinnerType {
    SpinnerType() {
        zentra::NodeFactory::register_type(u"spinner", zentra::create_node<zentra::SpinnerNode>);
    }
    ~SpinnerType() { zentra::NodeFactory::unregister_type(u"spinner"); }
};

inline std::string at(int x, int y, int w, int h) {
    return " string anchor_x = \"MIN_SIDE\" string anchor_y = \"MIN_SIDE\" point border_min = " +
           std::to_string(x) + ", " + std::to_string(y) + " point design_size = " +
           std::to_string(w) + ", " + std::to_string(h) + " ";
}

inline std::string card_button(const std::string& id, int x, int y, int w, int h,
                               const std::string& inside = "") {
    return "node { string type = \"button\" string id = \"" + id + "\"" + at(x, y, w, h) +
           "node { string type = \"node\" string id = \"#normal\" }"
           " node { string type = \"node\" string id = \"#pressed\" } " +
           inside + "}\n";
}

inline std::string card_text(const std::string& id, int x, int y, int w, int h) {
    return "node { string type = \"text\" string id = \"" + id + "\"" + at(x, y, w, h) + "}\n";
}

inline std::string label_edit(const std::string& id, int y) {
    return "node { string type = \"label_edit\" string id = \"" + id + "\"" + at(0, y, 100, 10) +
           " node { string type = \"edit\" string id = \"#edit\" }"
           " node { string type = \"text\" string id = \"#text\" } }\n";
}

inline std::string icon_states(const std::string& id, int x, int count) {
    std::string s = "node { string type = \"multinode\" string id = \"" + id + "\"" +
                    at(x, 0, 10, 10);
    for (int i = 0; i < count; ++i) {
        s += " node { string type = \"node\" string id = \"state" + std::to_string(i) + "\" }";
    }
    return s + " }\n";
}

inline std::string toggle(const std::string& id, int x, int y) {
    return "node { string type = \"multinode\" string id = \"" + id + "\"" + at(x, y, 10, 10) +
           card_button("off", 0, 0, 10, 10) + card_button("on", 0, 0, 10, 10) + "}\n";
}

inline std::string editor(const std::string& name, const std::string& inside) {
    return "define " + name + " { point design_size = 100, 100\n" +
           card_button("cancel", 0, 0, 20, 10) + inside + "}\n";
}

// The card, its rows and its editors; the menus are the caller's.
inline std::string contact_card_source() {
    std::string s = "define ContactForm { point design_size = 100, 100\n" +
                    card_button("cancel", 0, 0, 20, 10) +
                    "node { string type = \"node\" string id = \"padding\"" + at(0, 0, 20, 10) +
                    "}\n" + card_button("standart", 40, 0, 20, 10) + toggle("edit_mode", 80, 0) +
                    "node { string type = \"vlist\" string id = \"List\" point border_min = 0, 10 "
                    "}\n}\n";
    s += "define ContactHead { point design_size = 100, 30\n" + card_text("firstname", 0, 0, 50, 10) +
         card_text("lastname", 0, 10, 50, 10) + card_text("company", 0, 20, 50, 10) +
         "node { string type = \"image\" string id = \"photo\"" + at(70, 0, 30, 30) + "}\n" +
         card_button("button_choose_photo", 50, 0, 20, 10,
                     "node { string type = \"text\" string id = \"#text\" }") +
         card_button("button_remove_photo", 50, 10, 20, 10) +
         card_button("edit_header", 50, 20, 20, 10) + "}\n";
    s += "define ContactFieldElement { point design_size = 100, 10\n" +
         card_button("action", 0, 0, 40, 10) + card_text("big", 0, 0, 40, 10) +
         card_text("small", 40, 0, 20, 10) + icon_states("icons", 60, 8) + toggle("favorite", 70, 0) +
         card_button("sms", 80, 0, 10, 10) + card_button("remove", 80, 0, 10, 10) +
         card_button("confirm_remove", 90, 0, 10, 10) + "}\n";
    s += "define GroupSeparatorElement { point design_size = 100, 4 }\n"
         "define SeparatorElement { point design_size = 100, 2 }\n"
         "define ContactFieldButtons { point design_size = 100, 10\n" +
         card_button("new_field", 0, 0, 50, 10) + card_button("delete_contact", 50, 0, 50, 10) +
         "}\n";
    s += editor("SelectFieldForm",
                "node { string type = \"vlist\" string id = \"List\" point border_min = 0, 10 }\n");
    s += "define SelectFieldFormElement { point design_size = 100, 10\n" +
         card_text("big", 0, 0, 60, 10) + icon_states("icons", 60, 8) +
         card_button("action", 0, 0, 100, 10) + "}\n";
    s += editor("EditFieldForm", label_edit("label_edit", 10));
    s += editor("EditDateForm",
                "node { string type = \"node\" string id = \"date\"" + at(0, 10, 100, 60) +
                    " node { string type = \"spinner\" string id = \"year\"" + at(0, 0, 20, 60) +
                    "} node { string type = \"spinner\" string id = \"month\"" +
                    at(20, 0, 20, 60) + "} node { string type = \"spinner\" string id = \"day\"" +
                    at(40, 0, 20, 60) + "} node { string type = \"spinner\" string id = \"hour\"" +
                    at(60, 0, 20, 60) +
                    "} node { string type = \"spinner\" string id = \"minute\"" +
                    at(80, 0, 20, 60) + "} }\n");
    s += "define SpinnerElementDate { point design_size = 20, 20 "
         "node { string type = \"text\" string id = \"#text\" } }\n";
    s += editor("EditCategoriesForm",
                "node { string type = \"vlist\" string id = \"catList\" point border_min = 0, 10 "
                "point border_max = 0, 10 }\n" +
                    card_button("add_category", 0, 90, 100, 10));
    s += "define CategoryElement { point design_size = 100, 10 "
         "node { string type = \"node\" string id = \"checked\" } " +
         card_text("cat_name", 10, 0, 90, 10) + "}\n";
    s += editor("EditContactHeaderForm", label_edit("label_edit_firstname", 10) +
                                             label_edit("label_edit_lastname", 20) +
                                             label_edit("label_edit_company", 30));
    s += editor("EditContactAddressForm",
                label_edit("label_edit_street", 10) + label_edit("label_edit_city", 20) +
                    label_edit("label_edit_zip", 30) + label_edit("label_edit_state", 40) +
                    label_edit("label_edit_country", 50));
    return s;
}

// The menus a card needs when the caller has none.
inline std::string card_menu_source() {
    return R"(
        define Menu {
            node { string type = "node"  string id = "panel"
                node { string type = "text"  string id = "caption" string anchor_y = "MIN_SIDE"
                       point design_size = 100, 10 }
                node { string type = "vlist"  string id = "vlist"  point border_min = 0, 10 }
            }
        }
        define MenuElement { point design_size = 100, 10
            node { string type = "text"  string id = "#text" }
            node { string type = "node"  string id = "checked" }
        }
        define MenuElementRed { point design_size = 100, 10
            node { string type = "text"  string id = "#text" }
        }
    )";
}

}  // namespace screens_test

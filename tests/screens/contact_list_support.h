#pragma once
// Skin source for the contact list tests: the container with its title bar and list, the
// ruler beside it with its hint, rows of two rich-text lines, and the two text styles.

#include <string>

#include "tests/screens/screen_test_support.h"

namespace screens_test {

// Inside a 100 x 100 parent: the title bar is the top 20 pixels, the list the 80 below it
// left of the ruler (x 0..89), rows are 20 high; the ruler is x 90..99, y 20..99. With
// no_matches, the list holds the text it shows when it is left empty.
inline std::string contact_list_source(bool no_matches = false) {
    const std::string list_children =
        no_matches ? R"(node { string type = "text"  string id = "no_matches" })" : "";
    return std::string(R"(
        node { string type = "node"  string id = "ContactSelectorContainer"
            node { string type = "node"  string id = "top"  string anchor_y = "MIN_SIDE"
                   point design_size = 100, 20
                node { string type = "button"  string id = "btnCategory"  string anchor_x = "MIN_SIDE"
                       point design_size = 20, 20 }
                node { string type = "text"  string id = "title"  point border_min = 20, 0
                       point border_max = 20, 0 }
                node { string type = "button"  string id = "btnAddContact"  string anchor_x = "MAX_SIDE"
                       point design_size = 20, 20 }
            }
            node { string type = "vlist"  string id = "ContactsList"  point border_min = 0, 20
                   point border_max = 10, 0 )") + list_children + R"( }
        }
        node { string type = "node"  string id = "ContactsListRuler"  string anchor_x = "MAX_SIDE"
               point design_size = 10, 0  point border_min = 0, 20
            node { string type = "button"  string id = "ruler_button" }
            node { string type = "vtable"  string id = "ruler_table" }
            node { string type = "text"  string id = "hint" }
        }
    )";
}

inline std::string contact_row_source() {
    return R"(
        define ContactsListElement { string type = "node"  point design_size = 90, 20
            node { string type = "richtext"  string id = "big"  string anchor_y = "MIN_SIDE"
                   point design_size = 90, 10 }
            node { string type = "richtext"  string id = "small"  string anchor_y = "MAX_SIDE"
                   point design_size = 90, 10 }
        }
        define ContactsListElementFilteredText { color color = #ff0000 }
        define ContactsListElementSecondText { color color = #808080 }
        define AlphabetRulerText { string type = "text"  point design_size = 10, 10 }
    )";
}

}  // namespace screens_test

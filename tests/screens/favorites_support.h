#pragma once
// Skin source for the favourites screens: both containers filling their parent, each with
// its list, a list row 20 high (photo, name, value, btnFav) and grid tiles of a chosen size
// (btnContact over the whole tile, btnFav in its top-right corner, photo, two texts).

#include <string>

namespace screens_test {

inline std::string favorites_containers_source() {
    return R"(
        node { string type = "node"  string id = "FavoritesContainer"
            node { string type = "vlist"  string id = "FavoritesList" }
        }
        node { string type = "node"  string id = "FavoritesContainer2"
            node { string type = "vlist"  string id = "FavoritesList2" }
        }
    )";
}

inline std::string favorites_rows_source(int tile_w = 30, int tile_h = 30) {
    const std::string w = std::to_string(tile_w), h = std::to_string(tile_h);
    const auto at = [](int x, int y, int bw, int bh) {
        return " string anchor_x = \"MIN_SIDE\" string anchor_y = \"MIN_SIDE\" point border_min "
               "= " +
               std::to_string(x) + ", " + std::to_string(y) +
               " point design_size = " + std::to_string(bw) + ", " + std::to_string(bh) + " ";
    };
    const std::string states =
        " node { string type = \"node\" string id = \"#normal\" }"
        " node { string type = \"node\" string id = \"#pressed\" } ";
    std::string s =
        "define FavoritesListElement { point design_size = 100, 20\n"
        "node { string type = \"image\" string id = \"photo\"" +
        at(0, 0, 20, 20) +
        "}\n"
        "node { string type = \"text\" string id = \"big\"" +
        at(20, 0, 60, 10) +
        "}\n"
        "node { string type = \"text\" string id = \"small\"" +
        at(20, 10, 60, 10) +
        "}\n"
        "node { string type = \"button\" string id = \"btnFav\"" +
        at(80, 0, 20, 20) + states + "}\n}\n";
    s += "define FavoritesListElement2 { point design_size = 0, 0 }\n";
    s += "define FavoritesItem { string anchor_y = \"MIN_SIDE\" point design_size = " + w + ", " +
         h +
         "\n"
         "node { string type = \"button\" string id = \"btnContact\"" +
         states +
         "}\n"
         "node { string type = \"image\" string id = \"photo\"" +
         at(0, 0, 10, 10) +
         "}\n"
         "node { string type = \"text\" string id = \"text1\"" +
         at(0, 10, tile_w, 10) +
         "}\n"
         "node { string type = \"text\" string id = \"text2\"" +
         at(0, 20, tile_w, 10) +
         "}\n"
         "node { string type = \"button\" string id = \"btnFav\" string anchor_x = \"MAX_SIDE\" "
         "string anchor_y = \"MIN_SIDE\" point design_size = 10, 10 " +
         states + "}\n}\n";
    return s;
}

}  // namespace screens_test

// The favourites grid as a person uses it, on a phone book written with velvane-pim and a
// favourites file pinning every mobile number: a tap on a tile dials its number (the phone
// engine sees the outgoing call), and turned to landscape the grid holds more tiles a row.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/screen_walk.h"

namespace {

using e2e::Home;

using e2e::Box;
using e2e::boxes_of;

// Tiles in the grid's first row: those at the first tile's height.
int tiles_in_first_row(const std::vector<Box>& tiles) {
    int n = 0;
    for (const Box& tile : tiles) {
        n += !tiles.empty() && tile.y == tiles.front().y;
    }
    return n;
}

std::string utf16le(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Seven people, A to G by first name, each with a mobile number; all of them favourites.
void add_favourite_people(Home& home) {
    const char* names[] = {"Alma", "Bob", "Cora", "Dave", "Edna", "Fred", "Gina"};
    std::string file;
    for (int i = 0; i < 7; ++i) {
        const e2e::RunResult run = home.run(e2e::program_dir() / "velvane-pim",
                                            {"add", "--first", names[i], "--last", "Tester",
                                             "Mobile=555010" + std::to_string(i + 1)});
        ASSERT_EQ(run.exit_code, 0) << run.err;
        const std::string id = run.out.substr(0, run.out.find('\n'));
        file += "fc" + std::to_string(i) + "=" + id + "\nft" + std::to_string(i) + "=0\n";
    }
    e2e::write_file(home.data() / "velvane" / "app" / "favorits.dat", utf16le("count=7\n" + file));
    home.add_registry(
        "[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\n\"FavoriteMode\"=dword:00000002\n");
}

TEST(Favourites, ATileDialsItsNumberAndLandscapeHoldsMoreTilesARow) {
    Home home;
    home.enable_log();
    add_favourite_people(home);

    const e2e::RunResult first =
        home.run_script("wait 3\ndump portrait.txt\nquit\n", {"--size", "480x800"}, {"favorites"});
    ASSERT_EQ(first.exit_code, 0) << first.err;
    const std::vector<Box> portrait = boxes_of(home, "portrait.txt", "FavoritesItem");
    ASSERT_EQ(portrait.size(), 7u) << "every favourite has its tile";
    const int per_row = tiles_in_first_row(portrait);
    ASSERT_GE(per_row, 2);
    EXPECT_EQ(portrait[1].x, portrait[0].x + portrait[0].w) << "tiles sit side by side";

    // Bob's tile: below its photo, where btnContact takes the tap and the star does not.
    const Box bob = portrait[1];
    const e2e::RunResult dial = home.run_script(
        "wait 3\ntap " + std::to_string(bob.x + bob.w / 2) + " " +
            std::to_string(bob.y + bob.h * 3 / 4) +
            "\nwait 1\n"
            // The far end answers the outgoing call and hangs up: both fail without one.
            "phone answer\nwait 1\nphone hangup\nwait 1\nquit\n",
        {"--size", "480x800"}, {"favorites"});
    ASSERT_EQ(dial.exit_code, 0) << dial.err;
    const auto lines = home.log_lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("PhoneManager::call_number 5550102") != std::string::npos;
    }));

    const e2e::RunResult turned =
        home.run_script("wait 3\ndump landscape.txt\nquit\n", {"--size", "800x480"}, {"favorites"});
    ASSERT_EQ(turned.exit_code, 0) << turned.err;
    const std::vector<Box> landscape = boxes_of(home, "landscape.txt", "FavoritesItem");
    ASSERT_FALSE(landscape.empty());
    EXPECT_GT(tiles_in_first_row(landscape), per_row);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("FavoriteElement2::refresh_element ") != std::string::npos;
    }));
}

}  // namespace

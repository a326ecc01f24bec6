// Searching the contact list as a person does: digits of a number typed the way it is dialled
// at home find a contact stored with its country code, and a search that finds no one says so
// over the list.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/png_pixels.h"
#include "tests/e2e/screen_walk.h"

namespace {

using e2e::Dump;
using e2e::Home;
using e2e::Walk;

void add_contact(Home& home, const std::vector<std::string>& args) {
    std::vector<std::string> all{"add"};
    all.insert(all.end(), args.begin(), args.end());
    const e2e::RunResult run = home.run(e2e::program_dir() / "velvane-pim", all);
    ASSERT_EQ(run.exit_code, 0) << run.err;
}

void add_book(Home& home) {
    add_contact(home, {"--first", "Erika", "--last", "Mustermann", "Mobile=+49 196 8964952"});
    add_contact(home, {"--first", "Anna", "--last", "Smith", "Mobile=555-0101"});
    add_contact(home, {"--first", "Bob", "--last", "Brown", "Mobile=0170 5550102"});
}

// The dump line of the first node of that name.
std::string line_of(const std::string& dump, const std::string& name) {
    const size_t at = dump.find("{" + name + "}");
    if (at == std::string::npos) {
        return {};
    }
    return dump.substr(at, dump.find('\n', at) - at);
}

// Opens the keypad and types the digits on it.
void type_on_keypad(Walk& walk, const Dump& main, const std::string& digits) {
    walk << e2e::tap(main.box("open_keyboard")) << "wait 1\n";
    for (char digit : digits) {
        walk << e2e::tap(main.box(std::string("button") + digit)) << "wait 0.3\n";
    }
}

TEST(Search, TheNationalFormOfANumberTypedOnTheKeypadFindsItsContact) {
    Home home;
    add_book(home);
    Walk walk(home);
    walk << "wait 3\n";
    const Dump main = walk.look();
    ASSERT_EQ(main.count("ContactsListElement"), 3u);
    // Stored as +49 196 8964952; dialled at home as 0196 8964952.
    type_on_keypad(walk, main, "0196");
    const Dump typed = walk.look();
    ASSERT_EQ(typed.count("ContactsListElement"), 1u);
    walk << e2e::tap(typed.box("ContactsListElement")) << "wait 1\n";
    const e2e::RunResult run = walk.play("dump card.txt\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const std::string card = e2e::read_file(home.root() / "card.txt");
    EXPECT_EQ(card.rfind("{ContactForm}", 0), 0u) << card.substr(0, 200);
    EXPECT_NE(card.find("Mustermann"), std::string::npos) << "the card of the one found";
}

TEST(Search, ASearchThatFindsNoOneSaysSoOverTheList) {
    Home home;
    add_book(home);
    Walk walk(home);
    walk << "wait 3\n";
    const Dump main = walk.look();
    type_on_keypad(walk, main, "97");
    walk << "dump none.txt\nscreenshot none.png\n"
         << "key Backspace\nkey Backspace\nwait 0.3\ndump cleared.txt\n";
    const e2e::RunResult run = walk.play();
    ASSERT_EQ(run.exit_code, 0) << run.err;

    const std::string none = e2e::read_file(home.root() / "none.txt");
    const std::string cleared = e2e::read_file(home.root() / "cleared.txt");
    EXPECT_EQ(Dump(none).count("ContactsListElement"), 0u);
    EXPECT_NE(line_of(none, "no_matches").find("text=\"No matches\""), std::string::npos)
        << line_of(none, "no_matches");
    EXPECT_EQ(line_of(none, "no_matches").find(" hidden"), std::string::npos);
    EXPECT_EQ(Dump(cleared).count("ContactsListElement"), 3u);
    EXPECT_NE(line_of(cleared, "no_matches").find(" hidden"), std::string::npos)
        << "the whole book is back, with nothing to say";

    // The words are drawn: the text's box holds more than the list's ground.
    const e2e::Picture shot = e2e::read_png((home.root() / "none.png").string());
    ASSERT_FALSE(shot.empty());
    const e2e::Box text = Dump(none).box("no_matches");
    ASSERT_FALSE(text.empty());
    const uint32_t ground = shot.at(text.x, text.y);
    int inked = 0;
    for (int y = text.y; y < text.bottom(); ++y) {
        for (int x = text.x; x < text.x + text.w; ++x) {
            inked += shot.at(x, y) != ground;
        }
    }
    EXPECT_GT(inked, 40);
}

}  // namespace

// The main screen's tabs as a person uses them, in both shipped skins: the keypad, the ruler and
// the keypad button stay on the contacts tab, an open keypad comes back with the list it
// narrowed, and the missed-call badge stays in sight on the recents tab.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/png_pixels.h"

namespace {

using e2e::Home;

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    std::string tap() const {
        return "tap " + std::to_string(x + w / 2) + " " + std::to_string(y + h / 2) + "\n";
    }
};

// The first node of that name in a dump.
Box box_of(const std::string& dump, const std::string& name) {
    std::istringstream lines(dump);
    std::string line;
    Box box;
    while (std::getline(lines, line)) {
        const size_t at = line.find("{" + name + "}");
        if (at != std::string::npos) {
            std::sscanf(line.c_str() + at + name.size() + 2, " position=%d %d size=%d %d", &box.x,
                        &box.y, &box.w, &box.h);
            break;
        }
    }
    return box;
}

size_t rows_in(const std::string& dump) {
    size_t n = 0;
    for (size_t at = dump.find("{ContactsListElement}"); at != std::string::npos;
         at = dump.find("{ContactsListElement}", at + 1)) {
        ++n;
    }
    return n;
}

// Pixels that differ between two pictures inside a box.
int differing(const e2e::Picture& a, const e2e::Picture& b, const Box& box) {
    int n = 0;
    for (int y = box.y; y < box.y + box.h && y < a.height && y < b.height; ++y) {
        for (int x = box.x; x < box.x + box.w && x < a.width && x < b.width; ++x) {
            n += a.at(x, y) != b.at(x, y);
        }
    }
    return n;
}

class MainTabs : public ::testing::TestWithParam<const char*> {};

TEST_P(MainTabs, TheContactsTabKeepsItsKeypadAndTheRecentsTabItsBadge) {
    Home home;
    for (const char* name : {"Anna Smith", "Bob Brown", "Dana White", "Ann Adams", "Cid Cole"}) {
        const std::string text(name);
        const size_t space = text.find(' ');
        const e2e::RunResult added = home.run(
            e2e::program_dir() / "velvane-pim",
            {"add", "--first", text.substr(0, space), "--last", text.substr(space + 1)});
        ASSERT_EQ(added.exit_code, 0) << added.err;
    }
    home.add_registry(std::string("[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\n\"Skin\"=\"") +
                      GetParam() + "\"\n");
    const e2e::RunResult first = home.run_script("wait 3\ndump layout.txt\nquit\n");
    ASSERT_EQ(first.exit_code, 0) << first.err;
    const std::string layout = e2e::read_file(home.root() / "layout.txt");
    const Box open = box_of(layout, "open_keyboard");
    const Box ruler = box_of(layout, "ruler_button");
    const Box key2 = box_of(layout, "button2");
    const Box key6 = box_of(layout, "button6");
    const Box contacts = box_of(layout, "button_contacts");
    const Box favorites = box_of(layout, "button_favorits");
    const Box recents = box_of(layout, "button_recents");
    const Box badge = box_of(layout, "recent_count");
    const Box tabs = box_of(layout, "tabs");
    ASSERT_GT(open.w, 0);
    ASSERT_GT(key6.w, 0);
    ASSERT_GT(badge.w, 0);
    const Box below_tabs{0, tabs.y + tabs.h, tabs.w, 2000};

    // Nothing on the contacts tab has been touched: how favourites and recents look alone.
    const e2e::RunResult clean = home.run_script("wait 3\n" + favorites.tap() +
                                                 "wait 1\n"
                                                 "screenshot fav_clean.png\n" +
                                                 recents.tap() +
                                                 "wait 1\n"
                                                 "screenshot recents_clean.png\n"
                                                 "quit\n");
    ASSERT_EQ(clean.exit_code, 0) << clean.err;

    home.add_registry("[HKEY_CURRENT_USER\\System\\State\\Phone]\n"
                      "\"Missed Call Count\"=dword:00000002\n");
    const e2e::RunResult run = home.run_script(
        "wait 3\n" + open.tap() + "wait 1\n" + key2.tap() + "wait 0.3\n" + key6.tap() +
        "wait 1\n"
        "dump typed.txt\n"
        "screenshot typed.png\n" +
        favorites.tap() +
        "wait 1\n"
        "screenshot fav.png\n" +
        open.tap() + "wait 1\n" + ruler.tap() +
        "wait 1\n"
        "screenshot fav_tapped.png\n" +
        recents.tap() +
        "wait 1\n"
        "screenshot recents.png\n"
        // A call missed while the recents tab is the current one.
        "phone ring 5550100\n"
        "wait 2\n"
        "phone hangup\n"
        "wait 4\n"
        "screenshot recents_missed.png\n" +
        contacts.tap() +
        "wait 1\n"
        "dump back.txt\n"
        "screenshot back.png\n"
        "quit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;

    const auto picture = [&home](const char* file) {
        e2e::Picture p = e2e::read_png((home.root() / file).string());
        EXPECT_FALSE(p.empty()) << file;
        return p;
    };
    const e2e::Picture typed = picture("typed.png"), fav = picture("fav.png"),
                       fav_tapped = picture("fav_tapped.png"), fav_clean = picture("fav_clean.png"),
                       rec = picture("recents.png"), rec_missed = picture("recents_missed.png"),
                       rec_clean = picture("recents_clean.png"), back = picture("back.png");
    const Box screen{0, 0, typed.width, typed.height};

    // "26" is a, b or c, then m, n or o: Adams, Brown, Cole, Smith.
    const std::string typed_dump = e2e::read_file(home.root() / "typed.txt");
    EXPECT_EQ(rows_in(typed_dump), 4u);
    // The favourites tab shows nothing of the contacts tab, and the keypad button's and the
    // ruler's places take no taps there.
    EXPECT_EQ(differing(fav, fav_clean, below_tabs), 0) << "keypad, ruler or keypad button drawn";
    EXPECT_EQ(differing(fav, fav_tapped, screen), 0) << "a tap reached the contacts tab";
    // Back on contacts the keypad comes back with its text, over the list it narrowed.
    EXPECT_EQ(rows_in(e2e::read_file(home.root() / "back.txt")), 4u);
    EXPECT_EQ(differing(typed, back, below_tabs), 0);

    // The badge on the current recents tab: the two waiting calls, then the one missed there.
    EXPECT_GT(differing(rec, rec_clean, badge), 20) << "no badge on the current tab";
    EXPECT_GT(differing(rec_missed, rec_clean, badge), 20) << "the new missed call went unseen";
    EXPECT_GT(differing(rec_missed, rec, badge), 0) << "2 and 3 look alike";
    // Seen there, the calls no longer wait: the platform's count went back to 0.
    const std::string registry = e2e::read_file(home.config() / "velvane" / "registry.reg");
    EXPECT_NE(registry.find("\"Missed Call Count\"=dword:00000000"), std::string::npos)
        << registry;
}

INSTANTIATE_TEST_SUITE_P(Skins, MainTabs, ::testing::Values("default", "default_dark"));

}  // namespace

// The main screen's menus and arguments in whole runs: a new skin and a new language reload
// every screen and are kept for the next start, the sort menu re-orders the list, the
// category menu narrows it, a second start picks the contacts tab, and a call missed through
// the phone engine raises the badge.

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/png_pixels.h"

namespace {

using e2e::Home;

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
};

// Every node of that name in a dump (or every row: names starting with it), in tree order.
std::vector<Box> boxes_of(const Home& home, const std::string& dump, const std::string& name,
                          bool prefix = false) {
    std::istringstream lines(e2e::read_file(home.root() / dump));
    std::string line;
    std::vector<Box> boxes;
    const std::string open = "{" + name + (prefix ? "" : "}");
    while (std::getline(lines, line)) {
        const size_t at = line.find(open);
        if (at == std::string::npos) {
            continue;
        }
        const size_t close = line.find('}', at);
        Box box;
        std::sscanf(line.c_str() + close + 1, " position=%d %d size=%d %d", &box.x, &box.y, &box.w,
                    &box.h);
        boxes.push_back(box);
    }
    return boxes;
}

std::string tap(const Box& box) {
    return "tap " + std::to_string(box.x + box.w / 2) + " " + std::to_string(box.y + box.h / 2) +
           "\nwait 1\n";
}

void add(Home& home, const std::vector<std::string>& args) {
    const e2e::RunResult run = home.run(e2e::program_dir() / "velvane-pim", args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
}

void add_book(Home& home) {
    add(home, {"add", "--first", "Anna", "--last", "Smith", "Mobile=555-0101"});
    add(home, {"add", "--first", "Bob", "--last", "Adams", "Mobile=555-0102"});
    add(home, {"add", "--first", "Carl", "--last", "Brown", "Mobile=555-0103"});
}

// Walks menus by row number: each step taps row k of the menu the steps so far have opened,
// reading the rows from a dump of that menu.
class MenuWalk {
public:
    MenuWalk(Home& home, std::string start) : m_home(home), m_script(std::move(start)) {}

    void choose(size_t row) {
        const std::string dump = "walk" + std::to_string(++m_step) + ".txt";
        const e2e::RunResult run = m_home.run_script(m_script + "dump " + dump + "\nquit\n");
        ASSERT_EQ(run.exit_code, 0) << run.err;
        const std::vector<Box> rows = boxes_of(m_home, dump, "MenuElement", true);
        ASSERT_LT(row, rows.size()) << "the menu has " << rows.size() << " rows";
        m_script += tap(rows[row]);
    }
    const std::string& script() const { return m_script; }

private:
    Home& m_home;
    std::string m_script;
    int m_step = 0;
};

Box first_box(const Home& home, const std::string& dump, const std::string& name) {
    const std::vector<Box> boxes = boxes_of(home, dump, name);
    return boxes.empty() ? Box{} : boxes.front();
}

e2e::Picture picture(const Home& home, const std::string& name) {
    return e2e::read_png((home.root() / name).string());
}

// Pixels that differ inside the box.
int differences(const e2e::Picture& a, const e2e::Picture& b, const Box& box) {
    int n = 0;
    for (int y = box.y; y < box.y + box.h && y < a.height && y < b.height; ++y) {
        for (int x = box.x; x < box.x + box.w && x < a.width && x < b.width; ++x) {
            n += a.at(x, y) != b.at(x, y);
        }
    }
    return n;
}

// The screen's main parts, from a first run.
struct Layout {
    Box menu, category, title, list, recents;
};
Layout read_layout(Home& home) {
    const e2e::RunResult run = home.run_script("wait 3\ndump layout.txt\nquit\n");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    Layout layout;
    layout.menu = first_box(home, "layout.txt", "button_menu");
    layout.category = first_box(home, "layout.txt", "btnCategory");
    layout.title = first_box(home, "layout.txt", "title");
    layout.list = first_box(home, "layout.txt", "ContactsList");
    layout.recents = first_box(home, "layout.txt", "button_recents");
    EXPECT_GT(layout.menu.w, 0);
    EXPECT_GT(layout.list.h, 0);
    return layout;
}

TEST(MainMenus, ANewSkinReloadsTheScreenAndIsKept) {
    Home home;
    add_book(home);
    const Layout layout = read_layout(home);
    MenuWalk walk(home, "wait 3\nscreenshot light.png\n" + tap(layout.menu));
    walk.choose(1);  // MainMenu: the window buttons, Settings, ...
    walk.choose(2);  // Settings: Sort, Language, Skin, Cancel
    walk.choose(1);  // Skin: default, default_dark, Cancel
    const e2e::RunResult run = home.run_script(walk.script() +
                                               "wait 1\n"
                                               "screenshot dark.png\n"
                                               "dump dark.txt\n"
                                               "quit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(e2e::read_file(home.root() / "dark.txt").rfind("{Main}", 0), 0u)
        << "the menu is gone and the main screen is back";
    const e2e::Picture light = picture(home, "light.png");
    const e2e::Picture dark = picture(home, "dark.png");
    ASSERT_FALSE(dark.empty());
    EXPECT_GT(differences(light, dark, layout.list), layout.list.w * layout.list.h / 2)
        << "the list is drawn by the new skin";

    const e2e::RunResult again = home.run_script("wait 3\nscreenshot again.png\nquit\n");
    ASSERT_EQ(again.exit_code, 0) << again.err;
    EXPECT_EQ(differences(dark, picture(home, "again.png"), layout.list), 0)
        << "the next start uses the chosen skin";
}

// The text a dump gives the first node of that name, "" when it has none.
std::string text_of(const Home& home, const std::string& dump, const std::string& name) {
    const std::string all = e2e::read_file(home.root() / dump);
    const size_t at = all.find("{" + name + "}");
    const size_t open = all.find(" text=\"", at);
    const size_t end = all.find('\n', at);
    if (at == std::string::npos || open == std::string::npos || open > end) {
        return "";
    }
    return all.substr(open + 7, all.rfind('"', end) - open - 7);
}

// The language rows read as each language's own name, and the title, with no category
// chosen, as the whole list in the chosen language.
TEST(MainMenus, ANewLanguageRetitlesTheScreenAndIsKept) {
    Home home;
    add_book(home);
    const Layout layout = read_layout(home);
    EXPECT_EQ(text_of(home, "layout.txt", "title"), "All contacts");
    MenuWalk walk(home, "wait 3\nscreenshot english.png\n" + tap(layout.menu));
    walk.choose(1);  // Settings
    walk.choose(1);  // Language: English, Русский, Cancel
    walk.choose(1);  // Русский
    const std::string languages = e2e::read_file(home.root() / "walk3.txt");
    EXPECT_NE(languages.find("text=\"English\""), std::string::npos) << languages;
    EXPECT_NE(languages.find("text=\"\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9\""),
              std::string::npos)
        << "Russian reads as itself";
    const e2e::RunResult run = home.run_script(walk.script() +
                                               "wait 1\n"
                                               "screenshot russian.png\n"
                                               "dump russian.txt\n"
                                               "quit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(text_of(home, "russian.txt", "title"),
              "\xD0\x92\xD1\x81\xD0\xB5 "
              "\xD0\xBA\xD0\xBE\xD0\xBD\xD1\x82\xD0\xB0\xD0\xBA\xD1\x82\xD1\x8B");
    const e2e::Picture english = picture(home, "english.png");
    const e2e::Picture russian = picture(home, "russian.png");
    EXPECT_GT(differences(english, russian, layout.title), 50) << "the title is translated";
    const Box rows{0, layout.list.y, 400, 240};
    EXPECT_EQ(differences(english, russian, rows), 0) << "names are not";

    const e2e::RunResult again = home.run_script("wait 3\nscreenshot again.png\nquit\n");
    ASSERT_EQ(again.exit_code, 0) << again.err;
    EXPECT_EQ(differences(russian, picture(home, "again.png"), layout.title), 0);
}

TEST(MainMenus, TheSortMenuReordersTheList) {
    Home home;
    add_book(home);
    const Layout layout = read_layout(home);
    MenuWalk walk(home, "wait 3\nscreenshot by_last.png\n" + tap(layout.menu));
    walk.choose(1);  // Settings
    walk.choose(0);  // Sort: by first name, by last name, by company, Cancel
    walk.choose(0);  // by first name
    const e2e::RunResult run =
        home.run_script(walk.script() + "wait 1\nscreenshot by_first.png\nquit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;

    // A book sorted by first name from the start looks the same.
    Home fresh;
    add_book(fresh);
    fresh.add_registry(
        "[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\n\"Sorting\"=dword:00000000\n");
    const e2e::RunResult baseline = fresh.run_script("wait 3\nscreenshot first.png\nquit\n");
    ASSERT_EQ(baseline.exit_code, 0) << baseline.err;
    const e2e::Picture by_first = picture(home, "by_first.png");
    EXPECT_GT(differences(picture(home, "by_last.png"), by_first, layout.list), 100);
    EXPECT_EQ(differences(picture(fresh, "first.png"), by_first, layout.list), 0);
}

TEST(MainMenus, TheCategoryMenuNarrowsTheList) {
    Home home;
    add_book(home);
    add(home, {"categories", "set", "Work,Family"});
    add(home, {"set", "2", "Categories", "Work"});
    const Layout layout = read_layout(home);
    MenuWalk walk(home, "wait 3\n" + tap(layout.category));
    walk.choose(1);  // skinNoCategory, Work, Family, skinReturn
    const e2e::RunResult run = home.run_script(walk.script() +
                                               "wait 1\n"
                                               "dump work.txt\n"
                                               "quit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(boxes_of(home, "work.txt", "ContactsListElement").size(), 1u) << "only Bob";
}

TEST(MainMenus, ASecondStartWithContactsBringsBackTheList) {
    Home home;
    home.enable_log();
    add_book(home);
    const Layout layout = read_layout(home);
    const Box favourites = first_box(home, "layout.txt", "button_favorits");
    e2e::Child first = home.start_script("wait 3\nscreenshot contacts.png\n" + tap(favourites) +
                                         "screenshot favourites.png\n"
                                         "await 600 handed-over\n"
                                         "wait 1\n"
                                         "screenshot back.png\n"
                                         "quit\n");
    ASSERT_TRUE(e2e::eventually(
        [&] { return std::filesystem::exists(home.root() / "favourites.png"); }));
    // The second start ends once the first has taken its command line.
    const e2e::RunResult second = home.run(e2e::program_path(), {"--headless", "contacts"});
    EXPECT_EQ(second.exit_code, 0) << second.err;
    home.write("handed-over", "");
    const e2e::RunResult result = home.wait(first);
    ASSERT_EQ(result.exit_code, 0) << result.err;

    const e2e::Picture contacts = picture(home, "contacts.png");
    EXPECT_GT(differences(contacts, picture(home, "favourites.png"), layout.list), 100);
    EXPECT_EQ(differences(contacts, picture(home, "back.png"), layout.list), 0);
}

TEST(MainMenus, ACallMissedThroughThePhoneRaisesTheBadge) {
    Home home;
    add_book(home);
    const Layout layout = read_layout(home);
    const e2e::RunResult run = home.run_script(
        "wait 3\n"
        "screenshot before.png\n"
        "phone ring 5550199\n"
        "wait 2\n"
        "phone hangup\n"
        "wait 4\n"
        "screenshot after.png\n"
        "quit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_GT(differences(picture(home, "before.png"), picture(home, "after.png"), layout.recents),
              20)
        << "the recents tab shows the missed call";
}

}  // namespace

// The main screen as a person uses it, on a phone book written with velvane-pim: the keypad
// narrows the list and marks the matches, backspace and a held backspace widen it again, the
// ruler jumps to a letter, and the start-up argument picks what opens.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/png_pixels.h"

namespace {

using e2e::Home;
namespace fs = std::filesystem;

struct Person {
    std::string first, last, mobile;
};

// The phone book of these tests: last names sort A, B, B, C, J, S, W, Y; one company only.
const std::vector<Person> kBook = {
    {"Anna", "Smith", "555-0101"}, {"Bob", "Brown", "555-0102"}, {"Carl", "Jones", "555-0103"},
    {"Dana", "White", "555-0104"}, {"Ann", "Adams", "555-0105"}, {"Zed", "Young", "555-0106"},
    {"Cid", "Cole", "555-0107"},   {"Bea", "Baker", "555-0108"},
};

void add_people(Home& home, const std::vector<Person>& people) {
    for (const Person& p : people) {
        const e2e::RunResult run =
            home.run(e2e::program_dir() / "velvane-pim",
                     {"add", "--first", p.first, "--last", p.last, "Mobile=" + p.mobile});
        ASSERT_EQ(run.exit_code, 0) << run.err;
    }
}

void add_book(Home& home) {
    add_people(home, kBook);
    const e2e::RunResult run = home.run(e2e::program_dir() / "velvane-pim",
                                        {"add", "--company", "Acme Corp", "Mobile=555-0199"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
}

size_t count_of(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

size_t rows_in(const Home& home, const std::string& dump) {
    return count_of(e2e::read_file(home.root() / dump), "{ContactsListElement}");
}

// Position and size of the first node of that name in a dump.
struct Box {
    int x = 0, y = 0, w = 0, h = 0;
};
Box box_of(const Home& home, const std::string& dump, const std::string& name) {
    std::istringstream lines(e2e::read_file(home.root() / dump));
    std::string line;
    Box box;
    while (std::getline(lines, line)) {
        const size_t at = line.find("{" + name + "}");
        if (at == std::string::npos) {
            continue;
        }
        std::sscanf(line.c_str() + at + name.size() + 2, " position=%d %d size=%d %d", &box.x,
                    &box.y, &box.w, &box.h);
        break;
    }
    return box;
}

std::string tap(const Box& box) {
    return "tap " + std::to_string(box.x + box.w / 2) + " " + std::to_string(box.y + box.h / 2) +
           "\n";
}

// The keypad's layout, read from a first run that opens it.
struct Keypad {
    Box open, key[10], backspace, call;
};
Keypad read_keypad(Home& home) {
    const e2e::RunResult run = home.run_script(
        "wait 3\n"
        "dump before.txt\n"
        "quit\n");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    Keypad keypad;
    keypad.open = box_of(home, "before.txt", "open_keyboard");
    for (int digit = 0; digit < 10; ++digit) {
        keypad.key[digit] = box_of(home, "before.txt", "button" + std::to_string(digit));
    }
    keypad.backspace = box_of(home, "before.txt", "button_backspace");
    keypad.call = box_of(home, "before.txt", "button_call");
    EXPECT_GT(keypad.open.w, 0);
    EXPECT_GT(keypad.key[5].w, 0);
    return keypad;
}

// How many pixels of the rows' area (left of the ruler) are a strong blue, the skin's colour
// for the matched part of a name (the rest of a row is dark grey on white).
int blue_pixels(const e2e::Picture& picture, int top, int bottom) {
    int n = 0;
    for (int y = top; y < bottom && y < picture.height; ++y) {
        for (int x = 0; x < picture.width - 60; ++x) {
            const uint32_t c = picture.at(x, y);
            const int r = c >> 16, g = (c >> 8) & 0xFF, b = c & 0xFF;
            n += b > 150 && r < 60 && g < 150;
        }
    }
    return n;
}

TEST(MainScreen, TypingOnTheKeypadNarrowsTheListAndMarksTheMatches) {
    Home home;
    home.enable_log();
    add_book(home);
    const Keypad keypad = read_keypad(home);
    const e2e::RunResult run = home.run_script(
        "wait 3\n"
        "screenshot all.png\n" +
        tap(keypad.open) + "wait 1\n" + tap(keypad.key[2]) + "wait 0.3\n" + tap(keypad.key[6]) +
        "wait 0.5\n"
        "screenshot typed.png\n"
        "dump typed.txt\n" +
        tap(keypad.call) +
        "wait 0.5\n"
        "quit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;

    // "26" is a or b or c, then m or n or o: Adams Ann, Brown Bob, Cole Cid, Smith Anna.
    EXPECT_EQ(rows_in(home, "typed.txt"), 4u);
    const auto lines = home.log_lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find("set_filter_string() = ") != std::string::npos;
                            }),
              3)
        << "2, 26 and the empty text after the call";
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("MainForm show_keyboard ") != std::string::npos;
    }));
    // The call key dials what was typed and empties the keypad (the third filter change).
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("PhoneManager::call_number 26") != std::string::npos;
    }));

    // The matched starts are drawn in the skin's filtered colour; before typing nothing is.
    const e2e::Picture all = e2e::read_png((home.root() / "all.png").string());
    const e2e::Picture typed = e2e::read_png((home.root() / "typed.png").string());
    ASSERT_FALSE(typed.empty());
    EXPECT_EQ(blue_pixels(all, 132, 450), 0);
    EXPECT_GT(blue_pixels(typed, 132, 450), 50);
}

TEST(MainScreen, BackspaceWidensTheListAndAHeldBackspaceClearsIt) {
    Home home;
    add_book(home);
    const Keypad keypad = read_keypad(home);
    const Box back = keypad.backspace;
    const std::string hold_back = "press " + std::to_string(back.x + back.w / 2) + " " +
                                  std::to_string(back.y + back.h / 2) + "\nwait 1\nrelease " +
                                  std::to_string(back.x + back.w / 2) + " " +
                                  std::to_string(back.y + back.h / 2) + "\n";
    const e2e::RunResult run =
        home.run_script("wait 3\n" + tap(keypad.open) + "wait 1\n" + tap(keypad.key[9]) +
                        "wait 0.3\n"
                        "dump w.txt\n" +
                        tap(keypad.key[7]) +
                        "wait 0.3\n"
                        "dump none.txt\n" +
                        tap(back) +
                        "wait 0.3\n"
                        "dump w_again.txt\n" +
                        tap(keypad.key[7]) +
                        "key Backspace\n"
                        "wait 0.3\n"
                        "dump w_by_key.txt\n" +
                        hold_back +
                        "wait 0.5\n"
                        "dump cleared.txt\n"
                        "screenshot cleared.png\n"
                        "quit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // 9 is w, x, y or z (no number starts with it): White Dana and Young Zed; 97 is nobody.
    EXPECT_EQ(rows_in(home, "w.txt"), 2u);
    EXPECT_EQ(rows_in(home, "none.txt"), 0u);
    EXPECT_EQ(rows_in(home, "w_again.txt"), 2u);
    EXPECT_EQ(rows_in(home, "w_by_key.txt"), 2u) << "the Backspace key removes one character";
    EXPECT_GT(rows_in(home, "cleared.txt"), 4u) << "held, it empties the keypad";
}

TEST(MainScreen, TheRulerJumpsToTheFirstContactOfALetter) {
    // Twenty-six people, one per letter; the jump to M must show what a book starting at M
    // shows in its first row.
    std::vector<Person> everyone;
    for (char c = 'A'; c <= 'Z'; ++c) {
        everyone.push_back({"Pat", std::string(1, c) + "ollins", "555-01" + std::to_string(c)});
    }
    Home home;
    add_people(home, everyone);
    const e2e::RunResult first = home.run_script("wait 3\ndump ruler.txt\nquit\n");
    ASSERT_EQ(first.exit_code, 0) << first.err;
    const Box table = box_of(home, "ruler.txt", "ruler_table");
    ASSERT_GT(table.h, 26);
    // The ruler maps its whole height onto the letters; M is the 13th of 26.
    const int y = table.y + (12 * table.h + table.h / 2) / 26;
    const int x = table.x + table.w / 2;
    const e2e::RunResult run = home.run_script(
        "wait 3\n"
        "screenshot top.png\n"
        "press " +
        std::to_string(x) + " " + std::to_string(y) +
        "\n"
        "wait 0.3\n"
        "screenshot held.png\n"
        "release " +
        std::to_string(x) + " " + std::to_string(y) +
        "\n"
        "wait 1\n"
        "screenshot jumped.png\n"
        "quit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;

    Home from_m;
    add_people(from_m, std::vector<Person>(everyone.begin() + 12, everyone.end()));
    const e2e::RunResult baseline = from_m.run_script("wait 3\nscreenshot m.png\nquit\n");
    ASSERT_EQ(baseline.exit_code, 0) << baseline.err;

    const e2e::Picture top = e2e::read_png((home.root() / "top.png").string());
    const e2e::Picture jumped = e2e::read_png((home.root() / "jumped.png").string());
    const e2e::Picture m = e2e::read_png((from_m.root() / "m.png").string());
    ASSERT_FALSE(jumped.empty());
    ASSERT_FALSE(m.empty());
    const Box list = box_of(home, "ruler.txt", "ContactsList");
    int differ_from_m = 0;
    int differ_from_top = 0;
    for (int row = list.y; row < list.y + 80; ++row) {
        for (int col = 0; col < table.x; ++col) {
            differ_from_m += jumped.at(col, row) != m.at(col, row);
            differ_from_top += jumped.at(col, row) != top.at(col, row);
        }
    }
    EXPECT_EQ(differ_from_m, 0) << "the first row after the jump is Pat Mollins";
    EXPECT_GT(differ_from_top, 100);
}

// The texts of the rows' lines in a dump, as drawn, in list order.
struct RowLines {
    std::string big, small;
    Box box;
};
std::vector<RowLines> row_lines(const Home& home, const std::string& dump) {
    std::istringstream lines(e2e::read_file(home.root() / dump));
    std::string line;
    std::vector<RowLines> rows;
    const auto text = [](const std::string& l) {
        const size_t open = l.find(" text=\"");
        return open == std::string::npos ? std::string()
                                         : l.substr(open + 7, l.rfind('"') - open - 7);
    };
    while (std::getline(lines, line)) {
        if (line.find("{ContactsListElement}") != std::string::npos) {
            rows.emplace_back();
        } else if (rows.empty()) {
            continue;
        } else if (line.find("{big}") != std::string::npos) {
            rows.back().big = text(line);
            std::sscanf(line.c_str() + line.find('}') + 1, " position=%d %d size=%d %d",
                        &rows.back().box.x, &rows.back().box.y, &rows.back().box.w,
                        &rows.back().box.h);
        } else if (line.find("{small}") != std::string::npos) {
            rows.back().small = text(line);
        }
    }
    return rows;
}

// A long name ends in an ellipsis after a whole letter, and sooner in a row the keypad button
// lies over; a firm known only by its name says it once.
TEST(MainScreen, LongNamesEndInAnEllipsisBeforeTheKeypadButton) {
    const std::string ellipsis = "\xE2\x80\xA6";
    // "Ana" with an acute accent on each "a" as a combining mark, so cuts meet marks.
    std::string accented;
    for (int i = 0; i < 12; ++i) {
        accented += "Ana\xCC\x81";
    }
    Home home;
    for (char c = 'A'; c <= 'H'; ++c) {
        add_people(home, {{"Maximilian-Alexander", std::string(1, c) + "chwarzenberger-Hohenlohe",
                           "555-020" + std::string(1, c)}});
    }
    add_people(home, {{accented, "Accent", "555-0300"}});
    const e2e::RunResult firm = home.run(e2e::program_dir() / "velvane-pim",
                                         {"add", "--company", "Acme Corp", "Mobile=555-0199"});
    ASSERT_EQ(firm.exit_code, 0) << firm.err;
    const e2e::RunResult run =
        home.run_script("wait 3\ndump rows.txt\nscreenshot rows.png\nquit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;

    const Box button = box_of(home, "rows.txt", "open_keyboard");
    const std::vector<RowLines> rows = row_lines(home, "rows.txt");
    ASSERT_GE(rows.size(), 8u);
    const auto row_of = [&](const std::string& start) {
        for (const RowLines& row : rows) {
            if (row.big.rfind(start, 0) == 0) {
                return row;
            }
        }
        ADD_FAILURE() << "no row " << start;
        return RowLines{};
    };
    EXPECT_EQ(row_of("Acme").big, "Acme Corp");
    EXPECT_EQ(row_of("Acme").small, "") << "said once";
    size_t clear_length = 0;
    size_t covered = 0;
    for (const RowLines& row : rows) {
        if (row.big.find("chwarzenberger") == std::string::npos) {
            continue;
        }
        // What is kept is the name's start; it never ends between a letter and its mark.
        ASSERT_GT(row.big.size(), ellipsis.size());
        EXPECT_EQ(row.big.substr(row.big.size() - 3), ellipsis) << row.big;
        const bool under = row.box.y < button.y + button.h && row.box.y + row.box.h > button.y;
        if (under) {
            ++covered;
            EXPECT_LT(row.big.size(), clear_length) << row.big << " runs under the button";
        } else if (clear_length == 0) {
            clear_length = row.big.size();
        }
    }
    EXPECT_GT(clear_length, 0u);
    EXPECT_GT(covered, 0u) << "a row of the first screen lies under the button";
    const std::string cut = row_of("Accent").big;
    ASSERT_GT(cut.size(), ellipsis.size());
    EXPECT_EQ(cut.substr(cut.size() - 3), ellipsis);
    const std::string kept = cut.substr(0, cut.size() - 3);
    const std::string whole = "Accent " + accented;
    ASSERT_LT(kept.size(), whole.size());
    EXPECT_EQ(whole.compare(0, kept.size(), kept), 0);
    EXPECT_NE(whole[kept.size()], '\xCC') << "a mark was left behind: " << kept;
}

// The headless demo scripts/run.sh plays, on the demo book a new user gets: its last picture
// shows the keypad holding what was typed and the list narrowed by it.
TEST(MainScreen, TheHeadlessDemoNarrowsTheListOnTheKeypad) {
    const std::string demo = e2e::read_file(
        (fs::path(VELVANE_TEST_DATA) / "../../../scripts/headless-demo.script").lexically_normal());
    const size_t quit = demo.rfind("quit");
    ASSERT_NE(quit, std::string::npos) << demo;
    Home home;
    const e2e::RunResult book = home.run(e2e::program_dir() / "velvane-pim", {"demo"});
    ASSERT_EQ(book.exit_code, 0) << book.err;
    const e2e::RunResult run = home.run_script("wait 3\ndump whole.txt\n" + demo.substr(0, quit) +
                                               "dump typed.txt\nquit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;

    const std::string typed = e2e::read_file(home.root() / "typed.txt");
    EXPECT_NE(typed.find("{text_button_call}"), std::string::npos);
    EXPECT_NE(typed.find("text=\"56\""), std::string::npos) << "the keypad shows what was typed";
    const std::vector<RowLines> whole = row_lines(home, "whole.txt");
    const std::vector<RowLines> narrowed = row_lines(home, "typed.txt");
    ASSERT_FALSE(whole.empty());
    ASSERT_FALSE(narrowed.empty());
    // The book's first name matches nothing typed: "An" is 2 and 6.
    EXPECT_EQ(whole.front().big.rfind("Andersson", 0), 0u) << whole.front().big;
    for (const RowLines& row : narrowed) {
        EXPECT_NE(row.big, whole.front().big);
    }
    const e2e::Picture picture = e2e::read_png((home.root() / "03-keypad-56.png").string());
    ASSERT_FALSE(picture.empty());
    EXPECT_GT(blue_pixels(picture, 132, 400), 50) << "the matched starts are marked";
}

TEST(MainScreen, AnUnknownNumberToOpenOffersToAddIt) {
    Home home;
    add_book(home);
    const e2e::RunResult unknown =
        home.run_script("wait 3\ndump unknown.txt\nquit\n", {}, {"open:5550000"});
    ASSERT_EQ(unknown.exit_code, 0) << unknown.err;
    const std::string menu = e2e::read_file(home.root() / "unknown.txt");
    EXPECT_EQ(menu.rfind("{Menu}", 0), 0u) << menu.substr(0, 200);

    const e2e::RunResult alone = home.run_script("wait 3\ndump alone.txt\nquit\n", {}, {"open:"});
    ASSERT_EQ(alone.exit_code, 0) << alone.err;
    EXPECT_EQ(e2e::read_file(home.root() / "alone.txt").rfind("{Main}", 0), 0u)
        << "\"open:\" alone does nothing";
}

}  // namespace

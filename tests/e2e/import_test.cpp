// Opening a vCard file from the desktop: the program asks first, with the number of contacts
// in the question, and only an answer of yes puts them into the book and shows the list.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

using e2e::Home;

constexpr char kTwoCards[] =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Quinn;Zelda;;;\r\nFN:Zelda Quinn\r\n"
    "TEL;TYPE=CELL:+49 30 5550101\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Pratt;Yorick\r\nTEL;HOME:555-0102\r\nEND:VCARD\r\n";

// The menu rows of a dump with the text each shows, in tree order.
struct Row {
    int x = 0, y = 0, w = 0, h = 0;
    std::string line;
};
std::vector<Row> menu_rows(const Home& home, const std::string& dump) {
    std::istringstream lines(e2e::read_file(home.root() / dump));
    std::vector<Row> rows;
    std::string line;
    while (std::getline(lines, line)) {
        const size_t at = line.find("{MenuElement");
        if (at != std::string::npos) {
            Row row;
            std::sscanf(line.c_str() + line.find('}', at) + 1, " position=%d %d size=%d %d",
                        &row.x, &row.y, &row.w, &row.h);
            rows.push_back(row);
        } else if (!rows.empty() && line.find("text=\"") != std::string::npos) {
            rows.back().line += line;
        }
    }
    return rows;
}

std::string book(Home& home) {
    const e2e::RunResult run = home.run(e2e::program_dir() / "velvane-pim", {"list"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return run.out;
}

TEST(VCardImport, AsksWithTheCountAndImportsOnlyOnYes) {
    Home home;
    const std::string file = home.write("Friends from old phone.vcf", kTwoCards).string();

    const e2e::RunResult asked = home.run_script("wait 3\ndump ask.txt\nquit\n", {}, {file});
    ASSERT_EQ(asked.exit_code, 0) << asked.err;
    const std::string question = e2e::read_file(home.root() / "ask.txt");
    EXPECT_NE(question.find("Import 2 contacts?"), std::string::npos) << question;
    const std::vector<Row> rows = menu_rows(home, "ask.txt");
    ASSERT_EQ(rows.size(), 2u) << question;
    EXPECT_NE(rows[0].line.find("text=\"Import\""), std::string::npos) << rows[0].line;
    EXPECT_NE(rows[1].line.find("text=\"Cancel\""), std::string::npos) << rows[1].line;

    const auto tap = [](const Row& row) {
        return "tap " + std::to_string(row.x + row.w / 2) + " " +
               std::to_string(row.y + row.h / 2) + "\nwait 2\n";
    };
    // Cancel leaves the book as it was; asking itself wrote nothing either.
    const e2e::RunResult cancelled =
        home.run_script("wait 3\n" + tap(rows[1]) + "quit\n", {}, {file});
    ASSERT_EQ(cancelled.exit_code, 0) << cancelled.err;
    EXPECT_EQ(book(home).find("Quinn"), std::string::npos);

    const e2e::RunResult imported = home.run_script(
        "wait 3\n" + tap(rows[0]) + "dump list.txt\nquit\n", {}, {"file://" + file});
    ASSERT_EQ(imported.exit_code, 0) << imported.err;
    const std::string listed = book(home);
    EXPECT_NE(listed.find("Zelda"), std::string::npos) << listed;
    EXPECT_NE(listed.find("Yorick"), std::string::npos) << listed;
    // The list shows them at once: a row for each.
    std::istringstream list(e2e::read_file(home.root() / "list.txt"));
    int rows_shown = 0;
    for (std::string line; std::getline(list, line);) {
        rows_shown += line.find("{ContactsListElement}") != std::string::npos;
    }
    EXPECT_EQ(rows_shown, 2);
}

TEST(VCardImport, AFileWithoutContactsSaysSoAndAsksNothing) {
    Home home;
    for (const char* bytes : {"", "BEGIN:VCARD\r\nVERSION:3.0\r\n", "\xFF\xFE\x00"}) {
        const std::string file = home.write("broken.vcf", bytes).string();
        const e2e::RunResult run = home.run_script("wait 3\ndump after.txt\nquit\n", {}, {file});
        ASSERT_EQ(run.exit_code, 0) << run.err;
        EXPECT_NE(run.err.find("No contacts could be read from this file."), std::string::npos)
            << run.err;
        EXPECT_EQ(menu_rows(home, "after.txt").size(), 0u) << bytes;
    }
    // Nor does a file that is not there.
    const e2e::RunResult missing = home.run_script(
        "wait 3\nquit\n", {}, {(home.root() / "gone.vcf").string()});
    EXPECT_NE(missing.err.find("No contacts could be read"), std::string::npos) << missing.err;
}

}  // namespace

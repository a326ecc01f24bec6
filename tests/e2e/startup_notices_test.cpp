// What a start cannot use is said, not hidden: a chosen skin or language that is gone is
// replaced by the one used, stored as the choice and told once; a contact database that cannot
// be read is named and left exactly as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sqlite_db.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/screen_walk.h"

namespace {

namespace fs = std::filesystem;
using e2e::Home;

bool has_line(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

TEST(StartupNotices, AChosenSkinAndLanguageThatAreGoneAreReplacedStoredAndTold) {
    // Without a system language the fallback is english.
    ::setenv("LC_ALL", "C", 1);
    Home home;
    home.enable_log();
    home.add_registry("[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\n"
                      "\"Skin\"=\"gone\"\n\"Language\"=\"klingon\"\n");
    const e2e::RunResult first = home.run_script("wait 3\ndump main.txt\nquit\n");
    ASSERT_EQ(first.exit_code, 0) << first.err;
    EXPECT_EQ(e2e::Dump(e2e::read_file(home.root() / "main.txt")).top(), "Main");

    struct Case {
        const char* told;
        const char* names;
        const char* logged;
        const char* stored;
    };
    const std::string registry = e2e::read_file(home.config() / "velvane" / "registry.reg");
    for (const Case& c :
         {Case{"Velvane: The chosen skin cannot be found; this one is used instead:\n",
               "gone \xE2\x86\x92 default\n", "choose_skin: the skin gone cannot be loaded, using default",
               "\"Skin\"=\"default\""},
          Case{"Velvane: The chosen language cannot be found; this one is used instead:\n",
               "klingon \xE2\x86\x92 english\n",
               "choose_language: the language klingon cannot be loaded, using english",
               "\"Language\"=\"english\""}}) {
        SCOPED_TRACE(c.stored);
        EXPECT_NE(first.err.find(std::string(c.told) + c.names), std::string::npos) << first.err;
        EXPECT_TRUE(has_line(home.log_lines(), c.logged));
        EXPECT_NE(registry.find(c.stored), std::string::npos) << registry;
    }

    // The next start finds what it was told to use and says nothing.
    const e2e::RunResult next = home.run_script("wait 3\nquit\n");
    ASSERT_EQ(next.exit_code, 0) << next.err;
    EXPECT_EQ(next.err, "");
}

// A file the program did not make stays as it is; it only says which file and why.
TEST(StartupNotices, AContactDatabaseThatCannotBeReadIsNamedAndLeftUntouched) {
    struct Case {
        const char* name;
        const char* why;
    };
    for (const Case& c : {Case{"junk", "not an SQLite database; left untouched"},
                          Case{"foreign", "not a contact database; left untouched"}}) {
        SCOPED_TRACE(c.name);
        Home home;
        const fs::path database = home.data() / "velvane" / "contacts.db";
        fs::create_directories(database.parent_path());
        if (std::string(c.name) == "junk") {
            e2e::write_file(database, std::string(4096, 'x'));
        } else {
            platform::sql::Database other;
            ASSERT_EQ(other.open(database.string(), platform::sql::kCreate), 0);
            ASSERT_EQ(other.exec("CREATE TABLE notes(text); INSERT INTO notes VALUES('keep me');"), 0);
        }
        const std::string before = e2e::read_file(database);

        const e2e::RunResult run = home.run_script("wait 3\ndump main.txt\nquit\n");
        ASSERT_EQ(run.exit_code, 0) << run.err;
        EXPECT_NE(run.err.find("Velvane: The contact database cannot be read. It was left "
                               "untouched, and the book is empty for now:\n" +
                               database.string() + ": " + c.why),
                  std::string::npos)
            << run.err;
        EXPECT_TRUE(e2e::read_file(database) == before) << "the file was changed";
        EXPECT_FALSE(fs::exists(database.string() + "-wal")) << "nothing was written beside it";
        EXPECT_EQ(e2e::Dump(e2e::read_file(home.root() / "main.txt")).count("ContactsListElement"), 0u);
    }
}

}  // namespace

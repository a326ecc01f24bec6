// An edit made while velvane-pim imports a big file: the import holds the contact database's
// write lock for seconds, the program's save neither waits for it nor is lost. The card shows
// the edit at once, the edit is stored once the import has ended, and the import is whole.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sqlite_db.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/screen_walk.h"

namespace {

using e2e::Dump;
using e2e::Home;
using e2e::Walk;

constexpr int kImported = 50000;

std::string pim(Home& home, const std::vector<std::string>& args) {
    const e2e::RunResult run = home.run(e2e::program_dir() / "velvane-pim", args);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return run.out;
}

std::string big_file() {
    std::string text;
    text.reserve(static_cast<size_t>(kImported) * 110);
    for (int i = 0; i < kImported; ++i) {
        const std::string n = std::to_string(i);
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Family" + n + ";Given" + n + ";;;\r\nFN:Given" +
                n + " Family" + n + "\r\nTEL;TYPE=CELL:+1 700 " + n + "\r\nEND:VCARD\r\n";
    }
    return text;
}

// Whether another connection holds the database's write lock now: a write that may not
// wait is refused busy.
bool write_locked(const std::string& file) {
    platform::sql::Database db;
    if (db.open(file, 0) != SQLITE_OK) {
        return false;
    }
    db.set_busy_wait(0);
    const int rc = db.exec("BEGIN IMMEDIATE");
    if (rc == SQLITE_OK) {
        db.exec("ROLLBACK");
    }
    return rc == SQLITE_BUSY;
}

size_t line_of(const std::vector<std::string>& lines, const std::string& piece) {
    return static_cast<size_t>(
        std::find_if(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(piece) != std::string::npos; }) -
        lines.begin());
}

TEST(BusyBook, AnEditMadeDuringABigImportIsShownAtOnceAndStoredWhenTheImportEnds) {
    Home home;
    home.enable_log();
    std::string id = pim(home, {"add", "--first", "Tom", "--last", "Berg", "Mobile=555-0111",
                                "HomeTel=555-0112", "Email1=tom@example.org",
                                "Email2=t.berg@example.net"});
    id.erase(id.find_last_not_of("\r\n") + 1);

    // Where the card's e-mail row and its remove buttons are, learnt before the import.
    Walk walk(home, {"open:555-0111"});
    walk << "wait 3\n";
    const Dump viewed = walk.look();
    ASSERT_EQ(viewed.top(), "ContactForm");
    walk << e2e::tap(viewed.box("edit_mode"));
    const Dump edit = walk.look();
    // head, group, Mobile, thin, HomeTel, group, Email1
    const std::vector<e2e::DumpNode> rows = edit.rows("List");
    ASSERT_GT(rows.size(), 6u);
    const std::string remove = e2e::tap(edit.within(rows[6], "remove")) +
                               e2e::tap(edit.within(rows[6], "confirm_remove"));

    const e2e::Child program = home.start_script(
        walk.script() + "dump before.txt\nawait 120 go-save\n" + remove +
            "dump saved.txt\nawait 120 go-end\nwait 2\ndump after.txt\nquit\n",
        {}, {"open:555-0111"});
    ASSERT_TRUE(e2e::eventually([&] { return e2e::fs::exists(home.root() / "before.txt"); }));

    const e2e::fs::path vcf = home.write("big.vcf", big_file());
    const e2e::Child import = home.start(e2e::program_dir() / "velvane-pim", {"import", vcf.string()});
    const std::string book = (home.data() / "velvane" / "contacts.db").string();
    ASSERT_TRUE(e2e::eventually([&] { return write_locked(book); }))
        << "the import never held the database";
    home.write("go-save", "");
    ASSERT_TRUE(e2e::eventually([&] { return e2e::fs::exists(home.root() / "saved.txt"); }));

    const e2e::RunResult imported = home.wait(import);
    EXPECT_EQ(imported.exit_code, 0) << imported.err;
    EXPECT_NE(imported.out.find("imported " + std::to_string(kImported) + " contacts"),
              std::string::npos)
        << imported.out;
    home.write("go-end", "");
    const e2e::RunResult run = home.wait(program);
    ASSERT_EQ(run.exit_code, 0) << run.err;

    // The save met the import's lock and was queued, not waited for: the screen went on at
    // once, and the saver wrote it later.
    const std::vector<std::string> log = home.log_lines();
    const size_t queued =
        line_of(log, "the contact database is busy; contact " + id + " is saved once it is free");
    const size_t written = line_of(log, "ContactSaver::run() contact " + id + " saved once the database was free");
    ASSERT_LT(queued, log.size());
    ASSERT_LT(written, log.size());
    EXPECT_LT(queued, written);
    EXPECT_EQ(line_of(log, "queued saves are lost"), log.size());

    const auto shows = [&](const char* dump) {
        return e2e::read_file(home.root() / dump).find("tom@example.org") != std::string::npos;
    };
    EXPECT_TRUE(shows("before.txt"));
    EXPECT_FALSE(shows("saved.txt")) << "the removal shows while the import still runs";
    EXPECT_FALSE(shows("after.txt"));

    const std::string stored = pim(home, {"show", id});
    EXPECT_EQ(stored.find("Email1:"), std::string::npos) << stored;
    EXPECT_NE(stored.find("Email2: t.berg@example.net"), std::string::npos) << stored;
    EXPECT_NE(stored.find("HomeTel: 555-0112"), std::string::npos) << stored;
    const std::string list = pim(home, {"list"});
    EXPECT_EQ(static_cast<int>(std::count(list.begin(), list.end(), '\n')), kImported + 1);
}

}  // namespace

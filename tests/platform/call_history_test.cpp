#include "platform/call_history.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_home.h"

namespace platform {
namespace {

using test_support::read_bytes;
using test_support::TempHome;
using test_support::write_bytes;
namespace fs = std::filesystem;

constexpr std::uint64_t kSecond = 10'000'000;
// 2026-01-01 00:00:00 UTC as a file time.
constexpr std::uint64_t kBase = 134'116'992'000'000'000ULL;

CallLogEntry call(std::uint64_t start_s, int direction, const WString& number,
                  const WString& name = u"", std::uint64_t seconds = 30) {
    CallLogEntry e;
    e.start = kBase + start_s * kSecond;
    e.end = e.start + seconds * kSecond;
    e.direction = direction;
    e.number = number;
    e.name = name;
    return e;
}

std::vector<WString> numbers_of(CallHistory& log) {
    std::vector<WString> out;
    const std::vector<CallLogEntry> entries = log.read_entries().value();
    for (const CallLogEntry& e : entries) {
        out.push_back(e.number);
    }
    return out;
}

TEST(CallHistory, CreatesItsFileInTheUserDataFolderAndReadsNewestFirst) {
    TempHome t;
    const std::string file = CallHistory::default_file();
    EXPECT_EQ(file, (t.home() / ".local/share/velvane/clog.db").string());
    CallHistory log(file);
    ASSERT_TRUE(log.is_open()) << to_utf8(log.error());
    EXPECT_TRUE(log.read_entries().value().empty());

    const CallLogEntry full{kBase, kBase + 75 * kSecond, kCallOutgoing, u"+49 171 1234567",
                            u"J\u00fcrgen \u65e5", 3, u"note"};
    EXPECT_NE(log.add(call(10, kCallMissed, u"1")), 0u);
    EXPECT_NE(log.add(full), 0u);
    EXPECT_NE(log.add(call(20, kCallIncoming, u"2")), 0u);
    // Same start time: the later one is newer.
    EXPECT_NE(log.add(call(20, kCallIncoming, u"3")), 0u);

    EXPECT_EQ(numbers_of(log), (std::vector<WString>{u"3", u"2", u"1", u"+49 171 1234567"}));
    CallHistory again(file);
    EXPECT_EQ(again.read_entries().value().back(), full);
}

TEST(CallHistory, WalkDeletesWhatItReadAndMovesOnToTheNextRecord) {
    TempHome t;
    CallHistory log(CallHistory::default_file());
    for (int i = 0; i < 5; ++i) {
        log.add(call(i, kCallIncoming, to_wstring(i)));
    }
    std::vector<WString> walked;
    for (std::uint32_t oid = log.seek_first(); oid != 0; oid = log.seek_current()) {
        const std::optional<CallRecord> r = log.read_record();
        ASSERT_TRUE(r);
        EXPECT_EQ(r->oid, oid);
        ASSERT_EQ(r->values.size(), 7u);
        const WString number = r->values[kRecordNumber].text;
        EXPECT_EQ(r->values[kRecordStart].number,
                  kBase + std::stoi(to_utf8(number)) * kSecond);
        walked.push_back(number);
        if (number == u"3" || number == u"2" || number == u"0") {
            EXPECT_TRUE(log.delete_record(r->oid));
        }
    }
    EXPECT_EQ(walked, (std::vector<WString>{u"4", u"3", u"2", u"1", u"0"}));
    EXPECT_EQ(numbers_of(log), (std::vector<WString>{u"4", u"1"}));
    EXPECT_FALSE(log.read_record());
    EXPECT_FALSE(log.delete_record(9999));

    log.clear();
    EXPECT_EQ(log.seek_first(), 0u);
}

TEST(CallHistory, DamagedOrForeignFilesAreReportedAndLeftAlone) {
    TempHome t;
    const fs::path file = t.root() / "data/clog.db";
    const std::string junk(8192, 'x');
    write_bytes(file, junk);
    {
        CallHistory log(file.string());
        EXPECT_FALSE(log.is_open());
        EXPECT_FALSE(log.error().empty());
        EXPECT_FALSE(log.read_entries());
        EXPECT_EQ(log.add(call(1, kCallMissed, u"1")), 0u);
        EXPECT_EQ(log.seek_first(), 0u);
    }
    EXPECT_EQ(read_bytes(file), junk);

    // A real log with a page overwritten in the middle.
    const fs::path good = t.root() / "data/good.db";
    {
        CallHistory log(good.string());
        for (int i = 0; i < 400; ++i) {
            log.add(call(i, kCallIncoming, WString(200, u'5')));
        }
    }
    std::string bytes = read_bytes(good);
    ASSERT_GT(bytes.size(), 4 * 4096u);
    for (size_t i = 2 * 4096; i < 3 * 4096; ++i) {
        bytes[i] = static_cast<char>(0xA5);
    }
    write_bytes(good, bytes);
    CallHistory damaged(good.string());
    EXPECT_FALSE(damaged.is_open());
    EXPECT_EQ(read_bytes(good), bytes);
}

TEST(CallHistory, HostileRowsAreBoundedAndOddIdsSkipped) {
    TempHome t;
    const std::string file = CallHistory::default_file();
    {
        CallHistory log(file);
        log.add(call(1, kCallIncoming, u"keep"));
    }
    // Rows another program could have written, through SQLite itself.
    sqlite3* db = nullptr;
    ASSERT_EQ(::sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(::sqlite3_exec(db,
                             "INSERT INTO calls(id, direction, start, number) VALUES"
                             "(8589934592, 1, 999999999999999999, 'big id'),"
                             "(7, 99999999999, -5, hex(zeroblob(20000)))",
                             nullptr, nullptr, nullptr),
              SQLITE_OK);
    ::sqlite3_close(db);

    CallHistory log(file);
    ASSERT_TRUE(log.is_open());
    const auto entries = log.read_entries().value();
    ASSERT_EQ(entries.size(), 3u);
    const CallLogEntry& odd = entries.back();
    EXPECT_EQ(odd.start, 0u);
    EXPECT_EQ(odd.direction, -1);
    EXPECT_EQ(odd.number.size(), 4096u);
    std::vector<WString> walked;
    for (std::uint32_t oid = log.seek_first(); oid != 0; oid = log.seek_current()) {
        walked.push_back(log.read_record()->values[kRecordNumber].text);
    }
    // The 33-bit id cannot be handed out as a record id.
    EXPECT_EQ(walked, (std::vector<WString>{u"keep", odd.number}));
}

TEST(CallHistory, AnotherProcessWritingIsSeenAndNeverBlocksReaders) {
    TempHome t;
    const std::string file = CallHistory::default_file();
    CallHistory reader(file);
    ASSERT_TRUE(reader.is_open());
    constexpr int kWrites = 200;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CallHistory writer(file);
        bool ok = writer.is_open();
        for (int i = 0; i < kWrites; ++i) {
            ok = writer.add(call(i, kCallOutgoing, to_wstring(i))) != 0 && ok;
        }
        ::_exit(ok ? 0 : 1);
    }
    size_t seen = 0;
    bool reaped = false;
    while (!reaped) {
        const auto entries = reader.read_entries();
        ASSERT_TRUE(entries) << to_utf8(reader.error());
        ASSERT_GE(entries->size(), seen);
        seen = entries->size();
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            reaped = true;
        }
    }
    EXPECT_EQ(reader.read_entries()->size(), static_cast<size_t>(kWrites));
    EXPECT_EQ(reader.read_entries()->front().number, to_wstring(kWrites - 1));
}

}  // namespace
}  // namespace platform

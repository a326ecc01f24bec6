#include "contacts/recent_call.h"

#include <gtest/gtest.h>

#include "contacts/document.h"
#include "platform/call_history.h"
#include "tests/contacts/document_fixture.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using platform::CallHistory;
using platform::CallLogEntry;
using test_support::read_bytes;
using test_support::TempHome;
using test_support::write_bytes;

constexpr uint64_t kSecond = 10'000'000;
// 2026-01-01 00:00:00 UTC.
constexpr uint64_t kBase = 134'116'992'000'000'000ULL;

CallLogEntry entry(uint64_t start_s, int direction, const WString& number,
                   uint64_t seconds = 0) {
    CallLogEntry e;
    e.start = kBase + start_s * kSecond;
    e.end = e.start + seconds * kSecond;
    e.direction = direction;
    e.number = number;
    return e;
}

std::vector<WString> numbers(CallHistory& log) {
    std::vector<WString> out;
    const auto entries = log.read_entries();
    for (const CallLogEntry& e : entries.value()) {
        out.push_back(e.number.empty() ? u"-" : e.number);
    }
    return out;
}

TEST(RecentCall, DurationText) {
    EXPECT_EQ(duration_text(0), u"00:00");
    EXPECT_EQ(duration_text(59), u"00:59");
    EXPECT_EQ(duration_text(75), u"01:15");
    EXPECT_EQ(duration_text(3599), u"59:59");
    EXPECT_EQ(duration_text(3600), u"1:00:00");
    EXPECT_EQ(duration_text(3725), u"1:02:05");
    EXPECT_EQ(duration_text(36000 * 10 + 61), u"100:01:01");
    EXPECT_EQ(duration_text(-5), u"00:00");
}

TEST(RecentCall, ReadingFoldsTheBiasMapsDirectionsAndMarksMissingNumbers) {
    TempHome t;
    CallHistory log(CallHistory::default_file());
    log.add(entry(0, platform::kCallMissed, u"", 0));
    log.add(entry(60, platform::kCallIncoming, u"+49 (171) 123-4567", 75));
    CallLogEntry named = entry(120, platform::kCallOutgoing, u"112", 3725);
    named.name = u"Notruf";
    log.add(named);
    CallLogEntry odd = entry(180, 7, u"0301", 0);
    odd.end = odd.start - kSecond;  // ends before it starts
    log.add(odd);

    std::vector<RecentCall> recents(2);  // indices follow on from what is there
    // Berlin in winter: local time is one hour ahead of UTC.
    ASSERT_TRUE(read_call_log(log, -60, recents));
    ASSERT_EQ(recents.size(), 6u);

    const RecentCall& weird = recents[2];
    EXPECT_EQ(weird.index, 2);
    EXPECT_EQ(weird.number, u"0301");
    EXPECT_EQ(weird.direction, RecentCall::Incoming);
    EXPECT_EQ(weird.duration, 0);

    const RecentCall& out = recents[3];
    EXPECT_EQ(out.index, 3);
    EXPECT_EQ(out.name, u"Notruf");
    EXPECT_EQ(out.number_key, u"112");
    EXPECT_EQ(out.direction, RecentCall::Outgoing);
    EXPECT_EQ(out.duration, 3725);
    EXPECT_EQ(out.start_time, static_cast<int64_t>(kBase + 120 * kSecond + 3600 * kSecond));
    EXPECT_EQ(file_time_text(out.start_time), u"2026-01-01 01:02:00");

    const RecentCall& in = recents[4];
    EXPECT_EQ(in.number, u"+49 (171) 123-4567");
    EXPECT_EQ(in.number_key, u"1234567");
    EXPECT_EQ(in.direction, RecentCall::Incoming);
    EXPECT_EQ(duration_text(in.duration), u"01:15");

    const RecentCall& missed = recents[5];
    EXPECT_EQ(missed.number, u"Unknown");
    EXPECT_EQ(missed.number_key, u"Unknown");
    EXPECT_EQ(missed.direction, RecentCall::Missed);
    EXPECT_EQ(missed.contact, nullptr);

    // New York: five hours behind.
    std::vector<RecentCall> west;
    ASSERT_TRUE(read_call_log(log, 300, west));
    EXPECT_EQ(file_time_text(west[1].start_time), u"2025-12-31 19:02:00");
}

TEST(RecentCall, DeletingRemovesExactlyTheChosenEntries) {
    TempHome t;
    CallHistory log(CallHistory::default_file());
    log.add(entry(0, platform::kCallMissed, u""));
    log.add(entry(10, platform::kCallIncoming, u"555"));
    log.add(entry(10, platform::kCallIncoming, u"555"));  // the same call logged twice
    log.add(entry(20, platform::kCallIncoming, u"555"));
    log.add(entry(30, platform::kCallOutgoing, u"777"));
    std::vector<RecentCall> recents;
    ASSERT_TRUE(read_call_log(log, -120, recents));
    ASSERT_EQ(numbers(log), (std::vector<WString>{u"777", u"555", u"555", u"555", u"-"}));

    // One of the twins and the call without a number.
    EXPECT_TRUE(delete_recent_calls(log, -120, recents, {2, 4, 99}));
    EXPECT_EQ(numbers(log), (std::vector<WString>{u"777", u"555", u"555"}));

    recents.clear();
    read_call_log(log, -120, recents);
    EXPECT_TRUE(delete_recent_call(log, -120, recents, 1));
    EXPECT_EQ(numbers(log), (std::vector<WString>{u"777", u"555"}));
    EXPECT_EQ(log.read_entries()->back().start, kBase + 10 * kSecond);

    // Under another bias the start times no longer match, so nothing goes.
    recents.clear();
    read_call_log(log, -120, recents);
    EXPECT_TRUE(delete_recent_calls(log, 0, recents, {0, 1}));
    EXPECT_EQ(numbers(log).size(), 2u);

    EXPECT_FALSE(delete_recent_call(log, -120, recents, 42));
    EXPECT_FALSE(delete_recent_calls(log, -120, recents, {}));
    EXPECT_EQ(numbers(log).size(), 2u);
}

TEST(RecentCall, AnUnusableLogIsReportedAndKept) {
    TempHome t;
    const auto file = t.root() / "clog.db";
    write_bytes(file, std::string(4096, 'z'));
    CallLog source(file.string());
    std::vector<RecentCall> recents;
    source.read(recents);
    EXPECT_TRUE(recents.empty());
    RecentCall call;
    call.number = u"1";
    EXPECT_FALSE(source.delete_recents({call}, {0}));
    EXPECT_EQ(read_bytes(file), std::string(4096, 'z'));
}

TEST(RecentCall, CallLogReadsAndDeletesTheUsersLog) {
    TempHome t;
    {
        CallHistory log(CallHistory::default_file());
        log.add(entry(0, platform::kCallIncoming, u"1"));
        log.add(entry(5, platform::kCallIncoming, u"2"));
    }
    CallLog source;
    std::vector<RecentCall> recents;
    source.read(recents);
    ASSERT_EQ(recents.size(), 2u);
    EXPECT_EQ(recents[0].number, u"2");
    EXPECT_TRUE(source.delete_recent(recents, 0));
    recents.clear();
    source.read(recents);
    ASSERT_EQ(recents.size(), 1u);
    EXPECT_EQ(recents[0].number, u"1");
}

TEST(RecentCall, TheDocumentsRecentsComeFromTheUsersLogAndDeletingReadsItAgain) {
    TempHome t;
    {
        CallHistory log(CallHistory::default_file());
        log.add(entry(0, platform::kCallIncoming, u"+49 171 1234567", 75));
        log.add(entry(5, platform::kCallMissed, u""));
        log.add(entry(9, platform::kCallOutgoing, u"0301"));
    }
    DocumentServices services;
    services.make_store = [](Document&) {
        auto store = std::make_unique<contacts_test::FakeStore>();
        store->contacts = {contacts_test::person(7, u"Ann", u"Smith", u"",
                                                 {{FieldKind::HomeTel, u"01711234567"}})};
        return store;
    };
    services.call_log = std::make_unique<CallLog>();
    services.keypad_map_path = platform::from_utf8((t.root() / "none.txt").string());
    Document document(std::move(services));
    document.load();
    contacts_test::Recorder view;

    std::vector<RecentCall>& recents = document.recent_calls();
    ASSERT_EQ(recents.size(), 3u);
    EXPECT_EQ(recents[2].contact, document.find_entry(7));
    EXPECT_EQ(recents[2].field_label, u"HomeTel");
    EXPECT_EQ(recents[1].number, u"Unknown");
    EXPECT_EQ(recents[1].contact, nullptr);

    delete_recents(document, {1, 2});
    EXPECT_EQ(view.take(), (std::vector<std::string>{"log_updated", "is_load_done"}));
    ASSERT_EQ(recents.size(), 1u);
    EXPECT_EQ(recents[0].number, u"0301");

    delete_recent(document, 5);  // no such call: nothing is read again
    EXPECT_TRUE(view.take().empty());
    delete_recent(document, 0);
    EXPECT_EQ(view.take(), (std::vector<std::string>{"log_updated", "is_load_done"}));
    EXPECT_TRUE(recents.empty());
}

}  // namespace
}  // namespace velvane

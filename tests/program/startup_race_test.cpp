// Start-up against the world outside: while the start-up thread loads a big phone book,
// another connection to the database changes a contact and a call rings. Nothing reaches the
// Document before the load has ended, and nothing is lost: afterwards the change is on the
// screen and the call was taken up. Run under ThreadSanitizer, any touch of the Document from two threads fails.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "contacts/contact.h"
#include "platform/pim_session.h"
#include "platform/ustring.h"
#include "tests/e2e/e2e_support.h"

namespace {

using e2e::Home;

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELVANE_UNDER_TSAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__) || defined(VELVANE_UNDER_TSAN)
// Under ThreadSanitizer writing the book costs minutes; a fifth of it still loads for
// seconds, far longer than the steps the test takes meanwhile.
constexpr int kContacts = 20000;
#else
constexpr int kContacts = 100000;
#endif

size_t find_line(const std::vector<std::string>& lines, std::string_view text) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(text) != std::string::npos) {
            return i;
        }
    }
    return lines.size();
}

// i written with the nine digits other than 2, so that no generated name or number answers
// the keypad's 2 (a, b, c) but the changed contact.
std::string without_two(int i) {
    static constexpr char kDigits[] = "013456789";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[i % 9]);
        i /= 9;
    } while (i > 0);
    return text;
}

// The phone book, written straight into the database in one transaction: fast enough for
// a big book under ThreadSanitizer too.
void write_phone_book(const e2e::fs::path& file, int count) {
    namespace pim = platform::pim;
    e2e::fs::create_directories(file.parent_path());
    std::string error;
    const auto session = pim::PimSession::open(file.string(), error, "book");
    ASSERT_TRUE(session) << error;
    const pim::Code code = session->write_batch([&]() -> pim::Code {
        for (int i = 0; i < count; ++i) {
            std::unique_ptr<pim::PimItem> item;
            const pim::PropValue names[] = {
                pim::PropValue::of_text(velvane::property::kFirstName, u"Some"),
                pim::PropValue::of_text(velvane::property::kLastName,
                                        platform::from_utf8("Person" + without_two(i)))};
            if (pim::Code failed = session->create_item(pim::kItemContact, item);
                failed != pim::kOk) {
                return failed;
            }
            if (pim::Code failed = item->set_props(names); failed != pim::kOk) {
                return failed;
            }
            if (pim::Code failed = item->save(); failed != pim::kOk) {
                return failed;
            }
        }
        return pim::kOk;
    });
    ASSERT_EQ(code, pim::kOk) << session->last_error();
}

// Another connection to the same database, as another program has: the contact's last name.
void rename_first_contact(const e2e::fs::path& file, const char* last_name) {
    namespace pim = platform::pim;
    std::string error;
    const auto session = pim::PimSession::open(file.string(), error, "other");
    ASSERT_TRUE(session) << error;
    std::unique_ptr<pim::PimItem> item;
    ASSERT_EQ(session->item_from_oid(1, item), pim::kOk);
    const pim::PropValue name =
        pim::PropValue::of_text(velvane::property::kLastName, platform::from_utf8(last_name));
    ASSERT_EQ(item->set_props({&name, 1}), pim::kOk);
    ASSERT_EQ(item->save(), pim::kOk);
}

size_t count_of(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST(StartupRace, ACallAndAChangeDuringTheLoadWaitForItAndAreNotLost) {
    Home home;
    home.enable_log();
    const e2e::fs::path book = home.data() / "velvane" / "contacts.db";
    write_phone_book(book, kContacts);

    // Once loaded: the call is ended, and the keypad's 2 2 2 2 2 finds the changed contact.
    auto program = home.start_script(
        "wait 3\nphone hangup\nwait 2\ntext \"22222\"\nwait 1\ndump typed.txt\nquit\n");
    // The store is logged on and the load has begun.
    ASSERT_TRUE(e2e::eventually([&] {
        const auto lines = home.log_lines();
        return find_line(lines, " start: run: 4") != lines.size();
    }));

    // The change first: it takes this process a moment, the ring a whole other program.
    rename_first_contact(book, "Aaaaa");
    const e2e::RunResult ring =
        home.run(e2e::program_dir() / "velvane-phone", {"ring", "+4930555111"});
    EXPECT_EQ(ring.exit_code, 0) << ring.err;
    // Both happened while the start-up thread was still loading.
    const auto during = home.log_lines();
    EXPECT_EQ(find_line(during, " start: run: 5"), during.size())
        << "the load ended before the test could act";

    const e2e::RunResult run = home.wait(program);
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0) << run.err;

    // The call was taken up after the hand-over; the changed contact is in the Document.
    const auto lines = home.log_lines();
    const size_t handed_over = find_line(lines, " WinMain 10");
    ASSERT_LT(handed_over, lines.size());
    const size_t call = find_line(lines, "Caller ID: +4930555111");
    EXPECT_LT(call, lines.size());
    EXPECT_GT(call, handed_over);
    EXPECT_EQ(count_of(e2e::read_file(home.root() / "typed.txt"), "{ContactsListElement}"), 1u);
}

}  // namespace

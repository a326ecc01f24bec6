#include "platform/pim_session.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"
#include "tests/support/temp_home.h"

namespace {

using namespace platform;
using namespace platform::pim;

constexpr uint32_t kFirst = 0x0082001F;
constexpr uint32_t kLast = 0x0084001F;
constexpr uint32_t kMobile = 0x0096001F;
constexpr uint32_t kBirthday = 0x00F00040;
constexpr uint32_t kCategories = 0x101D001F;

struct Notice {
    uint32_t message;
    uintptr_t oid;
};

class PimSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = (m_home.root() / "data" / "contacts.db").string();
        ASSERT_TRUE(register_window_class(u"PimWatcher", [this](WindowHandle w, uint32_t m,
                                                                uintptr_t wp, intptr_t lp) {
            if (m >= PIM_ITEM_CREATED_LOCAL && m <= PIM_ITEM_CHANGED_REMOTE) {
                m_notices.push_back({m, wp});
            }
            return def_window_proc(w, m, wp, lp);
        }));
        m_window = create_window(u"PimWatcher", u"");
        ASSERT_TRUE(m_window);
    }
    void TearDown() override {
        destroy_window(m_window);
        unregister_window_class(u"PimWatcher");
        use_virtual_clock(false);
    }

    std::unique_ptr<PimSession> open(const std::string& token = "this") {
        std::string error;
        auto session = PimSession::open(m_file, error, token);
        EXPECT_TRUE(session) << error;
        return session;
    }

    // A saved contact with the given names; its oid.
    static uint32_t add(PimSession& session, const WString& first, const WString& last = {}) {
        std::unique_ptr<PimItem> item;
        EXPECT_EQ(session.create_item(kItemContact, item), kOk);
        std::vector<PropValue> values{PropValue::of_text(kFirst, first)};
        if (!last.empty()) {
            values.push_back(PropValue::of_text(kLast, last));
        }
        EXPECT_EQ(item->set_props(values), kOk);
        EXPECT_EQ(item->save(), kOk);
        return item->oid();
    }

    static std::vector<PropValue> read(PimSession& session, uint32_t oid,
                                       std::vector<uint32_t> ids) {
        std::unique_ptr<PimItem> item;
        EXPECT_EQ(session.item_from_oid(oid, item), kOk);
        std::vector<PropValue> out;
        if (item) {
            EXPECT_EQ(item->get_props(ids, out), kOk);
        }
        return out;
    }

    static void watch(PimSession& session, WindowHandle window) {
        ASSERT_EQ(session.logon(window), kOk);
        std::unique_ptr<PimFolder> folder;
        ASSERT_EQ(session.default_folder(kFolderContacts, folder), kOk);
        const PropValue notify = PropValue::of_number(kPropFolderNotifications, 3);
        ASSERT_EQ(folder->set_props({&notify, 1}), kOk);
    }

    std::vector<Notice> take_notices() {
        dispatch_pending_messages();
        return std::exchange(m_notices, {});
    }

    test_support::TempHome m_home;
    std::string m_file;
    WindowHandle m_window;
    std::vector<Notice> m_notices;
};

TEST_F(PimSessionTest, PropertiesRoundTripThroughTheFileWithMissingOnesFlagged) {
    uint32_t oid = 0;
    const int64_t birthday = 125911584000000000;  // 1999-12-31 as a file time
    {
        auto session = open();
        std::unique_ptr<PimItem> item;
        ASSERT_EQ(session->create_item(kItemContact, item), kOk);
        EXPECT_EQ(item->oid(), 0u);
        const std::vector<PropValue> values{
            PropValue::of_text(kFirst, u"Zoë"), PropValue::of_text(kMobile, u"+49 171 1234567"),
            PropValue::of_number(kBirthday, birthday), PropValue::of_text(kCategories, u"")};
        ASSERT_EQ(item->set_props(values), kOk);
        ASSERT_EQ(item->save(), kOk);
        oid = item->oid();
        EXPECT_NE(oid, 0u);
    }
    auto session = open();
    std::unique_ptr<PimItem> item;
    ASSERT_EQ(session->item_from_oid(oid, item), kOk);
    EXPECT_EQ(item->type(), kItemContact);
    std::vector<PropValue> out;
    const std::vector<uint32_t> ids{kPropObjectId, kFirst, kLast, kMobile, kBirthday, kCategories};
    ASSERT_EQ(item->get_props(ids, out), kOk);
    ASSERT_EQ(out.size(), ids.size());
    EXPECT_EQ(out[0].number, oid);
    EXPECT_EQ(out[1].text, u"Zoë");
    EXPECT_EQ(out[2].flags, kPropNotFound);
    EXPECT_EQ(out[3].text, u"+49 171 1234567");
    EXPECT_EQ(out[4].number, birthday);
    // An empty text is a value, not a missing property.
    EXPECT_EQ(out[5].flags, 0);
    EXPECT_EQ(out[5].text, u"");

    std::unique_ptr<PimItem> none;
    EXPECT_EQ(session->item_from_oid(oid + 100, none), kNotFound);
    EXPECT_FALSE(none);
}

TEST_F(PimSessionTest, DeleteFlagRemovesThePropertyAndBadWritesChangeNothing) {
    auto session = open();
    const uint32_t oid = add(*session, u"Ann", u"Smith");
    std::unique_ptr<PimItem> item;
    ASSERT_EQ(session->item_from_oid(oid, item), kOk);
    const std::vector<PropValue> changes{PropValue::deletion(kLast),
                                         PropValue::of_text(kFirst, u"Anna")};
    ASSERT_EQ(item->set_props(changes), kOk);
    // Unsaved changes are visible on the item but not in the file.
    EXPECT_EQ(read(*session, oid, {kLast})[0].text, u"Smith");
    ASSERT_EQ(item->save(), kOk);
    const auto out = read(*session, oid, {kFirst, kLast});
    EXPECT_EQ(out[0].text, u"Anna");
    EXPECT_TRUE(out[1].missing());

    // Object ids are read-only, streams are not properties, and a 32-bit value must fit.
    for (const PropValue& bad : {PropValue::of_number(kPropObjectId, 5),
                                 PropValue::of_number(kPropPicture, 1),
                                 PropValue::of_number(kPropFolderNotifications, -1)}) {
        const std::vector<PropValue> values{PropValue::of_text(kFirst, u"Changed"), bad};
        EXPECT_EQ(item->set_props(values), kInvalidArg);
    }
    ASSERT_EQ(item->save(), kOk);
    EXPECT_EQ(read(*session, oid, {kFirst})[0].text, u"Anna");
}

TEST_F(PimSessionTest, CollectionKeepsCreationOrderAndReadsByPosition) {
    auto session = open();
    const uint32_t a = add(*session, u"Carl");
    const uint32_t b = add(*session, u"Ada");
    const uint32_t c = add(*session, u"Bea");
    std::unique_ptr<PimItem> task;
    ASSERT_EQ(session->create_item(kItemTask, task), kOk);
    ASSERT_EQ(task->save(), kOk);  // not a contact: not in the contacts folder

    std::unique_ptr<PimFolder> folder;
    ASSERT_EQ(session->default_folder(kFolderContacts, folder), kOk);
    std::unique_ptr<PimItems> items;
    ASSERT_EQ(folder->items(items), kOk);
    ASSERT_EQ(items->count(), 3);
    const std::array<uint32_t, 2> ids{kPropObjectId, kFirst};
    std::vector<PropValue> out;
    EXPECT_EQ(items->get_props(0, ids, out), kInvalidArg);
    EXPECT_EQ(items->get_props(4, ids, out), kInvalidArg);
    const std::array<std::pair<uint32_t, WString>, 3> expected{
        {{a, u"Carl"}, {b, u"Ada"}, {c, u"Bea"}}};
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(items->get_props(i, ids, out), kOk);
        EXPECT_EQ(out[0].number, expected[i - 1].first);
        EXPECT_EQ(out[1].text, expected[i - 1].second);
    }
    // A position read again comes from the file, and so does one after a write.
    ASSERT_EQ(items->get_props(2, ids, out), kOk);
    EXPECT_EQ(out[1].text, u"Ada");
    std::unique_ptr<PimItem> item;
    ASSERT_EQ(items->item(3, item), kOk);
    EXPECT_EQ(item->oid(), c);

    std::unique_ptr<PimItems> fresh;
    ASSERT_EQ(folder->items(fresh), kOk);
    std::unique_ptr<PimItem> first;
    ASSERT_EQ(session->item_from_oid(a, first), kOk);
    ASSERT_EQ(first->remove(), kOk);
    EXPECT_EQ(fresh->get_props(1, ids, out), kNotFound);
    ASSERT_EQ(fresh->get_props(2, ids, out), kOk);
    EXPECT_EQ(out[1].text, u"Ada");
}

TEST_F(PimSessionTest, BulkReadSkipsItemsDeletedAfterTheSnapshot) {
    auto session = open();
    const uint32_t a = add(*session, u"Ann");
    add(*session, u"Bob");
    std::unique_ptr<PimFolder> folder;
    ASSERT_EQ(session->default_folder(kFolderContacts, folder), kOk);
    std::unique_ptr<PimItems> items;
    ASSERT_EQ(folder->items(items), kOk);
    // Another process deletes the first one before the bulk read.
    auto other = open("other");
    std::unique_ptr<PimItem> gone;
    ASSERT_EQ(other->item_from_oid(a, gone), kOk);
    ASSERT_EQ(gone->remove(), kOk);
    const std::array<uint32_t, 1> ids{kFirst};
    std::vector<PropValue> out;
    EXPECT_EQ(items->get_props(1, ids, out), kNotFound);
    ASSERT_EQ(items->get_props(2, ids, out), kOk);
    EXPECT_EQ(out[0].text, u"Bob");
}

TEST_F(PimSessionTest, DeleteRemovesTheItemWithItsPicture) {
    auto session = open();
    const uint32_t oid = add(*session, u"Ann");
    std::unique_ptr<PimItem> item;
    ASSERT_EQ(session->item_from_oid(oid, item), kOk);
    std::unique_ptr<PimStream> stream;
    ASSERT_EQ(item->open_property(kPropPicture, kStreamWrite, stream), kOk);
    ASSERT_EQ(stream->write("abc", 3), kOk);
    ASSERT_EQ(stream->commit(), kOk);
    ASSERT_EQ(item->save(), kOk);
    ASSERT_EQ(item->remove(), kOk);
    std::unique_ptr<PimItem> again;
    EXPECT_EQ(session->item_from_oid(oid, again), kNotFound);
    EXPECT_NE(item->remove(), kOk);
    // A new item never takes the deleted one's id.
    EXPECT_GT(add(*session, u"Bob"), oid);
}

TEST_F(PimSessionTest, PictureStreamIsStoredOnlyWhenCommittedAndSaved) {
    auto session = open();
    const uint32_t oid = add(*session, u"Ann");
    std::unique_ptr<PimItem> item;
    ASSERT_EQ(session->item_from_oid(oid, item), kOk);
    std::unique_ptr<PimStream> stream;
    EXPECT_EQ(item->open_property(kPropPicture, kStreamRead, stream), kNotFound);

    std::vector<uint8_t> picture(10000);
    for (size_t i = 0; i < picture.size(); ++i) {
        picture[i] = static_cast<uint8_t>(i * 7);
    }
    ASSERT_EQ(item->open_property(kPropPicture, kStreamWrite, stream), kOk);
    for (size_t at = 0; at < picture.size(); at += 4096) {
        ASSERT_EQ(stream->write(picture.data() + at, std::min<size_t>(4096, picture.size() - at)), kOk);
    }
    ASSERT_EQ(item->save(), kOk);  // not committed yet
    std::unique_ptr<PimItem> reread;
    ASSERT_EQ(session->item_from_oid(oid, reread), kOk);
    std::unique_ptr<PimStream> reader;
    EXPECT_EQ(reread->open_property(kPropPicture, kStreamRead, reader), kNotFound);

    ASSERT_EQ(stream->commit(), kOk);
    ASSERT_EQ(item->save(), kOk);
    ASSERT_EQ(session->item_from_oid(oid, reread), kOk);
    ASSERT_EQ(reread->open_property(kPropPicture, kStreamRead, reader), kOk);
    std::vector<uint8_t> back;
    uint8_t block[1000];
    size_t got = 0;
    while (reader->read(block, sizeof block, got) == kOk && got > 0) {
        back.insert(back.end(), block, block + got);
    }
    EXPECT_EQ(back, picture);
    EXPECT_EQ(reader->write("x", 1), kAccessDenied);

    // Clearing writes one zero byte over it.
    ASSERT_EQ(item->open_property(kPropPicture, kStreamWrite, stream), kOk);
    const uint8_t zero = 0;
    ASSERT_EQ(stream->write(&zero, 1), kOk);
    ASSERT_EQ(stream->commit(), kOk);
    ASSERT_EQ(item->save(), kOk);
    ASSERT_EQ(session->item_from_oid(oid, reread), kOk);
    ASSERT_EQ(reread->open_property(kPropPicture, kStreamRead, reader), kOk);
    ASSERT_EQ(reader->read(block, sizeof block, got), kOk);
    EXPECT_EQ(got, 1u);

    std::vector<uint8_t> huge(PimStream::kMaxSize);
    ASSERT_EQ(item->open_property(kPropPicture, kStreamWrite, stream), kOk);
    ASSERT_EQ(stream->write(huge.data(), huge.size()), kOk);
    EXPECT_EQ(stream->write("x", 1), kOutOfMemory);
}

TEST_F(PimSessionTest, FolderCategoriesAreSharedButTheNotificationSettingIsNot) {
    const std::array<uint32_t, 2> ids{kPropFolderCategories, kPropFolderNotifications};
    {
        auto session = open();
        std::unique_ptr<PimFolder> folder;
        ASSERT_EQ(session->default_folder(kFolderContacts, folder), kOk);
        std::vector<PropValue> out;
        ASSERT_EQ(folder->get_props(ids, out), kOk);
        EXPECT_TRUE(out[0].missing());
        EXPECT_EQ(out[1].number, 0);
        const std::vector<PropValue> values{PropValue::of_text(kPropFolderCategories, u"Work,Family"),
                                            PropValue::of_number(kPropFolderNotifications, 3)};
        ASSERT_EQ(folder->set_props(values), kOk);
        ASSERT_EQ(folder->get_props(ids, out), kOk);
        EXPECT_EQ(out[1].number, 3);
        std::unique_ptr<PimFolder> other;
        EXPECT_EQ(session->default_folder(9, other), kInvalidArg);
    }
    auto session = open();
    std::unique_ptr<PimFolder> folder;
    ASSERT_EQ(session->default_folder(kFolderContacts, folder), kOk);
    std::vector<PropValue> out;
    ASSERT_EQ(folder->get_props(ids, out), kOk);
    EXPECT_EQ(out[0].text, u"Work,Family");
    EXPECT_EQ(out[1].number, 0);
}

TEST_F(PimSessionTest, OwnWritesPostLocalNoticesWithTheObjectId) {
    auto session = open();
    add(*session, u"Before");  // not logged on yet: nobody to tell
    EXPECT_TRUE(take_notices().empty());
    ASSERT_EQ(session->logon(m_window), kOk);
    add(*session, u"Unsubscribed");  // logged on, but notices not asked for
    EXPECT_TRUE(take_notices().empty());
    watch(*session, m_window);

    const uint32_t oid = add(*session, u"Ann");
    std::unique_ptr<PimItem> item;
    ASSERT_EQ(session->item_from_oid(oid, item), kOk);
    ASSERT_EQ(item->save(), kOk);
    ASSERT_EQ(item->remove(), kOk);
    const auto notices = take_notices();
    ASSERT_EQ(notices.size(), 3u);
    EXPECT_EQ(notices[0].message, PIM_ITEM_CREATED_LOCAL);
    EXPECT_EQ(notices[1].message, PIM_ITEM_CHANGED_LOCAL);
    EXPECT_EQ(notices[2].message, PIM_ITEM_DELETED_LOCAL);
    for (const Notice& n : notices) {
        EXPECT_EQ(n.oid, oid);
    }
    // Our own writes are never announced again as remote ones.
    EXPECT_EQ(session->check_remote_changes(), 0);
    // A failed write announces nothing.
    EXPECT_NE(item->save(), kOk);
    EXPECT_TRUE(take_notices().empty());
}

TEST_F(PimSessionTest, OtherProcessesChangesArriveAsRemoteNoticesOnTheWatchTimer) {
    use_virtual_clock(true);
    auto session = open("velvane");
    const uint32_t existing = add(*session, u"Old");
    watch(*session, m_window);

    auto tool = open("tool");
    const uint32_t created = add(*tool, u"New");
    std::unique_ptr<PimItem> item;
    ASSERT_EQ(tool->item_from_oid(existing, item), kOk);
    ASSERT_EQ(item->save(), kOk);
    ASSERT_EQ(item->remove(), kOk);
    EXPECT_TRUE(take_notices().empty());  // nothing before the timer looks

    advance_virtual_clock(PimSession::kWatchIntervalMs);
    dispatch_pending_messages();  // the timer looks and posts
    const auto notices = take_notices();
    ASSERT_EQ(notices.size(), 3u);
    EXPECT_EQ(notices[0].message, PIM_ITEM_CREATED_REMOTE);
    EXPECT_EQ(notices[0].oid, created);
    EXPECT_EQ(notices[1].message, PIM_ITEM_CHANGED_REMOTE);
    EXPECT_EQ(notices[1].oid, existing);
    EXPECT_EQ(notices[2].message, PIM_ITEM_DELETED_REMOTE);
    EXPECT_EQ(notices[2].oid, existing);
    // Each change is announced once.
    EXPECT_EQ(session->check_remote_changes(), 0);

    ASSERT_EQ(session->logoff(), kOk);
    add(*tool, u"Unwatched");
    advance_virtual_clock(PimSession::kWatchIntervalMs);
    EXPECT_TRUE(take_notices().empty());
}

TEST_F(PimSessionTest, ChangeByAForkedProcessIsSeen) {
    auto session = open();
    watch(*session, m_window);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string error;
        auto other = PimSession::open(m_file, error);  // its own process token
        std::unique_ptr<PimItem> item;
        const bool ok = other && other->create_item(kItemContact, item) == kOk &&
                        item->save() == kOk;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(session->check_remote_changes(), 1);
    const auto notices = take_notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].message, PIM_ITEM_CREATED_REMOTE);
}

TEST_F(PimSessionTest, KilledWriterLeavesNoHalfContact) {
    {
        auto session = open();
        add(*session, u"Kept");
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string error;
        auto other = PimSession::open(m_file, error, "child");
        if (!other) {
            ::_exit(1);
        }
        // Dies in the middle of the transaction, after the item row and two properties.
        other->set_write_hook([](int row) {
            if (row == 2) {
                ::kill(::getpid(), SIGKILL);
            }
        });
        std::unique_ptr<PimItem> item;
        other->create_item(kItemContact, item);
        const std::vector<PropValue> values{PropValue::of_text(kFirst, u"Half"),
                                            PropValue::of_text(kLast, u"Written"),
                                            PropValue::of_text(kMobile, u"123")};
        item->set_props(values);
        item->save();
        ::_exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    auto session = open();
    watch(*session, m_window);
    std::unique_ptr<PimFolder> folder;
    ASSERT_EQ(session->default_folder(kFolderContacts, folder), kOk);
    std::unique_ptr<PimItems> items;
    ASSERT_EQ(folder->items(items), kOk);
    ASSERT_EQ(items->count(), 1);
    std::vector<PropValue> out;
    const std::array<uint32_t, 1> ids{kFirst};
    ASSERT_EQ(items->get_props(1, ids, out), kOk);
    EXPECT_EQ(out[0].text, u"Kept");
    // And the file is still writable.
    add(*session, u"After");
}

TEST_F(PimSessionTest, UnreadableFilesAreReportedAndLeftByteForByte) {
    namespace fs = std::filesystem;
    const auto check_untouched = [&](const std::string& bytes, const char* what) {
        test_support::write_bytes(m_file, bytes);
        std::string error;
        EXPECT_FALSE(PimSession::open(m_file, error)) << what;
        EXPECT_NE(error.find("left untouched"), std::string::npos) << what << ": " << error;
        EXPECT_EQ(test_support::read_bytes(m_file), bytes) << what;
        EXPECT_FALSE(fs::exists(m_file + "-wal")) << what;
    };
    check_untouched("hello, this is not a database at all, just some text\n", "text");
    check_untouched("SQLite format 3", "short");
    std::string garbage = std::string("SQLite format 3") + '\0';
    garbage.resize(8192, '\x5a');
    check_untouched(garbage, "garbage pages");

    // Someone else's SQLite database.
    fs::remove(m_file);
    {
        auto session = open();
        add(*session, u"Ann");
    }
    std::string ours = test_support::read_bytes(m_file);
    ASSERT_GT(ours.size(), 100u);
    std::string foreign = ours;
    foreign[68] ^= 0x01;  // the application id
    check_untouched(foreign, "foreign");

    // Our own file with its table pages overwritten.
    std::string damaged = ours;
    for (size_t i = 4096; i < damaged.size(); ++i) {
        damaged[i] = static_cast<char>(i * 31);
    }
    test_support::write_bytes(m_file, damaged);
    std::string error;
    auto session = PimSession::open(m_file, error);
    if (session) {
        // The damage shows only when the pages are read: reads fail, writes are refused.
        std::unique_ptr<PimFolder> folder;
        ASSERT_EQ(session->default_folder(kFolderContacts, folder), kOk);
        std::unique_ptr<PimItems> items;
        const Code listed = folder->items(items);
        std::unique_ptr<PimItem> item;
        session->create_item(kItemContact, item);
        if (listed != kOk) {
            EXPECT_EQ(item->save(), kCorrupt);
        }
        session.reset();
    }
    EXPECT_EQ(test_support::read_bytes(m_file), damaged);
}

TEST_F(PimSessionTest, NewDatabaseGoesIntoAFolderThatDoesNotExistYet) {
    m_file = (m_home.root() / "a" / "b" / "contacts.db").string();
    auto session = open();
    ASSERT_TRUE(session);
    EXPECT_NE(add(*session, u"Ann"), 0u);
    EXPECT_EQ(PimSession::default_file(),
              (m_home.home() / ".local/share/velvane/contacts.db").string());
}

}  // namespace

namespace {

TEST_F(PimSessionTest, BatchKeepsAllOrNothingAndAnnouncesAfterTheCommit) {
    auto session = open();
    watch(*session, m_window);
    const Code failed = session->write_batch([&]() -> Code {
        add(*session, u"One");
        add(*session, u"Two");
        // Reading inside the batch neither ends it nor lets the timer see its rows.
        std::unique_ptr<PimFolder> folder;
        std::unique_ptr<PimItems> items;
        std::vector<PropValue> out;
        const std::array<uint32_t, 1> ids{kFirst};
        EXPECT_EQ(session->default_folder(kFolderContacts, folder), kOk);
        EXPECT_EQ(folder->items(items), kOk);
        EXPECT_EQ(items->get_props(2, ids, out), kOk);
        EXPECT_EQ(session->check_remote_changes(), 0);
        return kFail;
    });
    EXPECT_EQ(failed, kFail);
    EXPECT_TRUE(take_notices().empty());

    std::vector<uint32_t> oids;
    ASSERT_EQ(session->write_batch([&]() -> Code {
        oids.push_back(add(*session, u"One"));
        oids.push_back(add(*session, u"Two"));
        // Notices wait for the commit.
        EXPECT_TRUE(take_notices().empty());
        return kOk;
    }),
              kOk);
    const auto notices = take_notices();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[1].oid, oids[1]);

    std::unique_ptr<PimFolder> folder;
    ASSERT_EQ(session->default_folder(kFolderContacts, folder), kOk);
    std::unique_ptr<PimItems> items;
    ASSERT_EQ(folder->items(items), kOk);
    EXPECT_EQ(items->count(), 2);

    // Journal numbers of the undone batch are used again; another process's change under
    // such a number is still announced.
    auto tool = open("tool");
    add(*tool, u"Three");
    EXPECT_EQ(session->check_remote_changes(), 1);
}

}  // namespace

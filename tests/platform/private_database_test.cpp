// The contact database and the call history: their files are the owner's only, and two
// processes that make a new database at the same moment both end up using it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/call_history.h"
#include "platform/pim_session.h"
#include "tests/support/temp_home.h"

namespace {

using namespace platform;
using namespace platform::pim;
namespace fs = std::filesystem;

constexpr uint32_t kFirst = 0x0082001F;

unsigned mode_of(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 0777) : 01000;
}

// Sets a wide umask for the length of a test, as many desktops have.
class WideUmask {
public:
    WideUmask() : m_old(::umask(022)) {}
    ~WideUmask() { ::umask(m_old); }

private:
    mode_t m_old;
};

// Opens the database of one kind at file, writes one record and keeps it open.
struct Opener {
    const char* name;
    std::function<std::string()> default_file;
    std::function<std::shared_ptr<void>(const std::string& file)> open_and_write;
};

std::vector<Opener> openers() {
    return {
        {"contacts", [] { return PimSession::default_file(); },
         [](const std::string& file) -> std::shared_ptr<void> {
             std::string error;
             std::shared_ptr<PimSession> session = PimSession::open(file, error, "t");
             EXPECT_TRUE(session) << error;
             if (!session) {
                 return nullptr;
             }
             std::unique_ptr<PimItem> item;
             EXPECT_EQ(session->create_item(kItemContact, item), kOk);
             const PropValue name = PropValue::of_text(kFirst, u"Ann");
             EXPECT_EQ(item->set_props({&name, 1}), kOk);
             EXPECT_EQ(item->save(), kOk);
             return session;
         }},
        {"calls", [] { return CallHistory::default_file(); },
         [](const std::string& file) -> std::shared_ptr<void> {
             auto history = std::make_shared<CallHistory>(file);
             EXPECT_TRUE(history->is_open()) << to_utf8(history->error());
             CallLogEntry entry;
             entry.number = u"123";
             EXPECT_NE(history->add(entry), 0u);
             return history;
         }},
    };
}

TEST(PrivateDatabase, FilesAndTheirFolderAreTheOwnersOnlyAndOldOnesAreNarrowed) {
    test_support::TempHome home;
    WideUmask umask;
    for (const Opener& opener : openers()) {
        SCOPED_TRACE(opener.name);
        const std::string file = opener.default_file();
        const std::string folder = fs::path(file).parent_path().string();
        const std::vector<std::string> files = {file, file + "-wal", file + "-shm"};
        {
            auto open = opener.open_and_write(file);
            ASSERT_TRUE(open);
            EXPECT_EQ(mode_of(folder), 0700u);
            for (const std::string& f : files) {
                EXPECT_EQ(mode_of(f), 0600u) << f;
            }
        }
        // Made readable by everyone by an older version: narrowed when next opened,
        // including a rollback journal left behind.
        const std::vector<std::string> old = {file, file + "-wal", file + "-shm", file + "-journal"};
        {
            std::ofstream(file + "-journal").put('\0');
        }
        ::chmod(folder.c_str(), 0755);
        for (const std::string& f : old) {
            ::chmod(f.c_str(), 0644);
        }
        auto open = opener.open_and_write(file);
        ASSERT_TRUE(open);
        EXPECT_EQ(mode_of(folder), 0700u);
        for (const std::string& f : old) {
            if (fs::exists(f)) {
                EXPECT_EQ(mode_of(f), 0600u) << f;
            }
        }
        EXPECT_EQ(mode_of(file), 0600u);
    }
}

TEST(PrivateDatabase, AFolderTheUserChoseIsLeftAsItIsButANewOneIsPrivate) {
    test_support::TempHome home;
    WideUmask umask;
    for (const Opener& opener : openers()) {
        SCOPED_TRACE(opener.name);
        const fs::path chosen = home.root() / (std::string("chosen-") + opener.name);
        fs::create_directories(chosen);
        ::chmod(chosen.c_str(), 0755);
        ASSERT_TRUE(opener.open_and_write((chosen / "book.db").string()));
        EXPECT_EQ(mode_of(chosen.string()), 0755u);
        EXPECT_EQ(mode_of((chosen / "book.db").string()), 0600u);
        ASSERT_TRUE(opener.open_and_write((chosen / "new" / "book.db").string()));
        EXPECT_EQ(mode_of((chosen / "new").string()), 0700u);
    }
}

TEST(PrivateDatabase, TwoOpeningANewFileAtOnceBothUseIt) {
    test_support::TempHome home;
    for (const Opener& opener : openers()) {
        SCOPED_TRACE(opener.name);
        for (int round = 0; round < 12; ++round) {
            const std::string file =
                (home.root() / opener.name / ("race" + std::to_string(round) + ".db")).string();
            std::atomic<int> ready{0};
            std::shared_ptr<void> opened[2];
            std::vector<std::thread> threads;
            for (int t = 0; t < 2; ++t) {
                threads.emplace_back([&, t] {
                    ready.fetch_add(1);
                    while (ready.load() < 2) {
                        std::this_thread::yield();
                    }
                    opened[t] = opener.open_and_write(file);
                });
            }
            for (std::thread& thread : threads) {
                thread.join();
            }
            ASSERT_TRUE(opened[0] && opened[1]) << "round " << round;
        }
    }
    // Both records of the last contact race are in the one book.
    const std::string file = (home.root() / "contacts" / "race11.db").string();
    std::string error;
    auto session = PimSession::open(file, error, "reader");
    ASSERT_TRUE(session) << error;
    std::unique_ptr<PimFolder> folder;
    ASSERT_EQ(session->default_folder(kFolderContacts, folder), kOk);
    std::unique_ptr<PimItems> items;
    ASSERT_EQ(folder->items(items), kOk);
    EXPECT_EQ(items->count(), 2);
}

}  // namespace

#include "contacts/favorites.h"

#include <gtest/gtest.h>

#include "contacts/document.h"
#include "core/paths.h"
#include "tests/contacts/document_fixture.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using contacts_test::FakeStore;
using contacts_test::person;
using contacts_test::Recorder;
using test_support::read_bytes;
using test_support::TempHome;
using test_support::write_bytes;
namespace fs = std::filesystem;

std::string utf16(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

TEST(FavoritesFile, ReadsPairsInAnyOrderAndSkipsWhatCannotBeARow) {
    // Lines out of order, CR LF ends, a count beyond the rows, a row without a kind, a kind
    // no field has, a negative id and an id beyond 32 bits.
    const std::string bytes = utf16(
        u"ft1=9\r\nfc1=987\r\ncount=9\r\nfc0=1234\r\nft0=0\r\n"
        u"fc2=5\r\nfc3=6\r\nft3=34\r\nfc4=-1\r\nft4=1\r\nfc5=4294967296\r\nft5=1\r\n"
        u"fc6= 77x\r\nft6=+3\r\n");
    EXPECT_EQ(parse_favorites(bytes),
              (std::vector<FavoriteRecord>{{1234, 0}, {987, 9}, {77, 3}}));
    // Eight-bit text reads the same way.
    EXPECT_EQ(parse_favorites("count=1\nfc0=4294967295\nft0=33\n"),
              (std::vector<FavoriteRecord>{{4294967295u, 33}}));
    EXPECT_TRUE(parse_favorites("").empty());
    EXPECT_TRUE(parse_favorites("fc0=1\nft0=1\n").empty());  // no count
    // A huge count costs no more than the pairs that are there.
    EXPECT_EQ(parse_favorites("count=2147483647\nfc0=1\nft0=1\n").size(), 1u);
}

TEST(FavoritesFile, AMissingOrBrokenRowCostsOnlyItself) {
    struct Case {
        const char16_t* text;
        std::vector<FavoriteRecord> rows;
    };
    const Case cases[] = {
        // Row 1 is missing: rows 2 and 3 are still read.
        {u"count=4\nfc0=10\nft0=0\nfc2=12\nft2=2\nfc3=13\nft3=3\n", {{10, 0}, {12, 2}, {13, 3}}},
        // Only the kind of row 0 is there, and row 1 has a kind no field has.
        {u"count=4\nft0=0\nfc1=11\nft1=99\nfc2=12\nft2=2\nfc3=13\nft3=3\n", {{12, 2}, {13, 3}}},
        // Rows in file order whatever the line order, even past index 9.
        {u"count=12\nfc11=21\nft11=1\nfc2=12\nft2=2\nfc10=20\nft10=0\n", {{12, 2}, {20, 0}, {21, 1}}},
        // Rows at or past the count, and indexes not written as the program writes them.
        {u"count=2\nfc0=10\nft0=0\nfc2=12\nft2=2\nfc01=11\nft01=1\nfc-1=9\nft-1=1\n", {{10, 0}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse_favorites(utf16(c.text)), c.rows) << platform::to_utf8(c.text);
    }
}

TEST(FavoritesFile, WritesTheExactFormat) {
    ContactEntry a;
    a.contact.object_id = 1234;
    ContactEntry b;
    b.contact.object_id = 987;
    const std::string bytes = format_favorites({{&a, 0}, {&b, 9}});
    EXPECT_EQ(bytes, utf16(u"count=2\nfc0=1234\nft0=0\nfc1=987\nft1=9\n"));
    EXPECT_EQ(format_favorites({}), utf16(u"count=0\n"));
    EXPECT_EQ(parse_favorites(bytes), (std::vector<FavoriteRecord>{{1234, 0}, {987, 9}}));
}

class FavoritesTest : public testing::Test {
protected:
    TempHome home;
    // As the program lays it out: the user's data folder, its app folder where favourites
    // went before, and the program folder.
    FavoritesLocation where{platform::from_utf8((home.root() / "user/favorits.dat").string()),
                            {platform::from_utf8((home.root() / "user/app/favorits.dat").string()),
                             platform::from_utf8((home.root() / "app/favorits.dat").string())}};
    std::unique_ptr<Document> document;
    std::unique_ptr<Recorder> view;

    void SetUp() override { fs::create_directories(home.root() / "app"); }
    void TearDown() override {
        view.reset();
        document.reset();
        set_favorites_location(default_favorites_location());
    }

    void open(std::vector<Contact> contacts) {
        set_favorites_location(where);
        DocumentServices services;
        services.make_store = [contacts](Document&) {
            auto s = std::make_unique<FakeStore>();
            s->contacts = contacts;
            return s;
        };
        services.load_favorites = load_favorites;
        services.keypad_map_path = platform::from_utf8((home.root() / "none.txt").string());
        document = std::make_unique<Document>(std::move(services));
        view = std::make_unique<Recorder>();
        document->load();
        view->take();
    }

    // The table as "id:kind" in row order.
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (const FavoriteRow& r : document->favorites()) {
            out.push_back(std::to_string(r.entry->contact.object_id) + ":" +
                          std::to_string(r.kind));
        }
        return out;
    }
    std::string program_file() const { return read_bytes(home.root() / "app/favorits.dat"); }
    std::string user_file() const { return read_bytes(home.root() / "user/favorits.dat"); }
};

TEST_F(FavoritesTest, LoadKeepsLivingContactsInNameOrderAndTheNextWriteDropsTheRest) {
    write_bytes(home.root() / "app/favorits.dat",
                utf16(u"count=4\nfc0=1\nft0=0\nfc1=99\nft1=0\nfc2=3\nft2=7\nfc3=2\nft3=9\n"));
    open({person(1, u"Zoe", u"Adams"), person(2, u"Ann", u"Smith"),
          person(3, u"", u"", u"Acme")});
    EXPECT_EQ(rows(), (std::vector<std::string>{"3:7", "2:9", "1:0"}));
    EXPECT_EQ(document->find_entry(2)->favorite_codes, (std::vector<int32_t>{9}));

    // Pinning a second field of Ann puts it next to her first one.
    add_favorite(*document, 2, 0);
    EXPECT_EQ(rows(), (std::vector<std::string>{"3:7", "2:9", "2:0", "1:0"}));
    EXPECT_EQ(view->take(), (std::vector<std::string>{"favorite_added 3"}));
    EXPECT_EQ(document->find_entry(2)->favorite_codes, (std::vector<int32_t>{9, 0}));
    EXPECT_EQ(user_file(),
              utf16(u"count=4\nfc0=3\nft0=7\nfc1=2\nft1=9\nfc2=2\nft2=0\nfc3=1\nft3=0\n"));

    remove_favorite(*document, 2, 9);
    EXPECT_EQ(view->take(), (std::vector<std::string>{"favorite_removed 1"}));
    EXPECT_EQ(document->find_entry(2)->favorite_codes, (std::vector<int32_t>{0}));
    EXPECT_EQ(user_file(), utf16(u"count=3\nfc0=3\nft0=7\nfc1=2\nft1=0\nfc2=1\nft2=0\n"));

    // The program folder's file was moved beside the contact database on the first load.
    EXPECT_FALSE(fs::exists(home.root() / "app/favorits.dat"));

    // Reloading gives the same table and does not double the codes.
    load_favorites(*document);
    EXPECT_EQ(rows(), (std::vector<std::string>{"3:7", "2:0", "1:0"}));
    EXPECT_EQ(document->find_entry(2)->favorite_codes, (std::vector<int32_t>{0}));
}

TEST_F(FavoritesTest, UnknownRowsAndContactsChangeNothingAndWriteNothing) {
    open({person(1, u"Ann", u"Smith")});
    EXPECT_TRUE(document->favorites().empty());
    remove_favorite(*document, 1, 0);
    add_favorite(*document, 42, 0);
    remove_favorite(*document, 42, 0);
    EXPECT_TRUE(view->take().empty());
    EXPECT_FALSE(fs::exists(home.root() / "user/favorits.dat"));

    add_favorite(*document, 1, 0);
    const std::string written = user_file();
    remove_favorite(*document, 1, 9);
    EXPECT_EQ(view->take(), (std::vector<std::string>{"favorite_added 0"}));
    EXPECT_EQ(user_file(), written);
    // Only the favourites file is in the folder: the write left no temporary behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(home.root() / "user"), fs::directory_iterator()),
              1);
}

TEST_F(FavoritesTest, EarlierFilesAreMovedBesideTheDatabaseOnceAndTheUsersOwnWins) {
    const std::string own = utf16(u"count=1\nfc0=2\nft0=3\n");
    const std::string shared = utf16(u"count=1\nfc0=1\nft0=0\n");
    write_bytes(home.root() / "user/app/favorits.dat", own);
    write_bytes(home.root() / "app/favorits.dat", shared);
    open({person(1, u"Ann", u"Smith"), person(2, u"Bob", u"Jones")});
    EXPECT_EQ(rows(), (std::vector<std::string>{"2:3"}));
    EXPECT_EQ(user_file(), own);
    EXPECT_FALSE(fs::exists(home.root() / "user/app/favorits.dat"));
    // The program folder's copy is no longer read once the user's file is in place.
    add_favorite(*document, 1, 0);
    load_favorites(*document);
    EXPECT_EQ(rows(), (std::vector<std::string>{"1:0", "2:3"}));
    EXPECT_EQ(user_file(), utf16(u"count=2\nfc0=1\nft0=0\nfc1=2\nft1=3\n"));
}

TEST_F(FavoritesTest, AMoveCutOffAfterTheCopyKeepsTheCopy) {
    // The copy was written and the old file not yet removed: the copy is what counts, and a
    // change made since is not undone by the old file.
    write_bytes(home.root() / "user/favorits.dat", utf16(u"count=1\nfc0=2\nft0=3\n"));
    write_bytes(home.root() / "app/favorits.dat", utf16(u"count=1\nfc0=1\nft0=0\n"));
    open({person(1, u"Ann", u"Smith"), person(2, u"Bob", u"Jones")});
    EXPECT_EQ(rows(), (std::vector<std::string>{"2:3"}));
    // A move that cannot write its copy leaves the old file where it is, and still reads it.
    fs::remove(home.root() / "user/favorits.dat");
    fs::remove_all(home.root() / "user");
    write_bytes(home.root() / "user", "not a folder");
    load_favorites(*document);
    EXPECT_EQ(rows(), (std::vector<std::string>{"1:0"}));
    EXPECT_EQ(program_file(), utf16(u"count=1\nfc0=1\nft0=0\n"));
}

TEST(FavoritesLocation, BesideTheContactDatabase) {
    TempHome home;
    const FavoritesLocation where = default_favorites_location();
    const fs::path data = home.home() / ".local/share/velvane";
    EXPECT_EQ(where.file, platform::from_utf8((data / "favorits.dat").string()));
    ASSERT_EQ(where.earlier.size(), 2u);
    EXPECT_EQ(where.earlier[0], platform::from_utf8((data / "app/favorits.dat").string()));
    EXPECT_EQ(where.earlier[1], app_folder() + u"favorits.dat");
}

}  // namespace
}  // namespace velvane

#include "contacts/favorites.h"

#include <gtest/gtest.h>

#include "contacts/document.h"
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
    FavoritesLocation where{platform::from_utf8((home.root() / "app/favorits.dat").string()),
                            platform::from_utf8((home.root() / "user/app/favorits.dat").string())};
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
    std::string user_file() const { return read_bytes(home.root() / "user/app/favorits.dat"); }
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

    // The program folder's file, shared by every user, is left as it was.
    EXPECT_EQ(program_file(),
              utf16(u"count=4\nfc0=1\nft0=0\nfc1=99\nft1=0\nfc2=3\nft2=7\nfc3=2\nft3=9\n"));

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
    EXPECT_FALSE(fs::exists(home.root() / "user/app/favorits.dat"));

    add_favorite(*document, 1, 0);
    const std::string written = user_file();
    remove_favorite(*document, 1, 9);
    EXPECT_EQ(view->take(), (std::vector<std::string>{"favorite_added 0"}));
    EXPECT_EQ(user_file(), written);
    // Only the favourites file is in the folder: the write left no temporary behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(home.root() / "user/app"), fs::directory_iterator()),
              1);
}

TEST_F(FavoritesTest, AnUnwritableProgramFolderSendsWritesToTheOverlayWhichIsReadFirst) {
    // A file where the program folder's favourites would go makes that place unwritable,
    // also for a test running with every permission.
    where.program_file =
        platform::from_utf8((home.root() / "app/blocked/favorits.dat").string());
    write_bytes(home.root() / "app/blocked", "not a folder");
    open({person(1, u"Ann", u"Smith"), person(2, u"Bob", u"Jones")});
    add_favorite(*document, 2, 3);
    EXPECT_EQ(read_bytes(home.root() / "user/app/favorits.dat"),
              utf16(u"count=1\nfc0=2\nft0=3\n"));

    // The overlay wins over the program folder from now on, for reading and writing.
    where.program_file = platform::from_utf8((home.root() / "app/favorits.dat").string());
    set_favorites_location(where);
    write_bytes(home.root() / "app/favorits.dat", utf16(u"count=1\nfc0=1\nft0=0\n"));
    load_favorites(*document);
    EXPECT_EQ(rows(), (std::vector<std::string>{"2:3"}));
    add_favorite(*document, 1, 0);
    EXPECT_EQ(read_bytes(home.root() / "user/app/favorits.dat"),
              utf16(u"count=2\nfc0=1\nft0=0\nfc1=2\nft1=3\n"));
    EXPECT_EQ(program_file(), utf16(u"count=1\nfc0=1\nft0=0\n"));
}

}  // namespace
}  // namespace velvane

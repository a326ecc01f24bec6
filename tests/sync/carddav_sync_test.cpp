// Two devices sharing one phone book through a real CardDAV server (Radicale), each a private
// home driven through velvane-pim as a person would.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "contacts/contact_manager.h"
#include "sync/background_sync.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/radicale_server.h"

namespace {

namespace fs = std::filesystem;

fs::path tool() { return e2e::program_dir() / "velvane-pim"; }

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// One device: a private home with the tool.
class Device {
public:
    e2e::RunResult pim(const std::vector<std::string>& args) { return home.run(tool(), args); }
    // The password comes on standard input, as a script would give it.
    e2e::RunResult add_account(const std::string& url, const std::vector<std::string>& more = {}) {
        std::string command = "printf 'secret\\n' | '" + tool().string() + "' account add '" + url +
                              "' --user alice";
        for (const std::string& word : more) {
            command += " '" + word + "'";
        }
        return home.run("/bin/sh", {"-c", command});
    }
    e2e::RunResult sync() { return pim({"sync"}); }
    void sync_ok() {
        const e2e::RunResult r = sync();
        ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    }
    // "first last" of every contact, sorted.
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (const std::string& line : lines_of(pim({"list"}).out)) {
            std::istringstream columns(line);
            std::string id, first, last;
            std::getline(columns, id, '\t');
            std::getline(columns, first, '\t');
            std::getline(columns, last, '\t');
            out.push_back(first + " " + last);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string id_of(const std::string& first) {
        for (const std::string& line : lines_of(pim({"list"}).out)) {
            if (line.find("\t" + first + "\t") != std::string::npos) {
                return line.substr(0, line.find('\t'));
            }
        }
        return {};
    }
    std::string show(const std::string& first) { return pim({"show", id_of(first)}).out; }
    // The book as vCards without the UID lines only the downloaded copies carry.
    std::multiset<std::string> cards() {
        std::multiset<std::string> out;
        std::string card;
        for (const std::string& line : lines_of(pim({"export", "-"}).out)) {
            if (line.starts_with("UID:")) {
                continue;
            }
            card += line + "\n";
            if (line == "END:VCARD") {
                out.insert(card);
                card.clear();
            }
        }
        return out;
    }

    e2e::Home home;
};

class CardDavSync : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists("/usr/bin/radicale")) << "radicale is not installed";
        // Passwords go to the file of each home, never to a keyring of the person running the tests.
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        server.make_book("/alice/book/");
    }

    void add_both() {
        ASSERT_EQ(a.add_account(server.url()).exit_code, 0);
        ASSERT_EQ(b.add_account(server.url()).exit_code, 0);
    }

    test_support::RadicaleServer server;
    Device a;
    Device b;
};

TEST_F(CardDavSync, WhatOneDeviceAddsChangesAndDeletesTheOtherFollows) {
    // A demo book brings pictures and categories.
    ASSERT_EQ(a.pim({"demo", "--count", "12"}).exit_code, 0);
    ASSERT_EQ(a.pim({"add", "--first", "Ann", "--last", "Lee", "Mobile=+49 171 1234567",
                     "Categories=Friends, Work", "Birthday=1990-02-03"}).exit_code, 0);
    add_both();
    a.sync_ok();
    b.sync_ok();
    EXPECT_EQ(b.names(), a.names());
    EXPECT_EQ(b.cards(), a.cards()) << "every field, picture and category arrives whole";
    EXPECT_EQ(server.cards_stored("book"), 13u);
    const std::string offered = b.pim({"categories"}).out;
    EXPECT_NE(offered.find("Friends"), std::string::npos) << "the filter offers synced categories: " << offered;
    EXPECT_NE(offered.find("Work"), std::string::npos) << offered;

    ASSERT_EQ(b.pim({"set", b.id_of("Ann"), "HomeTel", "030 555"}).exit_code, 0);
    ASSERT_EQ(b.pim({"set", b.id_of("Ann"), "Mobile", ""}).exit_code, 0);
    b.sync_ok();
    a.sync_ok();
    const std::string ann = a.show("Ann");
    EXPECT_NE(ann.find("HomeTel: 030 555"), std::string::npos) << ann;
    EXPECT_EQ(ann.find("Mobile:"), std::string::npos) << ann;

    ASSERT_EQ(a.pim({"delete", a.id_of("Ann")}).exit_code, 0);
    a.sync_ok();
    b.sync_ok();
    EXPECT_TRUE(b.id_of("Ann").empty());
    EXPECT_EQ(b.names(), a.names());
    EXPECT_EQ(server.cards_stored("book"), 12u);

    // Nothing changed: a pass does nothing at all.
    const e2e::RunResult idle = a.sync();
    EXPECT_EQ(idle.exit_code, 0);
    EXPECT_EQ(lines_of(idle.out).front(),
              "here: 0 added, 0 changed, 0 removed; on the server: 0 added, 0 changed, 0 removed");
}

TEST_F(CardDavSync, ConflictsMergeByPropertyAndKeepChangedContacts) {
    ASSERT_EQ(a.pim({"add", "--first", "Ann", "--last", "Lee", "Mobile=111"}).exit_code, 0);
    ASSERT_EQ(a.pim({"add", "--first", "Bob", "--last", "Roe", "Mobile=222"}).exit_code, 0);
    ASSERT_EQ(a.pim({"add", "--first", "Cy", "--last", "Doe", "Mobile=333"}).exit_code, 0);
    add_both();
    a.sync_ok();
    b.sync_ok();

    // Ann: different properties on each side, and her last name on both.
    ASSERT_EQ(a.pim({"set", a.id_of("Ann"), "Email1", "ann@a.example"}).exit_code, 0);
    ASSERT_EQ(a.pim({"set", a.id_of("Ann"), "last", "Local"}).exit_code, 0);
    ASSERT_EQ(b.pim({"set", b.id_of("Ann"), "HomeTel", "030 1"}).exit_code, 0);
    ASSERT_EQ(b.pim({"set", b.id_of("Ann"), "last", "Server"}).exit_code, 0);
    // Bob: deleted on b, changed on a. Cy: deleted on a, changed on b.
    ASSERT_EQ(b.pim({"delete", b.id_of("Bob")}).exit_code, 0);
    ASSERT_EQ(a.pim({"set", a.id_of("Bob"), "Mobile", "2222"}).exit_code, 0);
    ASSERT_EQ(a.pim({"delete", a.id_of("Cy")}).exit_code, 0);
    ASSERT_EQ(b.pim({"set", b.id_of("Cy"), "Mobile", "3333"}).exit_code, 0);

    b.sync_ok();
    const e2e::RunResult merged = a.sync();
    ASSERT_EQ(merged.exit_code, 0) << merged.err;
    EXPECT_NE(merged.out.find("last was changed on both sides; the server's value is kept, the "
                              "local one was \"Local\""),
              std::string::npos)
        << merged.out;
    b.sync_ok();
    a.sync_ok();

    for (Device* device : {&a, &b}) {
        EXPECT_EQ(device->names(),
                  (std::vector<std::string>{"Ann Server", "Bob Roe", "Cy Doe"}));
        const std::string ann = device->show("Ann");
        EXPECT_NE(ann.find("Email1: ann@a.example"), std::string::npos) << ann;
        EXPECT_NE(ann.find("HomeTel: 030 1"), std::string::npos) << ann;
        EXPECT_NE(device->show("Bob").find("Mobile: 2222"), std::string::npos);
        EXPECT_NE(device->show("Cy").find("Mobile: 3333"), std::string::npos);
    }
    EXPECT_EQ(server.cards_stored("book"), 3u);
}

// Two books that held the same person before their first sync end up with one contact for
// her, with what both knew; the same name alone does not make one person.
TEST_F(CardDavSync, APersonInBothBooksBeforeTheFirstSyncBecomesOneContact) {
    ASSERT_EQ(a.pim({"add", "--first", "Ann", "--last", "Lee", "Mobile=+49 171 1234567",
                     "HomeTel=030 1"}).exit_code, 0);
    ASSERT_EQ(a.pim({"add", "--first", "Bob", "--last", "Roe", "Mobile=222"}).exit_code, 0);
    ASSERT_EQ(b.pim({"add", "--first", "Ann", "--last", "Lee", "Mobile=+49-171-123 4567",
                     "HomeTel=030 2", "Email1=ann@b.example"}).exit_code, 0);
    ASSERT_EQ(b.pim({"add", "--first", "Bob", "--last", "Roe", "Mobile=999"}).exit_code, 0);
    add_both();
    a.sync_ok();
    const e2e::RunResult met = b.sync();
    ASSERT_EQ(met.exit_code, 0) << met.err;
    EXPECT_NE(met.out.find("HomeTel was changed on both sides; the server's value is kept, the "
                           "local one was \"030 2\""),
              std::string::npos)
        << met.out;
    a.sync_ok();

    for (Device* device : {&a, &b}) {
        EXPECT_EQ(device->names(), (std::vector<std::string>{"Ann Lee", "Bob Roe", "Bob Roe"}));
        const std::string ann = device->show("Ann");
        EXPECT_NE(ann.find("Email1: ann@b.example"), std::string::npos) << ann;
        EXPECT_NE(ann.find("HomeTel: 030 1"), std::string::npos) << ann;
    }
    EXPECT_EQ(b.cards(), a.cards());
    EXPECT_EQ(server.cards_stored("book"), 3u);
}

TEST_F(CardDavSync, AnotherClientsCardKeepsWhatVelvaneDoesNotShow) {
    const std::vector<std::string> foreign = {
        "NOTE:likes tea\\, not coffee",
        "IMPP;X-SERVICE-TYPE=Jabber:xmpp:bob@example.org",
        "X-CUSTOM;TYPE=work:value one",
        // Upper case: the server itself writes property names so.
        "item1.X-ABLABEL:_$!<Anniversary>!$_",
        "TEL;TYPE=VIDEO:+1 555 0100",
        "ROLE:Keeper of keys",
        "PHOTO;VALUE=uri:https://example.org/bob.jpg",
    };
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:other-1\r\nFN:Bob Roe\r\nN:Roe;Bob;;;\r\n";
    for (const std::string& line : foreign) {
        card += line + "\r\n";
    }
    card += "END:VCARD\r\n";
    const fs::path file = a.home.write("other.vcf", card);
    const e2e::RunResult put = server.curl({"-T", file.string(), "-H", "Content-Type: text/vcard",
                                            server.url("/alice/book/other-1.vcf")});
    ASSERT_TRUE(put.out.ends_with("201")) << put.out << put.err;

    ASSERT_EQ(a.add_account(server.url()).exit_code, 0);
    a.sync_ok();
    ASSERT_EQ(a.pim({"set", a.id_of("Bob"), "first", "Robert"}).exit_code, 0);
    a.sync_ok();

    const e2e::RunResult got = server.curl({server.url("/alice/book/other-1.vcf")});
    const std::vector<std::string> lines = lines_of(got.out);
    for (const std::string& line : foreign) {
        EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << line << "\n" << got.out;
    }
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "N:Roe;Robert;;;"), 1) << got.out;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "UID:other-1"), 1) << got.out;
}

TEST_F(CardDavSync, ASyncCutOffLosesNothingAndTheNextOneFinishes) {
    ASSERT_EQ(a.pim({"demo", "--count", "150"}).exit_code, 0);
    add_both();
    // The server goes away while a sends its cards; wherever that happens, nothing is lost.
    e2e::Child sending = a.home.start(tool(), {"sync"});
    EXPECT_TRUE(e2e::eventually([&] { return server.cards_stored("book") >= 20; }));
    server.stop();
    const e2e::RunResult cut = a.home.wait(sending);
    EXPECT_EQ(cut.exit_code, 1) << cut.out << cut.err;
    EXPECT_NE(cut.err.find("sync not complete"), std::string::npos) << cut.err;
    EXPECT_EQ(a.names().size(), 150u);

    server.start();
    a.sync_ok();
    b.sync_ok();
    EXPECT_EQ(server.cards_stored("book"), 150u) << "no card twice, none missing";
    EXPECT_EQ(b.names(), a.names());
}

TEST_F(CardDavSync, AccountsAreFoundListedAndRemoved) {
    server.make_book("/alice/work/");
    const e2e::RunResult ask = a.add_account(server.url());
    EXPECT_EQ(ask.exit_code, 2);
    EXPECT_NE(ask.out.find("/alice/book/"), std::string::npos) << ask.out;
    EXPECT_NE(ask.out.find("/alice/work/"), std::string::npos) << ask.out;
    EXPECT_NE(ask.err.find("--book"), std::string::npos) << ask.err;

    const e2e::RunResult wrong = a.home.run(
        "/bin/sh", {"-c", "printf 'nope\\n' | '" + tool().string() + "' account add '" +
                              server.url() + "' --user alice --book /alice/work/"});
    EXPECT_EQ(wrong.exit_code, 1) << "a wrong password finds no book";
    EXPECT_NE(wrong.err.find("401"), std::string::npos) << wrong.err;

    ASSERT_EQ(a.add_account(server.url(), {"--book", "/alice/work/"}).exit_code, 0);
    EXPECT_EQ(a.pim({"account", "list"}).out, "1\t" + server.url("/alice/work/") + "\talice\n");
    const fs::path passwords = a.home.data() / "velvane" / "passwords";
    EXPECT_EQ(fs::status(passwords).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(e2e::read_file(passwords).find("secret"), std::string::npos) << "not kept as typed";
    EXPECT_EQ(a.add_account(server.url(), {"--book", "/alice/book/"}).exit_code, 1)
        << "one account per book";

    ASSERT_EQ(a.pim({"add", "--first", "Ann"}).exit_code, 0);
    a.sync_ok();
    EXPECT_EQ(server.cards_stored("work"), 1u);
    EXPECT_EQ(a.pim({"account", "remove", server.url("/alice/work/")}).exit_code, 0);
    EXPECT_EQ(a.pim({"account", "list"}).out, "");
    EXPECT_NE(a.sync().exit_code, 0);
    EXPECT_EQ(a.names(), std::vector<std::string>{"Ann "}) << "the contacts stay";

    const e2e::RunResult plain = a.add_account("http://dav.example.org/");
    EXPECT_EQ(plain.exit_code, 2);
    EXPECT_NE(plain.err.find("https"), std::string::npos) << plain.err;
}

// Certificates are always checked: a server with its own is refused until --ca names it.
TEST(CardDavHttps, AServerWithItsOwnCertificateIsTrustedOnlyThroughCa) {
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    test_support::RadicaleServer server(true);
    server.make_book("/alice/book/");
    Device a;
    const e2e::RunResult refused = a.add_account(server.url());
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("certificate"), std::string::npos) << refused.err;
    ASSERT_EQ(a.add_account(server.url(), {"--ca", server.certificate().string()}).exit_code, 0);
    ASSERT_EQ(a.pim({"add", "--first", "Ann"}).exit_code, 0);
    a.sync_ok();
    EXPECT_EQ(server.cards_stored("book"), 1u);
}

class NoListener : public velvane::ContactStoreListener {
public:
    void on_contact_created(velvane::ContactManagerImpl2&, velvane::Contact) override {}
    void on_load_progress(velvane::ContactManagerImpl2&, int, int) override {}
    void on_contact_changed(velvane::ContactManagerImpl2&, uint32_t) override {}
    void on_contact_removed(velvane::ContactManagerImpl2&, uint32_t) override {}
};

// The program's thread: a pass at once, another when asked, the result for the menu, and an
// end that does not wait for the next quarter hour.
TEST_F(CardDavSync, TheProgramsThreadSyncsAtStartAndWhenAsked) {
    const std::string file = (a.home.root() / "own.db").string();
    velvane::sync::SyncAccount account{0, server.url("/alice/book/"), "alice", ""};
    std::string where;
    std::string error;
    ASSERT_TRUE(velvane::sync::add_account(file, account, "secret", where, error)) << error;
    ASSERT_TRUE(velvane::sync::BackgroundSync::account_exists(file));
    ASSERT_EQ(b.pim({"add", "--first", "Ann"}).exit_code, 0);
    ASSERT_EQ(b.add_account(server.url()).exit_code, 0);
    b.sync_ok();

    NoListener listener;
    velvane::ContactManagerImpl2 store(listener, file);
    const auto names = [&] {
        std::vector<velvane::Contact> contacts;
        store.load_all(contacts);
        std::vector<std::string> out;
        for (const velvane::Contact& c : contacts) {
            out.push_back(platform::to_utf8(c.first_name));
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    {
        velvane::sync::BackgroundSync background(file);
        ASSERT_TRUE(background.start());
        ASSERT_TRUE(e2e::eventually([&] { return background.status().finished; }));
        EXPECT_TRUE(background.status().summary.ok) << background.status().summary.error;
        EXPECT_EQ(names(), std::vector<std::string>{"Ann"});

        ASSERT_EQ(b.pim({"add", "--first", "Bob"}).exit_code, 0);
        b.sync_ok();
        background.sync_now();
        EXPECT_TRUE(e2e::eventually([&] { return names().size() == 2; }));
        EXPECT_EQ(names(), (std::vector<std::string>{"Ann", "Bob"}));
    }
    // Without its server a pass ends as not finished, and says why.
    server.stop();
    velvane::sync::BackgroundSync offline(file);
    ASSERT_TRUE(offline.start());
    ASSERT_TRUE(e2e::eventually([&] { return offline.status().finished; }));
    EXPECT_FALSE(offline.status().summary.ok);
    const std::string why = velvane::sync::error_reason(offline.status().summary.error);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(why.find("127.0.0.1"), std::string::npos) << "the reason, not the address";
}

}  // namespace

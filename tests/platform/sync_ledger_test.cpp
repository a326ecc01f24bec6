// The sync's bookkeeping in the contact database: accounts with their cards, rows that commit
// or roll back with the contacts, and the change journal as the sync reads it.

#include <gtest/gtest.h>

#include "platform/pim_session.h"
#include "platform/sync_ledger.h"
#include "tests/support/temp_home.h"

namespace {

using namespace platform::pim;

constexpr uint32_t kFirst = 0x0082001F;

uint32_t add(PimSession& session, const char16_t* first) {
    std::unique_ptr<PimItem> item;
    EXPECT_EQ(session.create_item(kItemContact, item), kOk);
    const PropValue value = PropValue::of_text(kFirst, first);
    EXPECT_EQ(item->set_props({&value, 1}), kOk);
    EXPECT_EQ(item->save(), kOk);
    return item->oid();
}

class SyncLedgerTest : public ::testing::Test {
protected:
    std::unique_ptr<PimSession> open(const std::string& token) {
        std::string error;
        auto session = PimSession::open((m_home.root() / "contacts.db").string(), error, token);
        EXPECT_TRUE(session) << error;
        return session;
    }
    test_support::TempHome m_home;
};

TEST_F(SyncLedgerTest, AccountsKeepTheirCardsAndRowsCommitWithTheContacts) {
    auto session = open("user");
    SyncLedger ledger(*session);
    ASSERT_EQ(ledger.status(), kOk);
    SyncAccountRow account{0, "https://h/book/", "alice", "", "", 0, ""};
    ASSERT_EQ(ledger.add_account(account), kOk);
    const std::string base("\0bytes\n", 7);
    ASSERT_EQ(ledger.put_card(account.id, {7, "https://h/book/a.vcf", "\"1\"", "a", base}), kOk);
    ASSERT_EQ(ledger.set_account_state(account.id, "token-1", 42, "\"tag-1\""), kOk);

    // A batch that fails keeps neither the contact nor the row written with it.
    EXPECT_NE(session->write_batch([&] {
        add(*session, u"Gone");
        EXPECT_EQ(ledger.put_card(account.id, {8, "https://h/book/b.vcf", "\"2\"", "b", ""}), kOk);
        return kFail;
    }), kOk);

    // A second look, from another session, finds the tables as written.
    auto other = open("other");
    SyncLedger again(*other);
    std::vector<SyncAccountRow> accounts;
    ASSERT_EQ(again.accounts(accounts), kOk);
    ASSERT_EQ(accounts.size(), 1u);
    EXPECT_EQ(accounts[0].sync_token, "token-1");
    EXPECT_EQ(accounts[0].journal_mark, 42);
    EXPECT_EQ(accounts[0].ctag, "\"tag-1\"");
    std::vector<SyncCardRow> cards;
    ASSERT_EQ(again.cards(account.id, cards), kOk);
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].base, base);
    EXPECT_EQ(cards[0].href, "https://h/book/a.vcf");
    // A card waits for sending until it has an ETag.
    bool unsent = true;
    ASSERT_EQ(again.any_unsent(account.id, unsent), kOk);
    EXPECT_FALSE(unsent);
    ASSERT_EQ(again.put_card(account.id, {9, "https://h/book/c.vcf", "", "c", ""}), kOk);
    ASSERT_EQ(again.any_unsent(account.id, unsent), kOk);
    EXPECT_TRUE(unsent);

    ASSERT_EQ(again.remove_account(account.id), kOk);
    ASSERT_EQ(again.cards(account.id, cards), kOk);
    EXPECT_TRUE(cards.empty());
}

TEST_F(SyncLedgerTest, TheJournalLeavesOutTheSyncsOwnWritesAndSaysWhenItIsIncomplete) {
    auto user = open("1234-user");
    auto sync = open("sync-abc");
    SyncLedger ledger(*sync);
    add(*user, u"Before");
    const int64_t start = ledger.journal_end();
    ASSERT_GT(start, 0);
    const uint32_t ann = add(*user, u"Ann");
    add(*sync, u"Bob");
    const uint32_t cy = add(*user, u"Cy");

    std::vector<JournalEntry> entries;
    bool complete = false;
    ASSERT_EQ(ledger.journal_since(start, "sync-", entries, complete), kOk);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].oid, ann);
    EXPECT_EQ(entries[1].oid, cy);
    EXPECT_EQ(entries[0].kind, kCreated);
    EXPECT_TRUE(complete);

    // From the journal's start (mark 0): every line of the user's, none trimmed yet.
    ASSERT_EQ(ledger.journal_since(0, "sync-", entries, complete), kOk);
    EXPECT_TRUE(complete);
    EXPECT_EQ(entries.size(), 3u);
    ASSERT_EQ(ledger.journal_since(ledger.journal_end(), "sync-", entries, complete), kOk);
    EXPECT_TRUE(complete);
    EXPECT_TRUE(entries.empty());
}

}  // namespace

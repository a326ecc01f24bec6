#pragma once
// What the address book sync keeps in the contact database beside the contacts: its
// accounts, and for each synced contact the server's address of its card, the card's ETag
// and UID and the card as both sides last agreed on it. Written in the same transactions as
// the contacts themselves, so a sync cut off leaves both in step. Its rows are bookkeeping,
// not contacts: they leave no line in the change journal.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pim_types.h"

namespace platform::pim {

class PimSession;

struct SyncAccountRow {
    int64_t id = 0;
    std::string url;   // the address book's collection
    std::string user;
    std::string ca_file;
    // The server's sync token after the last complete pass; empty before the first.
    std::string sync_token;
    // The change journal's position when the last complete pass began.
    int64_t journal_mark = 0;
    // The book's collection tag when the last complete pass began, when nothing was sent in
    // that pass; empty otherwise. While the tag stays, the book has not changed.
    std::string ctag;
};

struct SyncCardRow {
    uint32_t oid = 0;
    std::string href;
    std::string etag;
    std::string uid;
    // The card as it was on both sides after the last sync, for telling who changed what.
    std::string base;
};

struct JournalEntry {
    int64_t seq = 0;
    uint32_t oid = 0;
    int kind = 0;  // kCreated, kChanged, kDeleted
};

class SyncLedger {
public:
    // Creates the tables when they are missing.
    explicit SyncLedger(PimSession& session);
    // kOk when the tables are there.
    Code status() const { return m_status; }

    Code accounts(std::vector<SyncAccountRow>& out);
    // Sets row.id.
    Code add_account(SyncAccountRow& row);
    // Removes the account with every card row of it; the contacts stay.
    Code remove_account(int64_t id);
    Code set_account_state(int64_t id, std::string_view sync_token, int64_t journal_mark,
                           std::string_view ctag);

    Code cards(int64_t account, std::vector<SyncCardRow>& out);
    Code put_card(int64_t account, const SyncCardRow& row);
    Code remove_card(int64_t account, uint32_t oid);
    // Whether a card row of the account waits for its first sending (no ETag yet).
    Code any_unsent(int64_t account, bool& any);

    // Journal lines after mark whose writer's token does not start with skip_prefix.
    // complete is false when lines after mark have already been trimmed away.
    Code journal_since(int64_t mark, std::string_view skip_prefix, std::vector<JournalEntry>& out,
                       bool& complete);
    // The newest journal line's number; 0 when there is none.
    int64_t journal_end();

private:
    PimSession& m_session;
    Code m_status;
};

}  // namespace platform::pim

#pragma once
// Two-way sync of the contact database with one CardDAV address book. The database stays the
// only source the screens read: the sync is one more writer, with its own lines in the change
// journal, so a running Velvane follows its changes as it follows any other process's.
//
// Server changes come from the book's sync report (or a comparison of ETags); local changes
// from the change journal since the last complete pass, confirmed against the card as both
// sides last agreed on it. A contact changed on both sides is merged property by property;
// one deleted on one side and changed on the other is kept. A card this side has never seen
// is first matched with a contact here that has no card yet (the same UID, or the same name
// and a number or address in common) and merged with it, so two books that held the same
// people before their first sync do not get each other's copies. With nothing changed here,
// the book's collection tag alone tells whether there is anything to take. A pass cut off
// keeps what it finished, and the next one picks up the rest: the book's sync token is stored
// only after a complete pass.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velvane::sync {

struct SyncAccount {
    int64_t id = 0;
    std::string url;  // the address book
    std::string user;
    std::string ca_file;
};

// The key of an account's password in the secret store.
std::string password_key(const SyncAccount& account);

// The accounts kept in the contact database (db_file empty: the user's own).
bool list_accounts(const std::string& db_file, std::vector<SyncAccount>& out, std::string& error);
// Adds an account and stores its password. Only one account syncs a book.
bool add_account(const std::string& db_file, SyncAccount& account, const std::string& password,
                 std::string& where_password, std::string& error);
// Removes the account, its bookkeeping and its password; the contacts stay.
bool remove_account(const std::string& db_file, const std::string& url_or_id, std::string& error);

struct SyncSummary {
    bool ok = false;
    std::string error;
    int added_here = 0, changed_here = 0, removed_here = 0;
    int added_there = 0, changed_there = 0, removed_there = 0;
    int merged = 0;
    // Conflicts settled and cards left out, one line each.
    std::vector<std::string> notes;
};

// stage, done, total; false asks the pass to stop where it is (it ends as one cut off).
using SyncProgress = std::function<bool(const char*, size_t, size_t)>;

// One pass over the (only) account of the database. stop, asked during requests too, ends
// the pass where it is, as one cut off.
SyncSummary run_sync(const std::string& db_file = {}, const SyncProgress& progress = {},
                     std::function<bool()> stop = {});

// "3 added, 1 changed, ..." for people.
std::string summary_text(const SyncSummary& summary);
// An error without the address it begins with, for a line too short for both.
std::string error_reason(const std::string& error);

}  // namespace velvane::sync

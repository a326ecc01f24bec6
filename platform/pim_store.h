#pragma once
// The contact database's SQL layer, shared by the session and its folder, item list, item
// and stream objects: the state of one session, write transactions, the change journal and
// property reads. Internal to the platform layer; every function expects the session's lock
// held unless it says otherwise.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/pim_types.h"
#include "platform/sqlite_db.h"
#include "platform/window.h"

namespace platform::pim {

// Other processes look at the journal twice a second; a long tail is only kept so that a
// reader busy with a big load still finds what happened meanwhile.
inline constexpr int64_t kJournalKeep = 100000;

struct SessionState {
    std::mutex mutex;
    sql::Database db;
    std::string token;
    std::string last_error;
    WindowHandle window;
    uint32_t notify = 0;
    int64_t last_seq = 0;
    int64_t data_version = -1;
    uint64_t writes = 0;
    // Set once a read finds damage: from then on nothing is written to the file.
    bool damaged = false;
    // Inside write_batch: writes are savepoints, their notices wait for the commit.
    bool batch = false;
    std::vector<std::pair<uint32_t, uint32_t>> batch_notices;
    std::function<void(int)> write_hook;
    // How long a write waits for another connection's write to end before it fails busy.
    int write_wait_ms = sql::kDefaultBusyMs;
    // Device and inode of the file, while the session has it open.
    std::optional<std::pair<uint64_t, uint64_t>> file_id;

    // Notes the failure and gives its code; damage is remembered.
    Code fail(int rc);
    int exec(const char* sql) { return db.exec(sql); }
};

namespace detail {

// A SQLite result as the store's code.
Code code_of(int rc);
// The failure of a statement that could not be prepared.
Code prepare_failed(SessionState& state);
// Steps a bound lookup to its first row: kOk with the row to read, kNotFound when there is
// none, else the failure.
Code find_row(SessionState& state, sql::Statement& statement);
// Commits when code is kOk, else (or when the commit fails) rolls back, keeping the error of
// the failure rather than of the roll-back. The final code.
Code end_transaction(SessionState& state, Code code);

// BEGIN IMMEDIATE, waiting for another writer at most the session's write wait; reads keep
// their own, longer wait.
int begin_write(SessionState& state);
// Runs body inside BEGIN IMMEDIATE ... COMMIT (a savepoint inside a batch); anything but kOk
// rolls back. Nothing is written once the file was found damaged.
Code write_transaction(SessionState& state, const std::function<Code()>& body);
// The test hook after each row a write transaction writes.
void call_hook(SessionState& state, int& row);
// Steps a bound write to its end, then the hook: kOk, or the failure.
Code step_write(SessionState& state, sql::Statement& statement, int& row);
// Adds the journal line of a write and now and then trims the journal's tail.
Code add_journal(SessionState& state, uint32_t oid, int kind, int& row);
// Posts a notice of this process's write, or holds it until the batch commits.
void post_local(SessionState& state, uint32_t message, uint32_t oid);
// Reads the current journal position so that only later changes are announced.
void mark_journal(SessionState& state);
// Posts the notices of other processes' changes; takes the lock itself.
int check_remote(const std::shared_ptr<SessionState>& shared);

// Whether every value may be written: a writable type, and a number that fits it.
bool all_writable(std::span<const PropValue> values);

// A property value as its column: text as UTF-16, the rest as integers.
void bind_value(sql::Statement& statement, int index, const PropValue& value);
// The value of a property column; null values count as missing.
std::optional<PropValue> column_value(const sql::Statement& statement, int column, uint32_t id);

// Every stored property of one item.
Code read_item_props(SessionState& state, uint32_t oid, std::vector<PropValue>& out);
const PropValue* find_prop(const std::vector<PropValue>& values, uint32_t id);
PropValue missing(uint32_t id);
// The answer to a property read in the order asked, from the values an item has.
void assemble(uint32_t oid, std::span<const uint32_t> ids, std::vector<PropValue>& values,
              std::vector<PropValue>& out, bool may_move);

}  // namespace detail
}  // namespace platform::pim

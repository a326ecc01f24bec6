#pragma once
// The little of SQLite the program's database files need (the contact database and the call
// history): opening with a busy time-out, write-ahead logging, the schema version, and
// prepared statements that bind, step and read columns. Results are SQLite's own codes
// (SQLITE_OK, SQLITE_ROW, SQLITE_DONE, ...); callers include <sqlite3.h> for them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace platform::sql {

// How long a statement waits for another connection's lock before it gives up busy.
inline constexpr int kDefaultBusyMs = 5000;

enum OpenFlags : unsigned {
    kCreate = 1,       // create the file when it does not exist
    kCallerLocks = 2,  // the caller serialises every use under its own lock
    // Readable by the owner only: a new file is made 0600, an existing one and its -wal, -shm
    // and -journal files are narrowed to that (SQLite gives its side files the file's mode).
    kPrivate = 4,
};

// Creates the folder that file is in when it is missing, for the owner only (0700); an
// existing folder is narrowed to that only when it is the program's own data folder, never
// one the user chose. False when the folder cannot be made.
bool make_private_folder_of(const std::string& file);

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens file read-write. Another process may be writing: a locked file is waited for up
    // to five seconds rather than failed. On failure the result is not SQLITE_OK, the
    // database stays closed and error_message() says why.
    int open(const std::string& file, unsigned flags);
    void close();
    bool is_open() const { return m_db != nullptr; }

    // From now on a locked file is waited for at most ms (0: not at all).
    void set_busy_wait(int ms);
    int busy_wait() const { return m_busy_ms; }

    // Runs statements that give no rows worth reading.
    int exec(const std::string& sql);
    // Readers in other processes keep reading while one process writes. A no-op when set.
    int use_wal();
    // The first column of the first row; nothing when the statement fails or gives no row.
    std::optional<int64_t> query_integer(const std::string& sql);
    std::optional<int64_t> user_version() { return query_integer("PRAGMA user_version"); }

    std::string error_message() const;
    int error_code() const;
    int64_t last_insert_rowid() const;
    // Rows changed by the last statement.
    int changes() const;
    // Inside BEGIN ... COMMIT (or a savepoint).
    bool in_transaction() const;

private:
    friend class Statement;
    sqlite3_stmt* cached(const char* sql);

    sqlite3* m_db = nullptr;
    std::string m_failed_open;  // why the last open failed, once the handle is gone
    int m_busy_ms = kDefaultBusyMs;
    std::unordered_map<const char*, sqlite3_stmt*> m_cache;
};

// One prepared statement for the length of a scope.
class Statement {
public:
    // Prepared once and kept by the database, found again by the address of sql, which must
    // therefore be a string literal; reset and its bindings cleared when this ends.
    Statement(Database& db, const char* sql);
    // Prepared for this use only (text built at run time).
    Statement(Database& db, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // False when the statement could not be prepared; the database's error says why.
    explicit operator bool() const { return m_statement != nullptr; }

    // Indexes count from 1. Texts and blobs are copied.
    void bind(int index, int64_t value);
    void bind(int index, std::string_view utf8);
    void bind(int index, std::u16string_view text);
    void bind_blob(int index, std::span<const uint8_t> bytes);

    int step();

    // Columns count from 0; the views last until the next step or the end of the statement.
    bool is_null(int column) const;
    int64_t integer(int column) const;
    std::string_view text(int column) const;
    std::u16string_view text16(int column) const;
    std::span<const uint8_t> blob(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
    bool m_owned = false;
};

}  // namespace platform::sql

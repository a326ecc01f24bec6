#include "platform/sqlite_db.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/native_file.h"

namespace platform::sql {

namespace {

// Narrows a file of ours that others may read; one of another user is left alone.
void narrow(const std::string& path, mode_t mode) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && st.st_uid == ::getuid() &&
        (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) && (st.st_mode & 077) != 0) {
        ::chmod(path.c_str(), mode);
    }
}

// Makes a missing file 0600 before SQLite does (it would use 0644 under the usual umask),
// and narrows an existing one and its side files.
void make_private(const std::string& file, bool create) {
    if (create) {
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        narrow(file + suffix, 0600);
    }
}

}  // namespace

bool make_private_folder_of(const std::string& file) {
    const size_t slash = file.find_last_of('/');
    if (slash == std::string::npos || slash == 0) {
        return true;
    }
    const std::string folder = file.substr(0, slash);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        const size_t up = folder.find_last_of('/');
        if (up != std::string::npos && up > 0 && !make_folders_native(folder.substr(0, up))) {
            return false;
        }
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    } else if (folder == to_utf8(user_data_folder())) {
        narrow(folder, 0700);
    }
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Database::~Database() { close(); }

int Database::open(const std::string& file, unsigned flags) {
    close();
    if ((flags & kPrivate) != 0) {
        make_private(file, (flags & kCreate) != 0);
    }
    const int mode = SQLITE_OPEN_READWRITE | ((flags & kCreate) != 0 ? SQLITE_OPEN_CREATE : 0) |
                     ((flags & kCallerLocks) != 0 ? SQLITE_OPEN_NOMUTEX : 0);
    const int rc = sqlite3_open_v2(file.c_str(), &m_db, mode, nullptr);
    if (rc != SQLITE_OK) {
        // Kept open just long enough to say why; error_message() reads it.
        m_failed_open = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return rc;
    }
    m_failed_open.clear();
    sqlite3_busy_timeout(m_db, m_busy_ms);
    return SQLITE_OK;
}

void Database::set_busy_wait(int ms) {
    m_busy_ms = ms < 0 ? 0 : ms;
    if (m_db != nullptr) {
        sqlite3_busy_timeout(m_db, m_busy_ms);
    }
}

void Database::close() {
    for (auto& [sql, statement] : m_cache) {
        sqlite3_finalize(statement);
    }
    m_cache.clear();
    if (m_db != nullptr) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

int Database::exec(const std::string& sql) {
    return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr);
}

int Database::use_wal() {
    // Changing the journal mode gives up at once, without the busy wait, when another
    // connection is changing it too (two processes opening a new file): that is waited for.
    int rc = exec("PRAGMA journal_mode = WAL");
    for (int waited = 0; (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && waited < m_busy_ms; waited += 5) {
        sqlite3_sleep(5);
        rc = exec("PRAGMA journal_mode = WAL");
    }
    return rc;
}

std::optional<int64_t> Database::query_integer(const std::string& sql) {
    Statement query(*this, sql);
    if (!query || query.step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return query.integer(0);
}

std::string Database::error_message() const {
    return m_db != nullptr ? sqlite3_errmsg(m_db) : m_failed_open;
}

int Database::error_code() const { return m_db != nullptr ? sqlite3_errcode(m_db) : SQLITE_CANTOPEN; }

int64_t Database::last_insert_rowid() const { return sqlite3_last_insert_rowid(m_db); }

int Database::changes() const { return sqlite3_changes(m_db); }

bool Database::in_transaction() const { return m_db != nullptr && sqlite3_get_autocommit(m_db) == 0; }

sqlite3_stmt* Database::cached(const char* sql) {
    auto found = m_cache.find(sql);
    if (found != m_cache.end()) {
        return found->second;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
        SQLITE_OK) {
        return nullptr;
    }
    m_cache.emplace(sql, statement);
    return statement;
}

Statement::Statement(Database& db, const char* sql) : m_statement(db.cached(sql)) {}

Statement::Statement(Database& db, const std::string& sql) : m_owned(true) {
    if (sqlite3_prepare_v2(db.m_db, sql.c_str(), -1, &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

Statement::~Statement() {
    if (m_owned) {
        sqlite3_finalize(m_statement);
    } else if (m_statement != nullptr) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
}

void Statement::bind(int index, int64_t value) { sqlite3_bind_int64(m_statement, index, value); }

void Statement::bind(int index, std::string_view utf8) {
    sqlite3_bind_text64(m_statement, index, utf8.data(), utf8.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void Statement::bind(int index, std::u16string_view text) {
    sqlite3_bind_text64(m_statement, index, reinterpret_cast<const char*>(text.data()),
                        text.size() * sizeof(char16_t), SQLITE_TRANSIENT, SQLITE_UTF16);
}

void Statement::bind_blob(int index, std::span<const uint8_t> bytes) {
    sqlite3_bind_blob64(m_statement, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
}

int Statement::step() { return sqlite3_step(m_statement); }

bool Statement::is_null(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

int64_t Statement::integer(int column) const { return sqlite3_column_int64(m_statement, column); }

std::string_view Statement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    if (bytes == nullptr) {
        return {};
    }
    return std::string_view(bytes, static_cast<size_t>(sqlite3_column_bytes(m_statement, column)));
}

std::u16string_view Statement::text16(int column) const {
    const auto* units = static_cast<const char16_t*>(sqlite3_column_text16(m_statement, column));
    if (units == nullptr) {
        return {};
    }
    return std::u16string_view(
        units, static_cast<size_t>(sqlite3_column_bytes16(m_statement, column)) / sizeof(char16_t));
}

std::span<const uint8_t> Statement::blob(int column) const {
    const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(m_statement, column));
    const int size = sqlite3_column_bytes(m_statement, column);
    if (bytes == nullptr || size <= 0) {
        return {};
    }
    return std::span<const uint8_t>(bytes, static_cast<size_t>(size));
}

}  // namespace platform::sql

#include "platform/pim_session.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <unordered_map>

#include "platform/files.h"
#include "platform/messages.h"

namespace platform::pim {

namespace {

// 'VELV' in the file header tells our database from any other SQLite file.
constexpr int32_t kApplicationId = 0x56454C56;
constexpr int32_t kSchemaVersion = 1;

// Journal kinds.
constexpr int kCreated = 1;
constexpr int kChanged = 2;
constexpr int kDeleted = 3;

// Other processes look at the journal twice a second; a long tail is only kept so that a
// reader busy with a big load still finds what happened meanwhile.
constexpr int64_t kJournalKeep = 100000;

constexpr const char* kSchema =
    "CREATE TABLE items(oid INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER NOT NULL);"
    "CREATE TABLE props(oid INTEGER NOT NULL, prop INTEGER NOT NULL, value,"
    " PRIMARY KEY(oid, prop)) WITHOUT ROWID;"
    "CREATE TABLE pictures(oid INTEGER PRIMARY KEY, data BLOB NOT NULL);"
    "CREATE TABLE folder_props(folder INTEGER NOT NULL, prop INTEGER NOT NULL, value,"
    " PRIMARY KEY(folder, prop)) WITHOUT ROWID;"
    "CREATE TABLE journal(seq INTEGER PRIMARY KEY AUTOINCREMENT, oid INTEGER NOT NULL,"
    " kind INTEGER NOT NULL, process TEXT NOT NULL);";

constexpr const char* kTables[] = {"items", "props", "pictures", "folder_props", "journal"};

Code code_of(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return kOk;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return kBusy;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return kCorrupt;
        case SQLITE_NOMEM:
            return kOutOfMemory;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return kAccessDenied;
        default:
            return kFail;
    }
}

std::string make_token() {
    std::random_device device;
    const uint64_t salt = (static_cast<uint64_t>(device()) << 32) | device();
    char text[64];
    std::snprintf(text, sizeof text, "%ld-%016llx", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(salt));
    return text;
}

bool valid_write_type(uint32_t id) {
    const uint16_t type = prop_type(id);
    return type == kTypeText || type == kTypeFileTime || type == kTypeUInt32;
}

bool value_fits(const PropValue& value) {
    if (prop_type(value.id) == kTypeUInt32) {
        return value.number >= 0 && value.number <= 0xFFFFFFFFll;
    }
    return true;
}

}  // namespace

struct SessionState {
    std::mutex mutex;
    sqlite3* db = nullptr;
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
    std::unordered_map<const char*, sqlite3_stmt*> statements;

    ~SessionState() {
        for (auto& [sql, statement] : statements) {
            sqlite3_finalize(statement);
        }
        if (db != nullptr) {
            sqlite3_close_v2(db);
        }
    }

    // Notes the failure and gives its code; damage is remembered.
    Code fail(int rc) {
        last_error = sqlite3_errmsg(db);
        const Code code = code_of(rc);
        if (code == kCorrupt) {
            damaged = true;
        }
        return code == kOk ? kFail : code;
    }

    int exec(const char* sql) {
        return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    }
};

namespace {

// A cached prepared statement, reset when the scope ends.
class Statement {
public:
    Statement(SessionState& state, const char* sql) {
        auto found = state.statements.find(sql);
        if (found != state.statements.end()) {
            m_statement = found->second;
        } else if (sqlite3_prepare_v3(state.db, sql, -1, SQLITE_PREPARE_PERSISTENT,
                                      &m_statement, nullptr) == SQLITE_OK) {
            state.statements.emplace(sql, m_statement);
        } else {
            m_statement = nullptr;
        }
    }
    ~Statement() {
        if (m_statement != nullptr) {
            sqlite3_reset(m_statement);
            sqlite3_clear_bindings(m_statement);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return m_statement != nullptr; }
    sqlite3_stmt* get() const { return m_statement; }
    void bind(int index, int64_t value) { sqlite3_bind_int64(m_statement, index, value); }
    void bind(int index, const std::string& text) {
        sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    void bind_value(int index, const PropValue& value) {
        if (prop_type(value.id) == kTypeText) {
            sqlite3_bind_text16(m_statement, index, value.text.data(),
                                static_cast<int>(value.text.size() * sizeof(char16_t)),
                                SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_int64(m_statement, index, value.number);
        }
    }
    int step() { return sqlite3_step(m_statement); }
    int64_t integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    // The value of a property column; null values count as missing.
    std::optional<PropValue> value(int column, uint32_t id) const {
        if (sqlite3_column_type(m_statement, column) == SQLITE_NULL) {
            return std::nullopt;
        }
        if (prop_type(id) == kTypeText) {
            const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(m_statement, column));
            const int bytes = sqlite3_column_bytes16(m_statement, column);
            return PropValue::of_text(id, text != nullptr ? WString(text, bytes / 2) : WString());
        }
        return PropValue::of_number(id, sqlite3_column_int64(m_statement, column));
    }

private:
    sqlite3_stmt* m_statement = nullptr;
};

Code prepare_failed(SessionState& state) { return state.fail(sqlite3_errcode(state.db)); }

// Runs body inside BEGIN IMMEDIATE ... COMMIT; anything but kOk rolls back.
template <typename Body>
Code write_transaction(SessionState& state, Body body) {
    if (state.damaged) {
        state.last_error = "the database is damaged; nothing is written to it";
        return kCorrupt;
    }
    const bool nested = state.batch;
    int rc = state.exec(nested ? "SAVEPOINT item" : "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) {
        return state.fail(rc);
    }
    Code code = body();
    if (nested) {
        if (code != kOk) {
            const std::string error = state.last_error;
            state.exec("ROLLBACK TO item");
            state.last_error = error;
        }
        state.exec("RELEASE item");
        if (code == kOk) {
            ++state.writes;
        }
        return code;
    }
    if (code == kOk) {
        rc = state.exec("COMMIT");
        if (rc != SQLITE_OK) {
            code = state.fail(rc);
        }
    }
    if (code != kOk) {
        // Keep the error of the failure, not of the roll-back.
        const std::string error = state.last_error;
        state.exec("ROLLBACK");
        state.last_error = error;
        return code;
    }
    ++state.writes;
    return kOk;
}

void call_hook(SessionState& state, int& row) {
    if (state.write_hook) {
        state.write_hook(row);
    }
    ++row;
}

Code add_journal(SessionState& state, uint32_t oid, int kind, int& row) {
    Statement insert(state, "INSERT INTO journal(oid, kind, process) VALUES(?1, ?2, ?3)");
    if (!insert) {
        return prepare_failed(state);
    }
    insert.bind(1, oid);
    insert.bind(2, kind);
    insert.bind(3, state.token);
    const int rc = insert.step();
    if (rc != SQLITE_DONE) {
        return state.fail(rc);
    }
    call_hook(state, row);
    if (state.writes % 256 == 0) {
        Statement prune(state, "DELETE FROM journal WHERE seq < (SELECT max(seq) FROM journal) - ?1");
        if (prune) {
            prune.bind(1, kJournalKeep);
            prune.step();
        }
    }
    return kOk;
}

void post_local(SessionState& state, uint32_t message, uint32_t oid) {
    if (state.batch) {
        state.batch_notices.emplace_back(message, oid);
    } else if ((state.notify & kNotifyLocal) != 0 && state.window) {
        post_message(state.window, message, oid, kFolderContacts);
    }
}

// Reads the current journal position so that only later changes are announced.
void mark_journal(SessionState& state) {
    Statement version(state, "PRAGMA data_version");
    if (version && version.step() == SQLITE_ROW) {
        state.data_version = version.integer(0);
    }
    Statement last(state, "SELECT coalesce(max(seq), 0) FROM journal");
    if (last && last.step() == SQLITE_ROW) {
        state.last_seq = last.integer(0);
    }
}

int check_remote(const std::shared_ptr<SessionState>& shared) {
    SessionState& state = *shared;
    std::vector<std::pair<uint32_t, uint32_t>> notices;
    WindowHandle window;
    {
        std::lock_guard guard(state.mutex);
        // Inside our own batch the journal holds rows that may yet be rolled back, and their
        // numbers handed out again; look once it has ended.
        if (sqlite3_get_autocommit(state.db) == 0) {
            return 0;
        }
        Statement version(state, "PRAGMA data_version");
        if (!version || version.step() != SQLITE_ROW) {
            return 0;
        }
        const int64_t now = version.integer(0);
        if (now == state.data_version) {
            return 0;
        }
        state.data_version = now;
        Statement rows(state,
                       "SELECT seq, oid, kind, process = ?2 FROM journal WHERE seq > ?1 ORDER BY seq");
        if (!rows) {
            return 0;
        }
        rows.bind(1, state.last_seq);
        rows.bind(2, state.token);
        while (rows.step() == SQLITE_ROW) {
            state.last_seq = rows.integer(0);
            if (rows.integer(3) != 0) {
                continue;  // ours, announced when it was written
            }
            const int64_t oid = rows.integer(1);
            const int64_t kind = rows.integer(2);
            const uint32_t message = kind == kCreated   ? PIM_ITEM_CREATED_REMOTE
                                     : kind == kDeleted ? PIM_ITEM_DELETED_REMOTE
                                     : kind == kChanged ? PIM_ITEM_CHANGED_REMOTE
                                                        : 0;
            if (message != 0 && oid > 0 && oid <= 0xFFFFFFFFll) {
                notices.emplace_back(message, static_cast<uint32_t>(oid));
            }
        }
        if ((state.notify & kNotifyRemote) == 0) {
            notices.clear();
        }
        window = state.window;
    }
    if (!window) {
        return 0;
    }
    for (const auto& [message, oid] : notices) {
        post_message(window, message, oid, kFolderContacts);
    }
    return static_cast<int>(notices.size());
}

// Looks at the first bytes ourselves so that a foreign file is never handed to SQLite.
bool header_is_sqlite(const std::string& file, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    char header[16] = {};
    if (!in.read(header, sizeof header)) {
        error = "too short to be a database";
        return false;
    }
    if (std::memcmp(header, "SQLite format 3", 16) != 0) {
        error = "not an SQLite database";
        return false;
    }
    return true;
}

std::optional<int64_t> query_integer(SessionState& state, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(state.db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        state.last_error = sqlite3_errmsg(state.db);
        return std::nullopt;
    }
    std::optional<int64_t> result;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        result = sqlite3_column_int64(statement, 0);
    } else {
        state.last_error = sqlite3_errmsg(state.db);
    }
    sqlite3_finalize(statement);
    return result;
}

Code read_item_props(SessionState& state, uint32_t oid, std::vector<PropValue>& out) {
    Statement rows(state, "SELECT prop, value FROM props WHERE oid = ?1 ORDER BY prop");
    if (!rows) {
        return prepare_failed(state);
    }
    rows.bind(1, oid);
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        const int64_t id = rows.integer(0);
        if (id < 0 || id > 0xFFFFFFFFll) {
            continue;
        }
        if (auto value = rows.value(1, static_cast<uint32_t>(id))) {
            out.push_back(std::move(*value));
        }
    }
    return rc == SQLITE_DONE ? kOk : state.fail(rc);
}

const PropValue* find_prop(const std::vector<PropValue>& values, uint32_t id) {
    for (const PropValue& value : values) {
        if (value.id == id) {
            return &value;
        }
    }
    return nullptr;
}

PropValue missing(uint32_t id) { return PropValue{id, kPropNotFound, {}, 0}; }

// The answer to a property read in the order asked, from the values an item has.
void assemble(uint32_t oid, std::span<const uint32_t> ids, std::vector<PropValue>& values,
              std::vector<PropValue>& out, bool may_move) {
    out.clear();
    out.reserve(ids.size());
    for (uint32_t id : ids) {
        if (id == kPropObjectId) {
            out.push_back(oid != 0 ? PropValue::of_number(id, oid) : missing(id));
            continue;
        }
        PropValue* found = nullptr;
        for (PropValue& value : values) {
            if (value.id == id) {
                found = &value;
                break;
            }
        }
        if (found == nullptr) {
            out.push_back(missing(id));
        } else if (may_move) {
            out.push_back(std::move(*found));
        } else {
            out.push_back(*found);
        }
    }
}

}  // namespace

// --- PimSession ---------------------------------------------------------------------------

std::string PimSession::default_file() { return to_utf8(user_data_folder()) + "/contacts.db"; }

PimSession::PimSession(std::shared_ptr<SessionState> state) : m_state(std::move(state)) {}

PimSession::~PimSession() { logoff(); }

std::unique_ptr<PimSession> PimSession::open(const std::string& file, std::string& error,
                                             std::string process_token) {
    struct stat st {};
    const bool exists = ::stat(file.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        error = file + ": not a file";
        return nullptr;
    }
    if (exists && st.st_size > 0 && !header_is_sqlite(file, error)) {
        error = file + ": " + error + "; left untouched";
        return nullptr;
    }
    if (!exists) {
        const size_t slash = file.find_last_of('/');
        if (slash != std::string::npos && slash > 0 &&
            !create_folders(from_utf8(file.substr(0, slash)))) {
            error = file + ": cannot create its folder";
            return nullptr;
        }
    }

    auto state = std::make_shared<SessionState>();
    state->token = process_token.empty() ? make_token() : std::move(process_token);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (exists ? 0 : SQLITE_OPEN_CREATE);
    if (sqlite3_open_v2(file.c_str(), &state->db, flags, nullptr) != SQLITE_OK) {
        error = file + ": cannot be opened: " +
                (state->db != nullptr ? sqlite3_errmsg(state->db) : "out of memory");
        return nullptr;
    }
    sqlite3_extended_result_codes(state->db, 0);
    // Another process may be writing; wait for it rather than fail.
    sqlite3_busy_timeout(state->db, 5000);

    const auto application = query_integer(*state, "PRAGMA application_id");
    const auto tables = query_integer(*state, "SELECT count(*) FROM sqlite_schema");
    if (!application || !tables) {
        error = file + ": damaged, cannot be read: " + state->last_error + "; left untouched";
        return nullptr;
    }
    if (*tables == 0 && *application == 0) {
        // A new (or empty) file: UTF-16 text so names come out without conversion.
        const std::string create = std::string("PRAGMA encoding = 'UTF-16le';"
                                               "PRAGMA journal_mode = WAL;"
                                               "BEGIN;") +
                                   kSchema + "PRAGMA application_id = " +
                                   std::to_string(kApplicationId) +
                                   "; PRAGMA user_version = " + std::to_string(kSchemaVersion) +
                                   "; COMMIT;";
        char* message = nullptr;
        if (sqlite3_exec(state->db, create.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            error = file + ": cannot be set up: " + (message != nullptr ? message : "");
            sqlite3_free(message);
            state->exec("ROLLBACK");
            return nullptr;
        }
    } else {
        if (*application != kApplicationId) {
            error = file + ": not a contact database; left untouched";
            return nullptr;
        }
        const auto version = query_integer(*state, "PRAGMA user_version");
        if (!version || *version > kSchemaVersion) {
            error = file + ": written by a newer version; left untouched";
            return nullptr;
        }
        for (const char* table : kTables) {
            const std::string sql =
                std::string("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = '") +
                table + "'";
            const auto found = query_integer(*state, sql.c_str());
            if (!found || *found != 1) {
                error = file + ": damaged, table " + table + " is missing; left untouched";
                return nullptr;
            }
        }
        // WAL lets the tool write while the program reads; a no-op when it is already set.
        state->exec("PRAGMA journal_mode = WAL");
    }
    mark_journal(*state);
    return std::unique_ptr<PimSession>(new PimSession(std::move(state)));
}

Code PimSession::logon(WindowHandle window) {
    if (!is_window(window)) {
        return kInvalidArg;
    }
    logoff();
    {
        std::lock_guard guard(m_state->mutex);
        m_state->window = window;
        mark_journal(*m_state);
    }
    std::weak_ptr<SessionState> weak = m_state;
    set_timer(window, kWatchTimerId, kWatchIntervalMs, [weak](WindowHandle, uint32_t, uintptr_t, uint32_t) {
        if (auto state = weak.lock()) {
            check_remote(state);
        }
    });
    return kOk;
}

Code PimSession::logoff() {
    WindowHandle window;
    {
        std::lock_guard guard(m_state->mutex);
        window = m_state->window;
        m_state->window = {};
    }
    if (window) {
        kill_timer(window, kWatchTimerId);
    }
    return kOk;
}

WindowHandle PimSession::window() const {
    std::lock_guard guard(m_state->mutex);
    return m_state->window;
}

Code PimSession::default_folder(uint32_t folder_id, std::unique_ptr<PimFolder>& out) {
    out.reset();
    if (folder_id != kFolderContacts) {
        return kInvalidArg;
    }
    out.reset(new PimFolder(m_state, folder_id));
    return kOk;
}

Code PimSession::create_item(uint32_t item_type, std::unique_ptr<PimItem>& out) {
    out.reset();
    if (item_type != kItemAppointment && item_type != kItemContact && item_type != kItemTask) {
        return kInvalidArg;
    }
    out.reset(new PimItem(m_state, 0, item_type));
    return kOk;
}

Code PimSession::item_from_oid(uint32_t oid, std::unique_ptr<PimItem>& out) {
    return PimItem::fetch(m_state, oid, out);
}

Code PimSession::write_batch(const std::function<Code()>& body) {
    {
        std::lock_guard guard(m_state->mutex);
        if (m_state->batch) {
            return kInvalidArg;
        }
        if (m_state->damaged) {
            return kCorrupt;
        }
        const int rc = m_state->exec("BEGIN IMMEDIATE");
        if (rc != SQLITE_OK) {
            return m_state->fail(rc);
        }
        m_state->batch = true;
        m_state->batch_notices.clear();
    }
    Code code = body();
    std::vector<std::pair<uint32_t, uint32_t>> notices;
    {
        std::lock_guard guard(m_state->mutex);
        SessionState& state = *m_state;
        state.batch = false;
        if (code == kOk) {
            const int rc = state.exec("COMMIT");
            if (rc != SQLITE_OK) {
                code = state.fail(rc);
            }
        }
        if (code != kOk) {
            const std::string error = state.last_error;
            state.exec("ROLLBACK");
            state.last_error = error;
            state.batch_notices.clear();
            // Items saved inside have ids that no longer exist; caches must not trust them.
            ++state.writes;
            return code;
        }
        notices.swap(state.batch_notices);
        for (auto& notice : notices) {
            post_local(state, notice.first, notice.second);
        }
    }
    return kOk;
}

int PimSession::check_remote_changes() { return check_remote(m_state); }

std::string PimSession::last_error() const {
    std::lock_guard guard(m_state->mutex);
    return m_state->last_error;
}

const std::string& PimSession::process_token() const { return m_state->token; }

void PimSession::set_write_hook(std::function<void(int row)> hook) {
    std::lock_guard guard(m_state->mutex);
    m_state->write_hook = std::move(hook);
}

// --- PimFolder ----------------------------------------------------------------------------

Code PimFolder::items(std::unique_ptr<PimItems>& out) {
    out.reset();
    std::lock_guard guard(m_state->mutex);
    Statement rows(*m_state, "SELECT oid FROM items WHERE type = ?1 ORDER BY oid");
    if (!rows) {
        return prepare_failed(*m_state);
    }
    rows.bind(1, kItemContact);
    std::vector<uint32_t> oids;
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        const int64_t oid = rows.integer(0);
        if (oid > 0 && oid <= 0xFFFFFFFFll) {
            oids.push_back(static_cast<uint32_t>(oid));
        }
    }
    if (rc != SQLITE_DONE) {
        return m_state->fail(rc);
    }
    out.reset(new PimItems(m_state, std::move(oids), m_state->writes));
    return kOk;
}

Code PimFolder::get_props(std::span<const uint32_t> ids, std::vector<PropValue>& out) {
    out.clear();
    std::lock_guard guard(m_state->mutex);
    for (uint32_t id : ids) {
        if (id == kPropFolderNotifications) {
            out.push_back(PropValue::of_number(id, m_state->notify));
            continue;
        }
        Statement find(*m_state, "SELECT value FROM folder_props WHERE folder = ?1 AND prop = ?2");
        if (!find) {
            return prepare_failed(*m_state);
        }
        find.bind(1, m_id);
        find.bind(2, id);
        const int rc = find.step();
        if (rc == SQLITE_ROW) {
            auto value = find.value(0, id);
            out.push_back(value ? std::move(*value) : missing(id));
        } else if (rc == SQLITE_DONE) {
            out.push_back(missing(id));
        } else {
            return m_state->fail(rc);
        }
    }
    return kOk;
}

Code PimFolder::set_props(std::span<const PropValue> values) {
    for (const PropValue& value : values) {
        if (!valid_write_type(value.id) || !value_fits(value)) {
            return kInvalidArg;
        }
    }
    std::lock_guard guard(m_state->mutex);
    // The notification setting belongs to this session; the rest is stored for everyone.
    std::vector<const PropValue*> stored;
    for (const PropValue& value : values) {
        if (value.id == kPropFolderNotifications) {
            m_state->notify = (value.flags & kPropDelete) != 0
                                  ? 0
                                  : static_cast<uint32_t>(value.number) & (kNotifyLocal | kNotifyRemote);
        } else {
            stored.push_back(&value);
        }
    }
    if (stored.empty()) {
        return kOk;
    }
    SessionState& state = *m_state;
    return write_transaction(state, [&]() -> Code {
        int row = 0;
        for (const PropValue* value : stored) {
            const bool remove = (value->flags & kPropDelete) != 0;
            Statement write(state, remove ? "DELETE FROM folder_props WHERE folder = ?1 AND prop = ?2"
                                          : "INSERT OR REPLACE INTO folder_props(folder, prop, value)"
                                            " VALUES(?1, ?2, ?3)");
            if (!write) {
                return prepare_failed(state);
            }
            write.bind(1, m_id);
            write.bind(2, value->id);
            if (!remove) {
                write.bind_value(3, *value);
            }
            const int rc = write.step();
            if (rc != SQLITE_DONE) {
                return state.fail(rc);
            }
            call_hook(state, row);
        }
        return kOk;
    });
}

// --- PimItems -----------------------------------------------------------------------------

struct PimItems::Cache {
    bool built = false;
    bool failed = false;
    std::vector<uint32_t> ids;
    std::vector<uint32_t> sorted_ids;
    std::vector<std::vector<PropValue>> values;  // by position
    std::vector<uint8_t> state;                  // 0 unread, 1 handed out, 2 gone
};

PimItems::PimItems(std::shared_ptr<SessionState> state, std::vector<uint32_t> oids,
                   uint64_t writes)
    : m_state(std::move(state)), m_oids(std::move(oids)), m_writes_at_snapshot(writes),
      m_cache(std::make_unique<Cache>()) {}

PimItems::~PimItems() = default;

int PimItems::count() const { return static_cast<int>(m_oids.size()); }

Code PimItems::item(int index, std::unique_ptr<PimItem>& out) {
    out.reset();
    if (index < 1 || index > count()) {
        return kInvalidArg;
    }
    return PimItem::fetch(m_state, m_oids[index - 1], out);
}

Code PimItems::get_props(int index, std::span<const uint32_t> ids, std::vector<PropValue>& out) {
    out.clear();
    if (index < 1 || index > count()) {
        return kInvalidArg;
    }
    const size_t position = static_cast<size_t>(index - 1);
    const uint32_t oid = m_oids[position];
    std::lock_guard guard(m_state->mutex);
    SessionState& state = *m_state;
    Cache& cache = *m_cache;
    const bool fresh = state.writes == m_writes_at_snapshot;

    if (!cache.built && !cache.failed && fresh) {
        // One pass over every property of every item instead of one query per item: the
        // whole book loads in the time of a table scan.
        cache.ids.assign(ids.begin(), ids.end());
        cache.sorted_ids = cache.ids;
        std::sort(cache.sorted_ids.begin(), cache.sorted_ids.end());
        cache.values.assign(m_oids.size(), {});
        cache.state.assign(m_oids.size(), 2);
        // One read transaction keeps the two scans consistent; inside a batch of this
        // session they already are, and a COMMIT here would end the batch.
        const bool own_transaction = sqlite3_get_autocommit(state.db) != 0;
        bool ok = !own_transaction || state.exec("BEGIN") == SQLITE_OK;
        if (ok) {
            Statement items(state, "SELECT oid FROM items WHERE type = ?1 ORDER BY oid");
            ok = static_cast<bool>(items);
            if (ok) {
                items.bind(1, kItemContact);
                size_t k = 0;
                int rc;
                while ((rc = items.step()) == SQLITE_ROW) {
                    const int64_t found = items.integer(0);
                    while (k < m_oids.size() && m_oids[k] < found) {
                        ++k;
                    }
                    if (k < m_oids.size() && m_oids[k] == found) {
                        cache.state[k] = 0;
                    }
                }
                ok = rc == SQLITE_DONE;
            }
        }
        if (ok) {
            Statement rows(state, "SELECT oid, prop, value FROM props ORDER BY oid, prop");
            ok = static_cast<bool>(rows);
            if (ok) {
                size_t k = 0;
                int rc;
                while ((rc = rows.step()) == SQLITE_ROW) {
                    const int64_t item_oid = rows.integer(0);
                    while (k < m_oids.size() && m_oids[k] < item_oid) {
                        ++k;
                    }
                    if (k == m_oids.size() || m_oids[k] != item_oid) {
                        continue;
                    }
                    const int64_t id = rows.integer(1);
                    if (id < 0 || id > 0xFFFFFFFFll ||
                        !std::binary_search(cache.sorted_ids.begin(), cache.sorted_ids.end(),
                                            static_cast<uint32_t>(id))) {
                        continue;
                    }
                    if (auto value = rows.value(2, static_cast<uint32_t>(id))) {
                        cache.values[k].push_back(std::move(*value));
                    }
                }
                ok = rc == SQLITE_DONE;
                if (!ok) {
                    state.fail(rc);
                }
            }
        } else {
            state.fail(sqlite3_errcode(state.db));
        }
        if (own_transaction) {
            state.exec("COMMIT");
        }
        if (ok) {
            cache.built = true;
        } else {
            // Reading item by item still gives whatever is readable.
            cache.failed = true;
            cache.values.clear();
            cache.state.clear();
        }
    }

    if (cache.built && fresh && cache.state[position] != 1 &&
        std::equal(ids.begin(), ids.end(), cache.ids.begin(), cache.ids.end())) {
        if (cache.state[position] == 2) {
            return kNotFound;
        }
        cache.state[position] = 1;
        assemble(oid, ids, cache.values[position], out, true);
        cache.values[position].clear();
        cache.values[position].shrink_to_fit();
        return kOk;
    }

    Statement exists(state, "SELECT 1 FROM items WHERE oid = ?1");
    if (!exists) {
        return prepare_failed(state);
    }
    exists.bind(1, oid);
    const int rc = exists.step();
    if (rc == SQLITE_DONE) {
        return kNotFound;
    }
    if (rc != SQLITE_ROW) {
        return state.fail(rc);
    }
    std::vector<PropValue> values;
    const Code code = read_item_props(state, oid, values);
    if (code != kOk) {
        return code;
    }
    assemble(oid, ids, values, out, true);
    return kOk;
}

// --- PimItem ------------------------------------------------------------------------------

struct PimItem::Pending {
    bool loaded = false;
    std::vector<PropValue> saved;
    std::map<uint32_t, std::optional<PropValue>> changes;
    std::optional<std::vector<uint8_t>> picture;
};

PimItem::PimItem(std::shared_ptr<SessionState> state, uint32_t oid, uint32_t type)
    : m_state(std::move(state)), m_oid(oid), m_type(type), m_pending(std::make_unique<Pending>()) {}

PimItem::~PimItem() = default;

Code PimItem::fetch(const std::shared_ptr<SessionState>& shared, uint32_t oid,
                    std::unique_ptr<PimItem>& out) {
    out.reset();
    std::lock_guard guard(shared->mutex);
    Statement find(*shared, "SELECT type FROM items WHERE oid = ?1");
    if (!find) {
        return prepare_failed(*shared);
    }
    find.bind(1, oid);
    const int rc = find.step();
    if (rc == SQLITE_DONE) {
        return kNotFound;
    }
    if (rc != SQLITE_ROW) {
        return shared->fail(rc);
    }
    const int64_t type = find.integer(0);
    out.reset(new PimItem(shared, oid, static_cast<uint32_t>(type)));
    return kOk;
}

Code PimItem::get_props(std::span<const uint32_t> ids, std::vector<PropValue>& out) {
    out.clear();
    std::lock_guard guard(m_state->mutex);
    Pending& pending = *m_pending;
    if (!pending.loaded && m_oid != 0) {
        std::vector<PropValue> values;
        const Code code = read_item_props(*m_state, m_oid, values);
        if (code != kOk) {
            return code;
        }
        pending.saved = std::move(values);
    }
    pending.loaded = true;
    std::vector<PropValue> current;
    for (uint32_t id : ids) {
        auto change = pending.changes.find(id);
        if (change != pending.changes.end()) {
            if (change->second) {
                current.push_back(*change->second);
            }
        } else if (const PropValue* saved = find_prop(pending.saved, id)) {
            current.push_back(*saved);
        }
    }
    assemble(m_oid, ids, current, out, true);
    return kOk;
}

Code PimItem::set_props(std::span<const PropValue> values) {
    for (const PropValue& value : values) {
        if (!valid_write_type(value.id) || !value_fits(value)) {
            return kInvalidArg;
        }
    }
    std::lock_guard guard(m_state->mutex);
    for (const PropValue& value : values) {
        if ((value.flags & kPropDelete) != 0) {
            m_pending->changes[value.id] = std::nullopt;
        } else {
            PropValue copy = value;
            copy.flags = 0;
            m_pending->changes[value.id] = std::move(copy);
        }
    }
    return kOk;
}

Code PimItem::save() {
    std::lock_guard guard(m_state->mutex);
    SessionState& state = *m_state;
    Pending& pending = *m_pending;
    uint32_t oid = m_oid;
    const Code code = write_transaction(state, [&]() -> Code {
        int row = 0;
        if (oid == 0) {
            Statement insert(state, "INSERT INTO items(type) VALUES(?1)");
            if (!insert) {
                return prepare_failed(state);
            }
            insert.bind(1, m_type);
            const int rc = insert.step();
            if (rc != SQLITE_DONE) {
                return state.fail(rc);
            }
            const int64_t rowid = sqlite3_last_insert_rowid(state.db);
            if (rowid <= 0 || rowid > 0xFFFFFFFFll) {
                state.last_error = "no object ids left";
                return kFail;
            }
            oid = static_cast<uint32_t>(rowid);
            call_hook(state, row);
        } else {
            Statement exists(state, "SELECT 1 FROM items WHERE oid = ?1");
            if (!exists) {
                return prepare_failed(state);
            }
            exists.bind(1, oid);
            const int rc = exists.step();
            if (rc == SQLITE_DONE) {
                state.last_error = "the item has been deleted";
                return kNotFound;
            }
            if (rc != SQLITE_ROW) {
                return state.fail(rc);
            }
        }
        for (const auto& [id, value] : pending.changes) {
            Statement write(state, value ? "INSERT OR REPLACE INTO props(oid, prop, value) VALUES(?1, ?2, ?3)"
                                         : "DELETE FROM props WHERE oid = ?1 AND prop = ?2");
            if (!write) {
                return prepare_failed(state);
            }
            write.bind(1, oid);
            write.bind(2, id);
            if (value) {
                write.bind_value(3, *value);
            }
            const int rc = write.step();
            if (rc != SQLITE_DONE) {
                return state.fail(rc);
            }
            call_hook(state, row);
        }
        if (pending.picture) {
            Statement write(state, "INSERT OR REPLACE INTO pictures(oid, data) VALUES(?1, ?2)");
            if (!write) {
                return prepare_failed(state);
            }
            write.bind(1, oid);
            sqlite3_bind_blob64(write.get(), 2, pending.picture->data(), pending.picture->size(),
                                SQLITE_TRANSIENT);
            const int rc = write.step();
            if (rc != SQLITE_DONE) {
                return state.fail(rc);
            }
            call_hook(state, row);
        }
        return add_journal(state, oid, m_oid == 0 ? kCreated : kChanged, row);
    });
    if (code != kOk) {
        return code;
    }
    const bool created = m_oid == 0;
    m_oid = oid;
    if (pending.loaded || created) {
        for (auto& [id, value] : pending.changes) {
            std::erase_if(pending.saved, [id = id](const PropValue& v) { return v.id == id; });
            if (value) {
                pending.saved.push_back(std::move(*value));
            }
        }
        pending.loaded = true;
    }
    pending.changes.clear();
    pending.picture.reset();
    post_local(state, created ? PIM_ITEM_CREATED_LOCAL : PIM_ITEM_CHANGED_LOCAL, oid);
    return kOk;
}

Code PimItem::remove() {
    if (m_oid == 0) {
        return kInvalidArg;
    }
    std::lock_guard guard(m_state->mutex);
    SessionState& state = *m_state;
    const Code code = write_transaction(state, [&]() -> Code {
        int row = 0;
        for (const char* sql : {"DELETE FROM props WHERE oid = ?1", "DELETE FROM pictures WHERE oid = ?1",
                                "DELETE FROM items WHERE oid = ?1"}) {
            Statement erase(state, sql);
            if (!erase) {
                return prepare_failed(state);
            }
            erase.bind(1, m_oid);
            const int rc = erase.step();
            if (rc != SQLITE_DONE) {
                return state.fail(rc);
            }
            call_hook(state, row);
        }
        if (sqlite3_changes(state.db) == 0) {
            state.last_error = "no such item";
            return kNotFound;
        }
        return add_journal(state, m_oid, kDeleted, row);
    });
    if (code == kOk) {
        post_local(state, PIM_ITEM_DELETED_LOCAL, m_oid);
    }
    return code;
}

Code PimItem::open_property(uint32_t id, uint32_t mode, std::unique_ptr<PimStream>& out) {
    out.reset();
    if (id != kPropPicture || (mode != kStreamRead && mode != kStreamWrite)) {
        return kInvalidArg;
    }
    if (mode == kStreamWrite) {
        out.reset(new PimStream(*this, true, {}));
        return kOk;
    }
    std::lock_guard guard(m_state->mutex);
    if (m_pending->picture) {
        out.reset(new PimStream(*this, false, *m_pending->picture));
        return kOk;
    }
    if (m_oid == 0) {
        return kNotFound;
    }
    Statement find(*m_state, "SELECT length(data), data FROM pictures WHERE oid = ?1");
    if (!find) {
        return prepare_failed(*m_state);
    }
    find.bind(1, m_oid);
    const int rc = find.step();
    if (rc == SQLITE_DONE) {
        return kNotFound;
    }
    if (rc != SQLITE_ROW) {
        return m_state->fail(rc);
    }
    if (find.integer(0) > static_cast<int64_t>(PimStream::kMaxSize)) {
        m_state->last_error = "picture too large";
        return kFail;
    }
    const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(find.get(), 1));
    const int size = sqlite3_column_bytes(find.get(), 1);
    std::vector<uint8_t> bytes;
    if (data != nullptr && size > 0) {
        bytes.assign(data, data + size);
    }
    out.reset(new PimStream(*this, false, std::move(bytes)));
    return kOk;
}

// --- PimStream ----------------------------------------------------------------------------

Code PimStream::read(void* buffer, size_t size, size_t& got) {
    got = 0;
    if (m_writing) {
        return kAccessDenied;
    }
    got = std::min(size, m_bytes.size() - m_position);
    if (got > 0) {
        std::memcpy(buffer, m_bytes.data() + m_position, got);
        m_position += got;
    }
    return kOk;
}

Code PimStream::write(const void* buffer, size_t size) {
    if (!m_writing) {
        return kAccessDenied;
    }
    if (size > kMaxSize - m_bytes.size()) {
        return kOutOfMemory;
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    return kOk;
}

Code PimStream::commit() {
    if (!m_writing) {
        return kAccessDenied;
    }
    std::lock_guard guard(m_item->m_state->mutex);
    m_item->m_pending->picture = m_bytes;
    return kOk;
}

}  // namespace platform::pim

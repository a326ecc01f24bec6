#include "platform/call_history.h"

#include <sqlite3.h>
#include <time.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/native_file.h"

namespace platform {

namespace {

// Names and numbers come from another program's file; a sane bound keeps a hostile row from
// costing memory everywhere the text is copied.
constexpr int kMaxTextBytes = 4096;
// A newer schema than this one is read but never changed.
constexpr int kSchemaVersion = 1;

constexpr const char* kOrder = " ORDER BY start DESC, id DESC";
// Rows after (?1 start, ?2 id) in walk order.
constexpr const char* kAfter = " WHERE start < ?1 OR (start = ?1 AND id < ?2)";

using sql::Statement;

// A text column, cut to the bound.
WString text_of(const Statement& s, int column) {
    return from_utf8(s.text(column).substr(0, kMaxTextBytes));
}

std::uint64_t file_time(long long value) {
    return value < 0 ? 0 : static_cast<std::uint64_t>(value);
}

constexpr const char* kColumns = "SELECT id, direction, start, \"end\", name, number, name_type, note FROM calls";

CallLogEntry entry_of(const Statement& s) {
    CallLogEntry e;
    const long long direction = s.integer(1);
    e.direction = direction < std::numeric_limits<int>::min() ||
                          direction > std::numeric_limits<int>::max()
                      ? -1
                      : static_cast<int>(direction);
    e.start = file_time(s.integer(2));
    e.end = file_time(s.integer(3));
    e.name = text_of(s, 4);
    e.number = text_of(s, 5);
    const long long name_type = s.integer(6);
    e.name_type = name_type < 0 || name_type > std::numeric_limits<int>::max()
                      ? 0
                      : static_cast<int>(name_type);
    e.note = text_of(s, 7);
    return e;
}

bool valid_oid(long long id) {
    return id > 0 && id <= static_cast<long long>(std::numeric_limits<std::uint32_t>::max());
}

}  // namespace

int time_zone_bias_minutes() {
    // The offset of the program's now: summer time follows the headless calendar too.
    const time_t now = static_cast<time_t>(calendar_now_ms() / 1000);
    struct tm local {};
    if (::localtime_r(&now, &local) == nullptr) {
        return 0;
    }
    return static_cast<int>(-local.tm_gmtoff / 60);
}

CallHistory::CallHistory(const std::string& file) : m_file(file) {
    // Who called whom is the user's own: the folder and the files are the owner's only.
    if (!sql::make_private_folder_of(file)) {
        m_error = u"cannot create the folder of " + from_utf8(file);
        return;
    }
    if (m_db.open(file, sql::kCreate | sql::kPrivate) != SQLITE_OK) {
        fail("open");
        return;
    }
    if (!prepare_schema()) {
        m_db.close();
    }
}

CallHistory::~CallHistory() = default;

std::string CallHistory::default_file() { return to_utf8(user_data_folder()) + "/clog.db"; }

bool CallHistory::fail(const char* what) {
    m_error = from_utf8(m_file) + u": " + widen(what) + u": " +
              from_utf8(m_db.error_message());
    return false;
}

bool CallHistory::prepare_schema() {
    // The integrity check runs before anything could be written, so a damaged or foreign
    // file is reported instead of being turned into an empty log.
    {
        Statement check(m_db, "PRAGMA quick_check(1)");
        if (!check || check.step() != SQLITE_ROW) {
            return fail("not a call log");
        }
        if (check.text(0) != "ok") {
            m_error = from_utf8(m_file) + u": damaged: " + text_of(check, 0);
            return false;
        }
    }
    const std::optional<int64_t> version = m_db.user_version();
    if (!version) {
        return fail("version");
    }
    // Readers in other processes keep reading while the phone engine writes.
    if (m_db.use_wal() != SQLITE_OK) {
        return fail("journal mode");
    }
    if (*version >= kSchemaVersion) {
        return true;
    }
    const char* schema =
        "BEGIN IMMEDIATE;"
        "CREATE TABLE IF NOT EXISTS calls("
        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " direction INTEGER NOT NULL DEFAULT 0,"
        " start INTEGER NOT NULL DEFAULT 0,"
        " \"end\" INTEGER NOT NULL DEFAULT 0,"
        " name TEXT NOT NULL DEFAULT '',"
        " number TEXT NOT NULL DEFAULT '',"
        " name_type INTEGER NOT NULL DEFAULT 0,"
        " note TEXT NOT NULL DEFAULT '');"
        "CREATE INDEX IF NOT EXISTS calls_order ON calls(start DESC, id DESC);"
        "PRAGMA user_version=1;"
        "COMMIT;";
    if (m_db.exec(schema) != SQLITE_OK) {
        fail("create");
        m_db.exec("ROLLBACK");
        return false;
    }
    return true;
}

std::optional<std::vector<CallLogEntry>> CallHistory::read_entries() {
    if (!m_db.is_open()) {
        return std::nullopt;
    }
    Statement s(m_db, std::string(kColumns) + kOrder);
    if (!s) {
        fail("read");
        return std::nullopt;
    }
    std::vector<CallLogEntry> entries;
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
        entries.push_back(entry_of(s));
    }
    if (rc != SQLITE_DONE) {
        fail("read");
        return std::nullopt;
    }
    m_error.clear();
    return entries;
}

std::uint32_t CallHistory::add(const CallLogEntry& entry) {
    if (!m_db.is_open()) {
        return 0;
    }
    Statement s(m_db,
                "INSERT INTO calls(direction, start, \"end\", name, number, name_type, note)"
                " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    if (!s) {
        fail("add");
        return 0;
    }
    // FILETIME values past 2^63 do not occur; clamping keeps them ordered if they ever do.
    const auto clamp = [](std::uint64_t t) {
        return static_cast<long long>(
            std::min<std::uint64_t>(t, std::numeric_limits<long long>::max()));
    };
    s.bind(1, entry.direction);
    s.bind(2, clamp(entry.start));
    s.bind(3, clamp(entry.end));
    s.bind(4, to_utf8(entry.name));
    s.bind(5, to_utf8(entry.number));
    s.bind(6, entry.name_type);
    s.bind(7, to_utf8(entry.note));
    if (s.step() != SQLITE_DONE) {
        fail("add");
        return 0;
    }
    const long long id = m_db.last_insert_rowid();
    if (!valid_oid(id)) {
        m_error = from_utf8(m_file) + u": record ids exhausted";
        return 0;
    }
    m_error.clear();
    return static_cast<std::uint32_t>(id);
}

bool CallHistory::clear() {
    if (!m_db.is_open()) {
        return false;
    }
    if (m_db.exec("DELETE FROM calls") != SQLITE_OK) {
        return fail("clear");
    }
    m_error.clear();
    m_after.reset();
    return true;
}

std::optional<CallHistory::Position> CallHistory::current_position() {
    if (!m_db.is_open()) {
        return std::nullopt;
    }
    std::string sql = "SELECT start, id FROM calls";
    if (m_after) {
        sql += kAfter;
    }
    sql += kOrder;
    sql += " LIMIT 1";
    Statement s(m_db, sql);
    if (!s) {
        fail("seek");
        return std::nullopt;
    }
    if (m_after) {
        s.bind(1, m_after->start);
        s.bind(2, m_after->id);
    }
    if (s.step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return Position{s.integer(0), s.integer(1)};
}

std::uint32_t CallHistory::seek_first() {
    m_after.reset();
    return seek_current();
}

std::uint32_t CallHistory::seek_current() {
    // Ids beyond 32 bits cannot be handed out; such a row is stepped over as unreadable.
    for (;;) {
        const std::optional<Position> p = current_position();
        if (!p) {
            return 0;
        }
        if (valid_oid(p->id)) {
            return static_cast<std::uint32_t>(p->id);
        }
        m_after = p;
    }
}

std::optional<CallRecord> CallHistory::read_record() {
    const std::optional<Position> p = current_position();
    if (!p) {
        return std::nullopt;
    }
    m_after = p;
    if (!valid_oid(p->id)) {
        return std::nullopt;
    }
    Statement s(m_db, std::string(kColumns) + " WHERE id = ?1");
    if (!s) {
        fail("read record");
        return std::nullopt;
    }
    s.bind(1, p->id);
    if (s.step() != SQLITE_ROW) {
        return std::nullopt;
    }
    const CallLogEntry e = entry_of(s);
    CallRecord record;
    record.oid = static_cast<std::uint32_t>(p->id);
    const auto number = [](std::uint64_t v) { return CallRecordValue{false, v, {}}; };
    const auto text = [](const WString& t) { return CallRecordValue{true, 0, t}; };
    record.values = {number(static_cast<std::uint32_t>(e.direction)),
                     number(e.start),
                     number(e.end),
                     text(e.name),
                     text(e.number),
                     number(static_cast<std::uint32_t>(e.name_type)),
                     text(e.note)};
    return record;
}

bool CallHistory::delete_record(std::uint32_t oid) {
    if (!m_db.is_open()) {
        return false;
    }
    Statement s(m_db, "DELETE FROM calls WHERE id = ?1");
    if (!s) {
        return fail("delete");
    }
    s.bind(1, static_cast<long long>(oid));
    if (s.step() != SQLITE_DONE) {
        return fail("delete");
    }
    if (m_db.changes() == 0) {
        m_error = from_utf8(m_file) + u": no record " + to_wstring(oid);
        return false;
    }
    m_error.clear();
    return true;
}

}  // namespace platform

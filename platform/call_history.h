#pragma once
// The phone's call log: one SQLite file in the user's data folder that the phone engine
// writes and the program reads, also from two processes at once. Entries come back newest
// first, as the handheld's call log hands them out. A file that is not a readable call log is
// reported and left exactly as it is.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sqlite_db.h"
#include "platform/ustring.h"

namespace platform {

// The phone's direction values (not the program's own order).
enum CallDirection : int {
    kCallMissed = 0,
    kCallIncoming = 1,
    kCallOutgoing = 2,
};

// One call, as the phone's log record keeps it. Times are UTC in 100-ns units since 1601.
struct CallLogEntry {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    int direction = kCallMissed;
    WString number;  // empty when the caller's number was withheld
    WString name;    // the name the phone matched, may be empty
    int name_type = 0;
    WString note;
    bool operator==(const CallLogEntry&) const = default;
};

// One value of a raw record in the record walk. Records keep the handheld log's layout:
// 0 direction, 1 start, 2 end, 3 name, 4 number, 5 name type, 6 note.
struct CallRecordValue {
    bool is_text = false;
    std::uint64_t number = 0;
    WString text;
};

struct CallRecord {
    std::uint32_t oid = 0;
    std::vector<CallRecordValue> values;
};

// UTC minus local time now, in minutes, as the handheld's time-zone bias: -60 in Berlin's
// winter, 300 in New York's.
int time_zone_bias_minutes();

inline constexpr int kRecordStart = 1;
inline constexpr int kRecordNumber = 4;

class CallHistory {
public:
    // Opens the log at a Linux path, creating the file and its folder when they are missing.
    // A file that exists but cannot be used is never written: is_open() is then false and
    // error() says why.
    explicit CallHistory(const std::string& file);
    ~CallHistory();
    CallHistory(const CallHistory&) = delete;
    CallHistory& operator=(const CallHistory&) = delete;

    // $XDG_DATA_HOME/velvane/clog.db, following the environment at the time of the call.
    static std::string default_file();

    bool is_open() const { return m_db.is_open(); }
    // The last failure, for the caller's log; empty after a success.
    const WString& error() const { return m_error; }
    const std::string& file() const { return m_file; }

    // Every entry, newest first (by start time, then by the order they were added); nothing
    // when the log cannot be read.
    std::optional<std::vector<CallLogEntry>> read_entries();
    // Appends one entry in a transaction; its record id, or 0 on failure.
    std::uint32_t add(const CallLogEntry& entry);
    // Removes every entry; false on failure.
    bool clear();

    // The record walk over the same order as read_entries. Like a database cursor with
    // auto-increment: read_record returns the current record and moves past it, so after
    // deleting what was read, seek_current lands on the record that followed it.
    // seek_first and seek_current return the current record's id, 0 at the end.
    std::uint32_t seek_first();
    std::uint32_t seek_current();
    // The current record; nothing at the end or when it cannot be read (the walk then still
    // moves on, so one bad record does not stop it).
    std::optional<CallRecord> read_record();
    bool delete_record(std::uint32_t oid);

private:
    struct Position {
        long long start = 0;
        long long id = 0;
    };
    bool prepare_schema();
    bool fail(const char* what);
    // Id and start of the first record after m_after in walk order, if any.
    std::optional<Position> current_position();

    std::string m_file;
    sql::Database m_db;
    WString m_error;
    std::optional<Position> m_after;  // last record read by the walk
};

}  // namespace platform

#pragma once
// Recent calls: the phone's call log read into the records the recents screens show, and the
// deletion of log entries by number and start time.

#include <cstdint>
#include <string>
#include <vector>

#include "contacts/contact.h"
#include "contacts/document_services.h"
#include "contacts/document_types.h"

namespace platform {
class CallHistory;
}

namespace velvane {

class Document;

inline constexpr char16_t kUnknownNumber[] = u"Unknown";

// One minute of bias in file-time units.
inline constexpr int64_t kBiasUnit = 600000000LL;

// The log's UTC start time as local time.
int64_t local_start_time(uint64_t utc_start, int bias_minutes);
// Whole seconds from start to end; 0 when the end lies before the start, and clamped to the
// 32-bit range, since the times come from another program's file.
int32_t call_duration(uint64_t start, uint64_t end);
// The program's direction for the phone's value; a value the phone never writes counts as
// incoming.
int32_t recent_direction(int phone_direction);
// "01:15" for 75 seconds, "1:02:05" for 3725; negative values count as 0.
WString duration_text(int32_t seconds);
// "2026-12-07 23:34:16" for a file time, for the log.
WString file_time_text(int64_t file_time);

// Appends one record per log entry to recents, indices following on from what is there and
// no contact linked yet. False when the log cannot be opened; nothing is appended then.
bool read_call_log(platform::CallHistory& log, int bias_minutes,
                   std::vector<RecentCall>& recents);

// Deletes the log entries of the recent calls whose index is listed: each log record whose
// number and local start time equal those of a listed call is removed, one record per call.
// True when the log was walked, and the caller then re-reads it; false when no listed call
// exists or the log cannot be opened, and nothing changed.
bool delete_recent_calls(platform::CallHistory& log, int bias_minutes,
                         const std::vector<RecentCall>& recents,
                         const std::vector<int32_t>& indices);
// The same for one recent call, logging which entry it looks for.
bool delete_recent_call(platform::CallHistory& log, int bias_minutes,
                        const std::vector<RecentCall>& recents, int32_t index);

// The call log in its usual place, opened for one operation and closed again, as the phone
// library opens and closes its log; what the document uses.
class CallLog : public CallLogSource {
public:
    explicit CallLog(std::string file);
    // The user's call log, $XDG_DATA_HOME/velvane/clog.db.
    CallLog();

    void read(std::vector<RecentCall>& recents) override;
    // As delete_recent_calls and delete_recent_call, on a freshly opened log.
    bool delete_recents(const std::vector<RecentCall>& recents,
                        const std::vector<int32_t>& indices) override;
    bool delete_recent(const std::vector<RecentCall>& recents, int32_t index) override;

    const std::string& file() const { return m_file; }

private:
    std::string m_file;
};

// The recents screens' deletes: remove the log entries of the document's recent calls with
// these indices, then re-read the log through update_log when it could be walked. Nothing
// happens when the document has no call log.
void delete_recents(Document& document, const std::vector<int32_t>& indices);
void delete_recent(Document& document, int32_t index);

}  // namespace velvane

#include "contacts/recent_call.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

#include "core/log.h"
#include "contacts/document.h"
#include "platform/call_history.h"

namespace velvane {

using platform::CallHistory;
using platform::CallRecord;
using platform::to_wstring;

namespace {

constexpr int64_t kFileTimeSecond = 10000000LL;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;

WString two_digits(int64_t v) {
    WString text;
    text.push_back(static_cast<char16_t>(u'0' + v / 10 % 10));
    text.push_back(static_cast<char16_t>(u'0' + v % 10));
    return text;
}

struct Civil {
    int64_t year;
    int64_t month;
    int64_t day;
};

// Proleptic Gregorian date of a day count from 1970-01-01.
Civil civil_from_days(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// The log record's number as the reading side shows it, so that calls without a number can
// be deleted too.
WString shown_number(const WString& number) {
    return number.empty() ? WString(kUnknownNumber) : number;
}

struct Wanted {
    WString number;
    int64_t start_time;
};

bool delete_matching(CallHistory& history, int bias_minutes, std::vector<Wanted> wanted) {
    if (wanted.empty()) {
        return false;
    }
    if (!history.is_open()) {
        log() << "Error CeMountDBVolEx\n";
        log() << history.error() << "\n";
        return false;
    }
    int n = 0;
    for (uint32_t oid = history.seek_first(); oid != 0 && !wanted.empty();
         oid = history.seek_current(), ++n) {
        const std::optional<CallRecord> record = history.read_record();
        if (!record) {
            // The walk has already moved past it.
            log() << "Error CeReadRecordsPropsEx\n";
            continue;
        }
        if (record->values.size() <= platform::kRecordNumber ||
            !record->values[platform::kRecordNumber].is_text ||
            record->values[platform::kRecordStart].is_text) {
            log() << "Error bClogData is NULL\n";
            continue;
        }
        const WString number = shown_number(record->values[platform::kRecordNumber].text);
        const int64_t start =
            local_start_time(record->values[platform::kRecordStart].number, bias_minutes);
        log() << "CALL " << n << ":" << number << "\t" << file_time_text(start) << "\t\n";
        const auto match = std::find_if(wanted.begin(), wanted.end(), [&](const Wanted& w) {
            return w.number == number && w.start_time == start;
        });
        if (match != wanted.end() && history.delete_record(record->oid)) {
            wanted.erase(match);
        }
    }
    return true;
}

}  // namespace

int64_t local_start_time(uint64_t utc_start, int bias_minutes) {
    // Wraps like the phone's unsigned arithmetic rather than overflowing.
    return static_cast<int64_t>(utc_start -
                                static_cast<uint64_t>(int64_t{bias_minutes} * kBiasUnit));
}

int32_t call_duration(uint64_t start, uint64_t end) {
    if (end <= start) {
        return 0;
    }
    const uint64_t seconds = (end - start) / kFileTimeSecond;
    return static_cast<int32_t>(
        std::min<uint64_t>(seconds, std::numeric_limits<int32_t>::max()));
}

int32_t recent_direction(int phone_direction) {
    switch (phone_direction) {
        case platform::kCallMissed:
            return RecentCall::Missed;
        case platform::kCallOutgoing:
            return RecentCall::Outgoing;
        default:
            return RecentCall::Incoming;
    }
}

WString duration_text(int32_t seconds) {
    if (seconds < 0) {
        seconds = 0;
    }
    const int32_t h = seconds / 3600;
    const int32_t m = seconds / 60 % 60;
    const int32_t s = seconds % 60;
    WString text;
    if (h > 0) {
        text = to_wstring(h) + u":";
    }
    return text + two_digits(m) + u":" + two_digits(s);
}

WString file_time_text(int64_t file_time) {
    // Floor division, so times before 1970 still give a real date.
    int64_t seconds = file_time / kFileTimeSecond;
    if (file_time % kFileTimeSecond < 0) {
        --seconds;
    }
    seconds -= kSecondsFrom1601To1970;
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const Civil c = civil_from_days(days);
    return to_wstring(c.year) + u"-" + two_digits(c.month) + u"-" + two_digits(c.day) + u" " +
           two_digits(rest / 3600) + u":" + two_digits(rest / 60 % 60) + u":" +
           two_digits(rest % 60);
}

bool read_call_log(CallHistory& history, int bias_minutes, std::vector<RecentCall>& recents) {
    const std::optional<std::vector<platform::CallLogEntry>> entries = history.read_entries();
    if (!entries) {
        log() << "read_call_log: " << history.error() << "\n";
        return false;
    }
    recents.reserve(recents.size() + entries->size());
    for (const platform::CallLogEntry& e : *entries) {
        RecentCall call;
        call.name = e.name;
        if (e.number.empty()) {
            call.number = kUnknownNumber;
            call.number_key = kUnknownNumber;
        } else {
            call.number = e.number;
            call.number_key = number_key(e.number);
        }
        call.start_time = local_start_time(e.start, bias_minutes);
        call.duration = call_duration(e.start, e.end);
        call.direction = recent_direction(e.direction);
        call.index = static_cast<int32_t>(recents.size());
        recents.push_back(std::move(call));
    }
    return true;
}

bool delete_recent_calls(CallHistory& history, int bias_minutes,
                         const std::vector<RecentCall>& recents,
                         const std::vector<int32_t>& indices) {
    std::vector<Wanted> wanted;
    for (const RecentCall& call : recents) {
        if (std::find(indices.begin(), indices.end(), call.index) != indices.end()) {
            wanted.push_back({call.number, call.start_time});
        }
    }
    return delete_matching(history, bias_minutes, std::move(wanted));
}

bool delete_recent_call(CallHistory& history, int bias_minutes,
                        const std::vector<RecentCall>& recents, int32_t index) {
    const auto call = std::find_if(recents.begin(), recents.end(),
                                   [&](const RecentCall& c) { return c.index == index; });
    if (call == recents.end()) {
        return false;
    }
    log() << "Looking for entry: " << call->number << " " << call->start_time << "\n";
    return delete_matching(history, bias_minutes, {{call->number, call->start_time}});
}

CallLog::CallLog(std::string file) : m_file(std::move(file)) {}

CallLog::CallLog() : m_file(CallHistory::default_file()) {}

void CallLog::read(std::vector<RecentCall>& recents) {
    CallHistory history(m_file);
    read_call_log(history, platform::time_zone_bias_minutes(), recents);
}

bool CallLog::delete_recents(const std::vector<RecentCall>& recents,
                             const std::vector<int32_t>& indices) {
    CallHistory history(m_file);
    return delete_recent_calls(history, platform::time_zone_bias_minutes(), recents, indices);
}

bool CallLog::delete_recent(const std::vector<RecentCall>& recents, int32_t index) {
    CallHistory history(m_file);
    return delete_recent_call(history, platform::time_zone_bias_minutes(), recents, index);
}

void delete_recents(Document& document, const std::vector<int32_t>& indices) {
    CallLogSource* log = document.call_log();
    if (log != nullptr && log->delete_recents(document.recent_calls(), indices)) {
        document.update_log();
    }
}

void delete_recent(Document& document, int32_t index) {
    CallLogSource* log = document.call_log();
    if (log != nullptr && log->delete_recent(document.recent_calls(), index)) {
        document.update_log();
    }
}

}  // namespace velvane

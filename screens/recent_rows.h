#pragma once
// What the recents screens show of the call log: the direction filter, the folding of calls
// to or from one number on one day in one direction into a row with a count, and the texts
// of a row in the user's date and time conventions.

#include <cstdint>
#include <functional>
#include <vector>

#include "contacts/document_types.h"
#include "platform/locale.h"
#include "platform/ustring.h"

namespace velvane {

using platform::WString;
using platform::WStringView;

// The direction filter: every call, or one direction. The menus number them incoming 0,
// outgoing 1, rejected 2, which is not the order of the call directions.
inline constexpr int32_t kAllCalls = 255;
bool passes_direction_filter(int32_t filter, int32_t direction);

// 100-ns units in a day, and the calendar day of a local file time.
inline constexpr int64_t kFileTimeDay = 864000000000LL;
int64_t day_of(int64_t file_time);
// Now, as a local file time: what the call log's start times are compared with.
int64_t local_file_time_now();

// How a row's texts are written: the user's date conventions, the language texts of the
// field labels, and the moment today began.
struct RecentTextFormat {
    const platform::DateLocale* locale = nullptr;
    // The language text of a key; the key itself when empty.
    std::function<WString(WStringView)> translate;
    int64_t today_start = 0;

    // "09:05" for a local file time.
    static WString time_text(int64_t file_time);
    // The time when the call was today, otherwise its day and month.
    WString date_or_time(int64_t file_time) const;
    // Date, time and duration of one call: "07.12.2026; 09:05; 01:15".
    WString call_info(const RecentCall& call) const;
    WString label(WStringView key) const;

private:
    // Rows come in time order, so the day last written is usually the next one's.
    mutable int64_t m_date_day = INT64_MIN;
    mutable WString m_date_text;
};

// One row of the recents list: the calls folded into it and what it shows of the newest.
struct RecentRow {
    // The newest call's position in the Document's recent calls, and what the call log knows
    // it by (a re-read renumbers the calls).
    int32_t index = 0;
    WString number;
    int64_t start_time = 0;
    int32_t count = 0;
    int32_t direction = RecentCall::Incoming;

    WString firstlast;
    WString count_text;
    WString datetime;
    WString duration;
    WString phone;
};

// Fills the row's texts from its newest call; the count is the row's own.
void fill_recent_row(RecentRow& row, const RecentCall& call, const RecentTextFormat& format);

// The rows of the call log (newest first, as the Document keeps it) under the filter, newest
// row first. Walked from the oldest call: a call on the same day, from the same number and in
// the same direction as a row's newest call is folded into that row, which moves to the top.
std::vector<RecentRow> fold_recent_calls(const std::vector<RecentCall>& calls, int32_t filter,
                                         const RecentTextFormat& format);

// The calls one contact's history shows (contact mode: its object id, not 0) or one number's
// (number mode: object id 0), under the filter: their positions, newest first.
std::vector<int32_t> history_calls(const std::vector<RecentCall>& calls, uint32_t object_id,
                                   WStringView number, int32_t filter);

}  // namespace velvane

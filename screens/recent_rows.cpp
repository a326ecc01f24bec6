#include "screens/recent_rows.h"

#include <algorithm>
#include <unordered_map>

#include "contacts/document.h"
#include "contacts/recent_call.h"
#include "platform/call_history.h"
#include "screens/date_time_count.h"
#include "skin/date_chooser.h"

namespace velvane {

namespace {

constexpr int64_t kFileTimeMinute = 600000000LL;

platform::CalendarDate date_of_file_time(int64_t file_time) {
    const zentra::ChosenDate date = date_of_count(count_of_file_time(file_time));
    return {date.year, date.month, date.day};
}

// What calls fold by: the day, the direction and the number. The number is viewed in the
// call vector, which does not change while the rows are built.
struct FoldKey {
    int64_t day;
    int32_t direction;
    WStringView number;
    bool operator==(const FoldKey&) const = default;
};

struct FoldKeyHash {
    size_t operator()(const FoldKey& key) const {
        const size_t text = std::hash<WStringView>{}(key.number);
        return text ^ (std::hash<int64_t>{}(key.day * 3 + key.direction) + 0x9e3779b97f4a7c15ULL +
                       (text << 6) + (text >> 2));
    }
};

}  // namespace

bool passes_direction_filter(int32_t filter, int32_t direction) {
    switch (filter) {
        case kAllCalls:
            return true;
        case 0:
            return direction == RecentCall::Incoming;
        case 1:
            return direction == RecentCall::Outgoing;
        case 2:
            return direction == RecentCall::Missed;
        default:
            return false;
    }
}

int64_t day_of(int64_t file_time) {
    const int64_t day = file_time / kFileTimeDay;
    return (file_time % kFileTimeDay != 0 && file_time < 0) ? day - 1 : day;
}

int64_t local_file_time_now() {
    return file_time_of_count(current_date_time_count()) -
           int64_t{platform::time_zone_bias_minutes()} * kBiasUnit;
}

WString RecentTextFormat::time_text(int64_t file_time) {
    const int minutes =
        static_cast<int>((file_time - day_of(file_time) * kFileTimeDay) / kFileTimeMinute);
    const int hour = minutes / 60;
    const int minute = minutes % 60;
    return WString{static_cast<char16_t>(u'0' + hour / 10), static_cast<char16_t>(u'0' + hour % 10),
                   u':', static_cast<char16_t>(u'0' + minute / 10),
                   static_cast<char16_t>(u'0' + minute % 10)};
}

WString RecentTextFormat::date_or_time(int64_t file_time) const {
    if (file_time >= today_start || locale == nullptr) {
        return time_text(file_time);
    }
    const int64_t day = day_of(file_time);
    if (day != m_date_day) {
        m_date_text = zentra::day_month_text(*locale, date_of_file_time(file_time), false);
        m_date_day = day;
    }
    return m_date_text;
}

WString RecentTextFormat::call_info(const RecentCall& call) const {
    WString text;
    if (locale != nullptr) {
        text = locale->short_date(date_of_file_time(call.start_time)) + u"; ";
    }
    return text + time_text(call.start_time) + u"; " + duration_text(call.duration);
}

WString RecentTextFormat::label(WStringView key) const {
    return translate ? translate(key) : WString(key);
}

void fill_recent_row(RecentRow& row, const RecentCall& call, const RecentTextFormat& format) {
    row.index = call.index;
    row.number = call.number;
    row.start_time = call.start_time;
    row.direction = call.direction;
    row.firstlast.clear();
    if (call.contact != nullptr) {
        row.firstlast = Document::display_name(call.contact->contact);
    }
    // A contact without any name is still known by its number.
    if (row.firstlast.empty()) {
        row.firstlast = call.number;
    }
    row.count_text.clear();
    if (row.count >= 2) {
        row.count_text = u" (" + platform::to_wstring(row.count) + u")";
    }
    row.datetime = format.date_or_time(call.start_time);
    row.duration = duration_text(call.duration);
    row.phone.clear();
    if (call.contact != nullptr && !call.field_label.empty()) {
        row.phone = format.label(call.field_label);
    }
}

std::vector<RecentRow> fold_recent_calls(const std::vector<RecentCall>& calls, int32_t filter,
                                         const RecentTextFormat& format) {
    // A row's newest call is the last one folded into it, and every fold moves the row to the
    // top: the rows stand in the order of their newest calls. So the walk only counts, and
    // the order and the texts come once at the end.
    std::vector<RecentRow> rows;
    std::unordered_map<FoldKey, size_t, FoldKeyHash> by_key;
    by_key.reserve(calls.size());
    std::vector<size_t> newest;
    for (size_t i = calls.size(); i-- > 0;) {
        const RecentCall& call = calls[i];
        if (!passes_direction_filter(filter, call.direction)) {
            continue;
        }
        const FoldKey key{day_of(call.start_time), call.direction, call.number};
        auto [it, added] = by_key.try_emplace(key, rows.size());
        if (added) {
            rows.emplace_back().count = 1;
            newest.push_back(i);
        } else {
            ++rows[it->second].count;
            newest[it->second] = i;
        }
    }
    std::vector<size_t> order(rows.size());
    for (size_t r = 0; r < order.size(); ++r) {
        order[r] = r;
    }
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return newest[a] < newest[b]; });
    std::vector<RecentRow> sorted;
    sorted.reserve(rows.size());
    for (size_t r : order) {
        RecentRow& row = sorted.emplace_back(std::move(rows[r]));
        fill_recent_row(row, calls[newest[r]], format);
    }
    return sorted;
}

std::vector<int32_t> history_calls(const std::vector<RecentCall>& calls, uint32_t object_id,
                                   WStringView number, int32_t filter) {
    std::vector<int32_t> taken;
    for (size_t i = 0; i < calls.size(); ++i) {
        const RecentCall& call = calls[i];
        const bool mine =
            object_id != 0 ? call.contact != nullptr && call.contact->contact.object_id == object_id
                           : call.number == number;
        if (mine && passes_direction_filter(filter, call.direction)) {
            taken.push_back(static_cast<int32_t>(i));
        }
    }
    return taken;
}

}  // namespace velvane

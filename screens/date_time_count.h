#pragma once
// The date-time count a Birthday field holds: signed milliseconds since 1970-01-01 00:00,
// written as decimal text. The date chooser shows it as a calendar date (universal time).

#include <cstdint>
#include <optional>

#include "platform/ustring.h"
#include "skin/date_chooser.h"

namespace velvane {

using platform::WStringView;

// The count a field value holds; nothing for an empty or unreadable value and for 0, which
// the phone writes for "no date".
std::optional<int64_t> parse_date_time_count(WStringView value);
// The calendar date and time of a count, to the minute.
zentra::ChosenDate date_of_count(int64_t count);
// The count of a calendar date and time (seconds 0).
int64_t count_of_date(const zentra::ChosenDate& date);
// 100-ns units since 1601-01-01 00:00, and back (integer division). A count beyond what a
// file time can hold gives the nearest file time that can.
int64_t file_time_of_count(int64_t count);
int64_t count_of_file_time(int64_t file_time);
// Now, from the program's calendar clock (fixed in headless runs).
int64_t current_date_time_count();

}  // namespace velvane

#pragma once
// What the velvane-pim commands share: the tool's names of the field kinds, dates as the
// user types them, output and the store opened for the user's database.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/contact_manager.h"
#include "contacts/stored_picture.h"
#include "contacts/vcard_import.h"

namespace velvane {
struct MatchLengths;
}

namespace pim_tool {

using namespace velvane;

inline constexpr int kFailure = 1;
inline constexpr int kUsageError = 2;
// A file given to the tool cannot be read at all.
inline constexpr int kUnreadable = 2;

using Args = std::vector<std::string_view>;

int usage();

// The tool's name of a kind (the address parts have names of their own); null outside 0..33.
const char* kind_label(FieldKind kind);
bool kind_by_name(std::string_view name, FieldKind& kind);

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t days_from_civil(int64_t year, unsigned month, unsigned day);
// YYYY-MM-DD of a birthday's date-time count.
std::string civil_text(int64_t count);
// YYYY-MM-DD to the birthday's date-time count at midnight.
bool parse_date(std::string_view text, int64_t& count);
bool parse_id(std::string_view text, uint32_t& id);
// A whole number in [low, high].
bool parse_count(std::string_view text, int low, int high, int& out);
// first, last or company; false for anything else.
bool parse_order(std::string_view text, int& order);

void print(const std::string& text);
// "1 contact", "3 contacts".
std::string counted(size_t count, const char* noun);
void fail_line(const std::string& text);

// The session of the user's database, or null after saying why on stderr.
platform::pim::PimSession* open_session(ContactManagerImpl2& store);


// The text with its first length characters in [ ], as search marks what matched.
std::string marked(const WString& part, int length);

// One contact as list and search print it: id, first, last and company, tab-separated, and a
// line end. With lengths, the beginnings the search matched are put in [ ]; a matched number
// follows as one more column, with its kind.
std::string contact_row(const Contact& contact, const MatchLengths* lengths = nullptr,
                        const std::string& matched_number = {});

// The commands.
int run_book_command(std::string_view command, const Args& args);
int run_search(const Args& args);
int run_import(const Args& args);
int run_export(const Args& args);
int run_demo(const Args& args);
int run_account(const Args& args);
int run_sync(const Args& args);

// How many contacts the demo book can hold without naming anyone twice: the most `demo
// --count` accepts.
size_t demo_people();

}  // namespace pim_tool

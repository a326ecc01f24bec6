#include "tools/pim/tool.h"

#include <cstdio>

#include "contacts/categories.h"
#include "contacts/document.h"
#include "platform/pim_session.h"

namespace pim_tool {

namespace pim = platform::pim;

int usage() {
    std::fputs(
        "usage: velvane-pim list [--order first|last|company]\n"
        "       velvane-pim show ID\n"
        "       velvane-pim add [--first NAME] [--last NAME] [--company NAME] [KIND=VALUE...]\n"
        "       velvane-pim set ID PROPERTY VALUE\n"
        "       velvane-pim delete ID\n"
        "       velvane-pim search [--order first|last|company] WORDS...\n"
        "       velvane-pim categories [get | set TEXT]\n"
        "       velvane-pim import FILE.vcf\n"
        "       velvane-pim export FILE.vcf   (- for standard output)\n"
        "       velvane-pim demo [--count N] [--if-empty]\n"
        "       velvane-pim account add URL --user NAME [--ca FILE] [--book HREF]\n"
        "       velvane-pim account list | account remove URL|ID\n"
        "       velvane-pim sync\n"
        "PROPERTY is first, last, company or a field kind: Mobile, BusinessTel, Business2Tel,\n"
        "HomeTel, Home2Tel, CarTel, RadioTel, CompanyMainTel, AssistantTel, Email1, Email2,\n"
        "Email3, WebPage, MiddleName, Suffix, NickName, Department, JobTitle, AssistantName,\n"
        "BusinessFax, HomeFax, PagerNumber, Birthday (YYYY-MM-DD), Categories, WorkStreet,\n"
        "WorkCity, WorkPostalCode, WorkState, WorkCountry, HomeStreet, HomeCity,\n"
        "HomePostalCode, HomeState, HomeCountry. An empty VALUE deletes the property.\n"
        "add needs at least a name, a company or a field with a value. show also gives the photo's\n"
        "size. search matches words as the contact list does, keypad digits included, and prints\n"
        "the contacts as list does, the matched beginnings in [ ] and a matched number after them.\n"
        "account add reads the password from the terminal or standard input; sync runs one\n"
        "two-way pass with the account's CardDAV address book.\n"
        "The database is $XDG_DATA_HOME/velvane/contacts.db.\n",
        stderr);
    return kUsageError;
}

namespace {

constexpr const char* kKindNames[kStoredKindCount] = {
    "Mobile",        "BusinessTel",    "Business2Tel",   "HomeTel",      "Home2Tel",
    "CarTel",        "RadioTel",       "CompanyMainTel", "AssistantTel", "Email1",
    "Email2",        "Email3",         "WebPage",        "MiddleName",   "Suffix",
    "NickName",      "Department",     "JobTitle",       "AssistantName", "BusinessFax",
    "HomeFax",       "PagerNumber",    "Birthday",       "Categories",   "WorkStreet",
    "WorkCity",      "WorkPostalCode", "WorkState",      "WorkCountry",  "HomeStreet",
    "HomeCity",      "HomePostalCode", "HomeState",      "HomeCountry"};

}  // namespace

const char* kind_label(FieldKind kind) {
    const int k = static_cast<int>(kind);
    return k >= 0 && k < kStoredKindCount ? kKindNames[k] : nullptr;
}

bool kind_by_name(std::string_view name, FieldKind& kind) {
    for (int k = 0; k < kStoredKindCount; ++k) {
        if (name == kKindNames[k]) {
            kind = static_cast<FieldKind>(k);
            return true;
        }
    }
    return false;
}

int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

std::string civil_text(int64_t count) {
    int64_t days = count >= 0 ? count / 86400000 : -((-count + 86399999) / 86400000);
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    return text;
}

bool parse_date(std::string_view text, int64_t& count) {
    unsigned y = 0, m = 0, d = 0;
    char tail = 0;
    const std::string copy(text);
    if (std::sscanf(copy.c_str(), "%4u-%2u-%2u%c", &y, &m, &d, &tail) != 3 || m < 1 || m > 12 ||
        d < 1 || d > 31) {
        return false;
    }
    count = days_from_civil(y, m, d) * 86400000;
    // 2023-02-30 would come back as March: only dates that exist pass.
    return civil_text(count) == copy.substr(0, 10) && copy.size() == 10;
}

bool parse_id(std::string_view text, uint32_t& id) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 0xFFFFFFFFu) {
        return false;
    }
    id = static_cast<uint32_t>(value);
    return true;
}

bool parse_count(std::string_view text, int low, int high, int& out) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

bool parse_order(std::string_view text, int& order) {
    if (text == "first") {
        order = 0;
    } else if (text == "last") {
        order = 1;
    } else if (text == "company") {
        order = 2;
    } else {
        return false;
    }
    return true;
}

void print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::string counted(size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

void fail_line(const std::string& text) {
    const std::string line = "velvane-pim: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string marked(const WString& part, int length) {
    if (length <= 0 || static_cast<size_t>(length) > part.size()) {
        return platform::to_utf8(part);
    }
    return "[" + platform::to_utf8(WStringView(part).substr(0, length)) + "]" +
           platform::to_utf8(WStringView(part).substr(length));
}

std::string contact_row(const Contact& contact, const MatchLengths* lengths,
                        const std::string& matched_number) {
    const MatchLengths none;
    const MatchLengths& marks = lengths != nullptr ? *lengths : none;
    std::string row = std::to_string(contact.object_id) + "\t" +
                      marked(contact.first_name, marks.first_name) + "\t" +
                      marked(contact.last_name, marks.last_name) + "\t" +
                      marked(contact.company, marks.company);
    if (!matched_number.empty()) {
        row += "\t" + matched_number;
    }
    return row + "\n";
}

pim::PimSession* open_session(ContactManagerImpl2& store) {
    pim::PimSession* session = store.session();
    if (session == nullptr) {
        fail_line(store.open_error());
    }
    return session;
}

}  // namespace pim_tool

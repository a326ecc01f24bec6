// demo: a phone book a new user can try the program with. People from ten countries in their
// own scripts, with numbers, e-mail, addresses, birthdays, categories and portraits, and a call
// history of the last weeks with their numbers. The same run always makes the same book.

#include <algorithm>
#include <cassert>
#include <ctime>
#include <set>

#include "contacts/categories.h"
#include "platform/call_history.h"
#include "platform/case_map.h"
#include "platform/pim_session.h"
#include "tools/pim/book_writer.h"
#include "tools/pim/demo_data.h"
#include "tools/pim/demo_pictures.h"

namespace pim_tool {

namespace pim = platform::pim;
using platform::from_utf8;
using platform::to_utf8;

namespace {

using namespace demo;

constexpr int kDefaultCount = 300;
constexpr uint64_t kSeed = 0x5EED0F8E1A7E5ULL;

// splitmix64: the same numbers on every platform, unlike the standard distributions.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <class T>
    const T& pick(std::span<const T> items) {
        return items[static_cast<size_t>(below(static_cast<int>(items.size())))];
    }

private:
    uint64_t m_state;
};

// Lower-case ASCII for e-mail addresses: accents dropped, Cyrillic and Greek transliterated.
std::string ascii_of(WStringView text) {
    static constexpr std::pair<std::u16string_view, const char*> kLatin[] = {
        {u"àáâãäåāăą", "a"}, {u"çćĉċč", "c"}, {u"ďđ", "d"}, {u"èéêëēĕėęě", "e"}, {u"ĝğġģ", "g"},
        {u"ĥħ", "h"}, {u"ìíîïĩīĭįı", "i"}, {u"ĵ", "j"}, {u"ķ", "k"}, {u"ĺļľŀł", "l"},
        {u"ñńņňŉ", "n"}, {u"òóôõöøōŏő", "o"}, {u"ŕŗř", "r"}, {u"śŝşš", "s"}, {u"ţťŧ", "t"},
        {u"ùúûüũūŭůűų", "u"}, {u"ŵ", "w"}, {u"ýÿŷ", "y"}, {u"źżž", "z"}, {u"ß", "ss"},
        {u"æ", "ae"}, {u"œ", "oe"},
        {u"а", "a"}, {u"б", "b"}, {u"в", "v"}, {u"гґ", "g"}, {u"д", "d"}, {u"её", "e"},
        {u"є", "ye"}, {u"ж", "zh"}, {u"з", "z"}, {u"иі", "i"}, {u"ї", "yi"}, {u"й", "y"},
        {u"к", "k"}, {u"л", "l"}, {u"м", "m"}, {u"н", "n"}, {u"о", "o"}, {u"п", "p"},
        {u"р", "r"}, {u"с", "s"}, {u"т", "t"}, {u"у", "u"}, {u"ф", "f"}, {u"х", "kh"},
        {u"ц", "ts"}, {u"ч", "ch"}, {u"ш", "sh"}, {u"щ", "shch"}, {u"ы", "y"}, {u"э", "e"},
        {u"ю", "yu"}, {u"я", "ya"},
        {u"αά", "a"}, {u"β", "v"}, {u"γ", "g"}, {u"δ", "d"}, {u"εέ", "e"}, {u"ζ", "z"},
        {u"ηή", "i"}, {u"θ", "th"}, {u"ιίϊΐ", "i"}, {u"κ", "k"}, {u"λ", "l"}, {u"μ", "m"},
        {u"ν", "n"}, {u"ξ", "x"}, {u"οό", "o"}, {u"π", "p"}, {u"ρ", "r"}, {u"σς", "s"},
        {u"τ", "t"}, {u"υύϋ", "y"}, {u"φ", "f"}, {u"χ", "ch"}, {u"ψ", "ps"}, {u"ωώ", "o"}};
    std::string out;
    for (char16_t c : platform::to_lower(text)) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        for (const auto& [from, to] : kLatin) {
            if (from.find(c) != std::u16string_view::npos) {
                out += to;
                break;
            }
        }
    }
    return out;
}

// pattern with every '#' replaced by a digit.
std::string digits_for(std::string_view pattern, Random& random) {
    std::string out;
    for (char c : pattern) {
        out.push_back(c == '#' ? static_cast<char>('0' + random.below(10)) : c);
    }
    return out;
}

int days_in_month(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// The male or the female form of "male|female"; text without a bar is both.
WString gendered(std::u16string_view forms, bool female) {
    const size_t bar = forms.find(u'|');
    if (bar == std::u16string_view::npos) {
        return WString(forms);
    }
    return WString(female ? forms.substr(bar + 1) : forms.substr(0, bar));
}

struct Person {
    WString name;
    std::vector<WString> numbers;
};

// A person's names and the country they are from.
struct Name {
    const Country* country = nullptr;
    bool female = false;
    WString first;
    WString last;
};

}  // namespace

size_t demo_people() {
    // Names shared by two countries' lists count once.
    std::set<std::pair<WString, WString>> names;
    for (const Country& country : countries()) {
        for (const bool female : {false, true}) {
            for (std::u16string_view first : female ? country.female_first : country.male_first) {
                for (std::u16string_view last : country.last) {
                    names.emplace(WString(first), gendered(last, female));
                }
            }
        }
    }
    return names.size();
}

namespace {

class BookMaker {
public:
    explicit BookMaker(Random& random) : m_random(random) {}

    std::vector<VCardContact> make(int count) {
        std::vector<VCardContact> cards;
        cards.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const Country& country = m_random.pick(countries());
            VCardContact card = m_random.chance(10) && m_businesses.size() < 40
                                    ? business(country)
                                    : person(country);
            std::sort(card.contact.fields.begin(), card.contact.fields.end(),
                      [](const ContactField& a, const ContactField& b) { return a.kind < b.kind; });
            Person who;
            who.name = card.contact.first_name.empty()
                           ? card.contact.company
                           : card.contact.first_name + u" " + card.contact.last_name;
            for (const ContactField& field : card.contact.fields) {
                if (is_phone(field.kind)) {
                    who.numbers.push_back(field.value);
                }
            }
            m_people.push_back(std::move(who));
            cards.push_back(std::move(card));
        }
        return cards;
    }

    const std::vector<Person>& people() const { return m_people; }

    // A number in the country's shape that no demo contact has, by its number key.
    WString number(const Country& country, bool mobile) {
        for (;;) {
            const City& city = m_random.pick(country.cities);
            const std::string text = std::string(country.calling_code) + " " +
                                     (mobile ? digits_for(country.mobile_pattern, m_random)
                                             : std::string(city.area) + " " +
                                                   digits_for(country.line_pattern, m_random));
            WString wide = from_utf8(text);
            // Equal keys would make two people one caller.
            if (m_keys.insert(number_key(wide)).second) {
                return wide;
            }
        }
    }

private:
    void add(Contact& c, FieldKind kind, WString value) { c.fields.emplace_back(kind, std::move(value)); }

    void address(Contact& c, const Country& country, bool work) {
        const City& city = m_random.pick(country.cities);
        const WString street(m_random.pick(country.streets));
        const WString number = platform::to_wstring(m_random.between(1, 120));
        add(c, work ? FieldKind::WorkStreet : FieldKind::HomeStreet,
            country.number_first ? number + u" " + street : street + u" " + number);
        add(c, work ? FieldKind::WorkCity : FieldKind::HomeCity, WString(city.name));
        add(c, work ? FieldKind::WorkPostalCode : FieldKind::HomePostalCode, WString(city.postal_code));
        add(c, work ? FieldKind::WorkCountry : FieldKind::HomeCountry, WString(country.name));
    }

    // Names no one in the book has yet: drawn at random while that finds one soon, then the
    // first free one of the country, or of the next country that has one left. Nobody is
    // there twice, so a search or the ruler never shows two rows for one person.
    Name new_name(const Country& country) {
        for (int attempt = 0; attempt < 32; ++attempt) {
            Name name{&country, m_random.chance(50), {}, {}};
            name.first = m_random.pick(name.female ? country.female_first : country.male_first);
            name.last = gendered(m_random.pick(country.last), name.female);
            if (m_names.emplace(name.first, name.last).second) {
                return name;
            }
        }
        const std::span<const Country> all = countries();
        const size_t start = static_cast<size_t>(&country - all.data());
        for (size_t k = 0; k < all.size(); ++k) {
            const Country& other = all[(start + k) % all.size()];
            for (const bool female : {false, true}) {
                for (std::u16string_view first : female ? other.female_first : other.male_first) {
                    for (std::u16string_view last : other.last) {
                        Name name{&other, female, WString(first), gendered(last, female)};
                        if (m_names.emplace(name.first, name.last).second) {
                            return name;
                        }
                    }
                }
            }
        }
        // run_demo asks for no more people than demo_people(), so this is never reached.
        assert(false && "more demo people than names");
        return {&country, false, WString(country.male_first.front()),
                WString(country.last.front())};
    }

    VCardContact person(const Country& drawn) {
        VCardContact card;
        Contact& c = card.contact;
        Name name = new_name(drawn);
        const Country& country = *name.country;
        const bool female = name.female;
        c.first_name = std::move(name.first);
        c.last_name = std::move(name.last);
        const std::string mail_name = ascii_of(c.first_name) + "." + ascii_of(c.last_name);

        if (m_random.chance(90)) {
            add(c, FieldKind::Mobile, number(country, true));
        }
        if (m_random.chance(45)) {
            add(c, FieldKind::HomeTel, number(country, false));
        }
        if (m_random.chance(70)) {
            const std::string suffix = m_random.chance(40) ? std::to_string(m_random.between(1, 99)) : "";
            add(c, FieldKind::Email1, from_utf8(mail_name + suffix + "@" +
                                                std::string(m_random.pick(mail_domains()))));
        }
        const bool employed = m_random.chance(45);
        if (employed) {
            c.company = m_random.pick(country.companies);
            add(c, FieldKind::JobTitle, WString(m_random.pick(country.job_titles)));
            if (m_random.chance(30)) {
                add(c, FieldKind::Department, WString(m_random.pick(country.departments)));
            }
            if (m_random.chance(75)) {
                add(c, FieldKind::BusinessTel, number(country, false));
            }
            add(c, FieldKind::Email2, from_utf8(mail_name + "@" + std::string(country.mail_domain)));
            if (m_random.chance(50)) {
                address(c, country, true);
            }
        }
        if (m_random.chance(50)) {
            address(c, country, false);
        }
        if (m_random.chance(55)) {
            const int year = m_random.between(1946, 2008);
            const int month = m_random.between(1, 12);
            const int day = m_random.between(1, days_in_month(year, month));
            add(c, FieldKind::Birthday, date_time_text(days_from_civil(year, month, day) * 86400000));
        }
        if (m_random.chance(10)) {
            add(c, FieldKind::NickName, gendered(m_random.pick(country.nicknames), female));
        }
        if (m_random.chance(5)) {
            add(c, FieldKind::WebPage, from_utf8("https://" + ascii_of(c.last_name) + "." +
                                                 std::string(country.mail_domain) + "/"));
        }
        categories(c, employed);
        if (m_random.chance(40)) {
            const WString initials{c.first_name.substr(0, 1) + c.last_name.substr(0, 1)};
            card.photo = portrait(initials, static_cast<uint32_t>(m_random.below(1000)),
                                  ++m_pictures % 8 == 0 ? PictureFile::bmp : PictureFile::png);
        }
        return card;
    }

    // A firm known only by its name: the bakery, the doctor's practice.
    VCardContact business(const Country& country) {
        VCardContact card;
        Contact& c = card.contact;
        c.company = m_random.pick(country.companies);
        if (!m_businesses.insert(c.company).second) {
            return person(country);
        }
        add(c, FieldKind::CompanyMainTel, number(country, false));
        if (m_random.chance(40)) {
            add(c, FieldKind::BusinessFax, number(country, false));
        }
        add(c, FieldKind::Email1, from_utf8("info@" + ascii_of(c.company).substr(0, 12) + "." +
                                            std::string(country.mail_domain)));
        add(c, FieldKind::WebPage, from_utf8("https://www." + ascii_of(c.company).substr(0, 12) + "." +
                                             std::string(country.mail_domain) + "/"));
        address(c, country, true);
        if (m_random.chance(50)) {
            add(c, FieldKind::Categories, u"Business");
        }
        return card;
    }

    void categories(Contact& c, bool employed) {
        if (!m_random.chance(60)) {
            return;
        }
        const auto names = category_names();
        std::vector<WString> chosen;
        if (employed && m_random.chance(50)) {
            chosen.emplace_back(u"Business");
        }
        const int more = m_random.between(chosen.empty() ? 1 : 0, 1);
        for (int i = 0; i < more; ++i) {
            WString name(m_random.pick(names));
            if (name != u"Business" && std::find(chosen.begin(), chosen.end(), name) == chosen.end()) {
                chosen.push_back(std::move(name));
            }
        }
        if (chosen.empty()) {
            return;
        }
        WString text;
        for (const WString& name : chosen) {
            text += text.empty() ? name : u", " + name;
        }
        add(c, FieldKind::Categories, text);
    }

    Random& m_random;
    std::vector<Person> m_people;
    std::set<std::pair<WString, WString>> m_names;
    std::set<WString> m_keys;
    std::set<WString> m_businesses;
    int m_pictures = 0;
};

constexpr uint64_t kFileTimeUnitsPerSecond = 10000000ULL;

uint64_t file_time_of(std::time_t seconds) {
    return static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond +
           static_cast<uint64_t>(kFileTimeEpochOffset);
}

// Calls of the last three weeks at waking hours, most with people of the book, some with
// strangers and a withheld caller; the newest is a missed call so the badge has something
// to show.
std::vector<platform::CallLogEntry> make_calls(BookMaker& maker, Random& random, int count,
                                               std::time_t now) {
    std::vector<platform::CallLogEntry> calls;
    std::vector<const Person*> callable;
    for (const Person& person : maker.people()) {
        if (!person.numbers.empty()) {
            callable.push_back(&person);
        }
    }
    std::tm local{};
    localtime_r(&now, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    const std::time_t midnight = std::mktime(&local);
    const std::span<const Country> all = countries();
    for (int i = 0; i < count; ++i) {
        platform::CallLogEntry call;
        std::time_t start = 0;
        if (i == 0) {
            start = now - 60 * random.between(5, 50);
        } else {
            start = midnight - 86400 * random.between(0, 20) + 3600 * random.between(8, 21) +
                    60 * random.between(0, 59) + random.between(0, 59);
            if (start > now) {
                start -= 86400;
            }
        }
        const int kind = random.below(100);
        call.direction = i == 0 || kind < 25 ? platform::kCallMissed
                         : kind < 62         ? platform::kCallIncoming
                                             : platform::kCallOutgoing;
        const int who = random.below(100);
        if (who < 82 && !callable.empty()) {
            const Person& person = *callable[static_cast<size_t>(random.below(static_cast<int>(callable.size())))];
            call.number = person.numbers[static_cast<size_t>(random.below(static_cast<int>(person.numbers.size())))];
            call.name = person.name;
        } else if (who < 96 || call.direction == platform::kCallOutgoing) {
            call.number = maker.number(all[static_cast<size_t>(random.below(static_cast<int>(all.size())))],
                                       random.chance(60));
        }
        int seconds = 0;
        if (call.direction != platform::kCallMissed && random.chance(90)) {
            seconds = random.chance(70) ? random.between(15, 300) : random.between(300, 2400);
        }
        call.start = file_time_of(start);
        call.end = file_time_of(start + seconds);
        calls.push_back(std::move(call));
    }
    return calls;
}

int book_size(ContactManagerImpl2& store) {
    std::unique_ptr<pim::PimFolder> folder;
    std::unique_ptr<pim::PimItems> items;
    if (store.session() == nullptr ||
        store.session()->default_folder(pim::kFolderContacts, folder) != pim::kOk ||
        folder->items(items) != pim::kOk) {
        return -1;
    }
    return items->count();
}

}  // namespace

int run_demo(const Args& args) {
    int count = kDefaultCount;
    bool if_empty = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--if-empty") {
            if_empty = true;
        } else if (args[i] == "--count" && i + 1 < args.size() &&
                   parse_count(args[i + 1], 1, 999999999, count)) {
            ++i;
        } else {
            return usage();
        }
    }
    const size_t people = demo_people();
    if (static_cast<size_t>(count) > people) {
        fail_line("the demo book has " + std::to_string(people) +
                  " different people; ask for at most that many");
        return kUsageError;
    }
    QuietListener listener;
    ContactManagerImpl2 store(listener);
    if (open_session(store) == nullptr) {
        return kFailure;
    }
    const int existing = book_size(store);
    if (existing < 0) {
        fail_line("the contacts folder cannot be read: " + store.session()->last_error());
        return kFailure;
    }
    if (if_empty && existing > 0) {
        print("the book already has " + counted(static_cast<size_t>(existing), "contact") + "; nothing added\n");
        return 0;
    }

    Random random(kSeed);
    BookMaker maker(random);
    std::vector<VCardContact> cards = maker.make(count);
    std::vector<WString> categories;
    for (std::u16string_view name : category_names()) {
        categories.emplace_back(name);
    }
    const WriteOutcome outcome = write_contacts(store, cards, terminal_progress("adding"), categories);
    if (!outcome.ok) {
        fail_line(outcome.error + "; nothing was added");
        return kFailure;
    }
    print("added " + counted(cards.size(), "demo contact") + "\n");

    platform::CallHistory history(platform::CallHistory::default_file());
    if (!history.is_open()) {
        fail_line("the call log cannot be opened: " + to_utf8(history.error()));
        return kFailure;
    }
    const int call_count = std::clamp(count / 4, 12, 150);
    const std::vector<platform::CallLogEntry> calls =
        make_calls(maker, random, call_count, std::time(nullptr));
    for (const platform::CallLogEntry& call : calls) {
        if (history.add(call) == 0) {
            fail_line("the call log cannot be written: " + to_utf8(history.error()));
            return kFailure;
        }
    }
    print("added " + counted(calls.size(), "call") + " to the call log\n");
    return 0;
}

}  // namespace pim_tool

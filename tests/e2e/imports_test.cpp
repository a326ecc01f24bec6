// Files as the programs people move their contacts from export them, imported with
// velvane-pim: names, companies, numbers, e-mail addresses and photos come in, and come back
// the same from an export imported again into an empty book.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "contacts/vcard.h"
#include "tests/e2e/e2e_support.h"

namespace {

using e2e::Home;

std::string pim(Home& home, const std::vector<std::string>& args) {
    const e2e::RunResult run = home.run(e2e::program_dir() / "velvane-pim", args);
    EXPECT_EQ(run.exit_code, 0) << args[0] << ": " << run.err;
    return run.out;
}

enum class Photo { none, jpeg, png };

struct Card {
    std::string first, last, company;
    std::set<std::string> numbers;
    std::set<std::string> emails;
    Photo photo = Photo::none;
};

struct Export {
    const char* program;
    const char* file;
    std::vector<Card> cards;
    // Values no field holds that the export still carries.
    std::vector<std::string> kept = {};
};

// The pictures the files carry: an 8 x 8 grey JPEG and a 6 x 4 PNG.
constexpr size_t kJpegBytes = 159;
constexpr size_t kPngBytes = 74;

const std::vector<Export>& exports() {
    static const std::vector<Export> table = {
        {"Android",
         "android_contacts.vcf",
         {{"Chidi", "Okafor", "Lagos Ferries", {"+234 803 555 0101", "+234 1 555 0102"},
           {"chidi@example.com"}, Photo::jpeg},
          {"Пётр", "Иванов", "", {"+7 912 555-01-03", "+7 343 555-01-04"}, {"petr@example.ru"}}}},
        {"iOS",
         "ios_contacts.vcf",
         {{"Maja", "Lindqvist", "Nordljus AB", {"+46 70 555 01 04"},
           {"maja@nordljus.example", "maja.l@mail.example"}, Photo::jpeg}},
         // A second mobile number: the book has one Mobile field.
         {"+46 70 555 01 05"}},
        {"macOS",
         "macos_contacts.vcf",
         {{"", "", "Harbour Tools Ltd", {"+44 20 5550 0106"}, {"sales@harbourtools.example"}},
          {"Siobhán", "O'Neill", "Harbour Tools Ltd", {"+353 87 555 0107", "+353 1 555 0108"},
           {"siobhan@harbourtools.example"}, Photo::png}}},
        {"Outlook 2003",
         "outlook_2003.vcf",
         {{"Jürgen", "Müller", "Bäckerei Müller GmbH",
           {"+49 30 5550107", "+49 30 5550108", "+49 171 5550109", "+49 30 5550110"},
           {"j.mueller@baeckerei.example"}, Photo::jpeg}}},
        {"Outlook 2007",
         "outlook_2007.vcf",
         {{"Hiroshi", "Tanaka", "Kaze Trading", {"(03) 5550-0111", "090-5550-0112"},
           {"h.tanaka@kaze.example"}, Photo::jpeg},
          {"博", "田中", "風商事", {"080-5550-0113"}, {"hiroshi@kaze.example"}}}},
        {"Gmail",
         "gmail_contacts.vcf",
         {{"Aisha", "Rahman", "Rahman Bakery", {"+1 415-555-0113", "(415) 555-0114"},
           {"aisha.rahman@gmail.example", "a.rahman@work.example"}}}},
        {"Thunderbird (before 102)",
         "thunderbird_2.vcf",
         {{"Pierre", "Dubois", "Atelier Dubois", {"+33 4 55 50 01 15", "+33 6 55 50 01 16"},
           {"pierre@atelier-dubois.example"}}}},
        {"Thunderbird (102 and later)",
         "thunderbird_4.vcf",
         {{"Eva", "Novak", "Novak & Syn", {"+420 601 555 017", "+420 2 5550 0118"},
           {"eva@novak.example"}, Photo::png}}},
        {"Evolution",
         "evolution.vcf",
         {{"Jan", "Kowalski", "Kowalski Transport", {"+48 601 555 019", "+48 22 555 0120"},
           {"jan@kowalski.example", "jan.k@home.example"}, Photo::jpeg}}},
        {"older phones",
         "old_phones.vcf",
         {{"Lucía", "García", "", {"+34600555021", "+34915550122", "+34915550123"},
           {"lucia@correo.example"}, Photo::jpeg},
          {"Åsa", "Sjöberg", "Mobilbolaget", {"0046705550124", "0046705550125"}, {}}}},
    };
    return table;
}

bool is_number_label(const std::string& label) {
    static const std::set<std::string> kLabels = {
        "Mobile",       "BusinessTel", "Business2Tel", "HomeTel",     "Home2Tel",  "CarTel",
        "RadioTel", "CompanyMainTel", "AssistantTel", "BusinessFax", "HomeFax", "PagerNumber"};
    return kLabels.count(label) > 0;
}

// Every contact of the book as velvane-pim shows it.
std::vector<Card> book(Home& home) {
    std::vector<Card> cards;
    std::istringstream list(pim(home, {"list"}));
    std::string row;
    while (std::getline(list, row)) {
        std::istringstream shown(pim(home, {"show", row.substr(0, row.find('\t'))}));
        Card card;
        std::string line;
        while (std::getline(shown, line)) {
            const size_t colon = line.find(": ");
            const std::string label = line.substr(0, colon);
            const std::string value = colon == std::string::npos ? "" : line.substr(colon + 2);
            if (label == "first") {
                card.first = value;
            } else if (label == "last") {
                card.last = value;
            } else if (label == "company") {
                card.company = value;
            } else if (is_number_label(label)) {
                card.numbers.insert(value);
            } else if (label.starts_with("Email")) {
                card.emails.insert(value);
            }
        }
        cards.push_back(std::move(card));
    }
    return cards;
}

const Card* find(const std::vector<Card>& cards, const Card& wanted) {
    for (const Card& card : cards) {
        if (card.first == wanted.first && card.last == wanted.last &&
            card.company == wanted.company) {
            return &card;
        }
    }
    return nullptr;
}

void expect_book(Home& home, const Export& from, const char* stage) {
    const std::vector<Card> cards = book(home);
    EXPECT_EQ(cards.size(), from.cards.size()) << stage;
    for (const Card& wanted : from.cards) {
        const Card* card = find(cards, wanted);
        ASSERT_NE(card, nullptr) << stage << ": no " << wanted.first << " " << wanted.last << " / "
                                 << wanted.company;
        EXPECT_EQ(card->numbers, wanted.numbers) << stage << ": " << wanted.last;
        EXPECT_EQ(card->emails, wanted.emails) << stage << ": " << wanted.last;
    }
}

// The export's cards read back: each expected card's photo, and the kept values.
void expect_export(const std::string& text, const Export& from, const char* stage) {
    const velvane::VCardRead read = velvane::read_vcards(text);
    ASSERT_FALSE(read.error) << stage;
    ASSERT_EQ(read.contacts.size(), from.cards.size()) << stage;
    for (const Card& wanted : from.cards) {
        const auto card = std::find_if(read.contacts.begin(), read.contacts.end(), [&](const auto& c) {
            return platform::to_utf8(c.contact.first_name) == wanted.first &&
                   platform::to_utf8(c.contact.last_name) == wanted.last;
        });
        ASSERT_NE(card, read.contacts.end()) << stage << ": " << wanted.last;
        const std::string& photo = card->photo;
        switch (wanted.photo) {
            case Photo::none:
                EXPECT_TRUE(photo.empty()) << stage << ": " << wanted.last;
                break;
            case Photo::jpeg:
                EXPECT_EQ(photo.size(), kJpegBytes) << stage << ": " << wanted.last;
                EXPECT_TRUE(photo.starts_with("\xFF\xD8\xFF")) << stage << ": " << wanted.last;
                break;
            case Photo::png:
                EXPECT_EQ(photo.size(), kPngBytes) << stage << ": " << wanted.last;
                EXPECT_TRUE(photo.starts_with("\x89PNG")) << stage << ": " << wanted.last;
                break;
        }
    }
    for (const std::string& value : from.kept) {
        EXPECT_NE(text.find(value), std::string::npos) << stage << ": " << value;
    }
}

TEST(Imports, ContactsFromEveryProgramComeInAndSurviveExportAndImportAgain) {
    for (const Export& from : exports()) {
        SCOPED_TRACE(from.program);
        Home first;
        const e2e::fs::path file =
            e2e::fs::path(VELVANE_TEST_SAMPLES) / "vcards" / from.file;
        ASSERT_TRUE(e2e::fs::exists(file)) << file;
        pim(first, {"import", file.string()});
        expect_book(first, from, "imported");
        const std::string exported = pim(first, {"export", "-"});
        expect_export(exported, from, "exported");

        Home second;
        const e2e::fs::path again = second.write("again.vcf", exported);
        pim(second, {"import", again.string()});
        expect_book(second, from, "imported again");
        expect_export(pim(second, {"export", "-"}), from, "exported again");
    }
}

}  // namespace

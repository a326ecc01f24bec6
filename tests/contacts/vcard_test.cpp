#include "contacts/vcard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "tests/support/temp_home.h"

namespace velvane {
namespace {

namespace fs = std::filesystem;
using Fields = std::map<FieldKind, WString>;

// Samples written by other programs, kept with the tests.
fs::path sample(const char* name) {
    return fs::path(VELVANE_TEST_SAMPLES) / "vcards" / name;
}

VCardRead read_sample(const char* name) {
    const std::string bytes = test_support::read_bytes(sample(name));
    EXPECT_FALSE(bytes.empty()) << name;
    return read_vcards(bytes);
}

Fields fields_of(const Contact& c) {
    Fields out;
    for (const ContactField& f : c.fields) {
        EXPECT_TRUE(out.emplace(f.kind, f.value).second) << "kind twice: " << int(f.kind);
        EXPECT_EQ(f.group, group_of(f.kind));
    }
    return out;
}

// Fields come in kind order, as the store hands them out.
void expect_kind_order(const Contact& c) {
    for (size_t i = 1; i < c.fields.size(); ++i) {
        EXPECT_LT(int(c.fields[i - 1].kind), int(c.fields[i].kind));
    }
}

Contact only(const VCardRead& r) {
    EXPECT_FALSE(r.error) << (r.error ? platform::to_utf8(r.error->message) : "");
    EXPECT_EQ(r.contacts.size(), 1u);
    return r.contacts.empty() ? Contact() : r.contacts[0].contact;
}

WString birthday(int y, int m, int d) {
    // Days from 1970 by the proleptic calendar, for the few dates used here.
    int64_t days = 0;
    for (int year = 1970; year < y; ++year) {
        days += (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 366 : 365;
    }
    static const int kMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month < m; ++month) {
        days += kMonth[month - 1] + (month == 2 && y % 4 == 0 && (y % 100 != 0 || y % 400 == 0));
    }
    days += d - 1;
    return date_time_text(days * 86400000LL);
}

// What was read is written and read again without a change.
void expect_same_after_writing(const std::vector<VCardContact>& contacts) {
    const VCardRead again = read_vcards(write_vcards(contacts));
    ASSERT_FALSE(again.error);
    ASSERT_EQ(again.contacts.size(), contacts.size());
    for (size_t i = 0; i < contacts.size(); ++i) {
        const Contact& a = contacts[i].contact;
        const Contact& b = again.contacts[i].contact;
        EXPECT_EQ(a.first_name, b.first_name);
        EXPECT_EQ(a.last_name, b.last_name);
        EXPECT_EQ(a.company, b.company);
        EXPECT_EQ(a.fields, b.fields);
        EXPECT_EQ(contacts[i].photo, again.contacts[i].photo);
        EXPECT_EQ(contacts[i].extra_properties, again.contacts[i].extra_properties);
    }
}

TEST(VCardSamples, Version21FilesFromPhones) {
    {
        const Contact c = only(read_sample("v21_simple_1.vcf"));  // no VERSION line
        EXPECT_EQ(c.last_name, u"Ando");
        EXPECT_EQ(c.first_name, u"Roid");
    }
    EXPECT_EQ(only(read_sample("v21_simple_2.vcf")).first_name, u"Ando Roid");  // FN only
    {
        const Contact c = only(read_sample("v21_winmo_65.vcf"));  // AGENT holds junk
        EXPECT_EQ(c.last_name, u"Example");
        EXPECT_TRUE(c.fields.empty());
    }
    {
        const Contact c = only(read_sample("v21_backslash.vcf"));
        EXPECT_EQ(c.last_name, u"");
        EXPECT_EQ(c.first_name, u"A;B\\");
        EXPECT_EQ(fields_of(c), (Fields{{FieldKind::MiddleName, u"C\\;"},
                                        {FieldKind::Suffix, u"\\:E"}}));
    }
    {
        const Contact c = only(read_sample("v21_japanese_1.vcf"));  // Shift_JIS
        EXPECT_EQ(c.last_name, u"\u5B89\u85E4\u30ED\u30A4\u30C9");
        EXPECT_EQ(fields_of(c), (Fields{{FieldKind::Mobile, u"0300000000"}}));
    }
    {
        const VCardRead r = read_sample("v21_multiple_entry.vcf");
        ASSERT_FALSE(r.error);
        ASSERT_EQ(r.contacts.size(), 3u);
        EXPECT_EQ(r.contacts[0].contact.last_name, u"\u5B89\u85E4\u30ED\u30A4\u30C93");
        EXPECT_EQ(r.contacts[2].contact.last_name, u"\u5B89\u85E4\u30ED\u30A4\u30C95");
        EXPECT_EQ(fields_of(r.contacts[0].contact),
                  (Fields{{FieldKind::Mobile, u"9"}, {FieldKind::HomeTel, u"10"},
                          {FieldKind::HomeFax, u"12"}}));
        // A third number of no known kind is no business number, and a modem no mobile.
        const auto kept = [&](size_t i, const char* line) {
            const std::vector<std::string>& extra = r.contacts[i].extra_properties;
            return std::find(extra.begin(), extra.end(), line) != extra.end();
        };
        EXPECT_TRUE(kept(0, "TEL;X-NEC-SCHOOL:11"));
        EXPECT_EQ(fields_of(r.contacts[1].contact),
                  (Fields{{FieldKind::Mobile, u"15"}, {FieldKind::HomeTel, u"16"},
                          {FieldKind::PagerNumber, u"14"}}));
        EXPECT_TRUE(kept(1, "TEL;MODEM:13"));
    }
}

TEST(VCardSamples, Version21WithEncodingsAddressesAndPictures) {
    {
        const VCardRead r = read_sample("v21_complicated.vcf");
        const Contact c = only(r);
        expect_kind_order(c);
        EXPECT_EQ(c.first_name, u"Forrest");
        EXPECT_EQ(c.last_name, u"Gump");
        EXPECT_EQ(c.company, u"Gump Shrimp Co.");
        EXPECT_EQ(fields_of(c),
                  (Fields{{FieldKind::Mobile, u"0311111111"},
                          {FieldKind::BusinessTel, u"(111) 555-1212"},
                          {FieldKind::HomeTel, u"(404) 555-1212"},
                          {FieldKind::Email1, u"forrestgump@walladalla.com"},
                          {FieldKind::Email2, u"cell@example.com"},
                          {FieldKind::WebPage, u"http://www.example.com/"},
                          {FieldKind::MiddleName, u"Hoge"},
                          {FieldKind::Suffix, u"Tao"},
                          {FieldKind::Department, u"Sales Dept.;Manager, Fish keeper"},
                          {FieldKind::JobTitle, u"Shrimp Man"},
                          {FieldKind::Birthday, birthday(1980, 1, 1)},
                          {FieldKind::WorkStreet, u"100 Waters Edge"},
                          {FieldKind::WorkCity, u"Baytown"},
                          {FieldKind::WorkPostalCode, u"30314"},
                          {FieldKind::WorkState, u"LA"},
                          {FieldKind::WorkCountry, u"United States of America"},
                          {FieldKind::HomeStreet, u"42 Plantation St."},
                          {FieldKind::HomeCity, u"Baytown"},
                          {FieldKind::HomePostalCode, u"30314"},
                          {FieldKind::HomeState, u"LA"},
                          {FieldKind::HomeCountry, u"United States of America"}}));
        // The video line is no second home number; VOICE alone finds Mobile and HomeTel
        // taken and is no second business number either: both are kept as they stand.
        const std::vector<std::string>& extra = r.contacts[0].extra_properties;
        EXPECT_NE(std::find(extra.begin(), extra.end(), "TEL;VIDEO:0322222222"), extra.end());
        EXPECT_NE(std::find(extra.begin(), extra.end(), "TEL;VOICE:0333333333"), extra.end());
        const std::string& photo = r.contacts[0].photo;
        EXPECT_TRUE(photo.starts_with("\xFF\xD8\xFF")) << photo.size();
        EXPECT_TRUE(photo.ends_with("\xFF\xD9"));
    }
    {
        const VCardRead r = read_sample("v21_blackberry_photo.vcf");
        const Contact c = only(r);
        EXPECT_EQ(c.last_name, u"boogie");
        EXPECT_EQ(fields_of(c), (Fields{{FieldKind::Mobile, u"+5555556"},
                                        {FieldKind::BusinessTel, u"+5555555"},
                                        {FieldKind::Email1, u"forrestgump@walladalla.com"}}));
        ASSERT_FALSE(r.contacts.empty());
        EXPECT_TRUE(r.contacts[0].photo.starts_with("\x89PNG\r\n"));
        EXPECT_TRUE(r.contacts[0].photo.find("IEND") != std::string::npos);
    }
    {
        // The second home address runs over three lines joined by trailing backslashes; it
        // is kept as it stands rather than shown as a work address.
        const VCardRead r = read_sample("v21_adr_multiple_line.vcf");
        const Contact c = only(r);
        ASSERT_EQ(r.contacts.size(), 1u);
        const std::vector<std::string>& extra = r.contacts[0].extra_properties;
        EXPECT_TRUE(std::any_of(extra.begin(), extra.end(), [](const std::string& line) {
            return line.starts_with("ADR;HOME") && line.find("Packstation 999") != std::string::npos;
        }));
        EXPECT_EQ(c.last_name, u"bogus");
        EXPECT_EQ(fields_of(c),
                  (Fields{{FieldKind::WebPage, u"http://bogus.com/"},
                          {FieldKind::Birthday, birthday(2008, 12, 3)},
                          {FieldKind::HomeStreet, u"Grindelberg 999"},
                          {FieldKind::HomeCity, u"Hamburg"},
                          {FieldKind::HomePostalCode, u"99999"},
                          {FieldKind::HomeCountry, u"Deutschland"}}));
    }
}

TEST(VCardSamples, Versions30And40) {
    {
        const Contact c = only(read_sample("v30_simple.vcf"));
        EXPECT_EQ(c.last_name, u"And");
        EXPECT_EQ(c.first_name, u"Roid");
        EXPECT_EQ(c.company, u"Open");
        EXPECT_EQ(fields_of(c), (Fields{{FieldKind::Mobile, u"0300000000"},
                                        {FieldKind::Department, u"Handset, Alliance"}}));
    }
    {
        // A quoted parameter value holding ',' and ':'.
        const Contact c = only(read_sample("v30_comma_separated.vcf"));
        EXPECT_EQ(c.last_name, u"F");
        EXPECT_EQ(fields_of(c), (Fields{{FieldKind::Mobile, u"1"}, {FieldKind::MiddleName, u"M"}}));
    }
    EXPECT_EQ(fields_of(only(read_sample("v30_pager.vcf"))),
              (Fields{{FieldKind::PagerNumber, u"6101231234@pagersample.com"},
                      {FieldKind::MiddleName, u"M"}}));
    {
        // CR CR LF line ends, grouped properties, and a folded picture.
        const VCardRead r = read_sample("v30_ios_613_multiline.vcf");
        const Contact c = only(r);
        EXPECT_EQ(c.first_name, u"Bob");
        EXPECT_EQ(c.last_name, u"Smith");
        EXPECT_EQ(c.company, u"Smith Auto Repair");
        EXPECT_EQ(fields_of(c), (Fields{{FieldKind::Mobile, u"(650) 555-1212"},
                                        {FieldKind::Email1, u"bob@smithauto.com"},
                                        {FieldKind::WebPage, u"www.smithauto.com"}}));
        ASSERT_FALSE(r.contacts.empty());
        EXPECT_TRUE(r.contacts[0].photo.starts_with("\xFF\xD8\xFF\xE0"));
    }
    {
        const Contact c = only(read_sample("v40_sort_as.vcf"));
        EXPECT_EQ(c.last_name, u"\u5B89\u85E4");
        EXPECT_EQ(c.first_name, u"\u30ED\u30A4\u30C9");
        EXPECT_EQ(c.company, u"\u30B0\u30FC\u30B0\u30EB");
        EXPECT_EQ(fields_of(c), (Fields{{FieldKind::Department, u"\u691C\u7D22\u90E8\u9580"}}));
    }
}

TEST(VCardSamples, EveryFileReads) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(sample("").parent_path())) {
        if (entry.path().extension() != ".vcf") {
            continue;
        }
        ++files;
        const VCardRead r = read_vcards(test_support::read_bytes(entry.path()));
        EXPECT_FALSE(r.error) << entry.path() << ": line " << r.error->line << ": "
                              << platform::to_utf8(r.error->message);
        EXPECT_FALSE(r.contacts.empty()) << entry.path();
        // Google's export names its photos by web address only; nothing else is left out.
        for (const VCardError& skipped : r.skipped) {
            EXPECT_EQ(skipped.message, u"the picture is only a web address; nothing is fetched")
                << entry.path() << ": line " << skipped.line;
        }
        expect_same_after_writing(r.contacts);
    }
    EXPECT_GE(files, 14);
}

std::vector<int> skipped_lines(const VCardRead& r) {
    std::vector<int> lines;
    for (const VCardError& s : r.skipped) {
        lines.push_back(s.line);
    }
    return lines;
}

// Damaged files: every card that can be read is kept, and each card, property or line left
// out is named by its line.
TEST(VCardErrors, WhatCanBeReadIsKeptAndTheRestNamedByLine) {
    struct Case {
        std::string bytes;
        size_t contacts;
        std::vector<int> skipped;
    };
    std::string multiple = test_support::read_bytes(sample("v21_multiple_entry.vcf"));
    // The last card loses its END: it keeps what was read, and so do the two before it.
    multiple.erase(multiple.rfind("END:VCARD"));
    std::string photo = test_support::read_bytes(sample("v21_blackberry_photo.vcf"));
    photo.replace(photo.find("2Z0d2Fy"), 1, "*");
    std::string simple = test_support::read_bytes(sample("v30_simple.vcf"));
    simple.insert(simple.find("CLASS"), "this line has no colon\r\n");
    const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna\r\nEND:VCARD\r\n";
    const Case cases[] = {
        {multiple, 3, {23}},
        {photo, 1, {5}},
        {simple, 1, {8}},
        {card + "stray text\r\n", 1, {5}},
        {"N:a\r\n", 1, {1}},
        {"END:VCARD\r\n", 0, {1}},
        {"BEGIN:VCALENDAR\r\nN:x\r\nEND:VCALENDAR\r\n" + card, 1, {1}},
        {"BEGIN:VCARD\r\nN:a\r\n :b\r\nEND:VCALENDAR\r\n", 1, {1, 4}},
        {" BEGIN:VCARD\r\n", 0, {1}},
        {"", 0, {}},
        {"BEGIN:VCARD\r\nVERSION:4.0\r\nPHOTO:data:image/png;base64,@@\r\nEND:VCARD\r\n", 1,
         {3}},
        // A card without END followed by the next card; a card without BEGIN after one.
        {"BEGIN:VCARD\r\nN:One\r\n" + card + "VERSION:3.0\r\nN:Two\r\nEND:VCARD\r\n", 3, {1, 7}},
        // An embedded 2.1 agent card is not a card of its own.
        {"BEGIN:VCARD\r\nN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nN:Agent\r\nEND:VCARD\r\nEND:VCARD\r\n",
         1, {}},
        {"BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n" + card, 2, {}},
        {card + "X-TRAILER:1\r\n", 1, {5}},
        // A damaged picture drops the picture, not the card nor what follows it.
        {"BEGIN:VCARD\r\nVERSION:3.0\r\nN:P\r\nPHOTO;ENCODING=b:@@@\r\nTEL:1\r\nEND:VCARD\r\n" +
             card,
         2, {4}},
        {"BEGIN:VCARD\r\nVERSION:3.0\r\nN:P\r\nPHOTO;VALUE=uri:http://x/p.jpg\r\nEND:VCARD\r\n", 1,
         {4}},
        {"BEGIN:VCARD\r\nVERSION:3.0\r\nN:P\r\nPHOTO:https://x/p.jpg\r\nEND:VCARD\r\n", 1, {4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 120));
        const VCardRead r = read_vcards(c.bytes);
        EXPECT_EQ(r.contacts.size(), c.contacts);
        EXPECT_EQ(skipped_lines(r), c.skipped);
        EXPECT_EQ(r.error.has_value(), c.contacts == 0);
        for (const VCardError& s : r.skipped) {
            EXPECT_FALSE(s.message.empty());
        }
    }
    // The kept parts: the card without END keeps its lines, the damaged picture only is gone.
    const VCardRead r = read_vcards(multiple);
    ASSERT_EQ(r.contacts.size(), 3u);
    EXPECT_FALSE(r.contacts[2].contact.last_name.empty() && r.contacts[2].contact.first_name.empty());
    const VCardRead p = read_vcards(photo);
    ASSERT_EQ(p.contacts.size(), 1u);
    EXPECT_TRUE(p.contacts[0].photo.empty());
    EXPECT_FALSE(p.contacts[0].contact.fields.empty());
}

TEST(VCardReader, FoldingEscapesCharsetsAndEncodings) {
    // 3.0 drops the blank that starts a folded line; 2.1 keeps it.
    EXPECT_EQ(only(read_vcards("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Hun;Gerh\r\n ard\r\nEND:VCARD\r\n"))
                  .first_name,
              u"Gerhard");
    EXPECT_EQ(only(read_vcards("BEGIN:VCARD\nVERSION:2.1\nN:Hun;Gerh\n ard\nEND:VCARD\n"))
                  .first_name,
              u"Gerh ard");
    {
        const Contact c = only(read_vcards(
            "BEGIN:VCARD\r\nVERSION:2.1\r\n"
            "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=F6rg\r\n"
            "ORG;CHARSET=UTF-8;QUOTED-PRINTABLE:Caf=C3=A9 =\r\nOl=C3=A9\r\n"
            "NOTE:plain\r\nEND:VCARD\r\n"));
        EXPECT_EQ(c.last_name, u"M\u00fcller");
        EXPECT_EQ(c.first_name, u"J\u00f6rg");
        EXPECT_EQ(c.company, u"Caf\u00e9 Ol\u00e9");
    }
    // A fold inside the parameters: the soft break still joins the value's next line.
    EXPECT_EQ(only(read_vcards("BEGIN:VCARD\r\nVERSION:3.0\r\nORG;CHARSET=UTF-8;\r\n"
                               " ENCODING=QUOTED-PRINTABLE:Caf=C3=A9 =\r\nOl=C3=A9\r\nEND:VCARD\r\n"))
                  .company,
              u"Caf\u00e9 Ol\u00e9");
    {
        const Contact c = only(read_vcards(
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:O\\;Brien\\, Jr.;Pat\\nrick\r\n"
            "TEL;TYPE=\"work,voice\":555\r\nTEL;TYPE=work:556\r\nTEL;TYPE=WORK:557\r\n"
            "TEL;TYPE=car:1\r\nTEL:2\r\nEMAIL:a@x\r\nEMAIL:b@x\r\nEMAIL:c@x\r\nEMAIL:d@x\r\n"
            "CATEGORIES:Work,Friends\\, old;Golf\\;Tennis\r\nCATEGORIES: VIP\r\nBDAY:--0412\r\n"
            "NICKNAME:Paddy\r\nROLE:Boss\r\nX-ASSISTANT:Sam\r\nURL:http\\://o.example\r\nEND:VCARD\r\n"));
        EXPECT_EQ(c.last_name, u"O;Brien, Jr.");
        EXPECT_EQ(c.first_name, u"Pat\nrick");
        EXPECT_EQ(fields_of(c), (Fields{{FieldKind::BusinessTel, u"555"},
                                        {FieldKind::Business2Tel, u"556"},
                                        {FieldKind::Mobile, u"2"},
                                        {FieldKind::CarTel, u"1"},
                                        {FieldKind::Email1, u"a@x"},
                                        {FieldKind::Email2, u"b@x"},
                                        {FieldKind::Email3, u"c@x"},
                                        {FieldKind::WebPage, u"http://o.example"},
                                        {FieldKind::NickName, u"Paddy"},
                                        {FieldKind::AssistantName, u"Sam"},
                                        {FieldKind::Categories, u"Work, Friends, old, Golf, Tennis, VIP"}}));
    }
    {
        // 4.0: a picture as a data URI, a tel: URI, a birthday with a time.
        const VCardRead r = read_vcards(
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Acme\r\nORG:Acme\r\n"
            "TEL;VALUE=uri;TYPE=cell:tel:+49-171-1\r\nTEL;TYPE=work:tel:2\r\nBDAY:19991231T235959Z\r\n"
            "PHOTO:data:image/jpeg;base64,/9j/2Q==\r\nEND:VCARD\r\n");
        const Contact c = only(r);
        EXPECT_EQ(c.first_name, u"");
        EXPECT_EQ(c.company, u"Acme");
        EXPECT_EQ(fields_of(c), (Fields{{FieldKind::Mobile, u"+49-171-1"},
                                        {FieldKind::BusinessTel, u"tel:2"},
                                        {FieldKind::Birthday, u"946684799000"}}));
        expect_same_after_writing(r.contacts);
        EXPECT_EQ(r.contacts[0].photo, std::string("\xFF\xD8\xFF\xD9"));
    }
    {
        // A picture in quoted-printable, as some 2.1 writers send it; the first one counts.
        const VCardRead r = read_vcards(
            "BEGIN:VCARD\r\nN:P\r\nPHOTO;ENCODING=QUOTED-PRINTABLE;TYPE=JPEG:=FF=D8=\r\n=FF=D9\r\n"
            "PHOTO;ENCODING=BASE64:QUJD\r\nEND:VCARD\r\n");
        ASSERT_EQ(r.contacts.size(), 1u);
        EXPECT_EQ(r.contacts[0].photo, std::string("\xFF\xD8\xFF\xD9"));
    }
    {
        // UTF-16 with its byte-order mark.
        std::string bytes = "\xFF\xFE";
        for (char16_t ch : std::u16string(u"BEGIN:VCARD\r\nN:\u0416\u0443\u043a\r\nEND:VCARD\r\n")) {
            bytes.push_back(static_cast<char>(ch & 0xFF));
            bytes.push_back(static_cast<char>(ch >> 8));
        }
        EXPECT_EQ(only(read_vcards(bytes)).last_name, u"\u0416\u0443\u043a");
    }
}

std::string utf16(std::u16string_view text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t ch : text) {
        const char lo = static_cast<char>(ch & 0xFF);
        const char hi = static_cast<char>(ch >> 8);
        bytes += little ? std::string{lo, hi} : std::string{hi, lo};
    }
    return bytes;
}

// How other programs write: the same few facts must come out of each variant.
TEST(VCardReader, FormatVariantsOfOtherPrograms) {
    struct Case {
        const char* what;
        std::string bytes;
        std::u16string first, last, company, phone, email;
        bool photo;
    };
    const std::string cyrillic =
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN:\xC8\xE2\xE0\xED\xEE\xE2;\xD1\xE5\xF0\xE3\xE5\xE9\r\n"
        "ORG:\xD0\xEE\xE3\xE0 \xE8 \xEA\xEE\xEF\xFB\xF2\xE0\r\n"
        "TITLE:\xC3\xEB\xE0\xE2\xED\xFB\xE9 \xE1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\r\n"
        "TEL;WORK;VOICE:+7 495 1\r\nEND:VCARD\r\n";
    const Case cases[] = {
        {"3.0 fold inside a UTF-8 sequence",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:M\xC3\r\n \xBCller;Hans\r\nEND:VCARD\r\n", u"Hans",
         u"M\u00fcller", u"", u"", u"", false},
        {"quoted-printable soft break inside a UTF-8 sequence (Android)",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=9F=D0=B5=D1=82=D1=\r\n"
         "=80=D0=BE=D0=B2;=D0=98=D0=B2=D0=B0=D0=BD;;;\r\nTEL;CELL:+7 900 1\r\nEND:VCARD\r\n",
         u"\u0418\u0432\u0430\u043d", u"\u041f\u0435\u0442\u0440\u043e\u0432", u"", u"+7 900 1",
         u"", false},
        {"VERSION 3.0 after the folded line",
         "BEGIN:VCARD\r\nN:Hun;Gerh\r\n ard\r\nVERSION:3.0\r\nEND:VCARD\r\n", u"Gerhard", u"Hun",
         u"", u"", u"", false},
        {"VERSION 2.1 after the folded line",
         "BEGIN:VCARD\r\nN:Hun;Gerh\r\n ard\r\nVERSION:2.1\r\nEND:VCARD\r\n", u"Gerh ard", u"Hun",
         u"", u"", u"", false},
        {"lower-case names",
         "begin:vcard\nversion:3.0\nn:Doe;John\ntel;type=cell:123\nemail:j@x\norg:Acme\nend:vcard\n",
         u"John", u"Doe", u"Acme", u"123", u"j@x", false},
        {"CR CR LF",
         "BEGIN:VCARD\r\r\nVERSION:2.1\r\r\nN:Doe;Jane\r\r\nTEL;HOME:5\r\r\nEND:VCARD\r\r\n",
         u"Jane", u"Doe", u"", u"5", u"", false},
        {"mixed line ends",
         "BEGIN:VCARD\nVERSION:3.0\r\nN:Doe;Jane\rEMAIL:j@d\r\nEND:VCARD\n", u"Jane", u"Doe", u"",
         u"", u"j@d", false},
        {"UTF-8 byte-order mark",
         "\xEF\xBB\xBF" "BEGIN:VCARD\r\nVERSION:3.0\r\nN:\xC3\x96z;Ay\r\nEND:VCARD\r\n", u"Ay",
         u"\u00d6z", u"", u"", u"", false},
        {"UTF-16 little-endian",
         utf16(u"BEGIN:VCARD\r\nVERSION:3.0\r\nN:\u0416\u0443\u043a;\U0001F600\r\nEND:VCARD\r\n", true),
         u"\U0001F600", u"\u0416\u0443\u043a", u"", u"", u"", false},
        {"UTF-16 big-endian",
         utf16(u"BEGIN:VCARD\r\nVERSION:3.0\r\nN:\u0416\u0443\u043a;B\r\nTEL:7\r\nEND:VCARD\r\n", false),
         u"B", u"\u0416\u0443\u043a", u"", u"7", u"", false},
        {"Windows-1251 naming no charset (old Outlook)", cyrillic, u"\u0421\u0435\u0440\u0433\u0435\u0439",
         u"\u0418\u0432\u0430\u043d\u043e\u0432",
         u"\u0420\u043e\u0433\u0430 \u0438 \u043a\u043e\u043f\u044b\u0442\u0430", u"+7 495 1", u"",
         false},
        {"Windows-1252 naming no charset",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:M\xFCller;J\xFCrgen\r\nORG:Caf\xE9 Gr\xF6\xDF" "e \x80" "1\r\n"
         "END:VCARD\r\n",
         u"J\u00fcrgen", u"M\u00fcller", u"Caf\u00e9 Gr\u00f6\u00dfe \u20ac1", u"", u"", false},
        {"several ORG: the preferred one",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:A;B\r\nORG:First;Sales\r\nORG;TYPE=pref:Second\r\nEND:VCARD\r\n",
         u"B", u"A", u"Second", u"", u"", false},
        {"several ORG: the first one",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:A;B\r\nORG:First\r\nORG:Second;Sales\r\nEND:VCARD\r\n", u"B",
         u"A", u"First", u"", u"", false},
        {"FN and N: N's parts",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Dr. John Q. Doe\r\nN:Doe;John;Q.;Dr.;\r\nEND:VCARD\r\n",
         u"John", u"Doe", u"", u"", u"", false},
        {"iOS: groups, repeated types, a folded picture",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Appleseed;Johnny;;;\r\nFN:Johnny Appleseed\r\n"
         "item1.EMAIL;type=INTERNET;type=pref:j@icloud.com\r\nitem1.X-ABLabel:_$!<Other>!$_\r\n"
         "TEL;type=CELL;type=VOICE;type=pref:+1 408 555\r\n"
         "PHOTO;ENCODING=b;TYPE=JPEG:/9j/\r\n 2Q==\r\nEND:VCARD\r\n",
         u"Johnny", u"Appleseed", u"", u"+1 408 555", u"j@icloud.com", true},
        {"Outlook 2003: 2.1 picture in indented base64 lines",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Smith;Ann\r\nFN:Ann Smith\r\nORG:Contoso\r\n"
         "TEL;WORK;VOICE:(425) 555\r\nEMAIL;PREF;INTERNET:ann@contoso.com\r\n"
         "PHOTO;TYPE=JPEG;ENCODING=BASE64:\r\n /9j/\r\n 2Q==\r\n\r\nEND:VCARD\r\n",
         u"Ann", u"Smith", u"Contoso", u"(425) 555", u"ann@contoso.com", true},
        {"Gmail 3.0",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bo Li\r\nN:Li;Bo;;;\r\nEMAIL;TYPE=INTERNET;TYPE=HOME:bo@gmail.com\r\n"
         "TEL;TYPE=CELL:+86 1\r\nEND:VCARD\r\n",
         u"Bo", u"Li", u"", u"+86 1", u"bo@gmail.com", false},
        {"Evolution and Thunderbird 4.0: data URI picture",
         "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Kr\xC3\xA4mer;Eva;;;\r\nEMAIL;TYPE=work;PREF=1:eva@x.org\r\n"
         "TEL;VALUE=uri;TYPE=\"voice,cell\":tel:+49 1\r\nX-EVOLUTION-FILE-AS:Kr\xC3\xA4mer\\, Eva\r\n"
         "PHOTO:data:image/jpeg;base64,/9j/2Q==\r\nEND:VCARD\r\n",
         u"Eva", u"Kr\u00e4mer", u"", u"+49 1", u"eva@x.org", true},
        {"several pictures: the preferred one, the damaged one left out",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:P;Q\r\nPHOTO;ENCODING=b:@@\r\n"
         "PHOTO;ENCODING=b;TYPE=JPEG,pref:/9j/2Q==\r\nEND:VCARD\r\n",
         u"Q", u"P", u"", u"", u"", true},
        {"picture only as a web address",
         "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Web Only\r\nPHOTO:https://example.org/p.jpg\r\nEND:VCARD\r\n",
         u"Web Only", u"", u"", u"", u"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const VCardRead r = read_vcards(c.bytes);
        ASSERT_EQ(r.contacts.size(), 1u);
        const Contact& contact = r.contacts[0].contact;
        EXPECT_EQ(contact.first_name, c.first);
        EXPECT_EQ(contact.last_name, c.last);
        EXPECT_EQ(contact.company, c.company);
        WString phone;
        WString email;
        for (const ContactField& f : contact.fields) {
            if (phone.empty() && (is_phone(f.kind))) {
                phone = f.value;
            }
            if (email.empty() && f.group == FieldGroup::EmailGroup) {
                email = f.value;
            }
        }
        EXPECT_EQ(phone, c.phone);
        EXPECT_EQ(email, c.email);
        EXPECT_EQ(!r.contacts[0].photo.empty(), c.photo);
        if (c.bytes.find("ORG;TYPE=pref:Second") != std::string::npos) {
            EXPECT_EQ(r.contacts[0].extra_properties,
                      std::vector<std::string>{"ORG:First;Sales"}) << "the other company is kept";
        }
        // A picture only named by its address is kept as its line.
        const bool remote = c.bytes.find("PHOTO:https:") != std::string::npos;
        EXPECT_EQ(std::count(r.contacts[0].extra_properties.begin(),
                             r.contacts[0].extra_properties.end(),
                             std::string("PHOTO:https://example.org/p.jpg")),
                  remote ? 1 : 0);
        if (c.photo) {
            EXPECT_EQ(r.contacts[0].photo, std::string("\xFF\xD8\xFF\xD9"));
        }
    }
}

TEST(VCardReader, Helpers) {
    EXPECT_EQ(decode_quoted_printable("a=3Db=0D=0Ac=\r=zz="), "a=b\r\nc=\r=zz");
    EXPECT_EQ(decode_base64("SGVs bG8=\r\n"), "Hello");
    EXPECT_EQ(decode_base64("SGVsbG8"), "Hello");
    EXPECT_FALSE(decode_base64("SGV*bG8="));
    EXPECT_FALSE(decode_base64("SG=VsbG8"));
    EXPECT_FALSE(decode_base64("S"));
    for (std::string bytes : {std::string(""), std::string("a"), std::string("ab"),
                              std::string("abc"), std::string("\xFF\x00\x80", 3)}) {
        EXPECT_EQ(decode_base64(encode_base64(bytes)), bytes);
    }
    EXPECT_EQ(encode_base64("Hello"), "SGVsbG8=");
    EXPECT_EQ(decode_charset("\xE9t\xE9", "iso-8859-1"), u"\u00e9t\u00e9");
    EXPECT_EQ(decode_charset("\xC3\xA9t\xC3\xA9", ""), u"\u00e9t\u00e9");
    EXPECT_EQ(decode_charset("\xE9t\xE9", ""), u"\u00e9t\u00e9");  // not UTF-8: Latin-1
    EXPECT_EQ(decode_charset("\xD6\xD5\xCB", "KOI8-R"), u"\u0436\u0443\u043a");
    EXPECT_EQ(decode_charset("caf\xC3\xA9", "NO-SUCH-CHARSET"), u"caf\u00e9");
    EXPECT_EQ(decode_charset("x", "UTF-8\"; rm -rf"), u"x");
}

TEST(VCardWriter, WritesVersion30ThatReadsBackToTheSameContacts) {
    VCardContact full;
    Contact& c = full.contact;
    c.first_name = u"J\u00fcrgen";
    c.last_name = u"M\u00fcller-\u041b\u0435\u0431\u0435\u0434\u0435\u0432; \"Jr\"";
    c.company = u"Caf\u00e9, \u0394\u03b5\u03bb\u03c4\u03b1\\Co";
    for (int32_t k = 0; k < kStoredKindCount; ++k) {
        const auto kind = static_cast<FieldKind>(k);
        WString value = u"v" + platform::to_wstring(k) + u" \u00e9,;\\";
        if (kind == FieldKind::Birthday) {
            value = birthday(1975, 2, 28);
        } else if (kind == FieldKind::Categories) {
            value = u"Work, Family";
        } else if (kind == FieldKind::HomeStreet) {
            value = u"Line one\nLine two " + WString(60, u'\u0436');
        }
        c.fields.emplace_back(kind, value);
    }
    full.photo = std::string("\x89PNG\r\n\x1A\n", 8) + std::string(300, '\0') + "end";

    VCardContact sparse;  // lone second fields and a company-only card
    sparse.contact.company = u"Acme, ";  // a trailing blank must not turn into a first name
    sparse.contact.fields = {{FieldKind::Business2Tel, u"2"},
                             {FieldKind::Home2Tel, u"3"},
                             {FieldKind::Email3, u"e@x"},
                             {FieldKind::Birthday, u"-86399000"}};
    VCardContact nameless;

    const std::string text = write_vcards({full, sparse, nameless});
    EXPECT_TRUE(text.starts_with("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 75u) << text.substr(start, end - start);
        // A fold never cuts a UTF-8 sequence.
        const size_t next = text[end + 2] == ' ' ? end + 3 : end + 2;
        EXPECT_NE(static_cast<unsigned char>(text[next]) & 0xC0, 0x80u);
        start = end + 2;
    }

    const VCardRead r = read_vcards(text);
    ASSERT_FALSE(r.error) << r.error->line << platform::to_utf8(r.error->message);
    ASSERT_EQ(r.contacts.size(), 3u);
    const Contact& back = r.contacts[0].contact;
    EXPECT_EQ(back.first_name, c.first_name);
    EXPECT_EQ(back.last_name, c.last_name);
    EXPECT_EQ(back.company, c.company);
    EXPECT_EQ(back.fields, c.fields);
    EXPECT_EQ(r.contacts[0].photo, full.photo);
    EXPECT_EQ(r.contacts[1].contact.company, sparse.contact.company);
    EXPECT_EQ(r.contacts[1].contact.first_name, u"");
    EXPECT_EQ(r.contacts[1].contact.fields, sparse.contact.fields);
    EXPECT_TRUE(r.contacts[1].photo.empty());
    EXPECT_EQ(r.contacts[2].contact.first_name, u"");
    EXPECT_TRUE(r.contacts[2].contact.fields.empty());
}

}  // namespace
}  // namespace velvane

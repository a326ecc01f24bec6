// What a card holds beyond the contact's fields: how types choose fields, what is kept as it
// stands, and that an import followed by an export loses none of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "contacts/contact_manager.h"
#include "contacts/vcard.h"
#include "contacts/vcard_extra.h"
#include "contacts/vcard_mapping.h"
#include "platform/pim_session.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

namespace fs = std::filesystem;
using Fields = std::map<FieldKind, WString>;
using Lines = std::vector<std::string>;

VCardContact only_card(const std::string& body, const char* version = "3.0") {
    const VCardRead r = read_vcards("BEGIN:VCARD\r\nVERSION:" + std::string(version) +
                                    "\r\nN:Doe;Jo\r\n" + body + "END:VCARD\r\n");
    EXPECT_FALSE(r.error) << (r.error ? platform::to_utf8(r.error->message) : "");
    return r.contacts.size() == 1 ? r.contacts[0] : VCardContact();
}

Fields fields_of(const Contact& c) {
    Fields out;
    for (const ContactField& f : c.fields) {
        out.emplace(f.kind, f.value);
    }
    return out;
}

struct Case {
    const char* what;
    const char* body;
    Fields fields;
    Lines extra;
};

TEST(VCardMapping, TypesChooseFieldsAsOtherProgramsMeanThem) {
    const std::vector<Case> cases = {
        {"VOICE alone is the main number", "TEL;VOICE:1\r\n", {{FieldKind::Mobile, u"1"}}, {}},
        {"a second VOICE takes the home number, a third is kept",
         "TEL;VOICE:1\r\nTEL;TYPE=VOICE:2\r\nTEL:3\r\n",
         {{FieldKind::Mobile, u"1"}, {FieldKind::HomeTel, u"2"}},
         {"TEL:3"}},
        {"VOICE after a mobile is no business number", "TEL;CELL:1\r\nTEL;VOICE:2\r\n",
         {{FieldKind::Mobile, u"1"}, {FieldKind::HomeTel, u"2"}}, {}},
        {"a video line is no home number", "TEL;HOME;VOICE:1\r\nTEL;VIDEO:2\r\n",
         {{FieldKind::HomeTel, u"1"}}, {"TEL;VIDEO:2"}},
        {"iPhone's own types", "TEL;type=IPHONE;type=CELL;type=VOICE;type=pref:1\r\nTEL;type=MAIN:2\r\n",
         {{FieldKind::Mobile, u"1"}, {FieldKind::HomeTel, u"2"}}, {}},
        {"work main is the company's number", "TEL;TYPE=WORK,MAIN:1\r\nTEL;X-COMPANY-MAIN:2\r\n",
         {{FieldKind::CompanyMainTel, u"1"}}, {"TEL;X-COMPANY-MAIN:2"}},
        {"faxes keep home and work apart", "TEL;WORK;FAX:1\r\nTEL;TYPE=FAX:2\r\nTEL;HOME;FAX:3\r\n",
         {{FieldKind::BusinessFax, u"1"}, {FieldKind::HomeFax, u"3"}}, {"TEL;TYPE=FAX:2"}},
        {"a third work number is kept, not made a mobile",
         "TEL;WORK:1\r\nTEL;WORK;VOICE:2\r\nTEL;TYPE=WORK:3\r\n",
         {{FieldKind::BusinessTel, u"1"}, {FieldKind::Business2Tel, u"2"}}, {"TEL;TYPE=WORK:3"}},
        {"other and custom labels", "TEL;TYPE=OTHER:1\r\nTEL;PAGER:2\r\nTEL;CAR;VOICE:3\r\n",
         {{FieldKind::PagerNumber, u"2"}, {FieldKind::CarTel, u"3"}}, {"TEL;TYPE=OTHER:1"}},
        {"e-mails beyond the third", "EMAIL:a@x\r\nEMAIL;TYPE=WORK:b@x\r\nEMAIL:c@x\r\nEMAIL;TYPE=HOME:d@x\r\n",
         {{FieldKind::Email1, u"a@x"}, {FieldKind::Email2, u"b@x"}, {FieldKind::Email3, u"c@x"}},
         {"EMAIL;TYPE=HOME:d@x"}},
        {"a second work address stays a work address",
         "ADR;TYPE=WORK:;;1 Main St;Town;;;\r\nADR;TYPE=WORK:;;2 Side St;City;;;\r\n",
         {{FieldKind::WorkStreet, u"1 Main St"}, {FieldKind::WorkCity, u"Town"}},
         {"ADR;TYPE=WORK:;;2 Side St;City;;;"}},
        {"an untyped address is the home address, an other one kept",
         "ADR:;;1 Home Rd;;;;\r\nADR;TYPE=OTHER:;;9 Else Rd;;;;\r\n",
         {{FieldKind::HomeStreet, u"1 Home Rd"}}, {"ADR;TYPE=OTHER:;;9 Else Rd;;;;"}},
        {"properties no field holds",
         "NOTE:Met at the fair\\, 2019\r\nROLE:Lead\r\nIMPP;TYPE=work:xmpp:jo@x\r\n"
         "item1.X-ABLabel:_$!<Anniversary>!$_\r\nX-CUSTOM;LABEL=\"a:b\":v\r\n",
         {},
         {"NOTE:Met at the fair\\, 2019", "ROLE:Lead", "IMPP;TYPE=work:xmpp:jo@x",
          "item1.X-ABLabel:_$!<Anniversary>!$_", "X-CUSTOM;LABEL=\"a:b\":v"}},
        {"second title, nickname and web page, a birthday without a year",
         "TITLE:Boss\r\nTITLE:Chair\r\nNICKNAME:J\r\nNICKNAME:Jojo\r\nURL:a\r\nURL:b\r\nBDAY:--0412\r\n",
         {{FieldKind::JobTitle, u"Boss"}, {FieldKind::NickName, u"J"}, {FieldKind::WebPage, u"a"}},
         {"TITLE:Chair", "NICKNAME:Jojo", "URL:b", "BDAY:--0412"}},
    };
    for (const Case& c : cases) {
        const VCardContact card = only_card(c.body);
        EXPECT_EQ(fields_of(card.contact), c.fields) << c.what;
        EXPECT_EQ(card.extra_properties, c.extra) << c.what;
    }
}

TEST(VCardMapping, TypeListsAlone) {
    using K = std::vector<FieldKind>;
    EXPECT_EQ(phone_kinds_for_types({}), (K{FieldKind::Mobile, FieldKind::HomeTel}));
    EXPECT_EQ(phone_kinds_for_types({"CELL", "VIDEO"}), K{FieldKind::Mobile});
    EXPECT_EQ(phone_kinds_for_types({"ISDN"}), K{});
    EXPECT_EQ(phone_kinds_for_types({"HOME", "WORK"}), (K{FieldKind::HomeTel, FieldKind::Home2Tel}));
    EXPECT_EQ(address_places_for_types({"HOME", "WORK"}), K{FieldKind::HomeStreet});
    EXPECT_EQ(address_places_for_types({"POSTAL"}), K{FieldKind::HomeStreet});
}

// Unfolds a written text into its property lines.
Lines unfolded(const std::string& text) {
    Lines lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        const std::string line = text.substr(start, end - start);
        if (!line.empty() && line[0] == ' ') {
            lines.back() += line.substr(1);
        } else {
            lines.push_back(line);
        }
        start = end + 2;
    }
    return lines;
}

TEST(VCardRoundTrip, ARichCardLosesNothing) {
    const std::string note(200, 'n');
    const std::string card =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lind;Eva;;;\r\nFN:Eva Lind\r\nORG:Acme\r\n"
        "TITLE:Engineer\r\nROLE:Team lead\r\nNOTE:Long " + note + " \xC3\xA9\xC3\xA9\xC3\xA9 end\r\n"
        "IMPP;X-SERVICE-TYPE=Jabber;type=HOME:xmpp:eva@x\r\nX-SOCIALPROFILE;type=twitter:eva\r\n"
        "EMAIL;TYPE=INTERNET:1@x\r\nEMAIL;TYPE=INTERNET:2@x\r\nEMAIL;TYPE=INTERNET:3@x\r\n"
        "EMAIL;TYPE=INTERNET;TYPE=WORK:4@x\r\nTEL;TYPE=VIDEO:777\r\n"
        "ADR;TYPE=WORK:;;1 Main St;Town;;11111;\r\nADR;TYPE=WORK:;;2 Side St;City;;22222;\r\n"
        "END:VCARD\r\n";
    const VCardRead first = read_vcards(card);
    ASSERT_FALSE(first.error);
    ASSERT_EQ(first.contacts.size(), 1u);
    const Lines kept = {"ROLE:Team lead", "NOTE:Long " + note + " \xC3\xA9\xC3\xA9\xC3\xA9 end",
                        "IMPP;X-SERVICE-TYPE=Jabber;type=HOME:xmpp:eva@x",
                        "X-SOCIALPROFILE;type=twitter:eva", "EMAIL;TYPE=INTERNET;TYPE=WORK:4@x",
                        "TEL;TYPE=VIDEO:777", "ADR;TYPE=WORK:;;2 Side St;City;;22222;"};
    EXPECT_EQ(first.contacts[0].extra_properties, kept);

    const std::string text = write_vcards(first.contacts);
    const Lines written = unfolded(text);
    for (const std::string& line : kept) {
        EXPECT_NE(std::find(written.begin(), written.end(), line), written.end()) << line;
    }
    const VCardRead again = read_vcards(text);
    ASSERT_FALSE(again.error);
    ASSERT_EQ(again.contacts.size(), 1u);
    EXPECT_EQ(again.contacts[0].contact.fields, first.contacts[0].contact.fields);
    EXPECT_EQ(again.contacts[0].extra_properties, kept);
}

TEST(VCardRoundTrip, AQuotedPrintableNoteIsNeverFoldedIntoASoftBreak) {
    // Shifting the escapes by one to five bytes puts some 75-byte fold just after an '='.
    std::string value;
    for (int i = 0; i < 60; ++i) {
        value += "=C3=A9";
    }
    for (size_t shift = 0; shift < 6; ++shift) {
        const VCardContact card = only_card("NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" +
                                                std::string(shift, 'x') + value + "\r\n",
                                            "2.1");
        ASSERT_EQ(card.extra_properties.size(), 1u);
        const VCardRead again = read_vcards(write_vcards({card}));
        ASSERT_FALSE(again.error);
        ASSERT_EQ(again.contacts.size(), 1u);
        EXPECT_EQ(again.contacts[0].extra_properties, card.extra_properties) << shift;
    }
}

TEST(VCardRoundTrip, KeptLinesReadTheSameWhereverTheyAreWrittenBack) {
    // The note's soft break dangles at the card's end, and the company and the picture not
    // chosen are kept after it: written back, the note must not take in the next line. A
    // picture given by its address is kept even beside one that was taken.
    const VCardContact card =
        only_card("ORG:Acme\r\nORG:Other\r\nPHOTO;VALUE=uri:http://example.org/a.jpg\r\n"
                  "PHOTO;ENCODING=b;TYPE=JPEG:/9j/2Q==\r\nNOTE;ENCODING=QUOTED-PRINTABLE:x==\r\n");
    EXPECT_EQ(card.extra_properties,
              (Lines{"NOTE;ENCODING=QUOTED-PRINTABLE:x=3D", "ORG:Other",
                     "PHOTO;VALUE=uri:http://example.org/a.jpg"}));
    EXPECT_EQ(card.photo, std::string("\xff\xd8\xff\xd9"));
    const VCardRead again = read_vcards(write_vcards({card}));
    ASSERT_EQ(again.contacts.size(), 1u);
    EXPECT_EQ(again.contacts[0].extra_properties, card.extra_properties);
    EXPECT_EQ(again.contacts[0].photo, card.photo);
    EXPECT_EQ(velvane::decode_quoted_printable("x=3D"), velvane::decode_quoted_printable("x=="));
}

TEST(VCardRoundTrip, RealExportsKeepEveryProperty) {
    const fs::path folder = fs::path(VELVANE_TEST_SAMPLES) / "vcards";
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".vcf") {
            continue;
        }
        ++files;
        const std::string name = entry.path().filename().string();
        const VCardRead first = read_vcards(test_support::read_bytes(entry.path()));
        ASSERT_FALSE(first.error) << name;
        const VCardRead again = read_vcards(write_vcards(first.contacts));
        ASSERT_FALSE(again.error) << name;
        ASSERT_EQ(again.contacts.size(), first.contacts.size()) << name;
        for (size_t i = 0; i < first.contacts.size(); ++i) {
            const Contact& a = first.contacts[i].contact;
            const Contact& b = again.contacts[i].contact;
            EXPECT_EQ(a.first_name, b.first_name) << name;
            EXPECT_EQ(a.last_name, b.last_name) << name;
            EXPECT_EQ(a.company, b.company) << name;
            EXPECT_EQ(a.fields, b.fields) << name;
            EXPECT_EQ(first.contacts[i].photo, again.contacts[i].photo) << name;
            EXPECT_EQ(first.contacts[i].extra_properties, again.contacts[i].extra_properties)
                << name;
        }
    }
    EXPECT_GE(files, 10);
}

TEST(VCardExtraStore, LinesComeBackByteForByteAndGoWithTheContact) {
    const Lines lines = {"NOTE:caf\xC3\xA9", "X-SJIS;CHARSET=SHIFT_JIS:\x88\xC0\x93\xA1",
                         "TEL;VIDEO:1", ""};
    EXPECT_EQ(unpack_extra_properties(pack_extra_properties(lines)), lines);
    EXPECT_TRUE(unpack_extra_properties(u"").empty());

    struct Quiet : ContactStoreListener {
        void on_contact_created(ContactManagerImpl2&, Contact) override {}
        void on_load_progress(ContactManagerImpl2&, int, int) override {}
        void on_contact_changed(ContactManagerImpl2&, uint32_t) override {}
        void on_contact_removed(ContactManagerImpl2&, uint32_t) override {}
    } listener;
    test_support::TempHome home;
    ContactManagerImpl2 store(listener, (home.root() / "contacts.db").string());
    platform::pim::PimSession* session = store.session();
    ASSERT_NE(session, nullptr);
    Contact a;
    a.first_name = u"A";
    Contact b;
    b.first_name = u"B";
    ASSERT_TRUE(store.create(a));
    ASSERT_TRUE(store.create(b));
    ASSERT_TRUE(store_extra_properties(*session, a.object_id, lines));
    ASSERT_TRUE(store_extra_properties(*session, b.object_id, {"ROLE:x"}));
    EXPECT_EQ(read_extra_properties(*session, a.object_id), lines);
    // Saving the contact's fields leaves them alone.
    a.fields.emplace_back(FieldKind::Mobile, u"123");
    ASSERT_TRUE(store.save(a));
    EXPECT_EQ(read_extra_properties(*session, a.object_id), lines);
    ASSERT_TRUE(store_extra_properties(*session, b.object_id, {}));
    EXPECT_TRUE(read_extra_properties(*session, b.object_id).empty());
    ASSERT_TRUE(store.remove(a.object_id));
    EXPECT_TRUE(read_extra_properties(*session, a.object_id).empty());
    EXPECT_FALSE(store_extra_properties(*session, a.object_id, lines));
}

}  // namespace
}  // namespace velvane

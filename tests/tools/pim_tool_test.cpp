// velvane-pim as a person uses it: a separate process working on the contact database and the
// call log of a private home.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/call_history.h"
#include "platform/imaging.h"
#include "tests/e2e/e2e_support.h"

namespace {

namespace fs = std::filesystem;

fs::path tool() { return e2e::program_dir() / "velvane-pim"; }

fs::path sample(const std::string& name) {
    return fs::path(VELVANE_TEST_SAMPLES) / "vcards" / name;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> columns_of(const std::string& line) {
    std::vector<std::string> columns;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        columns.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) {
            return columns;
        }
        start = tab + 1;
    }
}

// The bytes of the first picture of this type in a vCard 3.0 text as the tool writes it.
std::string first_picture(const std::string& vcards, const std::string& type) {
    const std::string start = "PHOTO;ENCODING=b;TYPE=" + type + ":";
    size_t at = vcards.find(start);
    if (at == std::string::npos) {
        return {};
    }
    at += start.size();
    std::string text;
    // Folded lines go on after CR LF and one blank.
    for (size_t end; (end = vcards.find("\r\n", at)) != std::string::npos; at = end + 3) {
        text += vcards.substr(at, end - at);
        if (vcards.compare(end + 2, 1, " ") != 0) {
            break;
        }
    }
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        const size_t value = kAlphabet.find(c);
        if (value == std::string::npos) {
            continue;
        }
        bits = bits << 6 | static_cast<uint32_t>(value);
        if ((count += 6) >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>(bits >> count & 0xFF));
        }
    }
    return bytes;
}

class PimTool : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fs::exists(tool())) << tool(); }

    e2e::RunResult run(const std::vector<std::string>& args) { return run_in(home, args); }
    static e2e::RunResult run_in(e2e::Home& where, const std::vector<std::string>& args) {
        return where.run(tool(), args);
    }
    // Adds a contact and gives its id.
    std::string add(const std::vector<std::string>& args) {
        std::vector<std::string> all{"add"};
        all.insert(all.end(), args.begin(), args.end());
        const e2e::RunResult r = run(all);
        EXPECT_EQ(r.exit_code, 0) << r.err;
        return r.out.substr(0, r.out.find('\n'));
    }
    size_t book_size(e2e::Home& where) { return lines_of(run_in(where, {"list"}).out).size(); }
    std::vector<platform::CallLogEntry> calls(e2e::Home& where) {
        platform::CallHistory history((where.data() / "velvane" / "clog.db").string());
        return history.read_entries().value_or(std::vector<platform::CallLogEntry>{});
    }

    e2e::Home home;
};

// A small book whose keypad and letter matches are known: 564 is j/k/l, m/n/o, g/h/i.
TEST_F(PimTool, SearchPrintsTheDocumentsMatchesInItsOrder) {
    const std::string john = add({"--first", "John", "--last", "Smith", "Mobile=+49 171 1111111"});
    const std::string lois = add({"--first", "Lois", "--last", "Lane"});
    const std::string anna = add({"--first", "Anna", "--last", "Smith", "--company", "Koh Ltd"});
    const std::string bob = add({"--first", "Bob", "--last", "Brown", "Mobile=5642 222"});
    add({"--first", "Mary", "--last", "Major"});

    e2e::RunResult r = run({"search", "564"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    // By last name: Brown, Lane, Smith (Anna before John).
    std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    // The rows are list's rows, the matched beginnings marked and a matched number after them.
    EXPECT_EQ(columns_of(lines[0]),
              (std::vector<std::string>{bob, "Bob", "Brown", "", "Mobile [564]2 222"}));
    EXPECT_EQ(columns_of(lines[1]), (std::vector<std::string>{lois, "[Loi]s", "Lane", ""}));
    EXPECT_EQ(columns_of(lines[2]), (std::vector<std::string>{anna, "Anna", "Smith", "[Koh] Ltd"}));
    EXPECT_EQ(columns_of(lines[3]), (std::vector<std::string>{john, "[Joh]n", "Smith", ""}));
    std::string unmarked = r.out;
    for (const char* mark : {"[", "]", "\tMobile 5642 222"}) {
        for (size_t at; (at = unmarked.find(mark)) != std::string::npos;) {
            unmarked.erase(at, std::string(mark).size());
        }
    }
    const std::vector<std::string> listed = lines_of(run({"list"}).out);
    for (const std::string& line : lines_of(unmarked)) {
        EXPECT_NE(std::find(listed.begin(), listed.end(), line), listed.end()) << line;
    }

    // Letters, each word on its own part, in either order; the order option sorts by first name.
    r = run({"search", "--order", "first", "sm", "an"});
    lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 1u) << r.out;
    EXPECT_EQ(columns_of(lines[0]), (std::vector<std::string>{anna, "[An]na", "[Sm]ith", "Koh Ltd"}));
    r = run({"search", "--order", "first", "s"});
    lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(columns_of(lines[0])[0], anna);
    EXPECT_EQ(columns_of(lines[1])[0], john);
    // Only the search was by first name: the stored order is still the last name's.
    EXPECT_EQ(columns_of(lines_of(run({"list"}).out)[0])[0], bob);

    // A number typed as it is dialled at home marks the part of the stored one it stands for.
    r = run({"search", "0171"});
    lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 1u) << r.out;
    EXPECT_EQ(columns_of(lines[0]), (std::vector<std::string>{john, "John", "Smith", "",
                                                               "Mobile [+49 171] 1111111"}));

    // Typed capitals and other scripts fold as the names do.
    const std::string yolkin = add({"--first", "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0" /* Ёлка */});
    r = run({"search", "JOH"});
    ASSERT_EQ(lines_of(r.out).size(), 1u) << r.out;
    EXPECT_EQ(columns_of(lines_of(r.out)[0])[1], "[Joh]n");
    r = run({"search", "\xD1\x91\xD0\x9B" /* ёЛ */});
    ASSERT_EQ(lines_of(r.out).size(), 1u) << r.out;
    EXPECT_EQ(columns_of(lines_of(r.out)[0]),
              (std::vector<std::string>{yolkin, "[\xD0\x81\xD0\xBB]\xD0\xBA\xD0\xB0", "", ""}));

    r = run({"search", "a", "b", "c", "d", "e"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no contact matches"), std::string::npos);
    EXPECT_EQ(run({"search"}).exit_code, 2);
    EXPECT_EQ(run({"search", "--order", "age", "x"}).exit_code, 2);
}

// A contact without anything to find it by is refused: it would top the list as a blank row.
TEST_F(PimTool, AddRefusesAContactWithNothingInIt) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"add"}, {"add", "--first", ""}, {"add", "Mobile="},
          {"add", "--company", "  ", "HomeCity=\t"},
          {"add", "--last", "", "--company", "", "Email1="}}) {
        const e2e::RunResult r = run(args);
        EXPECT_EQ(r.exit_code, 2) << args.size();
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("a contact needs a name, a company or a field with a value"),
                  std::string::npos)
            << r.err;
    }
    EXPECT_EQ(book_size(home), 0u);
    // One field is enough.
    EXPECT_FALSE(add({"Email1=someone@example.org"}).empty());
    EXPECT_EQ(book_size(home), 1u);
}

// show ends with the photo: none, its size in pixels and bytes, or why it cannot be shown.
TEST_F(PimTool, ShowGivesThePhotosSize) {
    ASSERT_EQ(run({"import", sample("v21_blackberry_photo.vcf").string()}).exit_code, 0);
    const std::string plain = add({"--first", "Plain"});
    std::string with_photo;
    for (const std::string& line : lines_of(run({"list"}).out)) {
        if (columns_of(line)[0] != plain) {
            with_photo = columns_of(line)[0];
        }
    }
    const std::string bytes = first_picture(run({"export", "-"}).out, "PNG");
    ASSERT_FALSE(bytes.empty());
    const std::vector<std::string> shown = lines_of(run({"show", with_photo}).out);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), "photo: 50x58 pixels, " + std::to_string(bytes.size()) + " bytes");
    EXPECT_EQ(lines_of(run({"show", plain}).out).back(), "photo: none");
}

TEST_F(PimTool, ImportKeepsWhatCanBeReadAndSaysWhatWasLeftOut) {
    e2e::RunResult r = run({"import", sample("v21_multiple_entry.vcf").string()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "imported 3 contacts\n");
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(book_size(home), 3u);

    // The last card loses its END: all three cards are kept, and the report says so.
    std::string damaged = e2e::read_file(sample("v21_multiple_entry.vcf"));
    damaged.erase(damaged.rfind("END:VCARD"));
    const fs::path file = home.write("damaged.vcf", damaged);
    r = run({"import", file.string()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "imported 3 contacts\n");
    EXPECT_NE(r.err.find("damaged.vcf:23: the file ends before this vCard's END"), std::string::npos)
        << r.err;
    EXPECT_EQ(book_size(home), 6u);

    struct Case {
        const char* name;
        std::string text;
        int exit_code;
        const char* out;
        std::vector<std::string> err;  // the report's lines, in order
        size_t added;
    };
    const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna\r\nEND:VCARD\r\n";
    const Case cases[] = {
        {"photo.vcf",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Pix;Paul\r\nPHOTO;ENCODING=b:@@\r\nTEL:1\r\nEND:VCARD\r\n" +
             card + "junk\r\n",
         0,
         "imported 2 contacts\n",
         {"photo.vcf:4: the picture's data is damaged; the picture is left out",
          "photo.vcf:11: not a property line; skipped"},
         2},
        {"web.vcf", "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Web\r\nPHOTO:http://x/y.jpg\r\nEND:VCARD\r\n", 0,
         "imported 1 contact\n", {"web.vcf:4: the picture is only a web address; nothing is fetched"}, 1},
        {"none.vcf", "END:VCARD\r\nhello\r\n", 1, "",
         {"none.vcf:1: END without BEGIN; skipped", "none.vcf:2: not a property line; skipped",
          "none.vcf:1: no vCard could be read; nothing was imported"},
         0},
        {"empty.vcf", "", 1, "", {"empty.vcf:1: no vCard in the file; nothing was imported"}, 0},
    };
    size_t size = book_size(home);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        r = run({"import", home.write(c.name, c.text).string()});
        EXPECT_EQ(r.exit_code, c.exit_code);
        EXPECT_EQ(r.out, c.out);
        std::vector<std::string> err_lines;
        for (const std::string& line : lines_of(r.err)) {
            err_lines.push_back(line.substr(line.find(c.name)));
        }
        EXPECT_EQ(err_lines, c.err) << r.err;
        size += c.added;
        EXPECT_EQ(book_size(home), size);
    }

    // A file that cannot be read at all.
    r = run({"import", (home.root() / "missing.vcf").string()});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("missing.vcf"), std::string::npos);
    EXPECT_EQ(book_size(home), size);

    // The picture reaches the picture stream, and categories the folder's list.
    r = run({"import", sample("v21_blackberry_photo.vcf").string()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = run({"export", "-"});
    EXPECT_NE(r.out.find("PHOTO;ENCODING=b;TYPE=PNG:iVBORw0KGgoAAAANSUhEUgAAADIAAAA6"), std::string::npos);
    // A picture the program cannot show is left out rather than stored for ever unseen.
    const fs::path gif = home.write(
        "gif.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Gif;Gerd\r\nPHOTO;ENCODING=b;TYPE=GIF:R0lGODlhAQABAAAAACw=\r\n"
                   "END:VCARD\r\n");
    r = run({"import", gif.string()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("1 picture left out"), std::string::npos) << r.err;
    EXPECT_EQ(run({"export", "-"}).out.find("TYPE=GIF"), std::string::npos);

    // Bytes that claim to be a JPEG but do not decode are refused, with a line saying so,
    // and the contact is stored without them.
    const fs::path fake = home.write(
        "fake.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Fake;Fay\r\n"
                    "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQEASABIAAD/2wBDAP//////////\r\n"
                    "END:VCARD\r\n");
    r = run({"import", fake.string()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("fake.vcf: the picture of contact 1 is refused: no picture that can be shown"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(run({"export", "-"}).out.find("TYPE=JPEG"), std::string::npos);
    // A line the reader skipped and a picture the store refused are both reported, each on
    // its own line, and the contact still counts as imported.
    const fs::path mixed = home.write(
        "mixed.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Mix;Max\r\njunk\r\n"
                     "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQEASABIAAD/2wBDAP//////////\r\n"
                     "END:VCARD\r\n");
    r = run({"import", mixed.string()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "imported 1 contact\n");
    const size_t skipped_at = r.err.find("mixed.vcf:4: not a property line; skipped\n");
    const size_t refused_at = r.err.find("mixed.vcf: the picture of contact 1 is refused: ");
    EXPECT_NE(skipped_at, std::string::npos) << r.err;
    EXPECT_NE(refused_at, std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 picture left out"), std::string::npos) << r.err;

    const fs::path tagged = home.write(
        "tagged.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna\r\nCATEGORIES:Choir,Work\r\nEND:VCARD\r\n");
    ASSERT_EQ(run({"categories", "set", "Work, Family"}).exit_code, 0);
    ASSERT_EQ(run({"import", tagged.string()}).exit_code, 0);
    EXPECT_EQ(run({"categories"}).out, "Work, Family, Choir\n");
}

// What the contact has no field for goes into the database with it and out again unchanged.
TEST_F(PimTool, ImportThenExportKeepsThePropertiesNoFieldHolds) {
    const std::string long_note = "NOTE:" + std::string(120, 'n') + " caf\xC3\xA9";
    const fs::path file = home.write(
        "rich.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lind;Eva;;;\r\n" + long_note +
                        "\r\nROLE:Lead\r\nIMPP:xmpp:eva@x\r\nX-FOO;X-BAR=1:baz\r\n"
                        "EMAIL:1@x\r\nEMAIL:2@x\r\nEMAIL:3@x\r\nEMAIL;TYPE=WORK:4@x\r\n"
                        "ADR;TYPE=WORK:;;1 Main St;Town;;;\r\nADR;TYPE=WORK:;;2 Side St;City;;;\r\n"
                        "END:VCARD\r\n");
    ASSERT_EQ(run({"import", file.string()}).exit_code, 0);
    const e2e::RunResult r = run({"export", "-"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string unfolded;
    for (size_t i = 0; i < r.out.size(); ++i) {
        if (r.out.compare(i, 3, "\r\n ") == 0) {
            i += 2;
        } else {
            unfolded.push_back(r.out[i]);
        }
    }
    for (const std::string& line :
         {long_note, std::string("ROLE:Lead"), std::string("IMPP:xmpp:eva@x"),
          std::string("X-FOO;X-BAR=1:baz"), std::string("EMAIL;TYPE=WORK:4@x"),
          std::string("ADR;TYPE=WORK:;;2 Side St;City;;;"),
          std::string("ADR;TYPE=WORK:;;1 Main St;Town;;;")}) {
        EXPECT_NE(unfolded.find("\r\n" + line + "\r\n"), std::string::npos) << line << "\n" << r.out;
    }
}

TEST_F(PimTool, ExportReplacesItsFileWholeOrNotAtAll) {
    add({"--first", "Anna", "--last", "Berg", "Mobile=0171 1234567"});
    const fs::path file = home.write("book.vcf", std::string(100000, 'x'));
    ASSERT_EQ(run({"export", file.string()}).exit_code, 0);
    EXPECT_EQ(e2e::read_file(file),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nFN:Anna Berg\r\n"
              "TEL;TYPE=CELL,VOICE;X-FIELD=Mobile:0171 1234567\r\nEND:VCARD\r\n");
    const e2e::RunResult r = run({"export", (home.root() / "no" / "such" / "folder.vcf").string()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("folder.vcf"), std::string::npos);
    EXPECT_FALSE(fs::exists(home.root() / "no"));
}

TEST_F(PimTool, ADamagedDatabaseIsReportedAndLeftAlone) {
    const std::string junk(4096, 'x');
    const fs::path database = home.write("data/velvane/contacts.db", junk);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"import", sample("v30_simple.vcf").string()},
          {"demo", "--if-empty"}, {"search", "a"}, {"export", (home.root() / "out.vcf").string()}}) {
        const e2e::RunResult r = run(args);
        EXPECT_EQ(r.exit_code, 1) << args[0] << ": " << r.out;
        EXPECT_FALSE(r.err.empty()) << args[0];
    }
    EXPECT_EQ(e2e::read_file(database), junk);
    EXPECT_FALSE(fs::exists(home.root() / "out.vcf"));
}

// The demo book is the same on every run, and an export of it imports into an empty book as
// the same contacts, pictures and categories included.
TEST_F(PimTool, DemoIsTheSameEveryTimeAndSurvivesExportAndImport) {
    e2e::RunResult r = run({"demo", "--count", "200"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "added 200 demo contacts\nadded 50 calls to the call log\n");
    const fs::path first = home.root() / "first.vcf";
    ASSERT_EQ(run({"export", first.string()}).exit_code, 0);
    const std::string book = e2e::read_file(first);

    e2e::Home other;
    ASSERT_EQ(run_in(other, {"demo", "--count", "200"}).exit_code, 0);
    const fs::path second = other.root() / "second.vcf";
    ASSERT_EQ(run_in(other, {"export", second.string()}).exit_code, 0);
    EXPECT_TRUE(e2e::read_file(second) == book) << "two demo books differ";

    for (const char* part : {"PHOTO;ENCODING=b;TYPE=PNG:", "PHOTO;ENCODING=b;TYPE=BMP:", "BDAY:",
                                    "CATEGORIES:", "ADR;TYPE=HOME:", "X-FIELD=Mobile:", "X-FIELD=HomeTel:",
                                    "EMAIL;", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", /* Иван */
                                    "\xCE\x9D\xCE\xB9\xCE\xBA", /* Νικ */ "\xC3\xBC" /* ü */}) {
        EXPECT_NE(book.find(part), std::string::npos) << part;
    }

    // The portraits are pictures the program can show, with initials on their background.
    for (const std::string type : {"PNG", "BMP"}) {
        const std::string bytes = first_picture(book, type);
        std::string error;
        const platform::RgbaImage image =
            platform::decode_image(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), error);
        ASSERT_EQ(image.width, 64) << type << ": " << error;
        ASSERT_EQ(image.height, 64) << type;
        // Something stands out from the background at the corner.
        int drawn = 0;
        for (size_t i = 0; i < image.pixels.size(); i += 4) {
            int distance = 0;
            for (size_t c = 0; c < 3; ++c) {
                distance += std::abs(image.pixels[i + c] - image.pixels[c]);
            }
            drawn += distance > 120;
        }
        EXPECT_GT(drawn, 64 * 64 / 20) << type;
    }

    e2e::Home empty;
    r = run_in(empty, {"import", first.string()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const fs::path again = empty.root() / "again.vcf";
    ASSERT_EQ(run_in(empty, {"export", again.string()}).exit_code, 0);
    EXPECT_TRUE(e2e::read_file(again) == book) << "the import of the export differs";
    // The names the imported contacts carry are offered for filtering.
    const auto names = [](const std::string& list) {
        std::set<std::string> out;
        for (size_t start = 0; start < list.size();) {
            const size_t end = std::min(list.find_first_of(",\n", start), list.size());
            out.insert(list.substr(start, end - start));
            start = end + 1;
            while (start < list.size() && list[start] == ' ') ++start;
        }
        return out;
    };
    EXPECT_EQ(names(run_in(empty, {"categories"}).out), names(run_in(home, {"categories"}).out));

    // The call log: newest first, a missed call on top, all three directions, most calls with
    // numbers of the book and none with a number that is not a phone number.
    const std::vector<platform::CallLogEntry> log = calls(home);
    ASSERT_EQ(log.size(), 50u);
    EXPECT_EQ(log.front().direction, platform::kCallMissed);
    std::set<int> directions;
    int known = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        directions.insert(log[i].direction);
        EXPECT_GE(log[i].end, log[i].start);
        if (i > 0) {
            EXPECT_LE(log[i].start, log[i - 1].start);
        }
        const std::string number = platform::to_utf8(log[i].number);
        EXPECT_EQ(number.find_first_not_of("+0123456789 -"), std::string::npos) << number;
        known += !number.empty() && book.find(":" + number + "\r\n") != std::string::npos;
    }
    EXPECT_EQ(directions.size(), 3u);
    EXPECT_GT(known, 30);
}

// Nobody is in the demo book twice, at the default size and at the largest the tool offers
// (which it names when asked for more).
TEST_F(PimTool, DemoNamesNobodyTwice) {
    const e2e::RunResult refused = run({"demo", "--count", "999999"});
    EXPECT_EQ(refused.exit_code, 2);
    const size_t at = refused.err.find("has ");
    ASSERT_NE(at, std::string::npos) << refused.err;
    const int largest = std::atoi(refused.err.c_str() + at + 4);
    ASSERT_GT(largest, 300) << refused.err;
    EXPECT_EQ(book_size(home), 0u);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"demo"}, {"demo", "--count", std::to_string(largest)}}) {
        e2e::Home book;
        const e2e::RunResult made = run_in(book, args);
        ASSERT_EQ(made.exit_code, 0) << made.err;
        std::set<std::string> seen;
        size_t people = 0;
        for (const std::string& line : lines_of(run_in(book, {"list"}).out)) {
            // id, first, last, company
            const size_t a = line.find('\t');
            const size_t b = line.find('\t', a + 1);
            const size_t c = line.find('\t', b + 1);
            const std::string first = line.substr(a + 1, b - a - 1);
            const std::string last = line.substr(b + 1, c == std::string::npos ? c : c - b - 1);
            if (first.empty() && last.empty()) {
                continue;  // a firm known only by its name
            }
            ++people;
            EXPECT_TRUE(seen.insert(first + " " + last).second) << first << " " << last;
        }
        EXPECT_GT(people, 0u) << args.back();
    }
    EXPECT_EQ(run({"demo", "--count", std::to_string(largest + 1)}).exit_code, 2);
}

TEST_F(PimTool, DemoIfEmptyLeavesABookAlone) {
    add({"--first", "Only", "--last", "One"});
    e2e::RunResult r = run({"demo", "--if-empty"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "the book already has 1 contact; nothing added\n");
    EXPECT_EQ(book_size(home), 1u);
    EXPECT_TRUE(calls(home).empty());

    e2e::Home fresh;
    ASSERT_EQ(run_in(fresh, {"demo", "--if-empty", "--count", "5"}).exit_code, 0);
    EXPECT_EQ(book_size(fresh), 5u);
    EXPECT_EQ(calls(fresh).size(), 12u);
    // The folder offers every demo category, used or not.
    EXPECT_EQ(run_in(fresh, {"categories"}).out, "Business, Family, Friends, Sport, Neighbours, VIP\n");

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"demo", "--count", "0"}, {"demo", "--count"}, {"demo", "--count", "x"},
          {"demo", "extra"}}) {
        EXPECT_EQ(run_in(fresh, args).exit_code, 2) << args.back();
    }
    EXPECT_EQ(book_size(fresh), 5u);
}

}  // namespace

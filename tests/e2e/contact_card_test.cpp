// The contact card as a person uses it, in whole runs: a contact made from nothing through
// the card and its editors and then read back with velvane-pim; a field removed in edit mode
// takes exactly its row and one separator; the card follows changes another process makes;
// deleting from the card closes it; and a new skin keeps what the card shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/png_pixels.h"
#include "tests/e2e/screen_walk.h"

namespace {

using e2e::Box;
using e2e::Dump;
using e2e::Home;
using e2e::Walk;

std::string pim(Home& home, const std::vector<std::string>& args) {
    const e2e::RunResult run = home.run(e2e::program_dir() / "velvane-pim", args);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return run.out;
}

// Row names of the card and the field chooser.
const std::string kHead = "ContactHead";
const std::string kGroup = "GroupSeparatorElement";
const std::string kSep = "SeparatorElement";
const std::string kField = "ContactFieldElement";
const std::string kButtons = "ContactFieldButtons";
const std::string kKind = "SelectFieldFormElement";

// Field kinds as the store numbers them.
enum Kind {
    Mobile = 0,
    HomeTel = 3,
    Email1 = 9,
    Email2 = 10,
    WebPage = 12,
    Birthday = 22,
    Categories = 23,
    HomeStreet = 29,
};

int group_of(int kind) {
    if (kind <= 8) {
        return 0;
    }
    if (kind <= 12) {
        return kind == 12 ? 2 : 1;
    }
    if (kind >= 24 && kind <= 33) {
        return kind <= 28 ? 3 : 4;
    }
    return 5;
}

// The field chooser's rows for a contact with these kinds: the kinds it lacks in order, a
// thin separator within a group, a thick one between groups, one row per address.
std::vector<int> chooser_rows(const std::set<int>& present) {
    std::vector<int> kinds;
    for (int kind = 0; kind <= 33; ++kind) {
        const int group = group_of(kind);
        const bool taken = std::any_of(present.begin(), present.end(), [&](int have) {
            return have == kind || ((group == 3 || group == 4) && group_of(have) == group);
        });
        if (!taken) {
            kinds.push_back(kind);
        }
    }
    std::vector<int> rows{-1};
    for (size_t i = 0; i < kinds.size(); ++i) {
        const bool same = i > 0 && group_of(kinds[i]) == group_of(kinds[i - 1]);
        if (same && group_of(kinds[i]) >= 3 && group_of(kinds[i]) <= 4) {
            continue;
        }
        if (i > 0) {
            rows.push_back(same ? -2 : -1);
        }
        rows.push_back(kinds[i]);
    }
    rows.push_back(-1);
    return rows;
}

std::vector<std::string> names_of(const std::vector<int>& rows, const std::string& element) {
    std::vector<std::string> names;
    for (int row : rows) {
        names.push_back(row == -1 ? kGroup : row == -2 ? kSep : element);
    }
    return names;
}

// The card's rows for a contact with these kinds: the head, then the fields in kind order
// with a thin separator within a group and a thick one between groups, an address as one
// row (which keeps a thin separator for each later part); in edit mode a thick separator and the edit buttons close it.
std::vector<std::string> card_rows(const std::set<int>& kinds, bool edit) {
    std::vector<std::string> rows{kHead};
    int previous = -1;
    for (int kind : kinds) {
        const int group = group_of(kind);
        const bool same = previous >= 0 && group_of(previous) == group;
        previous = kind;
        rows.push_back(same ? kSep : kGroup);
        if (!same || group < 3 || group > 4) {
            rows.push_back(kField);
        }
    }
    if (edit) {
        rows.push_back(kGroup);
        rows.push_back(kButtons);
    }
    return rows;
}

size_t row_of_kind(const std::vector<int>& rows, int kind) {
    return static_cast<size_t>(std::find(rows.begin(), rows.end(), kind) - rows.begin());
}

// Builds a contact through the card in edit mode, keeping the kinds it has so far.
class CardWalk {
public:
    explicit CardWalk(Walk& walk) : m_walk(walk) {}

    std::set<int>& kinds() { return m_kinds; }
    std::vector<std::string> rows() const { return card_rows(m_kinds, true); }

    // `new_field` (the upper half of the last row), then the kind in the chooser.
    void choose_kind(int kind) {
        const std::vector<std::string> card = rows();
        e2e::ListWalk(m_walk, "List", card).tap_row(card.size() - 1, 240, 44);
        const std::vector<int> offered = chooser_rows(m_kinds);
        ASSERT_LT(row_of_kind(offered, kind), offered.size()) << "kind " << kind;
        e2e::ListWalk(m_walk, "List", names_of(offered, kKind)).tap_row(row_of_kind(offered, kind));
    }
    // A new field typed into the one-field editor, which has the focus at once.
    void add_text_field(int kind, const std::string& value) {
        choose_kind(kind);
        const Dump editor = m_walk.look();
        ASSERT_EQ(editor.top(), "EditFieldForm");
        m_walk << "type \"" + value + "\"\n" << e2e::tap(editor.box("cancel"));
        m_kinds.insert(kind);
    }
    // Taps the field row of that kind.
    void open_field(int kind) {
        const std::vector<std::string> card = rows();
        size_t index = 0;
        for (int have : m_kinds) {
            // Each field row follows its separator; later address parts have a separator only.
            index += group_of(have) >= 3 && group_of(have) <= 4 && have != HomeStreet ? 1 : 2;
            if (have == kind) {
                break;
            }
        }
        e2e::ListWalk(m_walk, "List", card).tap_row(index);
    }

private:
    Walk& m_walk;
    std::set<int> m_kinds{Categories};
};

// A picture for the chooser: magenta with a yellow square in the middle.
e2e::Picture photo_picture() {
    e2e::Picture picture;
    picture.width = picture.height = 96;
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 96; ++x) {
            const bool inner = x >= 32 && x < 64 && y >= 32 && y < 64;
            const uint32_t colour = inner ? 0xFFDC00 : 0xC800A0;
            for (int shift : {16, 8, 0}) {
                picture.rgb.push_back(static_cast<uint8_t>(colour >> shift));
            }
        }
    }
    return picture;
}

bool near(uint32_t colour, uint32_t expected) {
    for (int shift : {16, 8, 0}) {
        if (std::abs(static_cast<int>((colour >> shift) & 0xFF) -
                     static_cast<int>((expected >> shift) & 0xFF)) > 8) {
            return false;
        }
    }
    return true;
}

TEST(ContactCard, AContactMadeFromNothingThroughTheCardIsStoredWhole) {
    Home home;
    pim(home, {"categories", "set", "Family, Work, Friends"});
    pim(home, {"add", "--first", "Anna", "--last", "Smith", "Mobile=555-0101"});
    const std::string photo = (home.root() / "photo.png").string();
    ASSERT_TRUE(e2e::write_png(photo, photo_picture()));

    Walk walk(home);
    walk << "wait 3\n";
    walk << e2e::tap(walk.look().box("btnAddContact"));
    CardWalk card(walk);
    const Dump fresh = walk.look();
    ASSERT_EQ(fresh.top(), "ContactForm") << "the add button opens a new contact";
    EXPECT_EQ(fresh.row_names("List"), card.rows()) << "in edit mode, with its categories row";

    // The names, then the photo.
    walk << e2e::tap(fresh.box("edit_header"));
    const Dump header = walk.look();
    ASSERT_EQ(header.top(), "EditContactHeaderForm");
    walk << "type \"Maria\"\n"
         << e2e::tap(header.box("label_edit_lastname")) << "type \"Lopez\"\n"
         << e2e::tap(header.box("cancel"));
    walk << "choose " + photo + "\n" << e2e::tap(fresh.box("button_choose_photo"));

    card.add_text_field(Mobile, "+1 555 0199");
    card.add_text_field(Email1, "maria@example.org");
    card.add_text_field(Email2, "m.lopez@example.net");
    card.add_text_field(WebPage, "https://example.org/maria");

    // The home address: five parts, each field tapped and typed.
    card.choose_kind(HomeStreet);
    const Dump address = walk.look();
    ASSERT_EQ(address.top(), "EditContactAddressForm");
    const std::vector<std::pair<std::string, std::string>> parts = {
        {"label_edit_street", "12 Harbour Road"}, {"label_edit_city", "Porto"},
        {"label_edit_zip", "4000"},               {"label_edit_state", "Norte"},
        {"label_edit_country", "Portugal"}};
    for (const auto& [field, text] : parts) {
        walk << e2e::tap(address.box(field)) << "type \"" + text + "\"\n";
    }
    walk << e2e::tap(address.box("cancel"));
    for (int kind = HomeStreet; kind < HomeStreet + 5; ++kind) {
        card.kinds().insert(kind);
    }

    // The birthday: the spinners start at today; dragged to the 15th of January twenty
    // years ago.
    const auto today = std::chrono::year_month_day(
        std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
    card.choose_kind(Birthday);
    const Dump date = walk.look();
    ASSERT_EQ(date.top(), "EditDateForm");
    const int row = date.box("band").h;
    ASSERT_GT(row, 0);
    const auto spin = [&](const std::string& spinner, int rows) {
        // Dragging down shows earlier values; at most three rows a drag.
        const Box box = date.box(spinner);
        while (rows != 0) {
            const int part = std::clamp(rows, -3, 3);
            walk << e2e::drag(box.cx(), box.cy() + part * row / 2, box.cy() - part * row / 2);
            rows -= part;
        }
    };
    spin("year", -20);
    spin("month", 1 - static_cast<int>(unsigned(today.month())));
    spin("day", 15 - static_cast<int>(unsigned(today.day())));
    walk << "screenshot date.png\n" << e2e::tap(date.box("cancel"));
    card.kinds().insert(Birthday);

    // Categories: two ticked, and one more added through the editor's own field.
    card.open_field(Categories);
    const Dump categories = walk.look();
    ASSERT_EQ(categories.top(), "EditCategoriesForm");
    const std::vector<e2e::DumpNode> ticks = categories.rows("catList");
    ASSERT_EQ(ticks.size(), 3u) << "Family, Work, Friends";
    walk << e2e::tap(ticks[1].box) << e2e::tap(ticks[2].box) << "screenshot ticked.png\n";
    walk << e2e::tap(categories.box("add_category"));
    const Dump added = walk.look();
    ASSERT_EQ(added.top(), "EditFieldForm");
    walk << "type \"Gym\"\n" << e2e::tap(added.box("cancel")) << "screenshot categories.png\n";
    walk << e2e::tap(categories.box("cancel"));

    const Dump edited = walk.look();
    ASSERT_EQ(edited.top(), "ContactForm");
    walk << e2e::tap(edited.box("edit_mode")) << "wait 1\n";
    for (int i = 0; i < 3; ++i) {
        walk << e2e::drag(240, 200, 700);
    }
    const Dump viewed = walk.look();
    const std::vector<std::string> shown = viewed.row_names("List");
    const std::vector<std::string> expected = card_rows(card.kinds(), false);
    ASSERT_LE(shown.size(), expected.size());
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), expected.begin()))
        << "the card in view mode shows the rows of the stored fields from the top";
    const e2e::RunResult run = walk.play("screenshot card.png\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;

    const std::string stored = pim(home, {"show", "2"});
    char birthday[32];
    std::snprintf(birthday, sizeof birthday, "Birthday: %04d-01-15\n",
                  static_cast<int>(today.year()) - 20);
    for (const std::string& line :
         {std::string("first: Maria\n"), std::string("last: Lopez\n"),
          std::string("Mobile: +1 555 0199\n"), std::string("Email1: maria@example.org\n"),
          std::string("Email2: m.lopez@example.net\n"),
          std::string("WebPage: https://example.org/maria\n"), std::string(birthday),
          std::string("HomeStreet: 12 Harbour Road\n"), std::string("HomeCity: Porto\n"),
          std::string("HomePostalCode: 4000\n"), std::string("HomeState: Norte\n"),
          std::string("HomeCountry: Portugal\n")}) {
        EXPECT_NE(stored.find(line), std::string::npos) << line << "in\n" << stored;
    }
    EXPECT_NE(stored.find("Categories: Work, Friends, Gym\n"), std::string::npos)
        << "the ticks stay when a category is added\n"
        << stored;
    EXPECT_NE(pim(home, {"export", "-"}).find("PHOTO"), std::string::npos);
    EXPECT_NE(pim(home, {"list"}).find("Maria"), std::string::npos);

    const e2e::Picture screen = e2e::read_png((home.root() / "card.png").string());
    const Box picture = viewed.box("photo");
    ASSERT_FALSE(screen.empty());
    EXPECT_TRUE(near(screen.at(picture.cx(), picture.cy()), 0xFFDC00))
        << "the chosen photo shows in the head: " << std::hex << screen.at(picture.cx(), picture.cy());
}

}  // namespace

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

#include "platform/clock.h"
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

bool fs_exists(const Home& home, const std::string& name) {
    return std::filesystem::exists(home.root() / name);
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
// row (which keeps a separator for each later part, taking no room); in edit mode a thick separator
// and the edit buttons close it.
std::vector<std::string> card_rows(const std::set<int>& kinds, bool edit) {
    std::vector<std::string> rows{kHead};
    int previous = -1;
    for (int kind : kinds) {
        const int group = group_of(kind);
        const bool same = previous >= 0 && group_of(previous) == group;
        previous = kind;
        const bool part = same && group >= 3 && group <= 4;
        rows.push_back(part ? kSep + ":0" : same ? kSep : kGroup);
        if (!part) {
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
        {"label_edit_street", "12 Harbour Road"},
        {"label_edit_city", "Porto"},
        {"label_edit_zip", "4000"},
        {"label_edit_state", "Norte"},
        {"label_edit_country", "Portugal"}};
    for (const auto& [field, text] : parts) {
        walk << e2e::tap(address.box(field)) << "type \"" + text + "\"\n";
    }
    walk << e2e::tap(address.box("cancel"));
    for (int kind = HomeStreet; kind < HomeStreet + 5; ++kind) {
        card.kinds().insert(kind);
    }

    // The birthday: the spinners start at the run's today, the first day of its calendar;
    // dragged to the 15th of January twenty years ago.
    const auto today = std::chrono::year_month_day(std::chrono::floor<std::chrono::days>(
        std::chrono::sys_time<std::chrono::milliseconds>(
            std::chrono::seconds(e2e::kCalendarStartSeconds))));
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
    const std::vector<e2e::DumpNode> shown = viewed.rows("List");
    const std::vector<std::string> expected = card_rows(card.kinds(), false);
    ASSERT_LE(shown.size(), expected.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].name, e2e::row_name(expected[i])) << "row " << i << " in view mode";
    }
    walk << "screenshot card.png\n";
    // At the end: the address row closes the list; the separators of its four later parts
    // take no room under it.
    for (int i = 0; i < 3; ++i) {
        walk << e2e::drag(240, 700, 200);
    }
    const Dump end = walk.look();
    ASSERT_FALSE(end.rows("List").empty());
    EXPECT_EQ(end.rows("List").back().name, kField);
    EXPECT_EQ(end.rows("List").back().box.bottom(), end.box("List").bottom())
        << "no bar of rules under the address";
    const e2e::RunResult run = walk.play("screenshot end.png\n");
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
        if (!line.empty()) {
            EXPECT_NE(stored.find(line), std::string::npos) << line << "in\n" << stored;
        }
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
        << "the chosen photo shows in the head: " << std::hex
        << screen.at(picture.cx(), picture.cy());
}

// A contact written with velvane-pim; its id.
std::string add_contact(Home& home, const std::vector<std::string>& args) {
    std::vector<std::string> all{"add"};
    all.insert(all.end(), args.begin(), args.end());
    std::string id = pim(home, all);
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) {
        id.pop_back();
    }
    return id;
}

e2e::Picture picture(const Home& home, const std::string& name) {
    return e2e::read_png((home.root() / name).string());
}

// Whether two screens show the same pixels in a box of a's and the same-sized box of b's.
bool same_pixels(const e2e::Picture& a, const Box& in_a, const e2e::Picture& b, const Box& in_b) {
    if (a.empty() || b.empty() || in_a.w != in_b.w || in_a.h != in_b.h) {
        return false;
    }
    for (int y = 0; y < in_a.h; ++y) {
        for (int x = 0; x < in_a.w; ++x) {
            if (a.at(in_a.x + x, in_a.y + y) != b.at(in_b.x + x, in_b.y + y)) {
                return false;
            }
        }
    }
    return true;
}

// What the card shows at one moment: its rows top to bottom and the screen.
struct CardShot {
    std::vector<e2e::DumpNode> rows;
    e2e::Picture screen;
    Box view;
};
CardShot card_shot(const Home& home, const std::string& name) {
    const Dump dump(e2e::read_file(home.root() / (name + ".txt")));
    EXPECT_EQ(dump.top(), "ContactForm") << name;
    return {dump.rows("List"), picture(home, name + ".png"), dump.box("List")};
}
std::string shoot(const std::string& name) {
    return "dump " + name + ".txt\nscreenshot " + name + ".png\n";
}
std::vector<std::string> names_of(const std::vector<e2e::DumpNode>& rows) {
    std::vector<std::string> names;
    for (const e2e::DumpNode& row : rows) {
        names.push_back(row.name);
    }
    return names;
}

// The rows of `after` are those of `before` with `count` rows at `at` taken out (count < 0:
// -count rows put in at `at`): the same kinds of row in the same order, and every row that is
// in view on both screens looks the same, only moved by the height of the rows that went.
// Rows in `changed` (indices in `after`) are expected to look different.
void expect_rows_moved(const CardShot& before, const CardShot& after, size_t at, int count,
                       const std::set<size_t>& changed = {}) {
    // A list holds the rows in view: compare the rows both screens can hold.
    const auto& longer = count >= 0 ? before.rows : after.rows;
    int shift = 0;
    for (size_t i = at; i < at + static_cast<size_t>(std::abs(count)) && i < longer.size(); ++i) {
        shift += longer[i].box.h;
    }
    shift = count >= 0 ? -shift : shift;
    int compared_below = 0;
    for (size_t i = 0; i < after.rows.size(); ++i) {
        const size_t from = i < at       ? i
                            : count >= 0 ? i + static_cast<size_t>(count)
                            : i < at + static_cast<size_t>(-count)
                                ? SIZE_MAX
                                : i - static_cast<size_t>(-count);
        if (from == SIZE_MAX) {
            continue;  // a new row
        }
        if (from >= before.rows.size()) {
            break;
        }
        EXPECT_EQ(after.rows[i].name, before.rows[from].name) << "row " << i;
        const Box was = before.rows[from].box;
        const Box is = after.rows[i].box;
        EXPECT_EQ(is.y, was.y + (i < at ? 0 : shift)) << "row " << i;
        const bool in_view = was.y >= before.view.y && was.bottom() <= before.view.bottom() &&
                             is.y >= after.view.y && is.bottom() <= after.view.bottom();
        if (in_view) {
            EXPECT_EQ(same_pixels(before.screen, was, after.screen, is), changed.count(i) == 0)
                << "row " << i << " (" << is.y << ")";
            compared_below += i >= at + 1;
        }
    }
    EXPECT_GT(compared_below, 0) << "no row below the change was in view on both screens";
}

TEST(ContactCard, RemovingAFieldTakesExactlyItsRowAndOneSeparator) {
    Home home;
    const std::string id = add_contact(
        home, {"--first", "Tom", "--last", "Berg", "Mobile=555-0111", "HomeTel=555-0112",
               "Email1=tom@example.org", "Email2=t.berg@example.net", "WebPage=tom.example"});
    Walk walk(home, {"open:555-0111"});
    walk << "wait 3\n";
    const Dump viewed = walk.look();
    ASSERT_EQ(viewed.top(), "ContactForm") << "open: a number opens its contact";
    walk << e2e::tap(viewed.box("edit_mode")) << shoot("before");
    // head, group, Mobile, thin, HomeTel, group, Email1, ...: Email1 is row 6, and the
    // separator in front of it is a group's, so the thin one after it goes with it.
    const Dump edit = walk.look();
    const std::vector<e2e::DumpNode> rows = edit.rows("List");
    ASSERT_GT(rows.size(), 8u);
    ASSERT_EQ(rows[5].name, kGroup);
    ASSERT_EQ(rows[6].name, kField);
    ASSERT_EQ(rows[7].name, kSep);
    walk << e2e::tap(edit.within(rows[6], "remove")) << "screenshot confirm.png\n"
         << e2e::tap(edit.within(rows[6], "confirm_remove")) << "wait 1\n"
         << shoot("after");
    const e2e::RunResult run = walk.play();
    ASSERT_EQ(run.exit_code, 0) << run.err;

    const CardShot before = card_shot(home, "before");
    const CardShot after = card_shot(home, "after");
    ASSERT_GE(after.rows.size(), 7u);
    expect_rows_moved(before, after, 6, 2);
    const std::string stored = pim(home, {"show", id});
    EXPECT_EQ(stored.find("Email1:"), std::string::npos) << stored;
    EXPECT_NE(stored.find("Email2: t.berg@example.net"), std::string::npos) << stored;
    EXPECT_NE(stored.find("HomeTel: 555-0112"), std::string::npos) << stored;
}

TEST(ContactCard, TheOpenCardFollowsChangesAnotherProcessMakes) {
    Home home;
    const std::string id =
        add_contact(home, {"--first", "Ines", "--last", "Moreau", "Mobile=555-0131",
                           "Email1=ines@example.org", "WebPage=ines.example"});
    // Each step waits for the test's word before it looks again.
    std::string script = "wait 3\n" + shoot("shown");
    for (const char* step : {"added", "changed", "deleted", "renamed"}) {
        script += "await 30 go-" + std::string(step) + "\nwait 1\n" + shoot(step);
    }
    e2e::Child program = home.start_script(script + "quit\n", {}, {"open:555-0131"});
    const auto next = [&](const std::string& shot, const std::vector<std::string>& change) {
        ASSERT_TRUE(e2e::eventually([&] { return fs_exists(home, shot + ".png"); })) << shot;
        std::vector<std::string> args{"set", id};
        args.insert(args.end(), change.begin(), change.end());
        pim(home, args);
    };
    next("shown", {"HomeTel", "555-0132"});
    home.write("go-added", "");
    next("added", {"Email1", "moreau@example.net"});
    home.write("go-changed", "");
    next("changed", {"Mobile", ""});
    home.write("go-deleted", "");
    next("deleted", {"first", "Agnes"});
    home.write("go-renamed", "");
    const e2e::RunResult run = home.wait(program);
    ASSERT_EQ(run.exit_code, 0) << run.err;

    // head, group, Mobile, group, Email1, group, WebPage
    const CardShot shown = card_shot(home, "shown");
    const CardShot added = card_shot(home, "added");
    const CardShot changed = card_shot(home, "changed");
    const CardShot deleted = card_shot(home, "deleted");
    ASSERT_GE(shown.rows.size(), 7u);
    EXPECT_EQ(names_of(shown.rows)[2], kField);
    // HomeTel joins the phones: a thin separator and its row after Mobile.
    ASSERT_EQ(added.rows.size(), shown.rows.size() + 2);
    EXPECT_EQ(added.rows[3].name, kSep);
    EXPECT_EQ(added.rows[4].name, kField);
    expect_rows_moved(shown, added, 3, -2);
    // A new value changes only its row.
    ASSERT_EQ(changed.rows.size(), added.rows.size());
    expect_rows_moved(added, changed, 0, 0, {6});
    // Mobile goes with the thin separator after it; HomeTel is the first phone now.
    ASSERT_EQ(deleted.rows.size() + 2, changed.rows.size());
    expect_rows_moved(changed, deleted, 2, 2);
    EXPECT_EQ(pim(home, {"show", id}).find("Mobile:"), std::string::npos);
    // A new name changes the head only.
    const CardShot renamed = card_shot(home, "renamed");
    ASSERT_EQ(renamed.rows.size(), deleted.rows.size());
    expect_rows_moved(deleted, renamed, 0, 0, {0});
}

TEST(ContactCard, DeletingTheContactClosesTheCardAndTakesItFromTheList) {
    Home home;
    add_contact(home, {"--first", "Anna", "--last", "Smith", "Mobile=555-0101"});
    add_contact(home,
                {"--first", "Olaf", "--last", "Dahl", "Mobile=555-0141", "Email1=olaf@example.org",
                 "WebPage=olaf.example", "HomeTel=555-0142", "Email2=o.dahl@example.net"});
    Walk walk(home, {"open:555-0141"});
    walk << "wait 3\n";
    walk << e2e::tap(walk.look().box("edit_mode"));
    // head, group, Mobile, thin, HomeTel, group, Email1, thin, Email2, group, WebPage, group,
    // buttons: `delete_contact` is the lower half of the last row.
    const std::vector<std::string> card = {kHead, kGroup, kField, kSep,   kField, kGroup,  kField,
                                           kSep,  kField, kGroup, kField, kGroup, kButtons};
    e2e::ListWalk(walk, "List", card).tap_row(card.size() - 1, 240, 178 - 44);
    const Dump menu = walk.look();
    ASSERT_EQ(menu.count("MenuElementRed"), 1u) << "ReallyDelete, then Cancel: " << menu.top();
    walk << "screenshot menu.png\n" << e2e::tap(menu.box("MenuElementRed")) << "wait 1\n";
    const Dump after = walk.look();
    EXPECT_EQ(after.top(), "Main") << "the card closed";
    EXPECT_EQ(after.count("ContactsListElement"), 1u) << "only Anna is left";
    const std::string list = pim(home, {"list"});
    EXPECT_EQ(list.find("Olaf"), std::string::npos) << list;
    EXPECT_NE(list.find("Anna"), std::string::npos) << list;
}

TEST(ContactCard, ANewSkinShowsTheSameContactAndRows) {
    Home home;
    add_contact(home, {"--first", "Lena", "--last", "Vogt", "Mobile=555-0151", "HomeTel=555-0152",
                       "Email1=lena@example.org", "WebPage=lena.example"});
    Walk walk(home, {"open:555-0151"});
    walk << "wait 3\n" << shoot("light");
    // The card covers the main screen and its menu: closed, then the skin is chosen from the
    // main menu (MainMenu: buttons, Settings ...; Settings: Sort, Language, Skin ...; Skin:
    // default, default_dark ...), and the contact is opened again from the list.
    const Dump card = walk.look();
    walk << e2e::tap(card.box("cancel"));
    walk << e2e::tap(walk.look().box("button_menu"));
    for (const size_t row : {1, 2, 1}) {
        const std::vector<Box> rows = walk.look().starting_with("MenuElement");
        ASSERT_LT(row, rows.size());
        walk << e2e::tap(rows[row]);
    }
    walk << "wait 1\n";
    const Dump main = walk.look();
    ASSERT_EQ(main.top(), "Main");
    walk << e2e::tap(main.box("ContactsListElement")) << shoot("dark");
    const e2e::RunResult run = walk.play();
    ASSERT_EQ(run.exit_code, 0) << run.err;

    const CardShot light = card_shot(home, "light");
    const CardShot dark = card_shot(home, "dark");
    ASSERT_EQ(names_of(dark.rows), names_of(light.rows));
    int moved = 0;
    int redrawn = 0;
    for (size_t i = 0; i < light.rows.size(); ++i) {
        moved += light.rows[i].box.y != dark.rows[i].box.y;
        redrawn += !same_pixels(light.screen, light.rows[i].box, dark.screen, dark.rows[i].box);
    }
    EXPECT_EQ(moved, 0) << "the one layout of both skins";
    EXPECT_EQ(redrawn, static_cast<int>(light.rows.size())) << "every row in the dark colours";

    // The same card opened at a start in the dark skin looks the same, texts and all.
    Home fresh;
    add_contact(fresh, {"--first", "Lena", "--last", "Vogt", "Mobile=555-0151", "HomeTel=555-0152",
                        "Email1=lena@example.org", "WebPage=lena.example"});
    fresh.add_registry(
        "[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\n\"Skin\"=\"default_dark\"\n");
    const e2e::RunResult baseline =
        fresh.run_script("wait 3\n" + shoot("dark"), {}, {"open:555-0151"});
    ASSERT_EQ(baseline.exit_code, 0) << baseline.err;
    const CardShot started = card_shot(fresh, "dark");
    EXPECT_TRUE(same_pixels(dark.screen, dark.view, started.screen, started.view));
}

}  // namespace

// The alphabet ruler: letters sampled to the room in its table, touches mapped onto the whole
// alphabet.

#include "skin/ruler.h"

#include "skin/node_factory.h"
#include "tests/skin/node_type_test_support.h"

namespace {

using platform::WString;
using zentra::Node;
using zentra::Ruler;

// Stands in for a text node: keeps the text addressed to its name.
class LetterProbe : public Node {
public:
    void set_text(platform::WStringView name, platform::WStringView text) override {
        if (name == this->name()) {
            shown = WString(text);
        }
    }
    WString shown;
};

struct Report {
    int index;
    WString letter;
    bool held;
    bool cancelled;
};

class Listener : public zentra::RulerListener {
public:
    void on_ruler_letter(Ruler& /*ruler*/, int index, const WString& letter, bool held,
                         bool cancelled) override {
        reports.push_back({index, letter, held, cancelled});
    }
    std::vector<Report> reports;
};

std::vector<WString> alphabet() {
    std::vector<WString> letters;
    for (char16_t c = u'A'; c <= u'Z'; ++c) {
        letters.emplace_back(1, c);
    }
    return letters;
}

class RulerTest : public skintest::NodeStage {
protected:
    void SetUp() override {
        NodeStage::SetUp();
        zentra::NodeFactory::register_type(u"test_letter", zentra::create_node<LetterProbe>);
    }
    void TearDown() override {
        zentra::NodeFactory::unregister_type(u"test_letter");
        NodeStage::TearDown();
    }
    // A ruler whose table starts at y 40 and is table_height high, whatever its letters would
    // like; letters are 10 high.
    void build(int table_height) {
        load(R"(
            define Letter { string type = "test_letter"  string id = "letter"
                            point design_size = 0, 10 }
            define Screen {
                node { string type = "node"  string id = "ruler"
                       point border_min = 0, 40  point border_max = 0, )" +
             std::to_string(560 - table_height) + R"(
                    node { string type = "button"  string id = "ruler_button" }
                    node { string type = "vtable"  string id = "ruler_table" }
                }
            }
        )");
        show("Screen", 20, 600);
        ruler.bind(root.find(u"ruler"), u"Letter", skin);
        ruler.set_listener(&listener);
        ruler.set_letters(alphabet());
        zentra::layout_root(root, {0, 0}, {20, 600});
    }
    std::vector<WString> shown_letters() const {
        std::vector<WString> out;
        for (Node* node : ruler.letter_nodes()) {
            out.push_back(static_cast<LetterProbe*>(node)->shown);
        }
        return out;
    }

    Ruler ruler;
    Listener listener;
};

TEST_F(RulerTest, ShowsEveryLetterWhenThereIsRoomAndEverySecondInHalfOfIt) {
    build(260);
    EXPECT_EQ(ruler.letter_height(), 10);
    EXPECT_EQ(shown_letters(), alphabet());
    EXPECT_EQ(ruler.letter_nodes().back()->position().y, 40 + 250);

    build(130);
    std::vector<WString> odd;
    for (int i = 0; i < 26; i += 2) {
        odd.push_back(alphabet()[i]);
    }
    EXPECT_EQ(shown_letters(), odd);
    EXPECT_EQ(ruler.table()->child_count(), 13);
}

TEST_F(RulerTest, ShrinkingTheTableDropsLetterNodes) {
    build(260);
    ASSERT_EQ(ruler.letter_nodes().size(), 26u);
    root.find(u"ruler").set_borders({0, 40}, {0, 600 - 40 - 55});
    zentra::layout_root(root, {0, 0}, {20, 600});
    EXPECT_EQ(ruler.table()->child_count(), 5);
    // Five of 26: letters 0, 5, 10, 15, 20.
    EXPECT_EQ(shown_letters(), (std::vector<WString>{u"A", u"F", u"K", u"P", u"U"}));
}

TEST_F(RulerTest, TouchesMapOntoTheWholeAlphabetAndClampAtTheEnds) {
    build(260);
    EXPECT_EQ(ruler.letter_at(45), 0);
    EXPECT_EQ(ruler.letter_at(299), 25);
    EXPECT_EQ(ruler.letter_at(400), 25);
    EXPECT_EQ(ruler.letter_at(10), 0);
    // Sampled letters do not narrow what can be reached.
    build(130);
    EXPECT_EQ(ruler.letter_at(40 + 5), 1);
    EXPECT_EQ(ruler.letter_at(40 + 129), 25);
}

TEST_F(RulerTest, FollowsTheFingerOnItsButtonAndReportsTheRelease) {
    build(260);
    root.on_pointer({5, 45, 0, true, false});
    root.on_pointer_move({5, 95});   // the button hands on the movement; the ruler adds it up
    root.on_pointer_move({5, 500});  // past the table: the last letter
    root.on_pointer({5, 500, 0, false, false});
    ASSERT_GE(listener.reports.size(), 4u);
    const Report& first = listener.reports.front();
    EXPECT_EQ(first.index, 0);
    EXPECT_EQ(first.letter, u"A");
    EXPECT_TRUE(first.held);
    EXPECT_FALSE(first.cancelled);
    const Report& moved = listener.reports[listener.reports.size() - 3];
    EXPECT_EQ(moved.index, 5);
    EXPECT_EQ(moved.letter, u"F");
    EXPECT_TRUE(moved.held);
    const Report& last = listener.reports.back();
    EXPECT_EQ(last.index, 25);
    EXPECT_FALSE(last.held);
    EXPECT_FALSE(last.cancelled);

    // A cancelled gesture says so; with no letters there is nothing to report.
    root.on_pointer({5, 45, 0, true, false});
    root.on_pointer({5, 45, 0, false, true});
    EXPECT_TRUE(listener.reports.back().cancelled);
    const size_t count = listener.reports.size();
    ruler.set_letters({});
    root.on_pointer({5, 45, 0, true, false});
    EXPECT_EQ(listener.reports.size(), count);
}

TEST_F(RulerTest, MissingTableIsNodeNotFound) {
    load(R"(
        define Letter { string type = "test_letter" }
        define Screen { node { string type = "node"  string id = "ruler"  node { string type = "node"  string id = "ruler_button" } } }
    )");
    show("Screen", 20, 100);
    EXPECT_THROW(ruler.bind(root.find(u"ruler"), u"Letter", skin), zentra::NodeNotFound);
}

}  // namespace

namespace {

// Letters whose definition has a weight share the strip evenly, so the letter drawn under the
// finger is the one the touch reports.
TEST_F(RulerTest, WeightedLettersSpreadOverTheWholeStrip) {
    load(R"(
        define Letter { string type = "test_letter"  string id = "letter"
                        point design_size = 0, 10  int table_ratio = 1 }
        define Screen {
            node { string type = "node"  string id = "ruler"
                   point border_min = 0, 40  point border_max = 0, 40
                node { string type = "button"  string id = "ruler_button" }
                node { string type = "vtable"  string id = "ruler_table" }
            }
        }
    )");
    show("Screen", 20, 600);
    ruler.bind(root.find(u"ruler"), u"Letter", skin);
    ruler.set_letters(alphabet());
    zentra::layout_root(root, {0, 0}, {20, 600});
    ASSERT_EQ(ruler.letter_nodes().size(), 26u);
    // 520 pixels for 26 letters: 20 each.
    const Node* m = ruler.letter_nodes()[12];
    EXPECT_EQ(m->position().y, 40 + 12 * 20);
    EXPECT_EQ(m->size().h, 20);
    EXPECT_EQ(ruler.letter_at(m->position().y + 10), 12);
}

}  // namespace

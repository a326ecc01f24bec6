// Forms: the outside colour a skin gives them, and refilling from a definition on
// construction and on a new skin.

#include "skin/form.h"

#include <gtest/gtest.h>

#include "skin/node_factory.h"
#include "tests/skin/skin_test_support.h"
#include "tools/skinc/skin_model.h"
#include "tools/skinc/source_parser.h"

namespace {

using zentra::Color;
using zentra::Form;
using zentra::Node;
using zentra::Properties;

void load(Properties& skin, const std::string& source) {
    skintest::load_source(skin, source);
}

// A screen as the program writes them: fills itself from its definition, finds its named
// node, and does both again when a new skin arrives.
class Screen : public Form, public zentra::ReloadListener {
public:
    explicit Screen(Properties& skin) {
        build(skin);
        skin.add_reload_listener(this);
    }
    void on_reload_skin(Properties& skin) override { build(skin); }
    Node* title = nullptr;

private:
    void build(Properties& skin) {
        load_definition(skin, u"FormScreen");
        title = &find(u"title");
    }
};

class FormLoad : public ::testing::Test {
protected:
    void SetUp() override {
        zentra::NodeFactory::register_type(u"node", zentra::create_node<zentra::Node>);
    }
    void TearDown() override { zentra::NodeFactory::unregister_type(u"node"); }
    Properties skin;
};

TEST_F(FormLoad, OutsideColourComesFromTheSkinOrIsOpaqueBlack) {
    load(skin, R"(define FormScreen { color outside_color = 16, 32, 48
                                      node { string type = "node"  string id = "title" } }
                  define Plain { string id = "plain" })");
    Screen screen(skin);
    EXPECT_EQ(screen.outside_color(), (Color{16, 32, 48, 255}));
    ASSERT_NE(screen.title, nullptr);

    Form plain;
    plain.load(skin, *skin.find_definition(u"Plain"));
    EXPECT_EQ(plain.name(), u"plain");
    EXPECT_EQ(plain.outside_color(), (Color{0, 0, 0, 255}));
}

TEST_F(FormLoad, NewSkinRebuildsTheScreenAndAMissingDefinitionRaises) {
    load(skin, R"(define FormScreen { node { string type = "node"  string id = "title" } })");
    Screen screen(skin);
    const Node* old_title = screen.title;

    load(skin, R"(define FormScreen { color outside_color = #ff0000
                                      node { string type = "node"  string id = "other" }
                                      node { string type = "node"  string id = "title" } })");
    skin.send_reload_skin();
    EXPECT_EQ(screen.child_count(), 2);
    EXPECT_EQ(screen.title, screen.child(1));
    EXPECT_NE(screen.title, old_title);
    EXPECT_EQ(screen.outside_color(), (Color{255, 0, 0, 255}));

    load(skin, R"(define Elsewhere { })");
    try {
        skin.send_reload_skin();
        FAIL() << "no exception";
    } catch (const zentra::NodeNotFoundInSkin& e) {
        EXPECT_EQ(e.name, u"FormScreen");
    }
    skin.remove_reload_listener(&screen);
}

}  // namespace

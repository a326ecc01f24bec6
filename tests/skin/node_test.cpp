// The node tree: ownership, visibility and enabled state, input dispatch, drawing order and
// loading from a compiled skin.

#include "skin/node.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "skin/node_factory.h"
#include "tests/skin/skin_test_support.h"
#include "tools/skinc/source_parser.h"

namespace {

using platform::WString;
using zentra::KeyEvent;
using zentra::Node;
using zentra::Point;
using zentra::PointerEvent;
using zentra::RenderSurface;
using zentra::Size;

// A node that records what reaches it.
class Probe : public Node {
public:
    std::vector<PointerEvent> pointers;
    std::vector<Point> moves;
    std::vector<Point> drawn_at;
    int keys = 0;
    int child_visibility_notices = 0;
    bool takes_pointer = true;
    bool takes_key = false;

    bool on_pointer(const PointerEvent& event) override {
        pointers.push_back(event);
        Node::on_pointer(event);
        return takes_pointer;
    }
    void on_pointer_move(Point point) override {
        moves.push_back(point);
        Node::on_pointer_move(point);
    }
    bool on_key(const KeyEvent& event) override {
        ++keys;
        return takes_key || Node::on_key(event);
    }
    void draw(RenderSurface& target, Point origin) override {
        drawn_at.push_back(origin);
        Node::draw(target, origin);
    }
    void on_child_visibility_changed() override { ++child_visibility_notices; }
};

Probe& add_probe(Node& parent, const WString& name, Point position = {}, Size size = {}) {
    auto probe = std::make_unique<Probe>();
    probe->set_name(name);
    probe->set_bounds(position, size);
    return static_cast<Probe&>(parent.add_child(std::move(probe)));
}

PointerEvent press(int x, int y) {
    return {x, y, 0, true, false};
}
PointerEvent release(int x, int y) {
    return {x, y, 0, false, false};
}

TEST(NodeDump, LineHasDepthTabsNameAndSizes) {
    Node node;
    node.set_name(u"list");
    node.set_bounds({0, 40}, {240, 200});
    node.set_design_size({240, 0});
    EXPECT_EQ(node.dump_line(2),
              u"\t\t{list} position=0 40 size=240 200 design_size=240 0 rs.size=0 0\n");
    node.surface().recreate(3, 2);
    EXPECT_EQ(node.dump_line(0),
              u"{list} position=0 40 size=240 200 design_size=240 0 rs.size=3 2\n");
}

TEST(NodePointer, TopmostVisibleEnabledChildTakesTheTap) {
    Node root;
    root.set_bounds({0, 0}, {100, 100});
    Probe& lower = add_probe(root, u"lower", {0, 0}, {50, 50});
    Probe& middle = add_probe(root, u"middle", {0, 0}, {50, 50});
    Probe& upper = add_probe(root, u"upper", {0, 0}, {50, 50});

    EXPECT_TRUE(root.on_pointer(release(10, 10)));
    EXPECT_EQ(upper.pointers.size(), 1u);
    EXPECT_TRUE(middle.pointers.empty());

    upper.set_visible(false);
    middle.set_enabled(false);
    EXPECT_TRUE(root.on_pointer(release(10, 10)));
    EXPECT_EQ(upper.pointers.size(), 1u);
    EXPECT_TRUE(middle.pointers.empty());
    EXPECT_EQ(lower.pointers.size(), 1u);

    // A child that declines passes the tap on; outside every child nobody takes it.
    lower.takes_pointer = false;
    EXPECT_FALSE(root.on_pointer(release(10, 10)));
    EXPECT_FALSE(root.on_pointer(release(60, 60)));
    EXPECT_EQ(lower.pointers.size(), 2u);
}

TEST(NodePointer, PressedChildGetsTheWholeGestureUntilRelease) {
    Probe root;
    root.set_bounds({0, 0}, {100, 100});
    Probe& left = add_probe(root, u"left", {0, 0}, {50, 100});
    Probe& right = add_probe(root, u"right", {50, 0}, {50, 100});

    root.on_pointer(press(10, 10));
    EXPECT_EQ(root.captured_child(), &left);
    root.on_pointer_move({80, 10});
    EXPECT_TRUE(root.on_pointer(press(80, 10)));
    EXPECT_TRUE(root.on_pointer(release(80, 10)));
    EXPECT_EQ(left.pointers.size(), 3u);
    EXPECT_EQ(left.moves.size(), 1u);
    EXPECT_TRUE(right.pointers.empty());
    EXPECT_EQ(root.captured_child(), nullptr);

    root.on_pointer(press(80, 10));
    EXPECT_EQ(right.pointers.size(), 1u);
    EXPECT_EQ(root.captured_child(), &right);
    // A cancel ends the capture as a release does.
    root.on_pointer({80, 10, 0, true, true});
    EXPECT_EQ(root.captured_child(), nullptr);
}

TEST(NodePointer, HidingAHolderOfTheCaptureSendsOneCancel) {
    Probe root;
    root.set_bounds({0, 0}, {100, 100});
    Probe& panel = add_probe(root, u"panel", {0, 0}, {100, 100});
    Probe& button = add_probe(panel, u"button", {10, 10}, {20, 20});

    root.on_pointer(press(15, 15));
    ASSERT_EQ(panel.captured_child(), &button);
    panel.set_visible(false);
    ASSERT_EQ(button.pointers.size(), 2u);
    EXPECT_TRUE(button.pointers[1].cancel);
    EXPECT_EQ(panel.captured_child(), nullptr);

    // Hiding the root of a chain of captures still cancels the gesture once, and hiding
    // again sends nothing more.
    auto cancels = [&] {
        return std::count_if(button.pointers.begin(), button.pointers.end(),
                             [](const PointerEvent& e) { return e.cancel; });
    };
    panel.set_visible(true);
    root.on_pointer(release(15, 15));
    root.on_pointer(press(15, 15));
    ASSERT_EQ(panel.captured_child(), &button);
    root.set_visible(false);
    EXPECT_EQ(cancels(), 2);
    EXPECT_TRUE(button.pointers.back().cancel);
    EXPECT_EQ(root.captured_child(), nullptr);
    EXPECT_EQ(panel.captured_child(), nullptr);
    const size_t events = button.pointers.size();
    panel.set_visible(false);
    EXPECT_EQ(button.pointers.size(), events);
}

TEST(NodeKeys, FirstChildWithItsOwnVisibleFlagThatTakesTheKeyWins) {
    Probe root;
    Probe& hidden = add_probe(root, u"hidden");
    Probe& first = add_probe(root, u"first");
    Probe& second = add_probe(root, u"second");
    hidden.takes_key = true;
    hidden.set_visible(false);
    second.takes_key = true;
    EXPECT_TRUE(root.on_key({13, true, true}));
    EXPECT_EQ(hidden.keys, 0);
    EXPECT_EQ(first.keys, 1);
    EXPECT_EQ(second.keys, 1);
    second.takes_key = false;
    EXPECT_FALSE(root.on_key({13, true, true}));
}

TEST(NodeFind, DirectChildWinsOverDeeperNodeOfTheSameName) {
    Node root;
    root.set_name(u"root");
    Probe& box = add_probe(root, u"box");
    add_probe(box, u"x");
    Probe& direct = add_probe(root, u"x");
    add_probe(box, u"deep_only");

    EXPECT_EQ(root.find_descendant(u"x"), &direct);
    EXPECT_EQ(&root.find<Probe>(u"deep_only"), box.child(1));
    try {
        root.find<Probe>(u"missing");
        FAIL() << "no exception";
    } catch (const zentra::NodeNotFound& e) {
        EXPECT_EQ(e.parent_name, u"root");
        EXPECT_EQ(e.name, u"missing");
    }
    // Found by name but of another class counts as missing.
    box.add_child(std::make_unique<Node>()).set_name(u"plain");
    EXPECT_THROW(root.find<Probe>(u"plain"), zentra::NodeNotFound);
}

// Every node's parents flags must equal its parent's effective state, whatever happens.
void expect_flags_consistent(const Node& node) {
    for (int i = 0; i < node.child_count(); ++i) {
        const Node& child = *node.child(i);
        ASSERT_EQ(child.parents_visible(), node.is_visible()) << platform::to_utf8(child.name());
        ASSERT_EQ(child.parents_enabled(), node.is_enabled()) << platform::to_utf8(child.name());
        expect_flags_consistent(child);
    }
}

void collect(Node& node, std::vector<Node*>& all) {
    all.push_back(&node);
    for (int i = 0; i < node.child_count(); ++i) {
        collect(*node.child(i), all);
    }
}

TEST(NodeState, VisibleAndEnabledFlagsStayConsistentUnderRandomChanges) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    Node root;
    for (int step = 0; step < 400; ++step) {
        std::vector<Node*> all;
        collect(root, all);
        Node* node = all[random() % all.size()];
        switch (random() % 5) {
            case 0:
                node->set_visible(!node->visible());
                break;
            case 1:
                node->set_enabled(!node->enabled());
                break;
            case 2: {
                // A subtree built on its own, partly hidden and disabled, joins the tree.
                auto branch = std::make_unique<Node>();
                Node& leaf = branch->add_child(std::make_unique<Node>());
                leaf.add_child(std::make_unique<Node>());
                if (random() % 2)
                    branch->set_visible(false);
                if (random() % 2)
                    leaf.set_enabled(false);
                node->insert_child(std::move(branch), static_cast<int>(random() % 3), nullptr, {},
                                   u"");
                break;
            }
            case 3:
                if (node != &root && node->parent() != nullptr) {
                    // Move a subtree elsewhere, unless that would put it under itself.
                    Node* parent = node->parent();
                    auto taken = parent->take_child(parent->index_of(node));
                    std::vector<Node*> rest;
                    collect(root, rest);
                    rest[random() % rest.size()]->add_child(std::move(taken));
                }
                break;
            default:
                if (node != &root && node->child_count() == 0) {
                    delete node;  // leaves its parent's list on its own
                }
                break;
        }
        expect_flags_consistent(root);
        if (HasFatalFailure())
            return;
    }
}

TEST(NodeState, SetVisibleTellsTheParentOnlyOnChange) {
    Probe root;
    Probe& child = add_probe(root, u"child");
    RenderSurface target;
    root.render(target, {0, 0});
    EXPECT_FALSE(root.is_dirty());
    child.set_visible(true);
    EXPECT_EQ(root.child_visibility_notices, 0);
    child.set_visible(false);
    EXPECT_EQ(root.child_visibility_notices, 1);
    EXPECT_TRUE(root.is_dirty());
    // Hiding releases the own surface.
    child.set_visible(true);
    child.surface().recreate(4, 4);
    root.set_visible(false);
    EXPECT_TRUE(child.surface().empty());
}

TEST(NodeTree, RemovingAndDestroyingChildren) {
    static int destroyed = 0;
    struct Counted : Probe {
        ~Counted() override { ++destroyed; }
    };
    destroyed = 0;
    {
        Node root;
        root.set_bounds({0, 0}, {10, 10});
        Node& a = root.add_child(std::make_unique<Counted>());
        a.set_bounds({0, 0}, {10, 10});
        Node& b = root.add_child(std::make_unique<Counted>());
        b.add_child(std::make_unique<Counted>());

        root.on_pointer(press(1, 1));
        ASSERT_EQ(root.captured_child(), &a);
        std::unique_ptr<Node> taken = root.take_child(0);
        EXPECT_EQ(root.captured_child(), nullptr);
        EXPECT_EQ(taken->parent(), nullptr);
        EXPECT_EQ(root.child_count(), 1);
        EXPECT_TRUE(root.layout_pending());
        EXPECT_EQ(destroyed, 0);

        delete &b;  // its destructor takes it out of root's list first
        EXPECT_EQ(root.child_count(), 0);
        EXPECT_EQ(destroyed, 2);
    }
    EXPECT_EQ(destroyed, 3);
}

TEST(NodeTree, DirtyAndLayoutInvalidationReachTheRoot) {
    Node root;
    Node& mid = root.add_child(std::make_unique<Node>());
    Node& leaf = mid.add_child(std::make_unique<Node>());
    RenderSurface target;
    root.render(target, {0, 0});
    EXPECT_FALSE(root.is_dirty());
    EXPECT_FALSE(leaf.is_dirty());
    leaf.mark_dirty();
    EXPECT_TRUE(root.is_dirty());
    EXPECT_TRUE(mid.is_dirty());

    zentra::MeasuredSize measured;
    root.measure_width(measured);
    leaf.invalidate_layout();
    EXPECT_FALSE(root.measured_width_cache().valid());
    EXPECT_TRUE(root.layout_pending());
}

TEST(NodeDraw, ChildrenDrawnInOrderRelativeToTheirParent) {
    Probe root;
    root.set_bounds({10, 20}, {100, 100});
    Probe& shown = add_probe(root, u"shown", {15, 30}, {5, 5});
    Probe& hidden = add_probe(root, u"hidden", {50, 50}, {5, 5});
    Probe& grandchild = add_probe(shown, u"grand", {17, 33}, {1, 1});
    hidden.set_visible(false);
    RenderSurface target;
    root.render(target, {100, 200});
    ASSERT_EQ(shown.drawn_at.size(), 1u);
    EXPECT_EQ(shown.drawn_at[0], (Point{105, 210}));
    EXPECT_EQ(grandchild.drawn_at[0], (Point{107, 213}));
    EXPECT_TRUE(hidden.drawn_at.empty());
}

class FakeAnimation : public zentra::VisibilityAnimation {
public:
    std::vector<int> starts;
    int reverses = 0;
    double advanced = 0;
    int draws = 0;
    bool running = false;

    std::unique_ptr<VisibilityAnimation> clone() const override {
        return std::make_unique<FakeAnimation>();
    }
    void start(RenderSurface*, int direction, RenderSurface*) override {
        starts.push_back(direction);
        running = true;
    }
    void reverse() override { ++reverses; }
    bool is_running() const override { return running; }
    void advance(double seconds) override { advanced += seconds; }
    void draw(RenderSurface&, Point) override { ++draws; }
};

TEST(NodeAnimation, ShowingAndHidingPlayTheAnimation) {
    Probe root;
    Probe& panel = add_probe(root, u"panel");
    Probe& inner = add_probe(panel, u"inner");
    auto owned = std::make_unique<FakeAnimation>();
    FakeAnimation& animation = *owned;
    panel.set_visibility_animation(std::move(owned));

    panel.set_visible(false);
    EXPECT_EQ(animation.starts, std::vector<int>{-1});
    EXPECT_FALSE(panel.visible());

    // While it runs the animation draws the hidden node and takes its time steps.
    RenderSurface target;
    root.render(target, {0, 0});
    EXPECT_EQ(animation.draws, 1);
    EXPECT_TRUE(panel.drawn_at.empty());
    root.advance(0.04);
    EXPECT_DOUBLE_EQ(animation.advanced, 0.04);
    EXPECT_TRUE(panel.is_dirty());
    (void)inner;

    // Showing again mid-run turns it round instead of starting afresh.
    panel.set_visible(true);
    EXPECT_EQ(animation.reverses, 1);
    EXPECT_EQ(animation.starts.size(), 1u);
    EXPECT_TRUE(panel.visible());

    animation.running = false;
    root.render(target, {0, 0});
    EXPECT_EQ(panel.drawn_at.size(), 1u);
}

TEST(RenderSurface, OwnedPixelsAreCountedUntilReleased) {
    const long long before = RenderSurface::owned_pixel_count();
    {
        RenderSurface surface;
        surface.recreate(10, 4);
        EXPECT_EQ(surface.size(), (Size{10, 4}));
        EXPECT_EQ(RenderSurface::owned_pixel_count(), before + 40);
        surface.recreate(10, 4);
        EXPECT_EQ(RenderSurface::owned_pixel_count(), before + 40);
        surface.recreate(3, 3);
        EXPECT_EQ(RenderSurface::owned_pixel_count(), before + 9);
        surface.recreate(0, 5);
        EXPECT_TRUE(surface.empty());
        EXPECT_EQ(RenderSurface::owned_pixel_count(), before);
        surface.recreate(2, 2);
    }
    EXPECT_EQ(RenderSurface::owned_pixel_count(), before);
}

// Loading from a compiled skin.

class NodeLoad : public ::testing::Test {
protected:
    void SetUp() override {
        zentra::NodeFactory::register_type(u"node", zentra::create_node<Node>);
        zentra::NodeFactory::register_type(u"probe", zentra::create_node<Probe>);
    }
    void TearDown() override {
        zentra::NodeFactory::unregister_type(u"node");
        zentra::NodeFactory::unregister_type(u"probe");
    }

    // Compiles source text and loads it as the program would.
    void load(const std::string& source) {
        skintest::load_source(skin, source);
    }

    zentra::Properties skin;
};

TEST_F(NodeLoad, ReadsItsPropertiesAndBuildsChildrenByType) {
    load(R"(
        define Form {
            string id = "form"
            string anchor_x = "CENTER"
            string anchor_y = "nonsense"
            point border_min = 1, 2
            point border_max = 3, 4
            point design_size = 240, 320
            int cache = 1
            int cache_alpha = 128
            node { string type = "probe"  string id = "a"
                   node { string type = "node"  string id = "a1" } }
            node { string type = "node"  string id = "b"  int cache = 1 }
        }
    )");
    Node form;
    ASSERT_TRUE(zentra::load_from_skin(form, skin, u"Form"));
    EXPECT_EQ(form.name(), u"form");
    EXPECT_EQ(form.anchor_x(), zentra::AnchorMode::Center);
    EXPECT_EQ(form.anchor_y(), zentra::AnchorMode::BothSide);
    EXPECT_EQ(form.border_min(), (Point{1, 2}));
    EXPECT_EQ(form.border_max(), (Point{3, 4}));
    EXPECT_EQ(form.design_size(), (Size{240, 320}));
    EXPECT_TRUE(form.cache());
    // cache_alpha 128 picks the keyed copy at level 2.
    auto* keyed = dynamic_cast<const zentra::KeyedBlender*>(form.cache_blender());
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(keyed->level(), 2);
    ASSERT_EQ(form.child_count(), 2);
    EXPECT_NE(dynamic_cast<Probe*>(form.child(0)), nullptr);
    EXPECT_EQ(form.child(0)->parent(), &form);
    EXPECT_EQ(form.child(0)->child(0)->name(), u"a1");
    EXPECT_NE(dynamic_cast<const zentra::PlainBlender*>(form.child(1)->cache_blender()), nullptr);
    EXPECT_TRUE(form.layout_pending());
}

TEST_F(NodeLoad, ChildWithoutTypeRaisesWithEmptyNameAfterEarlierChildren) {
    load(R"(define Form { node { string type = "node" string id = "kept" }
                          node { string id = "untyped" } })");
    Node form;
    try {
        zentra::load_from_skin(form, skin, u"Form");
        FAIL() << "no exception";
    } catch (const zentra::NodeNotRegistered& e) {
        EXPECT_EQ(e.type, u"");
    }
    ASSERT_EQ(form.child_count(), 1);
    EXPECT_EQ(form.child(0)->name(), u"kept");
}

TEST_F(NodeLoad, ReloadReplacesChildrenAndAMissingDefinitionChangesNothing) {
    load(R"(define Form { point design_size = 10, 20  node { string type = "probe" } }
            define Bare { string id = "bare"  node { string type = "node" } })");
    Node form;
    ASSERT_TRUE(zentra::load_from_skin(form, skin, u"Form"));
    Node* first = form.child(0);
    first->set_bounds({0, 0}, {5, 5});
    form.on_pointer(press(1, 1));
    ASSERT_EQ(form.captured_child(), first);

    EXPECT_FALSE(zentra::load_from_skin(form, skin, u"Missing"));
    EXPECT_EQ(form.child(0), first);

    // Bare has no points: the design size stays as the last skin set it.
    ASSERT_TRUE(zentra::load_from_skin(form, skin, u"Bare"));
    EXPECT_EQ(form.name(), u"bare");
    EXPECT_EQ(form.design_size(), (Size{10, 20}));
    ASSERT_EQ(form.child_count(), 1);
    EXPECT_EQ(dynamic_cast<Probe*>(form.child(0)), nullptr);
    EXPECT_EQ(form.captured_child(), nullptr);
}

}  // namespace

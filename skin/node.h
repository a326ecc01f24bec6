#pragma once
// Node: the element every screen is built from. A node owns its children, is placed by
// layout in the root's coordinates, draws its children in order (later ones on top) and
// passes pointer and key input down the tree.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ustring.h"
#include "skin/anchor.h"
#include "skin/blender.h"
#include "skin/exceptions.h"
#include "skin/geometry.h"
#include "skin/layout.h"
#include "skin/properties.h"
#include "skin/render_surface.h"
#include "skin/visibility_animation.h"

namespace zentra {

// The stylus as the node layer sees it, in root coordinates.
struct PointerEvent {
    int x = 0;
    int y = 0;
    uint32_t time = 0;     // milliseconds
    bool pressed = false;  // the stylus is down
    bool cancel = false;   // the gesture is abandoned; whoever tracked it lets go
};

struct KeyEvent {
    int key = 0;  // a key code of the program's key table
    bool down = false;
    bool first = true;  // false for an automatic repeat
};

// A cached measure along one axis; a preferred value of -1 means "not measured".
struct MeasuredSize {
    int preferred = -1;
    int minimum = -1;
    bool valid() const { return preferred != -1; }
};

class Node {
public:
    Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // The virtual operations keep this order; derived classes rely on their positions.

    // Forgets the child at index without destroying it: the caller owns it from now on.
    virtual void remove_child(Node* child, int index);
    // Takes ownership of child and inserts it at index. properties and record describe the
    // child's skin record when it comes from a skin (containers read their own per-child
    // settings from it); code-built children pass null.
    virtual void insert_child(std::unique_ptr<Node> child, int index, const Properties* properties,
                              SkinRecord record, platform::WStringView type);
    virtual void on_child_visibility_changed();
    // Writes dump_line(depth) to the log, then dumps each child one level deeper.
    virtual void dump(int depth);
    // Passes the text on to every child; text nodes named name take it themselves.
    virtual void set_text(platform::WStringView name, platform::WStringView text);
    // Reads the node's properties from record and creates its children. Overrides call this
    // first and then read their own properties.
    virtual void load(const Properties& properties, SkinRecord record);
    virtual ~Node();
    virtual void on_enabled_changed(bool effective);
    virtual void on_visibility_changed(bool effective);
    virtual void advance(double seconds);
    // Draws the children; origin is where this node's top-left lands on target.
    virtual void draw(RenderSurface& target, Point origin);
    virtual void layout_horizontal();
    virtual void layout_vertical();
    virtual void measure_width(MeasuredSize& size);
    virtual int unused_hook_14() { return 0; }
    virtual void measure_height(MeasuredSize& size);
    virtual int unused_hook_16() { return 0; }
    virtual bool contains(Point point) const;
    virtual void on_pointer_move(Point point);
    // Returns true when this node or a descendant took the event.
    virtual bool on_pointer(const PointerEvent& event);
    virtual int unused_hook_20() { return 0; }
    virtual bool on_key(const KeyEvent& event);
    virtual bool on_text(platform::WStringView text);

    // Children.
    int child_count() const { return static_cast<int>(m_children.size()); }
    Node* child(int index) const { return m_children[index].get(); }
    int index_of(const Node* child) const;
    Node* parent() const { return m_parent; }
    // Appends a code-built child; returns it.
    Node& add_child(std::unique_ptr<Node> child);
    // Removes the child at index through remove_child and hands it to the caller, detached.
    std::unique_ptr<Node> take_child(int index);
    // Destroys every child, each detached first so none calls back into this node.
    void destroy_children();

    // Direct children are compared first, in order; then each child's subtree in order, so a
    // direct child wins over a deeper node of the same name.
    Node* find_descendant(platform::WStringView name) const;
    // The named descendant as a T; raises NodeNotFound when it is missing or not a T.
    template <typename T = Node>
    T& find(platform::WStringView name) const {
        T* found = dynamic_cast<T*>(find_descendant(name));
        if (found == nullptr) {
            throw NodeNotFound{m_name, platform::WString(name)};
        }
        return *found;
    }

    // Visibility and enabled state: own flag and the effective one (own and all ancestors).
    bool visible() const { return m_visible; }
    bool is_visible() const { return m_visible && m_parents_visible; }
    bool parents_visible() const { return m_parents_visible; }
    // With a visibility animation, showing and hiding play it (the node is drawn by the
    // animation while it runs, also once hidden).
    void set_visible(bool visible);
    // Switches at once, without the animation; a run still going is ended. The modal stack
    // uses it where a screen transition (or nothing) stands for the change.
    void set_visible_at_once(bool visible);
    bool enabled() const { return m_enabled; }
    bool is_enabled() const { return m_enabled && m_parents_enabled; }
    bool parents_enabled() const { return m_parents_enabled; }
    void set_enabled(bool enabled);

    // Sets dirty on this node and every ancestor.
    void mark_dirty();
    bool is_dirty() const { return m_dirty; }
    // Drops the cached measures of this node and every ancestor and sets layout pending on
    // them.
    void invalidate_layout();
    bool layout_pending() const { return m_layout_pending; }
    const MeasuredSize& measured_width_cache() const { return m_measured_width; }
    const MeasuredSize& measured_height_cache() const { return m_measured_height; }
    // The cached measure, computed through measure_width / measure_height when invalid.
    MeasuredSize measured_width();
    MeasuredSize measured_height();
    // Horizontal placement, then layout_horizontal(). Does nothing when x and width are
    // unchanged and no layout is pending; otherwise leaves layout pending set for the
    // vertical pass and drops the own measured height, which may depend on the width.
    void set_x_and_width(int x, int width);
    // Vertical placement, then layout_vertical(). Does nothing when y and height are
    // unchanged and no layout is pending; clears layout pending.
    void set_y_and_height(int y, int height);

    // Draws this node the way its parent does: through its running visibility animation, or,
    // when visible, with draw(); the dirty flag is cleared afterwards.
    void render(RenderSurface& target, Point origin);

    // "\t" x depth + "{name} position=x y size=w h design_size=w h rs.size=w h\n".
    platform::WString dump_line(int depth) const;

    const platform::WString& name() const { return m_name; }
    void set_name(platform::WStringView name) { m_name = name; }
    Point position() const { return m_position; }
    Size size() const { return m_size; }
    // Places the node directly, bypassing layout; owners of a root and tests use it.
    void set_bounds(Point position, Size size);
    AnchorMode anchor_x() const { return m_anchor_x; }
    AnchorMode anchor_y() const { return m_anchor_y; }
    Point border_min() const { return m_border_min; }
    Point border_max() const { return m_border_max; }
    Size design_size() const { return m_design_size; }
    void set_design_size(Size size) { m_design_size = size; }
    // For code-built nodes (skins set these in load); both invalidate layout.
    void set_anchors(AnchorMode x, AnchorMode y);
    void set_borders(Point min, Point max);
    Node* captured_child() const { return m_captured_child; }
    LayoutListener* layout_listener() const { return m_layout_listener; }
    void set_layout_listener(LayoutListener* listener) { m_layout_listener = listener; }
    VisibilityAnimation* visibility_animation() const { return m_visibility_animation.get(); }
    void set_visibility_animation(std::unique_ptr<VisibilityAnimation> animation);
    RenderSurface& surface() { return m_surface; }
    const RenderSurface& surface() const { return m_surface; }
    bool cache() const { return m_cache; }
    // How the cache surface is copied to the target; null until a load turned the cache on.
    const Blender* cache_blender() const { return m_cache_blender.get(); }
    // The cache update: recreates the own surface at the node's size, clears it to the key
    // colour and draws the node into it. render() calls it for dirty cached nodes; a
    // visibility animation calls it to take the node's picture.
    void refresh_own_surface();

protected:
    // For children this node lays out itself and that never size it (a list's rows): adding
    // or taking one leaves the measures and layout of this node and its ancestors alone.
    // Otherwise as insert_child and take_child of the plain node.
    void insert_child_quietly(std::unique_ptr<Node> child, int index);
    std::unique_ptr<Node> take_child_quietly(int index);

private:
    // Stores the own flag and tells the subtree when the effective state changed.
    void apply_visible(bool visible);
    // remove_child without the layout invalidation.
    void forget_child(Node* child, int index);

    // The fields keep the order in which the node has always laid them out.
    std::unique_ptr<VisibilityAnimation> m_visibility_animation;
    platform::WString m_name;
    Node* m_parent = nullptr;
    LayoutListener* m_layout_listener = nullptr;
    AnchorMode m_anchor_x = AnchorMode::BothSide;
    AnchorMode m_anchor_y = AnchorMode::BothSide;
    Point m_border_min;
    Size m_design_size;
    MeasuredSize m_measured_width;
    MeasuredSize m_measured_height;
    Point m_border_max;
    bool m_visible = true;
    bool m_parents_visible = true;
    bool m_enabled = true;
    bool m_parents_enabled = true;
    bool m_dirty = true;
    bool m_layout_pending = true;
    Node* m_captured_child = nullptr;
    Point m_position;
    Size m_size;
    RenderSurface m_surface;
    bool m_cache = false;
    std::unique_ptr<Blender> m_cache_blender;
    std::vector<std::unique_ptr<Node>> m_children;
};

// Refills node from the named definition: destroys its children, loads the definition's
// record into it and invalidates its layout. Returns false, changing nothing, when the skin
// has no such definition (the screen then raises NodeNotFoundInSkin).
bool load_from_skin(Node& node, const Properties& properties, platform::WStringView definition);

}  // namespace zentra

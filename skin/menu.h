#pragma once
// Menu: a form with a panel, an optional caption, a list of item rows and an optional cancel
// button. Choosing a row asks the owner for the items of the chosen name; new items replace
// the rows in place (a sub-menu), no items close the menu.

#include <optional>
#include <vector>

#include "platform/ustring.h"
#include "skin/button_node.h"
#include "skin/form.h"
#include "skin/vlist_adapter.h"

namespace zentra {

class Menu;
class TextNode;
class VList;

// One entry of a menu.
struct MenuItem {
    platform::WString key;
    // Empty: the row shows the translation of the key.
    platform::WString label;
    // Name of the row's skin definition; empty: the menu's default row style.
    platform::WString row_style;
    bool enabled = true;
    bool separator = false;
    bool checked = false;
    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

// The row that closes a list menu, drawn with row_style (empty: the default row style).
inline MenuItem cancel_item(platform::WStringView row_style) {
    MenuItem item;
    item.key = u"Cancel";
    item.row_style = platform::WString(row_style);
    return item;
}

// The row key whose row holds the window buttons instead of a label.
inline constexpr platform::WStringView kMagic4ButtonsKey = u"Magic4Buttons";

// The owner's side of a menu.
class MenuListener {
public:
    virtual ~MenuListener() = default;
    // Carries out the command that name stands for and returns the items it leads to; no
    // items close the menu. An empty name means the menu was cancelled.
    virtual std::vector<MenuItem> menu_items(Menu& menu, platform::WStringView name) = 0;
};

class Menu : public Form, public VListAdapter, public ButtonListener {
public:
    // Fills the menu from the named definition: `panel` and `vlist` are required, `caption`
    // and `cancel` optional, and the skin must have the default row style. Raises
    // NodeNotFoundInSkin or NodeNotFound otherwise. properties must outlive the menu; rows are
    // loaded from it as they come into view.
    Menu(const Properties& properties, platform::WStringView definition, MenuListener& listener,
         platform::WString default_row_style = u"MenuElement");
    ~Menu() override;

    // Asks the listener for the items of name and shows them under caption (the translation
    // of name when empty). The first opening pushes the menu as an animated overlay; later
    // ones keep its place on the stack. No items remove the menu.
    void open_by_name(platform::WStringView name, platform::WStringView caption, bool first);
    // open_by_name (name, no caption, not first) once the input event being dispatched is
    // through: buttons inside a row use it, since the new items destroy that row.
    void request_open(platform::WStringView name);
    // Tells the listener the menu was cancelled and removes it.
    void cancel();

    const std::vector<MenuItem>& items() const { return m_items; }
    const platform::WString& definition() const { return m_definition; }
    const platform::WString& default_row_style() const { return m_default_row_style; }
    const Properties& properties() const { return m_properties; }
    VList& list() const { return *m_list; }
    TextNode* caption() const { return m_caption; }
    ButtonNode* cancel_button() const { return m_cancel; }

    bool on_pointer(const PointerEvent& event) override;
    bool on_key(const KeyEvent& event) override;

    // The list's side.
    void on_item_click(VList& list, int index) override;
    std::unique_ptr<VListElement> create_element(VList& list, int index) override;

    // The cancel button's side.
    bool on_click(ButtonNode& button, const ButtonEvent& event) override;
    void on_press_changed(ButtonNode& /*button*/, const ButtonEvent& /*event*/) override {}
    void on_pointer(ButtonNode& /*button*/, Point /*point*/) override {}

private:
    void run_pending();
    // The items whose rows the skin can build; the others are logged and left out.
    std::vector<MenuItem> buildable(std::vector<MenuItem> items);

    const Properties& m_properties;
    MenuListener& m_listener;
    platform::WString m_definition;
    platform::WString m_default_row_style;
    std::vector<MenuItem> m_items;
    Node* m_panel = nullptr;
    TextNode* m_caption = nullptr;
    VList* m_list = nullptr;
    ButtonNode* m_cancel = nullptr;
    std::optional<platform::WString> m_pending;
};

}  // namespace zentra

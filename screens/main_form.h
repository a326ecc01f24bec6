#pragma once
// MainForm: the program's root screen. It owns every other screen, binds `Main` with its
// three tabs (contacts, favourites, recents) and the menu button, switches the container
// under the tabs, shows the missed-call badge, serves every menu of the main screen, and
// turns the start-up argument into a tab or a contact.

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/application_listener.h"
#include "contacts/document.h"
#include "contacts/vcard.h"
#include "screens/contact_selector_container.h"
#include "screens/contact_selector_form.h"
#include "screens/key_routed_form.h"
#include "screens/keyboard_container.h"
#include "screens/screen_slots.h"
#include "screens/sync_status_line.h"
#include "skin/button_node.h"
#include "skin/form.h"
#include "skin/menu.h"
#include "skin/properties.h"

namespace velvane {

// What the main form needs from the phone; empty functions while there is none.
struct MainFormServices {
    // Places a call to the number (the call key of the keypad).
    std::function<void(WStringView number)> call_number;
    // Whether a call is in progress, so the menu offers the way back to it.
    std::function<bool()> call_in_progress;
    // A pass of the address book sync now, when an account is set up; how passes go arrives
    // through show_sync.
    std::function<void()> sync_now;
};

class MainForm : public KeyRoutedForm,
                 public ApplicationListener,
                 public DocumentView,
                 public KeyboardListener,
                 public ContactListListener,
                 public FieldKindListener,
                 public zentra::ButtonListener,
                 public zentra::MenuListener,
                 public zentra::ReloadListener {
public:
    enum Tab { Contacts = 0, Favorites = 1, Recents = 2, MenuButton = 3, TabCount = 4 };

    static constexpr WStringView kSettingsPath = u"HKEY_CURRENT_USER\\Software\\Quorr\\Velvane";
    static constexpr WStringView kFavoriteMode = u"FavoriteMode";

    // Builds the screens, reads the favourites mode, makes both menus and binds `Main`;
    // raises the skin engine's errors when the skin lacks a node. The Document must exist.
    MainForm(zentra::Properties& properties, MainFormServices services = {});
    ~MainForm() override;

    // The screens built on their own plug in here.
    ScreenSlots& screens() { return m_screens; }
    // The containers under the tabs; the main screen is bound again with them.
    void set_recents(std::unique_ptr<RecentsScreen> recents);
    void set_favorites(std::unique_ptr<TabContainer> list, std::unique_ptr<TabContainer> grid);

    // Loads `Main` again, binds every screen's nodes below it and shows again the tab, the
    // keypad, the list title and the list position it showed before.
    void bind();

    // ApplicationListener.
    void on_command_line(WStringView text) override;
    void on_resolution_changed() override;
    void on_activate() override { on_resume(); }

    // The program became active again: the call log and the badge.
    void on_resume();
    // How the address book sync goes, for the line over the contact list.
    void show_sync(const SyncState& state) { m_sync_line.show(state); }
    // Presses a tab (or the menu button) as a tap would.
    void press_tab(Tab tab);
    // Opens the keypad over the contact list; from another tab the contacts tab comes first.
    void show_keyboard();
    // Reads the missed-call count into the recents tab and its badge; on the recents tab
    // the count is reset and the badge keeps the calls new on this visit.
    void update_missed_calls();
    // Opens the card of a contact; every screen above this one goes first.
    void open_contact(const ContactEntry& entry);
    void new_contact();
    // Opens a menu of the main menu object by name, as a button of the screen does.
    void open_menu(WStringView name);
    // Reads a vCard file and asks whether its contacts go into the book; a file without any
    // says so instead.
    void offer_import(WStringView path);

    // State, for the screens that come later and for tests.
    int tab_state(Tab tab) const { return m_states[tab]; }
    Tab current_tab() const { return m_current; }
    int32_t favorite_mode() const { return m_favorite_mode; }
    const WString& pending_number() const { return m_pending_number; }
    KeyboardContainer& keyboard() { return m_keyboard; }
    // The keypad was open over the list when another tab was pressed: it is put away with
    // its text and comes back with it.
    bool keypad_away() const { return m_keypad_away; }
    ContactSelectorContainer& contacts() { return m_contacts; }
    const SyncStatusLine& sync_line() const { return m_sync_line; }
    ContactSelectorForm& selector_form() { return *m_selector_form; }
    zentra::Menu& main_menu() { return *m_main_menu; }
    zentra::Menu& recents_menu() { return *m_recents_menu; }
    zentra::Node* tab_node(Tab tab) const { return m_tabs[tab]; }
    // The badge of the state the recents tab shows (each state may have its own copy).
    zentra::Node* badge() const;
    zentra::Node* open_keyboard_button() const { return m_open_keyboard; }
    zentra::Node* ruler() const { return m_ruler; }
    // The favourites list and grid.
    TabContainer* favorites_list() const { return m_favorites.get(); }
    TabContainer* favorites_grid() const { return m_favorites_grid.get(); }
    // The container shown under a tab state; null when the skin has none yet.
    zentra::Node* favorites_list_node() const;
    zentra::Node* favorites_grid_node() const;
    zentra::Node* recents_node() const;

    // Node.
    void layout_horizontal() override;
    bool on_text(WStringView text) override;

    // DocumentView.
    void on_document_refresh(const RefreshHint& hint) override;

    // KeyboardListener.
    void on_keyboard_text(KeyboardContainer& keyboard, WStringView text) override;
    void on_keyboard_closed(KeyboardContainer& keyboard) override;
    void on_keyboard_call(KeyboardContainer& keyboard, WStringView text) override;

    // ContactListListener.
    void on_contact_selected(ContactSelectorContainer& container, ContactEntry& entry) override;
    void on_add_contact(ContactSelectorContainer& container) override;
    void on_category(ContactSelectorContainer& container) override;

    // FieldKindListener.
    void on_field_kind_chosen(uint32_t object_id, FieldKind kind) override;

    // ButtonListener.
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

    // MenuListener: both menu objects ask here.
    std::vector<zentra::MenuItem> menu_items(zentra::Menu& menu, WStringView name) override;

    void on_reload_skin(zentra::Properties& properties) override;

protected:
    bool on_form_key(const zentra::KeyEvent& event) override;

private:
    // What the screen shows, carried across a new skin or language.
    struct ViewState {
        Tab current = Contacts;
        std::array<int, TabCount> states{2, 0, 0, 0};
        bool keypad_open = false;
        // The first item in view of the contact list.
        int list_top = 0;
    };

    void bind_nodes();
    ViewState view_state() const;
    void restore_view(const ViewState& view);
    // The keypad over the list: ruler, keypad button and category button go, the title says
    // no category is applied.
    void show_keyboard_nodes(bool animate);
    // Opening the keypad as the contacts tab's second press does.
    void show_keyboard_now();
    // The ruler and the keypad button belong to the plain list: shown only on the contacts
    // tab while the keypad is closed.
    void show_list_tools(bool shown, bool animate);
    // Another tab is pressed: the list's tools go, and an open keypad is put away.
    void leave_contacts();
    // The contacts tab is pressed from another tab: the keypad comes back if it was put
    // away, and the list is narrowed again by its text.
    int return_to_contacts();
    void collect_badges();
    std::vector<zentra::MenuItem> main_menu_items(WStringView name);
    std::vector<zentra::MenuItem> recents_menu_items(WStringView name);
    std::vector<zentra::MenuItem> category_items();
    // The command a name of the main menu stands for; the items it leads to.
    std::vector<zentra::MenuItem> run_main_command(WStringView name);
    void remove_forms_above();
    void apply_tab_states();
    void show_containers();
    zentra::Node* bind_tab(WStringView name);
    // Where a menu opened from a list button returns the tabs to.
    void remember_current_state();
    Document& document() const;

    zentra::Properties& m_properties;
    MainFormServices m_services;
    // The members keep the order the screens are built in; they go in reverse.
    ScreenSlots m_screens;
    std::unique_ptr<ContactSelectorForm> m_selector_form;
    ContactSelectorContainer m_contacts;
    std::unique_ptr<RecentsScreen> m_recents;
    std::unique_ptr<TabContainer> m_favorites;
    std::unique_ptr<TabContainer> m_favorites_grid;
    KeyboardContainer m_keyboard;
    SyncStatusLine m_sync_line;
    std::unique_ptr<zentra::Menu> m_main_menu;
    std::unique_ptr<zentra::Menu> m_recents_menu;

    std::array<zentra::Node*, TabCount> m_tabs{};
    std::array<int, TabCount> m_states{2, 0, 0, 0};
    Tab m_current = Contacts;
    int m_remembered_state = 2;
    zentra::Node* m_open_keyboard = nullptr;
    zentra::Node* m_ruler = nullptr;
    // Every `recent_count` of the recents tab (one per state that has one).
    std::vector<zentra::Node*> m_badges;
    bool m_keypad_away = false;
    // Missed calls the recents tab took in while it is the current one: its badge shows
    // them until another tab is pressed.
    int32_t m_new_on_recents = 0;
    // The skin's containers under the favourites and recents tabs, while their screens are
    // not plugged in.
    zentra::Node* m_favorites_node = nullptr;
    zentra::Node* m_favorites_grid_node = nullptr;
    zentra::Node* m_recents_node = nullptr;
    int32_t m_favorite_mode = 1;
    WString m_pending_number;
    // The cards of the file offer_import asked about, until the answer.
    std::vector<VCardContact> m_pending_import;
    bool m_category_menu_open = false;
    ViewState m_view;
    // All nodes found: the view can be read from them.
    bool m_bound = false;
};

}  // namespace velvane

#include "screens/main_form.h"

#include <algorithm>
#include <string>

#include "app/application.h"
#include "core/keys.h"
#include "core/log.h"
#include "core/registry.h"
#include "app/game_base.h"
#include "app/handovers.h"
#include "app/languages.h"
#include "app/message_box.h"
#include "app/skin_rebind.h"
#include "app/skins.h"
#include "contacts/recent_call.h"
#include "screens/call_form.h"
#include "screens/contact_form.h"
#include "screens/contact_recents_form.h"
#include "screens/favorites_container.h"
#include "screens/favorites_grid_container.h"
#include "screens/recents_container.h"
#include "screens/select_field_form.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "skin/multinode.h"
#include "skin/node.h"
#include "skin/vlist.h"

namespace velvane {

namespace {

using zentra::MenuItem;

MenuItem item(WStringView key, bool checked = false) {
    MenuItem made;
    made.key = WString(key);
    made.checked = checked;
    return made;
}

MenuItem item_styled(WStringView key, WStringView row_style) {
    MenuItem made = item(key);
    made.row_style = WString(row_style);
    return made;
}

// Shows a tab's state: a multinode shows its child of that number, a button its children
// "#state0", "#state1", "#state2" (each optional).
void show_tab_state(zentra::Node& tab, int state) {
    if (auto* multi = dynamic_cast<zentra::MultiNode*>(&tab)) {
        multi->select(state, false);
        return;
    }
    for (int i = 0; i < 3; ++i) {
        const WString name = u"#state" + WString(1, static_cast<char16_t>(u'0' + i));
        if (zentra::Node* child = tab.find_descendant(name)) {
            child->set_visible_at_once(i == state);
        }
    }
    tab.mark_dirty();
}

void set_shown(zentra::Node* node, bool shown) {
    if (node != nullptr) {
        node->set_visible(shown);
    }
}

void show_at_once(zentra::Node* node, bool shown) {
    if (node != nullptr) {
        node->set_visible_at_once(shown);
    }
}

void show_now_or_animated(zentra::Node& node, bool shown, bool animate) {
    if (animate) {
        node.set_visible(shown);
    } else {
        node.set_visible_at_once(shown);
    }
}

// The rows of the menus that add a number to a new or an existing contact.
std::vector<MenuItem> add_number_items() {
    return {item(u"Add2NewContact"), item(u"Add2Existing"), item(u"Cancel")};
}

// The program's name, which the language and skin choices are stored under.
WString application_name() {
    Application* application = Application::get_instance();
    return application != nullptr ? application->name() : WString(u"Velvane");
}

uint32_t elapsed_since(uint32_t start) {
    return platform::tick_count() - start;
}

}  // namespace

MainForm::MainForm(zentra::Properties& properties, MainFormServices services)
    : m_properties(properties),
      m_services(std::move(services)),
      m_contacts(*this),
      m_keyboard(*this, true) {
    const uint32_t start = platform::tick_count();
    uint32_t mode = 1;
    read_dword(kSettingsPath, kFavoriteMode, mode);
    m_favorite_mode = mode == 2 ? 2 : 1;
    // A skin the screens cannot be built from gives way to the next one start-up would take.
    bind_with_fallback(m_properties, u"MainForm", [this] {
        // The call screen.
        m_screens.call = std::make_unique<CallForm>(m_properties);

        m_screens.contact = std::make_unique<ContactForm>(m_properties, m_services.call_number);
        // The recents tab and the history of one contact or number it opens.
        m_recents.reset();
        auto history = std::make_unique<ContactRecentsForm>(m_properties, m_services.call_number);
        m_recents = std::make_unique<RecentsContainer>(
            *history, [this](WStringView name) { open_menu(name); }, m_services.call_number);
        m_screens.contact_recents = std::move(history);
        m_screens.select_field = std::make_unique<SelectFieldForm>(m_properties);
        m_selector_form = std::make_unique<ContactSelectorForm>(m_properties, *this);
        // The favourites list and grid, each with a card of its own.
        m_favorites = std::make_unique<FavoritesContainer>(m_properties, m_services.call_number);
        m_favorites_grid =
            std::make_unique<FavoritesContainer2>(m_properties, m_services.call_number);
        bind();
    });
    m_properties.add_reload_listener(this);
    log() << "MainForm() = " << static_cast<int>(elapsed_since(start)) << "\n";
}

MainForm::~MainForm() {
    m_properties.remove_reload_listener(this);
    for (zentra::Node* tab : m_tabs) {
        if (auto* button = dynamic_cast<zentra::ButtonNode*>(tab)) {
            button->set_listener(nullptr);
        }
    }
}

Document& MainForm::document() const {
    Document* document = Document::get_instance();
    if (document == nullptr) {
        fatal(u"MainForm::document()", u"The Document is gone");
    }
    return *document;
}

void MainForm::set_recents(std::unique_ptr<RecentsScreen> recents) {
    m_recents = std::move(recents);
    bind();
}

void MainForm::set_favorites(std::unique_ptr<TabContainer> list,
                             std::unique_ptr<TabContainer> grid) {
    m_favorites = std::move(list);
    m_favorites_grid = std::move(grid);
    bind();
}

zentra::Node* MainForm::bind_tab(WStringView name) {
    zentra::Node& tab = find(name);
    if (auto* button = dynamic_cast<zentra::ButtonNode*>(&tab)) {
        button->set_listener(this);
    } else if (dynamic_cast<zentra::MultiNode*>(&tab) != nullptr) {
        // The tab decides its state itself: its state buttons report here, not to the toggle.
        for (int i = 0; i < tab.child_count(); ++i) {
            if (auto* button = dynamic_cast<zentra::ButtonNode*>(tab.child(i))) {
                button->set_listener(this);
            }
        }
    } else {
        throw zentra::NodeNotFound{this->name(), WString(name)};
    }
    return &tab;
}

void MainForm::bind() {
    // A form left half bound by a failed reload has stale nodes: the view saved before that
    // reload is the one to show again.
    if (m_bound) {
        m_view = view_state();
    }
    m_bound = false;
    bind_nodes();
    restore_view(m_view);
    m_bound = true;
}

void MainForm::bind_nodes() {
    // Menus read their rows from the skin as they open; a new skin needs new menus, and the
    // stack must not keep the old ones.
    for (auto* menu : {&m_main_menu, &m_recents_menu}) {
        if (*menu) {
            if (zentra::FormHost* host = zentra::FormHost::instance()) {
                host->remove_modal_form(**menu, false);
            }
            menu->reset();
        }
    }
    // Pictures framed for the old skin's photo nodes do not fit the new ones.
    document().photo_cache().clear();
    load_definition(m_properties, u"Main");
    m_sync_line.bind(*this, m_properties);
    m_contacts.bind(*this, m_properties);
    if (m_recents) {
        m_recents->bind(*this, m_properties);
    }
    if (m_favorites) {
        m_favorites->bind(*this, m_properties);
    }
    if (m_favorites_grid) {
        m_favorites_grid->bind(*this, m_properties);
    }
    m_keyboard.bind(*this);

    m_tabs[Contacts] = bind_tab(u"button_contacts");
    m_tabs[Favorites] = bind_tab(u"button_favorits");
    m_tabs[Recents] = bind_tab(u"button_recents");
    m_tabs[MenuButton] = bind_tab(u"button_menu");
    auto& open_keyboard = find<zentra::ButtonNode>(u"open_keyboard");
    open_keyboard.set_listener(this);
    m_open_keyboard = &open_keyboard;
    m_ruler = &find(u"ContactsListRuler");
    collect_badges();
    if (m_badges.empty()) {
        throw zentra::NodeNotFound{m_tabs[Recents]->name(), WString(u"recent_count")};
    }
    m_favorites_node = find_descendant(u"FavoritesContainer");
    m_favorites_grid_node = find_descendant(u"FavoritesContainer2");
    m_recents_node = find_descendant(u"RecentsContainer");

    m_main_menu = std::make_unique<zentra::Menu>(m_properties, u"Menu", *this, u"MenuElement");
    m_recents_menu = std::make_unique<zentra::Menu>(m_properties, u"Menu", *this, u"MenuElement");
}

MainForm::ViewState MainForm::view_state() const {
    ViewState view;
    view.current = m_current;
    view.states = m_states;
    // An open menu comes off the stack with the reload; the tabs show what they showed
    // before it opened.
    if (m_states[MenuButton] != 0) {
        view.states[MenuButton] = 0;
        view.states[m_current] = m_remembered_state;
    }
    view.keypad_open = m_keyboard.is_visible() || m_keypad_away;
    if (const zentra::VList* list = m_contacts.list()) {
        view.list_top = list->first() + 1;
    }
    return view;
}

void MainForm::restore_view(const ViewState& view) {
    m_current = view.current;
    m_states = view.states;
    m_remembered_state = m_states[m_current];
    m_category_menu_open = false;
    update_missed_calls();
    apply_tab_states();
    show_at_once(m_contacts.root(), m_states[Contacts] != 0);
    show_at_once(favorites_list_node(), m_states[Favorites] == 1);
    show_at_once(favorites_grid_node(), m_states[Favorites] == 2);
    show_at_once(recents_node(), m_states[Recents] == 1);
    show_at_once(m_keyboard.root(), false);
    // The list is still narrowed as before: by the typed text while the keypad is open,
    // else by the category. Away from the contacts tab an open keypad stays put away.
    m_keypad_away = view.keypad_open && m_current != Contacts;
    show_list_tools(m_current == Contacts && !view.keypad_open, false);
    if (view.keypad_open && m_current == Contacts) {
        show_keyboard_nodes(false);
    } else {
        m_contacts.set_title(document().category_filter());
    }
    if (view.list_top > 0) {
        m_contacts.list()->scroll_to(view.list_top);
    }
}

void MainForm::on_reload_skin(zentra::Properties& properties) {
    rebind_after_reload(properties, u"MainForm", [this] { bind(); });
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->request_redraw();
    }
}

zentra::Node* MainForm::favorites_list_node() const {
    return m_favorites ? m_favorites->root() : m_favorites_node;
}

zentra::Node* MainForm::favorites_grid_node() const {
    return m_favorites_grid ? m_favorites_grid->root() : m_favorites_grid_node;
}

zentra::Node* MainForm::recents_node() const {
    return m_recents ? m_recents->root() : m_recents_node;
}

void MainForm::layout_horizontal() {
    Form::layout_horizontal();
    if (m_favorites_grid) {
        m_favorites_grid->on_width_changed();
    }
}

// Tabs

void MainForm::apply_tab_states() {
    for (int tab = 0; tab < TabCount; ++tab) {
        if (m_tabs[tab] != nullptr) {
            show_tab_state(*m_tabs[tab], m_states[tab]);
        }
    }
}

void MainForm::show_containers() {
    set_shown(m_contacts.root(), m_states[Contacts] != 0);
    set_shown(favorites_list_node(), m_states[Favorites] == 1);
    set_shown(favorites_grid_node(), m_states[Favorites] == 2);
    set_shown(recents_node(), m_states[Recents] == 1);
}

void MainForm::remember_current_state() {
    m_remembered_state = m_states[m_current];
}

void MainForm::press_tab(Tab tab) {
    m_remembered_state = m_states[m_current];
    const Tab previous = m_current;
    m_states[m_current] = 0;
    if (previous == Contacts && (tab == Favorites || tab == Recents)) {
        leave_contacts();
    }
    switch (tab) {
        case Contacts: {
            int state = 2;
            const bool list_shown = m_contacts.root()->visible();
            if (list_shown && m_keyboard.is_visible()) {
                m_keyboard.close(true);
                document().set_filter_string(u"");
            } else if (previous == Contacts) {
                show_keyboard_now();
                state = 1;
                document().set_filter_string(u"");
            } else {
                state = return_to_contacts();
            }
            m_current = Contacts;
            m_states[Contacts] = state;
            break;
        }
        case Favorites:
            m_current = Favorites;
            if (previous == Favorites && m_remembered_state != 0) {
                m_favorite_mode = 3 - m_favorite_mode;
                write_dword(kSettingsPath, kFavoriteMode, static_cast<uint32_t>(m_favorite_mode));
            }
            m_states[Favorites] = m_favorite_mode;
            break;
        case Recents: {
            const bool again = previous == Recents && m_remembered_state == 1;
            m_current = Recents;
            m_states[Recents] = 1;
            if (again) {
                m_recents_menu->open_by_name(u"MainMenu", {}, true);
            }
            break;
        }
        case MenuButton:
            m_states[MenuButton] = 1;
            apply_tab_states();
            m_main_menu->open_by_name(u"MainMenu", {}, true);
            return;
        case TabCount:
            return;
    }
    const int state = m_states[m_current];
    update_missed_calls();
    m_states[m_current] = state;
    apply_tab_states();
    show_containers();
}

void MainForm::leave_contacts() {
    m_keypad_away = m_keyboard.is_visible();
    // At once, like the containers; this also ends a closing slide still under way.
    m_keyboard.hide();
    show_list_tools(false, false);
}

int MainForm::return_to_contacts() {
    Document& doc = document();
    if (!m_keypad_away) {
        show_list_tools(true, false);
        doc.set_filter_string(u"");
        return 2;
    }
    m_keypad_away = false;
    show_keyboard_nodes(false);
    // Something else may have narrowed the Document meanwhile (the contact chooser has its
    // own keypad): the list shows what the keypad says, over every contact.
    doc.set_filter_string(m_keyboard.text());
    if (m_keyboard.text().empty()) {
        doc.set_filtered_contacts();
    }
    return 1;
}

void MainForm::show_keyboard() {
    if (m_current != Contacts) {
        press_tab(Contacts);
    }
    if (m_keyboard.is_visible()) {
        return;
    }
    show_keyboard_now();
    m_states[Contacts] = 1;
    show_tab_state(*m_tabs[Contacts], 1);
}

void MainForm::show_keyboard_now() {
    const uint32_t start = platform::tick_count();
    show_keyboard_nodes(true);
    document().set_filtered_contacts();
    log() << "MainForm show_keyboard " << static_cast<int>(elapsed_since(start)) << "\n";
}

void MainForm::show_list_tools(bool shown, bool animate) {
    show_now_or_animated(*m_ruler, shown, animate);
    show_now_or_animated(*m_open_keyboard, shown, animate);
}

void MainForm::show_keyboard_nodes(bool animate) {
    show_list_tools(false, animate);
    m_keyboard.show(true, animate);
    show_now_or_animated(*m_contacts.category_button(), false, animate);
    m_contacts.set_title(Document::kNoCategory);
}

void MainForm::collect_badges() {
    m_badges.clear();
    // The outermost node of each name: a badge may be a bubble holding a text of its name.
    std::vector<zentra::Node*> open{m_tabs[Recents]};
    while (!open.empty()) {
        zentra::Node* node = open.back();
        open.pop_back();
        for (int i = node->child_count() - 1; i >= 0; --i) {
            zentra::Node* child = node->child(i);
            if (child->name() == u"recent_count") {
                m_badges.push_back(child);
            } else {
                open.push_back(child);
            }
        }
    }
}

zentra::Node* MainForm::badge() const {
    for (zentra::Node* badge : m_badges) {
        if (badge->parents_visible()) {
            return badge;
        }
    }
    return m_badges.empty() ? nullptr : m_badges.front();
}

void MainForm::update_missed_calls() {
    zentra::Node* recents = m_tabs[Recents];
    if (recents == nullptr) {
        return;
    }
    // The platform keeps a signed count: anything not above 0 is no missed call, never a
    // huge number on the badge.
    const int32_t count = static_cast<int32_t>(missed_call_count());
    int32_t shown = 0;
    if (m_current == Recents) {
        // The calls are in front of the user: the platform's count is reset, and the badge
        // keeps the ones that were new on this visit until the tab is left. Otherwise the
        // next reading (a re-read of the log brings two at once) would take the number away
        // before it was ever drawn, and the missed calls would pass unseen.
        if (count > 0) {
            reset_missed_call_count();
            m_new_on_recents += count;
        }
        shown = m_new_on_recents;
        // While the menu is open the tab keeps its state 0.
        if (m_states[MenuButton] == 0) {
            m_states[Recents] = 1;
        }
    } else {
        m_new_on_recents = 0;
        shown = std::max(count, 0);
        m_states[Recents] = shown > 0 ? 2 : 0;
    }
    recents->set_text(u"recent_count",
                      shown > 0 ? platform::from_utf8(std::to_string(shown)) : WString());
    for (zentra::Node* badge : m_badges) {
        badge->set_visible_at_once(shown > 0);
    }
    show_tab_state(*recents, m_states[Recents]);
}

// Start-up argument, activation, document

void MainForm::on_command_line(WStringView text) {
    if (GameBase* platform = GameBase::get_instance()) {
        platform->bring_to_front();
    }
    if (text == u"recents") {
        press_tab(Recents);
    } else if (text == u"favorites") {
        press_tab(Favorites);
    } else if (text == u"contacts") {
        press_tab(Contacts);
    } else if (text.starts_with(u"import:")) {
        offer_import(text.substr(7));
    } else if (text.size() > 5) {
        const size_t at = text.find(u"open:");
        if (at == WStringView::npos) {
            return;
        }
        const WString number(text.substr(at + 5));
        if (const ContactEntry* entry = document().find_by_number(number)) {
            open_contact(*entry);
        } else if (!number.empty()) {
            m_pending_number = number;
            open_menu(u"NewOrUpdateContact");
        } else {
            new_contact();
        }
    }
}

void MainForm::on_resolution_changed() {
    GameBase* platform = GameBase::get_instance();
    Application* application = Application::get_instance();
    if (platform != nullptr && application != nullptr) {
        platform->set_fullscreen(application->screen_metrics().orientation);
    }
}

void MainForm::on_resume() {
    log() << "MainForm::on_resume()\n";
    document().update_log();
    update_missed_calls();
}

void MainForm::on_document_refresh(const RefreshHint& hint) {
    if (hint.recent_changed || hint.log_updated || hint.is_load_done) {
        log() << "MainForm::on_document_refresh missed_count_process\n";
        update_missed_calls();
    }
}

// Keys and typed text

bool MainForm::on_form_key(const zentra::KeyEvent& event) {
    if (!event.down) {
        // Releases finish what the presses started in the tree (a bound key clicks here).
        return Form::on_key(event);
    }
    log() << "MainForm::on_key()\n";
    switch (event.key) {
        case key::Left:
            if (m_current == Favorites) {
                press_tab(Contacts);
            } else if (m_current == Recents) {
                press_tab(Favorites);
            }
            return true;
        case key::Right:
            if (m_current == Contacts) {
                press_tab(Favorites);
            } else if (m_current == Favorites) {
                press_tab(Recents);
            }
            return true;
        case key::Backspace:
            // A keypad put away under another tab is not edited unseen.
            if (m_current == Contacts) {
                m_keyboard.backspace();
            }
            return true;
        case key::CallMake:
            log() << "-----------------------------\n";
            log() << "-----MainForm::CALL_MAKE-----\n";
            log() << "-----------------------------\n";
            // A ringing call takes the talk key, whichever screen is in front.
            if (m_screens.call && m_screens.call->answer_ringing_call()) {
                return true;
            }
            break;
        default:
            break;
    }
    log() << "MainForm::on_key()->Node::on_key()\n";
    return Form::on_key(event);
}

bool MainForm::on_text(WStringView text) {
    // Typed text is a search: it goes where the user sees it, on the keypad over the list
    // (a keypad put away under another tab comes back with its text, which goes on).
    show_keyboard();
    m_keyboard.set_text(m_keyboard.text() + WString(text));
    return true;
}

// The keypad

void MainForm::on_keyboard_text(KeyboardContainer&, WStringView text) {
    const uint32_t start = platform::tick_count();
    document().set_filter_string(text);
    log() << "Document::get_instance()->set_filter_string() = "
          << static_cast<int>(elapsed_since(start)) << "\n";
}

void MainForm::on_keyboard_closed(KeyboardContainer&) {
    m_keypad_away = false;
    Document& doc = document();
    doc.set_category(doc.category_filter());
    m_contacts.category_button()->set_visible(true);
    m_contacts.set_title(doc.category_filter());
    // The list's tools and the tab's state are the contacts tab's alone.
    if (m_current == Contacts) {
        show_list_tools(true, true);
        if (m_states[Contacts] != 0) {
            m_states[Contacts] = 2;
            show_tab_state(*m_tabs[Contacts], 2);
        }
    }
}

void MainForm::on_keyboard_call(KeyboardContainer& keyboard, WStringView text) {
    if (m_services.call_number) {
        m_services.call_number(text);
    } else {
        log() << "MainForm::on_keyboard_call no phone to call " << text << "\n";
    }
    keyboard.set_text(u"");
}

// The contact lists

void MainForm::on_contact_selected(ContactSelectorContainer& container, ContactEntry& entry) {
    if (&container == &m_contacts) {
        open_contact(entry);
    } else {
        m_screens.select_field->choose_phone_kind(entry.contact.object_id, *this);
    }
}

void MainForm::on_add_contact(ContactSelectorContainer&) {
    if (m_keyboard.is_visible() && !m_keyboard.text().empty()) {
        m_pending_number = m_keyboard.text();
        open_menu(u"PhoneToContact");
    } else {
        open_menu(u"NewContact");
    }
}

void MainForm::on_category(ContactSelectorContainer&) {
    open_menu(u"Categories");
}

void MainForm::on_field_kind_chosen(uint32_t object_id, FieldKind kind) {
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->remove_modal_form(*m_selector_form, true);
    }
    Document& doc = document();
    ContactSource* store = doc.store();
    if (object_id != 0) {
        const ContactEntry* entry = doc.find_entry(object_id);
        if (entry == nullptr) {
            log() << "MainForm::on_field_kind_chosen the contact is gone " << object_id << "\n";
        } else {
            Contact changed = entry->contact;
            changed.fields.emplace_back(kind, m_pending_number);
            if (store == nullptr || !store->save_changes(changed, entry->contact)) {
                log() << "MainForm::on_field_kind_chosen the contact could not be saved\n";
            }
        }
    } else if (store != nullptr) {
        Contact created;
        created.fields.emplace_back(kind, m_pending_number);
        if (store->create(created)) {
            doc.set_current_contact(created.object_id);
            m_screens.contact->show_contact(created, true);
        }
    }
    m_pending_number.clear();
}

void MainForm::remove_forms_above() {
    zentra::FormHost* host = zentra::FormHost::instance();
    if (host == nullptr) {
        return;
    }
    while (zentra::Form* top = host->top_form()) {
        if (top == this || !host->remove_modal_form(*top, false)) {
            break;
        }
    }
}

void MainForm::open_contact(const ContactEntry& entry) {
    remove_forms_above();
    m_keyboard.set_text(u"");
    document().set_current_contact(entry.contact.object_id);
    m_screens.contact->show_contact(entry.contact, false);
    document().set_filter_string(u"");
}

void MainForm::new_contact() {
    remove_forms_above();
    // The card deletes it again when it is left empty.
    Document& doc = document();
    Contact created;
    if (doc.store() != nullptr && doc.store()->create(created)) {
        doc.set_current_contact(created.object_id);
        m_screens.contact->show_contact(created, true);
    }
}

void MainForm::open_menu(WStringView name) {
    remember_current_state();
    m_main_menu->open_by_name(name, {}, true);
}

void MainForm::offer_import(WStringView path) {
    m_pending_import.clear();
    const platform::LimitedRead file = platform::read_file_limited(path, kMaxVCardFileBytes);
    VCardRead read;
    if (file.status == platform::FileRead::ok) {
        read = read_vcards(file.bytes);
    }
    // A card that holds nothing (a file cut off after BEGIN) would only make a blank record.
    std::erase_if(read.contacts, [](const VCardContact& card) {
        return card.contact.fields.empty() && card.photo.empty() && card.extra_properties.empty();
    });
    log() << "MainForm::offer_import " << path << " contacts=" << read.contacts.size()
          << " skipped=" << read.skipped.size() << "\n";
    if (read.contacts.empty()) {
        if (Application* application = Application::get_instance()) {
            show_message_box(*application, text(m_properties, u"ImportNothing"));
        }
        return;
    }
    const WString caption =
        text(m_properties, u"ImportContacts",
             {platform::to_wstring(static_cast<long long>(read.contacts.size()))});
    m_pending_import = std::move(read.contacts);
    remember_current_state();
    m_main_menu->open_by_name(u"ImportContacts", caption, true);
}

// Buttons

bool MainForm::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    if (&button == m_open_keyboard) {
        show_keyboard();
        return true;
    }
    for (int tab = 0; tab < TabCount; ++tab) {
        zentra::Node* node = m_tabs[tab];
        if (node == &button || (node != nullptr && button.parent() == node &&
                                dynamic_cast<zentra::MultiNode*>(node) != nullptr)) {
            press_tab(static_cast<Tab>(tab));
            return true;
        }
    }
    return false;
}

// Menus

std::vector<MenuItem> MainForm::menu_items(zentra::Menu& menu, WStringView name) {
    if (&menu == m_recents_menu.get()) {
        return recents_menu_items(name);
    }
    return main_menu_items(name);
}

std::vector<MenuItem> MainForm::main_menu_items(WStringView name) {
    std::vector<MenuItem> items;
    if (m_category_menu_open && name != u"Categories") {
        m_category_menu_open = false;
        if (!name.empty() && name != u"skinReturn") {
            document().set_category(name);
            m_contacts.set_title(name);
        }
    } else {
        items = run_main_command(name);
    }
    if (name != u"MainMenu" && name != u"Dialer" && name != u"Exit") {
        m_states[MenuButton] = 0;
        m_states[m_current] = m_remembered_state;
        apply_tab_states();
    }
    return items;
}

std::vector<MenuItem> MainForm::category_items() {
    Document& doc = document();
    std::vector<MenuItem> items;
    // Choosing no category shows everyone; the row says so, as the title then does.
    MenuItem everyone = item(Document::kNoCategory, doc.category_filter() == Document::kNoCategory);
    everyone.label = m_properties.translate(ContactSelectorContainer::kAllContacts);
    items.push_back(std::move(everyone));
    for (const WString& category : doc.categories()) {
        MenuItem entry = item(category, doc.category_filter() == category);
        entry.label = m_properties.translate(category);
        items.push_back(std::move(entry));
    }
    items.push_back(item(u"skinReturn"));
    return items;
}

std::vector<MenuItem> MainForm::run_main_command(WStringView name) {
    using Items = std::vector<MenuItem>;
    // Every command the main menu object may ask this form for, with what it does and the
    // items it leads to. A row marked with_choice also runs for the names its own menu gives
    // its choices ("Language#...", "Skin#...").
    struct Command {
        WStringView name;
        bool with_choice;
        Items (*run)(MainForm& form, WStringView name);
    };
    static constexpr Command kCommands[] = {
        {u"MainMenu", false,
         [](MainForm& form, WStringView) {
             Items items{item_styled(zentra::kMagic4ButtonsKey, u"MenuElement4Buttons"),
                         item(u"Settings"), item(u"Dialer", form.document().dialer())};
             if (form.m_services.call_in_progress && form.m_services.call_in_progress()) {
                 items.push_back(item(u"skinBackToCall"));
             }
             if (form.m_services.sync_now) {
                 items.push_back(item(u"SyncNow"));
             }
             items.push_back(item(u"Cancel"));
             return items;
         }},
        {u"SyncNow", false,
         [](MainForm& form, WStringView) {
             if (form.m_services.sync_now) {
                 form.m_services.sync_now();
             }
             return Items{};
         }},
        {u"Settings", false,
         [](MainForm&, WStringView) {
             Items items{item(u"Sort")};
             if (language_choice_available()) {
                 items.push_back(item(u"Language"));
             }
             if (skin_choice_available()) {
                 items.push_back(item(u"Skin"));
             }
             items.push_back(item(u"Cancel"));
             return items;
         }},
        {u"Sort", false,
         [](MainForm& form, WStringView) {
             const int32_t order = form.document().sorting();
             return Items{item(u"SortByFirstname", order == SortByFirstname),
                          item(u"SortByLastname", order == SortByLastname),
                          item(u"SortByCompany", order == SortByCompany), item(u"Cancel")};
         }},
        {u"SortByFirstname", false,
         [](MainForm& form, WStringView) {
             form.document().set_sorting(SortByFirstname);
             return Items{};
         }},
        {u"SortByLastname", false,
         [](MainForm& form, WStringView) {
             form.document().set_sorting(SortByLastname);
             return Items{};
         }},
        {u"SortByCompany", false,
         [](MainForm& form, WStringView) {
             form.document().set_sorting(SortByCompany);
             return Items{};
         }},
        {u"Dialer", false,
         [](MainForm& form, WStringView) {
             Document& doc = form.document();
             doc.set_dialer(!doc.dialer());
             if (LineHandler* line = doc.line()) {
                 line->reset();
             }
             // The menu stays open, so the check mark is seen to follow the setting.
             return form.run_main_command(u"MainMenu");
         }},
        {u"skinBackToCall", false,
         [](MainForm& form, WStringView) {
             if (form.m_screens.call) {
                 form.m_screens.call->show_again();
             }
             log() << "Start call timer\n";
             return Items{};
         }},
        {u"Language", true,
         [](MainForm& form, WStringView name) {
             Items items;
             Application* application = Application::get_instance();
             if (language_menu(form.m_properties, application_name(), name, items,
                               u"MenuElement")) {
                 form.m_keyboard.set_text(u"");
                 if (application != nullptr) {
                     application->reload_skin(form.m_properties);
                 }
             }
             return items;
         }},
        {u"Skin", true,
         [](MainForm& form, WStringView name) {
             Items items;
             Application* application = Application::get_instance();
             const zentra::ScreenMetrics metrics =
                 application != nullptr ? application->screen_metrics() : zentra::ScreenMetrics{};
             if (skin_menu(form.m_properties, application_name(), name, items, u"MenuElement",
                           metrics) &&
                 application != nullptr) {
                 application->reload_skin(form.m_properties);
             }
             return items;
         }},
        {u"Categories", false,
         [](MainForm& form, WStringView) {
             form.m_category_menu_open = true;
             return form.category_items();
         }},
        {u"RecentClickUnknownContact", false,
         [](MainForm& form, WStringView) {
             Document& doc = form.document();
             if (const RecentCall* call = doc.current_recent()) {
                 form.m_pending_number = call->number;
             }
             Items items{item(u"Add2NewContact")};
             if (!doc.entries().empty()) {
                 items.push_back(item(u"Add2Existing"));
             }
             items.push_back(item(u"SendSMS"));
             items.push_back(item(u"Cancel"));
             return items;
         }},
        {u"RecentClickKnownContact", false,
         [](MainForm&, WStringView) {
             return Items{item(u"OpenContact"), item(u"SendSMS"), item(u"Cancel")};
         }},
        {u"SendSMS", false,
         [](MainForm& form, WStringView) {
             if (const RecentCall* call = form.document().current_recent()) {
                 send_chat(call->number);
             }
             return Items{};
         }},
        {u"OpenContact", false,
         [](MainForm& form, WStringView) {
             const RecentCall* call = form.document().current_recent();
             if (call != nullptr && call->contact != nullptr) {
                 form.open_contact(*call->contact);
             }
             return Items{};
         }},
        {u"NewOrUpdateContact", false, [](MainForm&, WStringView) { return add_number_items(); }},
        {u"ImportContacts", false,
         [](MainForm&, WStringView) { return Items{item(u"ImportYes"), item(u"Cancel")}; }},
        {u"ImportYes", false,
         [](MainForm& form, WStringView) {
             std::vector<VCardContact> cards = std::move(form.m_pending_import);
             form.m_pending_import.clear();
             ContactSource* store = form.document().store();
             std::string error = "no contact store";
             if (store != nullptr && !cards.empty() && store->import_contacts(cards, error)) {
                 form.press_tab(Contacts);
             } else if (Application* application = Application::get_instance()) {
                 log() << "MainForm ImportYes failed: " << error << "\n";
                 show_message_box(*application, text(form.m_properties, u"ImportFailed"));
             }
             return Items{};
         }},
        {u"PhoneToContact", false, [](MainForm&, WStringView) { return add_number_items(); }},
        {u"Add2NewContact", false,
         [](MainForm& form, WStringView) {
             form.m_screens.select_field->choose_phone_kind(0, form);
             return Items{};
         }},
        {u"Add2Existing", false,
         [](MainForm& form, WStringView) {
             form.document().set_filtered_contacts();
             form.m_selector_form->show();
             return Items{};
         }},
        {u"NewContact", false,
         [](MainForm& form, WStringView) {
             form.new_contact();
             return Items{};
         }},
        {u"AddContacts", false,
         [](MainForm& form, WStringView) {
             if (ContactSource* store = form.document().store()) {
                 store->add_generated_contacts(100);
             }
             return Items{};
         }},
        {u"EraseContacts", false,
         [](MainForm& form, WStringView) {
             if (ContactSource* store = form.document().store()) {
                 store->erase_all_contacts();
             }
             return Items{};
         }},
        {u"BindContacts", false,
         [](MainForm& form, WStringView) {
             form.document().bind_recent_numbers();
             return Items{};
         }},
        {u"Minimize", false,
         [](MainForm&, WStringView) {
             log() << "MENU MINIMIZE\n";
             if (GameBase* platform = GameBase::get_instance()) {
                 platform->minimize_to_shell();
             }
             return Items{};
         }},
        {u"Help", false,
         [](MainForm& form, WStringView) {
             execute_file(u"%app_path%/" + text(form.m_properties, u"Help_link"), u"");
             return Items{};
         }},
        {u"Exit", false,
         [](MainForm&, WStringView) {
             platform::post_quit_message(0);
             return Items{};
         }},
        {u"StandartContacts", false,
         [](MainForm&, WStringView) {
             if (GameBase* platform = GameBase::get_instance()) {
                 platform->rest_frames();
             }
             execute_file(u"poutlook.exe", u"contacts");
             return Items{};
         }},
    };
    for (const Command& command : kCommands) {
        const bool choice = command.with_choice && name.size() > command.name.size() &&
                            name.starts_with(command.name) && name[command.name.size()] == u'#';
        if (name == command.name || choice) {
            return command.run(*this, name);
        }
    }
    return {};
}

std::vector<MenuItem> MainForm::recents_menu_items(WStringView name) {
    std::vector<MenuItem> items;
    if (name == u"MainMenu") {
        items = {item(u"menuFilter"), item(u"menuDeleteAll"), item(u"Cancel")};
    } else if (name == u"menuFilter") {
        items = {item(u"menuAllCalls"), item(u"menuIncoming"), item(u"menuOutgoing"),
                 item(u"menuRejected"), item(u"Cancel")};
    } else if (name == u"menuAllCalls" || name == u"menuIncoming" || name == u"menuOutgoing" ||
               name == u"menuRejected") {
        const int32_t filter = name == u"menuAllCalls"   ? 255
                               : name == u"menuIncoming" ? 0
                               : name == u"menuOutgoing" ? 1
                                                         : 2;
        if (m_recents) {
            m_recents->set_direction_filter(filter);
            m_recents->refill();
        }
    } else if (name == u"menuDeleteAll") {
        items = {item_styled(u"ReallyDelete", u"MenuElementRed"), item(u"Cancel")};
    } else if (name == u"ReallyDelete") {
        if (m_recents) {
            std::vector<int32_t> indices;
            for (const RecentCall& call : document().recent_calls()) {
                if (m_recents->passes(call)) {
                    indices.push_back(call.index);
                }
            }
            delete_recents(document(), indices);
            m_recents->refill();
        }
    }
    return items;
}

}  // namespace velvane

// The main form against a small skin: tabs and the containers they show, the favourites
// mode, the keypad over the list, the missed-call badge, keys and typed text, the start-up
// argument, the menus, and a new skin.

#include "screens/main_form.h"

#include "core/keys.h"
#include "core/registry.h"
#include "app/handovers.h"
#include "skin/text_node.h"
#include "tests/screens/main_form_support.h"

namespace screens_test {
namespace {

constexpr const char16_t* kMissedCalls = u"HKEY_CURRENT_USER\\System\\State\\Phone";

class ContactCard : public ContactCardScreen {
public:
    void show_contact(const Contact& contact, bool edit) override {
        shown.push_back(std::to_string(contact.object_id) + (edit ? " edit" : " view"));
    }
    std::vector<std::string> shown;
};

// Stands in for the field-kind chooser: keeps whom it was opened for and who listens.
class FieldChooser : public FieldKindScreen {
public:
    void choose_phone_kind(uint32_t object_id, FieldKindListener& listener) override {
        opened_for.push_back(object_id);
        this->listener = &listener;
    }
    std::vector<uint32_t> opened_for;
    FieldKindListener* listener = nullptr;
};

RecentCall call_from(std::u16string number, int64_t start, int32_t direction = 0) {
    RecentCall call;
    call.number_key = number_key(number);
    call.number = std::move(number);
    call.start_time = start;
    call.direction = direction;
    return call;
}

class MainScreen : public ScreenStage {
protected:
    void build(std::vector<Contact> contacts = default_book(),
               std::vector<WString> categories = {}, bool with_sync = false) {
        open_document(std::move(contacts), SortByLastname, std::move(categories));
        load(main_skin());
        MainFormServices services;
        services.call_number = [this](WStringView number) {
            calls.push_back(platform::to_utf8(number));
        };
        services.call_in_progress = [this] { return in_call; };
        if (with_sync) {
            services.sync_now = [this] { ++sync_requests; };
        }
        form = std::make_unique<MainForm>(skin, std::move(services));
        application->add_modal_form(*form, false, false);
    }
    // Plugs in the stand-ins for the contact card and the field-kind chooser.
    void plug_screens() {
        auto card = std::make_unique<ContactCard>();
        cards = card.get();
        form->screens().contact = std::move(card);
        auto chooser = std::make_unique<FieldChooser>();
        field_chooser = chooser.get();
        form->screens().select_field = std::move(chooser);
    }
    void TearDown() override {
        if (form) {
            while (zentra::Form* top = application->top_form()) {
                application->remove_modal_form(*top, false);
            }
            form.reset();
        }
        ScreenStage::TearDown();
    }
    static std::vector<Contact> default_book() {
        Contact ann = person(1, u"Ann", u"Adams");
        ann.fields.push_back(ContactField(FieldKind::Mobile, u"555 0101"));
        Contact bob = person(2, u"Bob", u"Brown");
        bob.fields.push_back(ContactField(FieldKind::Categories, u"Work"));
        return {ann, bob, person(3, u"Cid", u"Cole")};
    }
    bool shown(zentra::Node* node) const { return node != nullptr && node->visible(); }
    // The state child a tab shows.
    int shown_state(MainForm::Tab tab) const {
        for (int i = 0; i < 3; ++i) {
            const std::u16string name = u"#state" + std::u16string(1, char16_t(u'0' + i));
            if (form->tab_node(tab)->find(name).visible())
                return i;
        }
        return -1;
    }
    bool key(int code) {
        zentra::KeyEvent down;
        down.key = code;
        down.down = true;
        const bool taken = application->on_key(down);
        zentra::KeyEvent up;
        up.key = code;
        application->on_key(up);
        return taken;
    }
    std::vector<std::string> menu_keys(zentra::Menu& menu) {
        std::vector<std::string> keys;
        for (const auto& item : menu.items()) {
            keys.push_back(platform::to_utf8(item.key) + (item.checked ? "*" : ""));
        }
        return keys;
    }
    // Chooses a row of the menu on top as a tap would.
    void choose(const char16_t* key) {
        auto* menu = dynamic_cast<zentra::Menu*>(application->top_form());
        ASSERT_NE(menu, nullptr) << "no menu open";
        for (size_t i = 0; i < menu->items().size(); ++i) {
            if (menu->items()[i].key == key) {
                menu->on_item_click(menu->list(), static_cast<int>(i));
                return;
            }
        }
        ADD_FAILURE() << "no row " << platform::to_utf8(key);
    }

    SpinnerType m_spinner;
    std::unique_ptr<MainForm> form;
    std::vector<std::string> calls;
    bool in_call = false;
    int sync_requests = 0;
    ContactCard* cards = nullptr;
    FieldChooser* field_chooser = nullptr;
};

TEST_F(MainScreen, TabsShowTheirContainersAndStates) {
    build();
    EXPECT_EQ(form->current_tab(), MainForm::Contacts);
    EXPECT_EQ(shown_state(MainForm::Contacts), 2);
    EXPECT_TRUE(shown(form->contacts().root()));
    EXPECT_FALSE(shown(form->recents_node()));
    EXPECT_FALSE(shown(form->keyboard().root()));

    form->press_tab(MainForm::Favorites);
    EXPECT_EQ(shown_state(MainForm::Contacts), 0);
    EXPECT_EQ(shown_state(MainForm::Favorites), 1);
    EXPECT_FALSE(shown(form->contacts().root()));
    EXPECT_TRUE(shown(form->favorites_list_node()));
    EXPECT_FALSE(shown(form->favorites_grid_node()));

    form->press_tab(MainForm::Recents);
    EXPECT_EQ(shown_state(MainForm::Favorites), 0);
    EXPECT_EQ(shown_state(MainForm::Recents), 1);
    EXPECT_TRUE(shown(form->recents_node()));
    EXPECT_FALSE(shown(form->favorites_list_node()));
    EXPECT_EQ(application->top_form(), form.get());
    form->press_tab(MainForm::Recents);
    EXPECT_EQ(application->top_form(), &form->recents_menu()) << "a second press opens its menu";
    EXPECT_EQ(menu_keys(form->recents_menu()),
              (std::vector<std::string>{"menuFilter", "menuDeleteAll", "Cancel"}));
}

TEST_F(MainScreen, TheFavouritesTabFlipsItsModeOnASecondPressAndKeepsIt) {
    build();
    form->press_tab(MainForm::Favorites);
    EXPECT_EQ(form->favorite_mode(), 1) << "the first press keeps the stored mode";
    form->press_tab(MainForm::Favorites);
    EXPECT_EQ(form->favorite_mode(), 2);
    EXPECT_EQ(shown_state(MainForm::Favorites), 2);
    EXPECT_TRUE(shown(form->favorites_grid_node()));
    EXPECT_FALSE(shown(form->favorites_list_node()));
    uint32_t stored = 0;
    ASSERT_TRUE(read_dword(MainForm::kSettingsPath, MainForm::kFavoriteMode, stored));
    EXPECT_EQ(stored, 2u);

    application->remove_modal_form(*form, false);
    form.reset();
    form = std::make_unique<MainForm>(skin);
    EXPECT_EQ(form->favorite_mode(), 2) << "the next start shows the flipped mode";
    form->press_tab(MainForm::Favorites);
    EXPECT_EQ(shown_state(MainForm::Favorites), 2);

    write_dword(MainForm::kSettingsPath, MainForm::kFavoriteMode, 0);
    MainForm zero(skin);
    EXPECT_EQ(zero.favorite_mode(), 1) << "a stored 0 counts as 1";
}

TEST_F(MainScreen, TheContactsTabOpensAndClosesTheKeypad) {
    build();
    form->press_tab(MainForm::Contacts);
    EXPECT_EQ(shown_state(MainForm::Contacts), 1);
    EXPECT_TRUE(shown(form->keyboard().root()));
    EXPECT_FALSE(shown(form->ruler()));
    EXPECT_FALSE(shown(form->open_keyboard_button()));
    EXPECT_FALSE(shown(form->contacts().category_button()));

    form->keyboard().set_text(u"2");
    EXPECT_EQ(document->filtered_list().size(), 3u) << "2 is a, b or c: everyone";
    form->keyboard().set_text(u"23");
    EXPECT_EQ(document->filtered_list().size(), 1u) << "a, b or c, then d, e or f: Adams";

    form->press_tab(MainForm::Contacts);
    EXPECT_EQ(shown_state(MainForm::Contacts), 2);
    EXPECT_FALSE(form->keyboard().is_visible());
    EXPECT_EQ(form->keyboard().text(), u"") << "closing empties the keypad";
    EXPECT_EQ(document->filtered_list().size(), 3u);
    EXPECT_TRUE(shown(form->ruler()));
    EXPECT_TRUE(shown(form->open_keyboard_button()));
    EXPECT_TRUE(shown(form->contacts().category_button()));

    // From another tab the contacts tab comes back as the plain list.
    form->press_tab(MainForm::Recents);
    form->press_tab(MainForm::Contacts);
    EXPECT_EQ(shown_state(MainForm::Contacts), 2);
    EXPECT_FALSE(form->keyboard().is_visible());
}

TEST_F(MainScreen, TheKeypadButtonAndItsCallKey) {
    build();
    tap(*form, 90, 95);
    EXPECT_TRUE(form->keyboard().is_visible());
    EXPECT_EQ(shown_state(MainForm::Contacts), 1);
    form->keyboard().set_text(u"5550101");
    const KeyAt call = key_at("button_call");
    tap(*form, call.x, call.y);
    EXPECT_EQ(calls, (std::vector<std::string>{"5550101"}));
    EXPECT_EQ(form->keyboard().text(), u"") << "the keypad is cleared after the call";
}

TEST_F(MainScreen, TheBadgeShowsMissedCallsUntilRecentsIsOpened) {
    build();
    write_dword(kMissedCalls, u"Missed Call Count", 3);
    form->update_missed_calls();
    EXPECT_EQ(form->tab_state(MainForm::Recents), 2);
    EXPECT_EQ(shown_state(MainForm::Recents), 2);
    EXPECT_TRUE(shown(form->badge()));
    EXPECT_EQ(dynamic_cast<zentra::TextNode*>(form->badge())->text(), u"3");

    form->press_tab(MainForm::Recents);
    EXPECT_EQ(missed_call_count(), 0u) << "opening recents resets the count";
    EXPECT_EQ(form->tab_state(MainForm::Recents), 1);
    form->update_missed_calls();
    EXPECT_TRUE(shown(form->badge())) << "the calls new on this visit stay counted";
    EXPECT_EQ(dynamic_cast<zentra::TextNode*>(form->badge())->text(), u"3");
    form->press_tab(MainForm::Favorites);
    EXPECT_FALSE(shown(form->badge())) << "leaving recents: the count was reset";
    EXPECT_EQ(dynamic_cast<zentra::TextNode*>(form->badge())->text(), u"");

    // The call log's hints bring the badge up to date.
    write_dword(kMissedCalls, u"Missed Call Count", 1);
    form->press_tab(MainForm::Contacts);
    document->update_log();
    EXPECT_TRUE(shown(form->badge()));
    EXPECT_EQ(form->tab_state(MainForm::Recents), 2);
}

// The badge the user sees is the one in the state the tab shows.
TEST_F(MainScreen, TheBadgeIsSeenInEveryStateOfTheRecentsTab) {
    build();
    const auto badge_text = [this] {
        zentra::Node* badge = form->badge();
        return badge != nullptr && badge->is_visible()
                   ? dynamic_cast<zentra::TextNode*>(badge)->text()
                   : std::u16string(u"-");
    };
    const auto missed = [](uint32_t count) {
        write_dword(kMissedCalls, u"Missed Call Count", count);
    };
    for (MainForm::Tab tab : {MainForm::Recents, MainForm::Contacts}) {
        form->press_tab(tab);
        EXPECT_EQ(badge_text(), u"-") << "no missed calls, no badge in state " << tab;
    }
    missed(3);
    form->update_missed_calls();
    EXPECT_EQ(shown_state(MainForm::Recents), 2);
    EXPECT_EQ(badge_text(), u"3");

    // A re-read of the log brings two readings; the second, after the reset, must not take
    // away the number the first put up.
    form->press_tab(MainForm::Recents);
    EXPECT_EQ(shown_state(MainForm::Recents), 1);
    EXPECT_EQ(badge_text(), u"3") << "the current tab shows the count too";
    document->update_log();
    EXPECT_EQ(badge_text(), u"3");
    missed(2);
    document->update_log();
    EXPECT_EQ(badge_text(), u"5") << "two more since the tab was opened";
    EXPECT_EQ(missed_call_count(), 0u);
    // While the menu is open the tab stays in state 0, whatever the readings.
    form->press_tab(MainForm::MenuButton);
    form->update_missed_calls();
    EXPECT_EQ(form->tab_state(MainForm::Recents), 0);
    key(key::Backspace);
    EXPECT_EQ(shown_state(MainForm::Recents), 1);

    form->press_tab(MainForm::Contacts);
    EXPECT_EQ(shown_state(MainForm::Recents), 0);
    EXPECT_EQ(badge_text(), u"-");
    // A count the platform keeps below 0 is no missed call.
    missed(0xFFFFFFFFu);
    form->update_missed_calls();
    EXPECT_EQ(shown_state(MainForm::Recents), 0);
    EXPECT_EQ(badge_text(), u"-");
}

TEST_F(MainScreen, TheListsToolsAndTheKeypadBelongToTheContactsTab) {
    build();
    const auto list_tools_shown = [this] {
        return shown(form->ruler()) || shown(form->open_keyboard_button());
    };
    tap(*form, 90, 95);
    form->keyboard().set_text(u"23");
    ASSERT_EQ(document->filtered_list().size(), 1u);

    for (MainForm::Tab other : {MainForm::Favorites, MainForm::Recents}) {
        SCOPED_TRACE(other);
        form->press_tab(other);
        EXPECT_FALSE(shown(form->keyboard().root()));
        EXPECT_FALSE(list_tools_shown());
        EXPECT_TRUE(form->keypad_away());
        EXPECT_EQ(form->keyboard().text(), u"23");
        // Where the keypad button is on the contacts tab, a tap does nothing here.
        tap(*form, 90, 95);
        EXPECT_EQ(form->current_tab(), other);
        EXPECT_EQ(shown_state(MainForm::Contacts), 0) << "one tab lit at a time";
        EXPECT_FALSE(shown(form->keyboard().root()));
        key(key::Backspace);
        EXPECT_EQ(form->keyboard().text(), u"23") << "the keypad is not edited unseen";
        // The contact chooser narrows the same Document with its own keypad.
        document->set_filter_string(u"");

        form->press_tab(MainForm::Contacts);
        EXPECT_EQ(shown_state(MainForm::Contacts), 1);
        EXPECT_TRUE(shown(form->keyboard().root()));
        EXPECT_FALSE(list_tools_shown());
        EXPECT_FALSE(form->keypad_away());
        EXPECT_EQ(form->keyboard().text(), u"23");
        EXPECT_EQ(document->filtered_list().size(), 1u) << "the list is narrowed again";
    }

    // Put away by a new skin too, and typing on another tab goes on with the kept text.
    form->press_tab(MainForm::Favorites);
    skin.send_reload_skin();
    EXPECT_FALSE(shown(form->keyboard().root()));
    EXPECT_FALSE(list_tools_shown());
    EXPECT_TRUE(application->on_text(u"4"));
    EXPECT_EQ(form->current_tab(), MainForm::Contacts);
    EXPECT_EQ(form->keyboard().text(), u"234");
    EXPECT_EQ(shown_state(MainForm::Favorites), 0);

    // Closed, the keypad stays closed across tabs and the plain list comes back.
    form->press_tab(MainForm::Contacts);
    form->press_tab(MainForm::Recents);
    EXPECT_FALSE(list_tools_shown());
    form->press_tab(MainForm::Contacts);
    EXPECT_EQ(shown_state(MainForm::Contacts), 2);
    EXPECT_TRUE(shown(form->ruler()));
    EXPECT_TRUE(shown(form->open_keyboard_button()));
    EXPECT_FALSE(shown(form->keyboard().root()));
    EXPECT_EQ(document->filtered_list().size(), 3u);
}

TEST_F(MainScreen, LeftAndRightWalkTheTabsAndAreAlwaysTaken) {
    build();
    EXPECT_TRUE(key(key::Left));
    EXPECT_EQ(form->current_tab(), MainForm::Contacts);
    EXPECT_TRUE(key(key::Right));
    EXPECT_EQ(form->current_tab(), MainForm::Favorites);
    EXPECT_TRUE(key(key::Right));
    EXPECT_EQ(form->current_tab(), MainForm::Recents);
    EXPECT_TRUE(key(key::Right));
    EXPECT_EQ(form->current_tab(), MainForm::Recents);
    EXPECT_TRUE(key(key::Left));
    EXPECT_EQ(form->current_tab(), MainForm::Favorites);
    // Keys reach the form through the node tree, not as the application's listener.
    zentra::KeyEvent right;
    right.key = key::Right;
    right.down = true;
    EXPECT_FALSE(static_cast<ApplicationListener&>(*form).on_key(right));
    EXPECT_EQ(form->current_tab(), MainForm::Favorites);
}

TEST_F(MainScreen, BackspaceAndTypedTextEditTheKeypad) {
    build();
    // Typing on another tab with the keypad closed goes to the search the user then sees.
    form->press_tab(MainForm::Recents);
    EXPECT_TRUE(application->on_text(u"2"));
    EXPECT_EQ(form->current_tab(), MainForm::Contacts);
    EXPECT_TRUE(form->keyboard().is_visible());
    EXPECT_EQ(form->tab_state(MainForm::Contacts), 1);
    EXPECT_EQ(form->keyboard().text(), u"2");
    form->keyboard().set_text(u"");
    EXPECT_TRUE(application->on_text(u"2"));
    EXPECT_TRUE(application->on_text(u"3"));
    EXPECT_EQ(form->keyboard().text(), u"23");
    EXPECT_EQ(document->filtered_list().size(), 1u);
    EXPECT_TRUE(key(key::Backspace));
    EXPECT_EQ(form->keyboard().text(), u"2");
    EXPECT_EQ(document->filtered_list().size(), 3u);
    EXPECT_TRUE(key(key::Backspace));
    EXPECT_TRUE(key(key::Backspace)) << "taken even with nothing left to remove";
    EXPECT_EQ(form->keyboard().text(), u"");

    // Over the main form a menu gets Backspace itself, and it closes.
    form->press_tab(MainForm::MenuButton);
    ASSERT_EQ(application->top_form(), &form->main_menu());
    key(key::Backspace);
    EXPECT_EQ(application->top_form(), form.get());
    EXPECT_EQ(form->tab_state(MainForm::MenuButton), 0);
    EXPECT_EQ(form->tab_state(MainForm::Contacts), 1) << "the keypad is still open";
}

TEST_F(MainScreen, TheStartUpArgumentPicksATabOrAContact) {
    build();
    auto card = std::make_unique<ContactCard>();
    ContactCard* cards = card.get();
    form->screens().contact = std::move(card);

    form->on_command_line(u"favorites");
    EXPECT_EQ(form->current_tab(), MainForm::Favorites);
    form->on_command_line(u"recents");
    EXPECT_EQ(form->current_tab(), MainForm::Recents);
    form->on_command_line(u"contacts");
    EXPECT_EQ(form->current_tab(), MainForm::Contacts);
    form->on_command_line(u"open:");
    form->on_command_line(u"Contacts");
    EXPECT_EQ(application->top_form(), form.get());
    EXPECT_TRUE(cards->shown.empty());

    form->keyboard().set_text(u"9");
    form->on_command_line(u"open:+1 (555) 0101");
    EXPECT_EQ(cards->shown, (std::vector<std::string>{"1 view"}));
    EXPECT_EQ(form->keyboard().text(), u"") << "opening a card clears the keypad";

    form->on_command_line(u"open:5559999");
    EXPECT_EQ(form->pending_number(), u"5559999");
    ASSERT_EQ(application->top_form(), &form->main_menu());
    EXPECT_EQ(menu_keys(form->main_menu()),
              (std::vector<std::string>{"Add2NewContact", "Add2Existing", "Cancel"}));
    choose(u"Add2Existing");
    EXPECT_EQ(application->top_form(), &form->selector_form()) << "the contact chooser";
}

TEST_F(MainScreen, TheMainMenuFollowsTheSettings) {
    build();
    form->press_tab(MainForm::MenuButton);
    EXPECT_EQ(form->tab_state(MainForm::MenuButton), 1);
    EXPECT_EQ(form->tab_state(MainForm::Contacts), 0) << "while its menu is open";
    EXPECT_EQ(menu_keys(form->main_menu()),
              (std::vector<std::string>{"Magic4Buttons", "Settings", "Dialer*", "Cancel"}));
    choose(u"Dialer");
    EXPECT_FALSE(document->dialer());
    EXPECT_EQ(menu_keys(form->main_menu()),
              (std::vector<std::string>{"Magic4Buttons", "Settings", "Dialer", "Cancel"}))
        << "the menu stays open and the check mark follows";
    choose(u"Settings");
    EXPECT_EQ(form->tab_state(MainForm::MenuButton), 0);
    EXPECT_EQ(form->tab_state(MainForm::Contacts), 2) << "the tab gets its state back";
    choose(u"Sort");
    EXPECT_EQ(menu_keys(form->main_menu()),
              (std::vector<std::string>{"SortByFirstname", "SortByLastname*", "SortByCompany",
                                        "Cancel"}));
    choose(u"SortByCompany");
    EXPECT_EQ(document->sorting(), SortByCompany);
    EXPECT_EQ(application->top_form(), form.get()) << "a command closes the menu";

    in_call = true;
    form->press_tab(MainForm::MenuButton);
    EXPECT_EQ(menu_keys(form->main_menu())[3], "skinBackToCall");
}

TEST_F(MainScreen, SyncNowIsOfferedWithAnAccountAndItsLineTellsHowPassesGo) {
    // Without an account the menu has no such row (TheMainMenuFollowsTheSettings).
    build(default_book(), {}, true);
    form->press_tab(MainForm::MenuButton);
    EXPECT_EQ(menu_keys(form->main_menu()),
              (std::vector<std::string>{"Magic4Buttons", "Settings", "Dialer*", "SyncNow", "Cancel"}));
    choose(u"SyncNow");
    EXPECT_EQ(sync_requests, 1);
    EXPECT_EQ(application->top_form(), form.get()) << "the pass runs on its own; the menu closes";

    skin.set_dictionary({{u"SyncProgress", u"%d of %d"},
                         {u"SyncDone", u"%d here, %d there"},
                         {u"SyncFailed", u"stopped: %s"}});
    zentra::ButtonNode* line = form->sync_line().node();
    ASSERT_NE(line, nullptr);
    const auto shown_text = [&]() -> std::u16string {
        return line->visible() ? line->find<zentra::TextNode>(u"sync_status").text() : u"-";
    };
    using Phase = SyncState::Phase;
    EXPECT_EQ(shown_text(), u"-") << "no pass yet";
    form->show_sync({Phase::running, 1200, 10000, 0, 0, {}});
    EXPECT_EQ(shown_text(), u"1200 of 10000");
    form->show_sync({Phase::done, 0, 0, 3, 1, {}});
    run_for(static_cast<uint32_t>(SyncStatusLine::kDoneSeconds * 1000) - 10);
    EXPECT_EQ(shown_text(), u"3 here, 1 there");
    run_for(20);
    EXPECT_EQ(shown_text(), u"-") << "a complete pass's line goes by itself";

    // A pass cut off keeps its reason in sight, across a new skin, until a tap.
    form->show_sync({Phase::failed, 0, 0, 0, 0, u"no network"});
    run_for(60000);
    form->bind();
    line = form->sync_line().node();
    EXPECT_EQ(shown_text(), u"stopped: no network");
    application->advance(0);
    tap(*form, 50, 5);
    EXPECT_EQ(shown_text(), u"-");
}

TEST_F(MainScreen, TheCategoryMenuNarrowsTheListAndTitlesIt) {
    build(default_book(), {u"Work", u"Family"});
    form->on_category(form->contacts());
    EXPECT_EQ(menu_keys(form->main_menu()),
              (std::vector<std::string>{"skinNoCategory*", "Work", "Family", "skinReturn"}));
    choose(u"Work");
    EXPECT_EQ(document->category_filter(), u"Work");
    EXPECT_EQ(document->filtered_list().size(), 1u);
    EXPECT_EQ(dynamic_cast<zentra::TextNode*>(form->contacts().title())->text(), u"Work");
    EXPECT_EQ(form->tab_state(MainForm::Contacts), 2) << "the tab keeps its state";

    form->open_menu(u"Categories");
    choose(u"skinReturn");
    EXPECT_EQ(document->category_filter(), u"Work") << "return leaves the category";
    // The keypad searches every contact and gives the category back when it closes.
    form->show_keyboard();
    EXPECT_EQ(document->filtered_list().size(), 3u);
    form->keyboard().close(false);
    EXPECT_EQ(document->filtered_list().size(), 1u);
    EXPECT_EQ(dynamic_cast<zentra::TextNode*>(form->contacts().title())->text(), u"Work");
}

TEST_F(MainScreen, AddContactWithTypedDigitsOffersToAddTheNumber) {
    build();
    form->show_keyboard();
    form->keyboard().set_text(u"555");
    form->on_add_contact(form->contacts());
    EXPECT_EQ(form->pending_number(), u"555");
    EXPECT_EQ(menu_keys(form->main_menu()),
              (std::vector<std::string>{"Add2NewContact", "Add2Existing", "Cancel"}));
}

TEST_F(MainScreen, AReloadShowsWhatTheScreenShowedBefore) {
    build(default_book(), {u"Work"});
    const auto title = [this] {
        return dynamic_cast<zentra::TextNode*>(form->contacts().title())->text();
    };
    // Another tab with the menu open: the tab stays, the menu leaves the stack.
    form->press_tab(MainForm::Favorites);
    form->press_tab(MainForm::MenuButton);
    ASSERT_EQ(application->top_form(), &form->main_menu());
    skin.send_reload_skin();
    EXPECT_EQ(application->form_count(), 1);
    EXPECT_EQ(form->current_tab(), MainForm::Favorites);
    EXPECT_EQ(shown_state(MainForm::Favorites), 1);
    EXPECT_EQ(shown_state(MainForm::MenuButton), 0);
    EXPECT_TRUE(shown(form->favorites_list_node()));
    EXPECT_FALSE(shown(form->contacts().root()));

    // A category: the list stays narrowed and the new title says so.
    form->press_tab(MainForm::Contacts);
    form->on_category(form->contacts());
    choose(u"Work");
    skin.send_reload_skin();
    EXPECT_EQ(form->contacts().root(), &form->find(u"ContactSelectorContainer"));
    EXPECT_EQ(document->filtered_list().size(), 1u);
    EXPECT_EQ(title(), u"Work");
    EXPECT_TRUE(shown(form->ruler()));

    // The keypad with typed text: still open over the list, with the text that filters it.
    form->press_tab(MainForm::Contacts);  // pressed again: the keypad
    form->keyboard().set_text(u"2");
    const size_t filtered = document->filtered_list().size();
    skin.send_reload_skin();
    EXPECT_TRUE(form->keyboard().is_visible());
    EXPECT_EQ(form->keyboard().text(), u"2");
    EXPECT_EQ(document->filtered_list().size(), filtered);
    EXPECT_EQ(title(), ContactSelectorContainer::kAllContacts);
    EXPECT_FALSE(shown(form->ruler()));
    EXPECT_FALSE(shown(form->open_keyboard_button()));
    EXPECT_FALSE(shown(form->contacts().category_button()));
    EXPECT_EQ(shown_state(MainForm::Contacts), 1);
    form->keyboard().close(false);
    EXPECT_EQ(title(), u"Work");
}

TEST_F(MainScreen, TheChooserNarrowsWithItsOwnKeypadAndCancels) {
    build(default_book(), {u"Work"});
    form->on_category(form->contacts());
    choose(u"Work");
    ASSERT_EQ(document->filtered_list().size(), 1u);
    form->on_command_line(u"open:5559999");
    choose(u"Add2Existing");
    ContactSelectorForm& chooser = form->selector_form();
    ASSERT_EQ(application->top_form(), &chooser);
    EXPECT_EQ(document->filtered_list().size(), 3u) << "the chooser offers every contact";
    EXPECT_FALSE(chooser.container().top()->visible());
    EXPECT_FALSE(chooser.keyboard().is_visible());

    tap(chooser, 90, 95);  // its keypad button
    EXPECT_TRUE(chooser.keyboard().is_visible());
    EXPECT_FALSE(chooser.ruler()->visible());
    EXPECT_FALSE(chooser.open_keyboard_button()->visible());
    const KeyAt key = key_at("button2");
    tap(chooser, key.x, key.y);
    const KeyAt three = key_at("button3");
    tap(chooser, three.x, three.y);
    EXPECT_EQ(document->filtered_list().size(), 1u) << "23: Adams";
    chooser.keyboard().close(false);
    EXPECT_TRUE(chooser.ruler()->visible());
    EXPECT_TRUE(chooser.open_keyboard_button()->visible());

    tap(chooser, 5, 95);  // cancel
    EXPECT_EQ(application->top_form(), form.get());
    EXPECT_EQ(document->filtered_list().size(), 1u) << "the category is applied again";
}

// Stands in for the recents list: binds the skin's container and keeps its filter.
class Recents : public RecentsScreen {
public:
    void bind(zentra::Node& parent, zentra::Properties&) override {
        m_root = &parent.find(u"RecentsContainer");
    }
    zentra::Node* root() const override { return m_root; }
    int32_t direction_filter() const override { return filter; }
    void set_direction_filter(int32_t value) override { filter = value; }
    bool passes(const RecentCall& call) const override {
        return filter == 255 || call.direction == filter;
    }
    void refill() override { ++refills; }

    int32_t filter = 255;
    int refills = 0;

private:
    zentra::Node* m_root = nullptr;
};

TEST_F(MainScreen, TheRecentsMenuSetsTheListsFilterAndDeletesWhatPassesIt) {
    initial_calls = {call_from(u"555 0101", 300, 1), call_from(u"5559999", 200, 0)};
    build();
    auto owned = std::make_unique<Recents>();
    Recents* recents = owned.get();
    form->set_recents(std::move(owned));
    form->press_tab(MainForm::Recents);
    EXPECT_TRUE(shown(recents->root())) << "the plugged-in list is the one shown";
    form->press_tab(MainForm::Recents);
    choose(u"menuFilter");
    choose(u"menuOutgoing");
    EXPECT_EQ(recents->filter, 1);
    EXPECT_EQ(recents->refills, 1);
    EXPECT_EQ(application->top_form(), form.get());
    form->press_tab(MainForm::Recents);
    choose(u"menuDeleteAll");
    EXPECT_EQ(form->recents_menu().items().front().row_style, u"MenuElementRed");
    choose(u"ReallyDelete");
    EXPECT_EQ(recents->refills, 2);
    ASSERT_EQ(document->recent_calls().size(), 1u) << "the log is read again";
    EXPECT_EQ(document->recent_calls()[0].number, u"5559999");
}

TEST_F(MainScreen, APendingNumberGoesToTheChosenContactOrToANewOne) {
    build();
    plug_screens();
    form->on_command_line(u"open:5559999");
    choose(u"Add2Existing");
    form->on_contact_selected(form->selector_form().container(), *document->find_entry(2));
    ASSERT_EQ(field_chooser->opened_for, (std::vector<uint32_t>{2}));
    field_chooser->listener->on_field_kind_chosen(2, FieldKind::HomeTel);
    ASSERT_EQ(store->saved.size(), 1u);
    EXPECT_EQ(store->saved[0].object_id, 2u);
    EXPECT_EQ(store->saved[0].fields.back(), ContactField(FieldKind::HomeTel, u"5559999"));
    EXPECT_EQ(form->pending_number(), u"");

    // The contact is deleted while the chooser is open: nothing is saved in its name.
    form->on_command_line(u"open:5558888");
    choose(u"Add2Existing");
    form->on_contact_selected(form->selector_form().container(), *document->find_entry(3));
    document->on_contact_removed(3);
    field_chooser->listener->on_field_kind_chosen(3, FieldKind::Mobile);
    EXPECT_EQ(store->saved.size(), 1u);
    EXPECT_EQ(form->pending_number(), u"");

    // A new contact is made with the number and opened for editing.
    form->on_command_line(u"open:5557777");
    choose(u"Add2NewContact");
    EXPECT_EQ(field_chooser->opened_for.back(), 0u);
    field_chooser->listener->on_field_kind_chosen(0, FieldKind::Mobile);
    ASSERT_EQ(store->created.size(), 1u);
    EXPECT_EQ(store->created[0].fields,
              (std::vector<ContactField>{{FieldKind::Mobile, u"5557777"}}));
    EXPECT_EQ(cards->shown, (std::vector<std::string>{"1000 edit"}));
}

TEST_F(MainScreen, TheRecentsEntryMenusActOnTheTappedCallAfterTheLogIsReadAgain) {
    initial_calls = {call_from(u"555 0101", 300), call_from(u"5559999", 200)};
    build();
    plug_screens();
    document->set_current_recent(document->recent_calls()[1]);
    // A new call arrives and the log is read again before the menu opens.
    call_log->calls.insert(call_log->calls.begin(), call_from(u"5551234", 400));
    document->update_log();
    form->open_menu(u"RecentClickUnknownContact");
    EXPECT_EQ(form->pending_number(), u"5559999");
    EXPECT_EQ(menu_keys(form->main_menu()),
              (std::vector<std::string>{"Add2NewContact", "Add2Existing", "SendSMS", "Cancel"}));
    choose(u"Cancel");

    document->set_current_recent(document->recent_calls()[1]);
    document->update_log();
    form->open_menu(u"RecentClickKnownContact");
    choose(u"OpenContact");
    EXPECT_EQ(cards->shown, (std::vector<std::string>{"1 view"}));
    ASSERT_NE(document->current_contact(), nullptr);
    EXPECT_EQ(document->current_contact()->contact.object_id, 1u);
}

TEST_F(MainScreen, ASkinWithoutANodeNamesIt) {
    open_document(default_book());
    load("define Main { node { string type = \"node\" string id = \"nothing\" } }\n" +
         contact_row_source());
    try {
        MainForm broken(skin);
        FAIL() << "built without its nodes";
    } catch (const zentra::NodeNotFound& missing) {
        EXPECT_EQ(missing.name, u"CallForm");
    } catch (const zentra::NodeNotFoundInSkin& missing) {
        // The call screen is built first, as the main form's first member.
        EXPECT_EQ(missing.name, u"CallForm");
    }
}

}  // namespace
}  // namespace screens_test

// The recents screens against a small skin: calls folded into rows per number, day and
// direction, the direction filter, the row's taps, following the call log and its contacts,
// and the history of one contact or number with its menu, its deletes and its delete mode.

#include "screens/contact_recents_form.h"
#include "screens/recents_container.h"

#include "screens/date_time_count.h"
#include "screens/main_form.h"
#include "skin/text_node.h"
#include "skin/vlist.h"
#include "tests/screens/main_form_support.h"

namespace screens_test {
namespace {

constexpr int64_t kMinute = 600000000LL;
// 2026-12-07 00:00, local time.
const int64_t kToday = file_time_of_count(count_of_date({2026, 12, 7, 0, 0}));

int64_t when(int day, int hour, int minute) {
    return kToday + day * kFileTimeDay + (hour * 60 + minute) * kMinute;
}

RecentCall call(std::u16string number, int64_t start, int32_t direction = RecentCall::Incoming,
                int32_t duration = 75) {
    RecentCall made;
    made.number_key = number_key(number);
    made.number = std::move(number);
    made.start_time = start;
    made.direction = direction;
    made.duration = duration;
    return made;
}

// Day first, as in much of Europe.
platform::DateLocale dotted_locale() {
    std::array<WString, 12> months;
    for (auto& month : months) {
        month = u"M";
    }
    return platform::DateLocale("%d.%m.%Y", months, months);
}

std::string text_of(const zentra::Node& node) {
    return platform::to_utf8(dynamic_cast<const zentra::TextNode&>(node).text());
}

// A row as "name|count|date or time|duration|label|direction".
std::string describe(const RecentRow& row) {
    return platform::to_utf8(row.firstlast + u"|" + row.count_text + u"|" + row.datetime + u"|" +
                             row.duration + u"|" + row.phone + u"|") +
           std::to_string(row.direction);
}

std::vector<std::string> describe(const std::vector<RecentRow>& rows) {
    std::vector<std::string> out;
    for (const RecentRow& row : rows) {
        out.push_back(describe(row));
    }
    return out;
}

TEST(RecentRows, FoldPerNumberDayAndDirection) {
    const platform::DateLocale locale = dotted_locale();
    RecentTextFormat format;
    format.locale = &locale;
    format.today_start = kToday;
    struct Case {
        const char* what;
        std::vector<RecentCall> calls;  // newest first, as the log hands them out
        int32_t filter;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"two answered and one missed today give two rows",
         {call(u"5550101", when(0, 12, 0)), call(u"5550101", when(0, 11, 0), RecentCall::Missed),
          call(u"5550101", when(0, 10, 0), RecentCall::Incoming, 5)},
         kAllCalls,
         {"5550101| (2)|12:00|01:15||0", "5550101||11:00|01:15||1"}},
        {"23:59 yesterday and 00:01 today stay apart; the older shows its date",
         {call(u"5550101", when(0, 0, 1)), call(u"5550101", when(-1, 23, 59))},
         kAllCalls,
         {"5550101||00:01|01:15||0", "5550101||06.12|01:15||0"}},
        {"a number in between does not split a row; the row of the newest call is on top",
         {call(u"5550101", when(0, 9, 0)), call(u"5550202", when(0, 8, 0)),
          call(u"5550101", when(0, 7, 0))},
         kAllCalls,
         {"5550101| (2)|09:00|01:15||0", "5550202||08:00|01:15||0"}},
        {"the same number in two directions makes two rows",
         {call(u"5550101", when(0, 9, 0), RecentCall::Outgoing), call(u"5550101", when(0, 8, 0))},
         kAllCalls,
         {"5550101||09:00|01:15||2", "5550101||08:00|01:15||0"}},
        {"rejected shows the missed calls only",
         {call(u"5550101", when(0, 9, 0), RecentCall::Outgoing),
          call(u"5550101", when(0, 8, 0), RecentCall::Missed), call(u"5550202", when(0, 7, 0)),
          call(u"5550101", when(-3, 8, 0), RecentCall::Missed)},
         2,
         {"5550101||08:00|01:15||1", "5550101||04.12|01:15||1"}},
        {"outgoing shows direction 2, incoming direction 0",
         {call(u"5550101", when(0, 9, 0), RecentCall::Outgoing),
          call(u"5550101", when(0, 8, 0), RecentCall::Missed), call(u"5550202", when(0, 7, 0))},
         1,
         {"5550101||09:00|01:15||2"}},
        {"incoming",
         {call(u"5550101", when(0, 9, 0), RecentCall::Outgoing),
          call(u"5550101", when(0, 8, 0), RecentCall::Missed), call(u"5550202", when(0, 7, 0))},
         0,
         {"5550202||07:00|01:15||0"}},
        {"a long call shows its hours",
         {call(u"5550101", when(0, 9, 0), 0, 3725)},
         kAllCalls,
         {"5550101||09:00|1:02:05||0"}},
        {"an empty log", {}, kAllCalls, {}},
    };
    for (const Case& c : cases) {
        std::vector<RecentCall> calls = c.calls;
        for (size_t i = 0; i < calls.size(); ++i) {
            calls[i].index = static_cast<int32_t>(i);
        }
        EXPECT_EQ(describe(fold_recent_calls(calls, c.filter, format)), c.rows) << c.what;
    }
}

TEST(RecentRows, ARowNamesTheContactAndItsFieldLabel) {
    const platform::DateLocale locale = dotted_locale();
    RecentTextFormat format;
    format.locale = &locale;
    format.today_start = kToday;
    format.translate = [](WStringView key) { return u"<" + WString(key) + u">"; };
    ContactEntry ann;
    ann.contact = person(1, u"Ann", u"Adams");
    ContactEntry nameless;
    nameless.contact = person(2, u"", u"");
    std::vector<RecentCall> calls = {call(u"5550101", when(0, 9, 0)),
                                     call(u"5550202", when(0, 8, 0))};
    calls[0].contact = &ann;
    calls[0].field_label = u"Mobile";
    calls[1].index = 1;
    calls[1].contact = &nameless;
    calls[1].field_label = u"HomeTel";
    EXPECT_EQ(describe(fold_recent_calls(calls, kAllCalls, format)),
              (std::vector<std::string>{"Ann Adams||09:00|01:15|<Mobile>|0",
                                        "5550202||08:00|01:15|<HomeTel>|0"}));
}

// Stands in for the history form the list opens.
class History : public ContactRecentsScreen {
public:
    void open_contact(const Contact& contact) override {
        opened.push_back("contact " + std::to_string(contact.object_id));
    }
    void open_number(WStringView number) override {
        opened.push_back("number " + platform::to_utf8(number));
    }
    std::vector<std::string> opened;
};

Contact ann() {
    return person(1, u"Ann", u"Adams", u"", {{FieldKind::Mobile, u"555 0101"}});
}
Contact bob() {
    return person(2, u"Bob", u"Brown", u"Acme", {{FieldKind::HomeTel, u"555 0202"}});
}

class RecentsTest : public ScreenStage {
protected:
    void TearDown() override {
        while (zentra::Form* top = application->top_form()) {
            application->remove_modal_form(*top, false);
        }
        container.reset();
        main.reset();
        history_form.reset();
        main_form.reset();
        ScreenStage::TearDown();
    }
    void build(std::vector<RecentCall> calls, std::vector<Contact> contacts = {ann(), bob()}) {
        initial_calls = std::move(calls);
        open_document(std::move(contacts));
        load("define Main { point design_size = 100, 100\n" + recents_container_source() + "}\n" +
             recents_definitions() + card_menu_source());
        main = std::make_unique<zentra::Form>();
        zentra::load_from_skin(*main, skin, u"Main");
        application->add_modal_form(*main, false, false);
        container = std::make_unique<RecentsContainer>(
            history, [this](WStringView name) { menus.push_back(platform::to_utf8(name)); },
            [this](WStringView number) { dialled.push_back(platform::to_utf8(number)); });
        container->set_clock([] { return when(0, 12, 0); });
        container->set_date_locale(dotted_locale());
        container->bind(*main, skin);
        lay_out();
    }
    void lay_out() {
        zentra::layout_root(*main, {0, 0}, {100, 100});
        container->list()->fill();
    }
    RecentsListElement& row(int index) {
        auto* element = dynamic_cast<RecentsListElement*>(container->list()->element_for(index));
        EXPECT_NE(element, nullptr) << "no row " << index;
        return *element;
    }
    std::vector<std::string> rows() { return describe(container->rows()); }

    History history;
    std::unique_ptr<zentra::Form> main;
    std::unique_ptr<RecentsContainer> container;
    std::unique_ptr<ContactRecentsForm> history_form;
    std::unique_ptr<MainForm> main_form;
    std::vector<std::string> menus;
    std::vector<std::string> dialled;
};

TEST_F(RecentsTest, TheListShowsTheFoldedRows) {
    build({call(u"555 0101", when(0, 11, 0)), call(u"5559999", when(0, 10, 30), 1),
           call(u"555 0101", when(0, 10, 0))});
    EXPECT_EQ(rows(), (std::vector<std::string>{"Ann Adams| (2)|11:00|01:15|Mobile|0",
                                                "5559999||10:30|01:15||1"}));
    EXPECT_EQ(container->list()->item_count(), 2);
    EXPECT_EQ(text_of(row(0).firstlast()), "Ann Adams");
    EXPECT_EQ(text_of(row(0).count()), " (2)");
    EXPECT_EQ(text_of(row(1).count()), "");
    EXPECT_EQ(row(1).direction().current(), 1);
}

TEST_F(RecentsTest, AReadLogMovesTheRowOfANewCallToTheTopWithItsCountRaised) {
    build({call(u"5551111", when(0, 11, 0)), call(u"5552222", when(0, 10, 0)),
           call(u"5553333", when(0, 9, 0))});
    container->list()->scroll_to(1);
    call_log->calls.insert(call_log->calls.begin(), call(u"5552222", when(0, 11, 30)));
    document->update_log();
    lay_out();
    EXPECT_EQ(rows(),
              (std::vector<std::string>{"5552222| (2)|11:30|01:15||0", "5551111||11:00|01:15||0",
                                        "5553333||09:00|01:15||0"}));
    EXPECT_EQ(container->list()->first(), -1) << "the list starts at its top again";
    EXPECT_EQ(text_of(row(0).count()), " (2)");
}

TEST_F(RecentsTest, ANewContactRenamesTheRowsOfItsNumber) {
    build({call(u"5553333", when(0, 11, 0)), call(u"5554444", when(0, 10, 0))});
    Contact cid = person(3, u"Cid", u"Cole", u"", {{FieldKind::Mobile, u"555 3333"}});
    document->on_contact_created(cid);
    lay_out();
    EXPECT_EQ(rows(), (std::vector<std::string>{"Cid Cole||11:00|01:15|Mobile|0",
                                                "5554444||10:00|01:15||0"}));
    EXPECT_EQ(text_of(row(0).firstlast()), "Cid Cole");
    EXPECT_EQ(text_of(row(0).phone()), "Mobile");
}

TEST_F(RecentsTest, ARowCallsBackTheIconOpensTheNumbersMenuTheButtonItsHistory) {
    build({call(u"555 0101", when(0, 11, 0)), call(u"5559999", when(0, 10, 0))});
    tap(*main, 10, 15);  // the second row's name
    EXPECT_EQ(dialled, (std::vector<std::string>{"5559999"}));
    tap(*main, 65, 5);  // the first row's icon
    tap(*main, 65, 15);
    EXPECT_EQ(menus,
              (std::vector<std::string>{"RecentClickKnownContact", "RecentClickUnknownContact"}));
    ASSERT_NE(document->current_recent(), nullptr);
    EXPECT_EQ(document->current_recent()->number, u"5559999");
    EXPECT_EQ(row(0).direction().current(), 0) << "the icon still shows the direction";
    tap(*main, 95, 5);
    tap(*main, 95, 15);
    EXPECT_EQ(history.opened, (std::vector<std::string>{"contact 1", "number 5559999"}));
    EXPECT_EQ(dialled.size(), 1u) << "the buttons do not call";
    // A call without a number is not called back.
    call_log->calls.insert(call_log->calls.begin(), call(u"Unknown", when(0, 11, 30), 1));
    document->update_log();
    lay_out();
    tap(*main, 10, 5);
    EXPECT_EQ(dialled.size(), 1u);
    // A row whose call the log no longer holds does nothing.
    call_log->calls.clear();
    document->recent_calls().clear();
    container->open_history(0);
    container->direction_clicked(1);
    container->call_back(5);
    EXPECT_EQ(history.opened.size(), 2u);
    EXPECT_EQ(menus.size(), 2u);
    EXPECT_EQ(dialled.size(), 1u);
}

TEST_F(RecentsTest, ANewMainScreenIsBoundWithoutTouchingTheOldOne) {
    build({call(u"5551111", when(0, 11, 0))});
    // A new skin: the main screen is loaded anew, the old tree (and its list) goes first.
    application->remove_modal_form(*main, false);
    main = std::make_unique<zentra::Form>();
    zentra::load_from_skin(*main, skin, u"Main");
    application->add_modal_form(*main, false, false);
    container->bind(*main, skin);  // the sanitizer runs catch a touch of the freed list
    lay_out();
    EXPECT_EQ(container->list(), &main->find<zentra::VList>(u"RecentsList"));
    EXPECT_EQ(text_of(row(0).firstlast()), "5551111");
}

// The history form, over the same skin.
class HistoryTest : public RecentsTest {
protected:
    void build_history(std::vector<RecentCall> calls) {
        build(std::move(calls));
        history_form = std::make_unique<ContactRecentsForm>(
            skin, [this](WStringView number) { dialled.push_back(platform::to_utf8(number)); });
        history_form->set_date_locale(dotted_locale());
    }
    void lay_out_history() {
        zentra::layout_root(*history_form, {0, 0}, {100, 100});
        history_form->list().fill();
    }
    std::vector<std::string> shown() {
        std::vector<std::string> out;
        for (const auto& row : history_form->rows()) {
            out.push_back(platform::to_utf8(row.number + u" " + row.call_info) + " " +
                          std::to_string(row.direction));
        }
        return out;
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
    void open_menu() { tap(*history_form, 85, 5); }
    SimpleRecentsListElement& call_row(int index) {
        auto* element =
            dynamic_cast<SimpleRecentsListElement*>(history_form->list().element_for(index));
        EXPECT_NE(element, nullptr) << "no call row " << index;
        return *element;
    }
    std::vector<std::string> logged() {
        std::vector<std::string> out;
        for (const RecentCall& c : call_log->calls) {
            out.push_back(platform::to_utf8(c.number) + " " +
                          platform::to_utf8(RecentTextFormat::time_text(c.start_time)));
        }
        return out;
    }
    std::vector<RecentCall> mixed_log() {
        return {call(u"555 0101", when(0, 11, 0)), call(u"5559999", when(0, 10, 30)),
                call(u"555 0101", when(0, 10, 0), RecentCall::Missed),
                call(u"555 0202", when(0, 9, 30)), call(u"555 0101", when(-1, 9, 0), 0, 3725)};
    }
};

TEST_F(HistoryTest, AContactsHistoryListsItsCallsNewestFirstWithoutFolding) {
    build_history(mixed_log());
    history_form->open_contact(document->find_entry(1)->contact);
    lay_out_history();
    EXPECT_EQ(application->top_form(), history_form.get());
    EXPECT_EQ(shown(), (std::vector<std::string>{"555 0101 07.12.2026; 11:00; 01:15 0",
                                                 "555 0101 07.12.2026; 10:00; 01:15 1",
                                                 "555 0101 06.12.2026; 09:00; 1:02:05 0"}));
    EXPECT_EQ(history_form->list().item_count(), 4);
    auto* head = dynamic_cast<SimpleContactHead*>(history_form->list().element_for(0));
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(text_of(head->find(u"lastname")), "Adams");
    EXPECT_FALSE(call_row(1).remove_button().visible());
    tap(*history_form, 10, 45);  // the second call
    EXPECT_EQ(dialled, (std::vector<std::string>{"555 0101"}));
    tap(*history_form, 10, 15);  // the head
    EXPECT_EQ(dialled.size(), 1u);

    history_form->open_number(u"5559999");
    EXPECT_TRUE(history_form->number_mode());
    EXPECT_EQ(shown(), (std::vector<std::string>{"5559999 07.12.2026; 10:30; 01:15 0"}));
}

TEST_F(HistoryTest, TheFilterNarrowsTheCallsAndReallyDeleteTakesOnlyThose) {
    build_history(mixed_log());
    history_form->open_contact(document->find_entry(1)->contact);
    open_menu();
    EXPECT_EQ(application->top_form(), &history_form->menu());
    choose(u"menuFilter");
    choose(u"menuRejected");
    EXPECT_EQ(history_form->edit_mode_node().current(), 0);
    EXPECT_EQ(shown(), (std::vector<std::string>{"555 0101 07.12.2026; 10:00; 01:15 1"}));
    open_menu();
    choose(u"menuDeleteAll");
    EXPECT_EQ(history_form->menu().items().front().row_style, u"MenuElementRed");
    choose(u"ReallyDelete");
    EXPECT_EQ(logged(), (std::vector<std::string>{"555 0101 11:00", "5559999 10:30",
                                                  "555 0202 09:30", "555 0101 09:00"}));
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(history_form->edit_mode_node().current(), 0);
    EXPECT_EQ(application->top_form(), history_form.get());

    // Leaving forgets the filter.
    tap(*history_form, 5, 5);
    EXPECT_EQ(application->top_form(), main.get());
    EXPECT_EQ(history_form->direction_filter(), kAllCalls);
    history_form->open_contact(document->find_entry(1)->contact);
    EXPECT_EQ(shown().size(), 2u);
}

TEST_F(HistoryTest, DeleteModeRemovesOneCallAtATime) {
    build_history(mixed_log());
    history_form->open_contact(document->find_entry(1)->contact);
    lay_out_history();
    open_menu();
    choose(u"menuDelete");
    EXPECT_TRUE(history_form->delete_mode());
    EXPECT_EQ(application->top_form(), history_form.get());
    EXPECT_EQ(history_form->edit_mode_node().current(), 1);
    EXPECT_TRUE(history_form->padding().visible());
    EXPECT_FALSE(history_form->cancel_button().visible());
    lay_out_history();
    EXPECT_TRUE(call_row(2).remove_button().visible());

    tap(*history_form, 95, 45);  // the remove button of the second call
    EXPECT_EQ(logged(), (std::vector<std::string>{"555 0101 11:00", "5559999 10:30",
                                                  "555 0202 09:30", "555 0101 09:00"}));
    EXPECT_EQ(shown(), (std::vector<std::string>{"555 0101 07.12.2026; 11:00; 01:15 0",
                                                 "555 0101 06.12.2026; 09:00; 1:02:05 0"}));
    EXPECT_EQ(history_form->list().item_count(), 3) << "the row went at once";
    // The rows now stand for the re-read calls: the next remove takes the right one.
    history_form->remove(2);
    EXPECT_EQ(logged(),
              (std::vector<std::string>{"555 0101 11:00", "5559999 10:30", "555 0202 09:30"}));
    EXPECT_EQ(history_form->list().item_count(), 2);

    tap(*history_form, 85, 5);  // the toggle back off ends the delete mode
    EXPECT_FALSE(history_form->delete_mode());
    EXPECT_FALSE(history_form->padding().visible());
    EXPECT_TRUE(history_form->cancel_button().visible());
    EXPECT_EQ(application->top_form(), history_form.get()) << "no menu opens";
}

TEST_F(HistoryTest, ARemoveAfterTheCallsMovedDeletesNoOtherCall) {
    build_history(mixed_log());
    history_form->open_contact(document->find_entry(1)->contact);
    // The calls were read again in another order and the notice has not come yet: the first
    // row's position now holds another number's call.
    std::vector<RecentCall>& calls = document->recent_calls();
    std::swap(calls[0], calls[1]);
    calls[0].index = 0;
    calls[1].index = 1;
    const size_t before = call_log->calls.size();
    history_form->remove(1);
    EXPECT_EQ(call_log->calls.size(), before);
    EXPECT_EQ(shown().size(), 3u) << "the rows show what the Document holds";
}

TEST_F(HistoryTest, TheHistoryFollowsItsContact) {
    build_history(mixed_log());
    history_form->open_contact(document->find_entry(2)->contact);
    lay_out_history();
    store->find(2)->first_name = u"Robert";
    document->on_contact_changed(2);
    lay_out_history();
    auto* head = dynamic_cast<SimpleContactHead*>(history_form->list().element_for(0));
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(text_of(head->find(u"firstname")), "Robert");
    EXPECT_EQ(text_of(head->find(u"company")), "Acme");
    document->on_contact_changed(1);
    EXPECT_EQ(application->top_form(), history_form.get());
    document->on_contact_removed(2);
    EXPECT_NE(application->top_form(), history_form.get()) << "the form leaves with it";
}

// The main form builds both screens; its recents menu works on the real list.
TEST_F(HistoryTest, TheMainFormsRecentsMenuFiltersAndDeletesThroughTheList) {
    initial_calls = {call(u"555 0101", when(0, 11, 0), RecentCall::Missed),
                     call(u"5559999", when(0, 10, 30)),
                     call(u"5559999", when(0, 10, 0), RecentCall::Missed)};
    open_document({ann(), bob()});
    // The contact card the main form builds has a date editor.
    SpinnerType spinner;
    load(main_skin());
    main_form = std::make_unique<MainForm>(skin);
    application->add_modal_form(*main_form, false, false);
    main_form->press_tab(MainForm::Recents);
    ASSERT_NE(main_form->recents_node(), nullptr);
    EXPECT_TRUE(main_form->recents_node()->visible());
    auto& list = main_form->recents_node()->find<zentra::VList>(u"RecentsList");
    EXPECT_EQ(list.item_count(), 3);
    main_form->press_tab(MainForm::Recents);
    choose(u"menuFilter");
    choose(u"menuRejected");
    EXPECT_EQ(list.item_count(), 2);
    main_form->press_tab(MainForm::Recents);
    choose(u"menuDeleteAll");
    choose(u"ReallyDelete");
    EXPECT_EQ(logged(), (std::vector<std::string>{"5559999 10:30"}));
    EXPECT_EQ(list.item_count(), 0) << "the filter stays";
    main_form->press_tab(MainForm::Recents);
    choose(u"menuFilter");
    choose(u"menuAllCalls");
    EXPECT_EQ(list.item_count(), 1);
}

}  // namespace
}  // namespace screens_test

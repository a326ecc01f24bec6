// The contact card against a small skin: the rows it shows, following the stored contact one
// row at a time, the field actions, leaving it, and the main form's ways to it.

#include "screens/contact_form.h"
#include "screens/contact_rows.h"

#include "app/handovers.h"
#include "core/keys.h"
#include "core/log.h"
#include "platform/launcher.h"
#include "screens/main_form.h"
#include "skin/image_node.h"
#include "skin/text_node.h"
#include "skin/vlist.h"
#include "tests/screens/main_form_support.h"

namespace screens_test {
namespace {

constexpr const char16_t* kQuorr = u"HKEY_CURRENT_USER\\Software\\Quorr";
constexpr const char16_t* kSettings = u"HKEY_CURRENT_USER\\Software\\Quorr\\Velvane";

Contact ann() {
    return person(1, u"Ann", u"Adams", u"",
                  {{FieldKind::Email1, u"ann@example.org"},
                   {FieldKind::Mobile, u"555 0101"},
                   {FieldKind::HomeTel, u"555 0202"}});
}

class CardTest : public ScreenStage {
protected:
    void SetUp() override {
        ScreenStage::SetUp();
        m_launch = platform::set_launch_handler([this](const std::vector<std::string>& argv) {
            launched.push_back(argv);
            return true;
        });
        write_dword(kQuorr, u"Log", 1);
        log();
    }
    void TearDown() override {
        write_dword(kQuorr, u"Log", 0);
        log();
        platform::set_launch_handler(m_launch);
        while (zentra::Form* top = application->top_form()) {
            application->remove_modal_form(*top, false);
        }
        main_form.reset();
        card.reset();
        ScreenStage::TearDown();
    }
    void build(std::vector<Contact> contacts = {ann()}) {
        open_document(std::move(contacts));
        load(contact_card_source() + card_menu_source());
        card = std::make_unique<ContactForm>(
            skin, [this](WStringView number) { calls.push_back(platform::to_utf8(number)); });
    }
    void show(uint32_t id, bool edit = false) {
        card->show(document->find_entry(id)->contact, edit);
        lay_out();
    }
    void lay_out() {
        zentra::layout_root(*card, {0, 0}, {100, 100});
        card->list().fill();
    }
    // The stored contact changes and the store's notice comes back.
    void change_stored(const std::function<void(Contact&)>& change, uint32_t id = 1) {
        change(*store->find(id));
        document->on_contact_changed(id);
        lay_out();
    }
    ContactFieldRow& field_row(int index) {
        auto* row = dynamic_cast<ContactFieldRow*>(card->list().element_for(index));
        EXPECT_NE(row, nullptr) << "no field row at " << index;
        return *row;
    }
    std::u16string big(int index) {
        return dynamic_cast<zentra::TextNode&>(field_row(index).big()).text();
    }
    int log_count(std::u16string_view line) {
        log().flush();
        const std::string bytes =
            test_support::read_bytes(home.home() / "Documents/screens_tests.txt");
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        int count = 0;
        for (size_t at = text.find(line); at != std::u16string::npos; at = text.find(line, at + 1)) {
            ++count;
        }
        return count;
    }
    void key(int code) {
        zentra::KeyEvent event;
        event.key = code;
        event.down = true;
        application->on_key(event);
        event.down = false;
        application->on_key(event);
    }

    SpinnerType m_spinner;
    std::unique_ptr<ContactForm> card;
    std::unique_ptr<MainForm> main_form;
    std::vector<std::string> calls;
    std::vector<std::vector<std::string>> launched;
    platform::LaunchHandler m_launch;
};

TEST_F(CardTest, ShowsTheHeadAndOneRowPerFieldInKindOrder) {
    build();
    show(1);
    EXPECT_EQ(card->rows(), (std::vector<int32_t>{-3, -1, 0, -2, 1, -1, 2}));
    EXPECT_EQ(card->list().item_count(), 7);
    EXPECT_EQ(big(2), u"555 0101");
    EXPECT_EQ(big(6), u"ann@example.org");
    EXPECT_TRUE(field_row(2).sms().visible());
    EXPECT_FALSE(field_row(6).favorite().visible());
    EXPECT_TRUE(card->cancel_button().visible());
    EXPECT_FALSE(card->padding().visible());
    auto* head = dynamic_cast<ContactHeadRow*>(card->list().element_for(0));
    ASSERT_NE(head, nullptr);
    EXPECT_FALSE(head->choose_photo().visible()) << "photo buttons are for edit mode";

    card->set_edit_mode(true);
    lay_out();
    EXPECT_EQ(card->rows(), (std::vector<int32_t>{-3, -1, 0, -2, 1, -1, 2, -1, -4}));
    EXPECT_EQ(card->list().item_count(), 9);
    EXPECT_FALSE(card->cancel_button().visible());
    EXPECT_TRUE(card->padding().visible());
    EXPECT_TRUE(head->choose_photo().visible());
    EXPECT_TRUE(field_row(2).remove().visible());
    EXPECT_FALSE(field_row(2).sms().visible());
    card->set_edit_mode(false);
    EXPECT_EQ(card->list().item_count(), 7);
}

TEST_F(CardTest, TheSeparatorsOfLaterAddressPartsTakeNoRoom) {
    build({person(1, u"Ann", u"Adams", u"",
                  {{FieldKind::Mobile, u"1"},
                   {FieldKind::HomeTel, u"2"},
                   {FieldKind::WorkStreet, u"Main St"},
                   {FieldKind::WorkCity, u"Town"},
                   {FieldKind::WorkCountry, u"Land"}})});
    show(1);
    // head, group, Mobile, thin, HomeTel, group, address, thin, thin
    ASSERT_EQ(card->rows(), (std::vector<int32_t>{-3, -1, 0, -2, 1, -1, 2, -2, -2}));
    const zentra::VList& list = card->list();
    EXPECT_GT(list.row_shown_height(3), 0) << "between two phones";
    EXPECT_EQ(list.row_shown_height(7), 0);
    EXPECT_EQ(list.row_shown_height(8), 0);
    EXPECT_EQ(big(6), u"Main St, Town, Land");
}

TEST_F(CardTest, FollowsTheStoredContactOneRowAtATime) {
    build();
    show(1, true);
    zentra::VList& list = card->list();
    zentra::VListElement* mobile = list.element_for(2);
    zentra::VListElement* mail = list.element_for(6);
    zentra::VListElement* buttons = list.element_for(8);

    // HomeTel goes: its row and the separator in front of it, nothing else.
    change_stored([](Contact& c) { std::erase_if(c.fields, [](auto& f) { return f.kind == FieldKind::HomeTel; }); });
    EXPECT_EQ(card->rows(), (std::vector<int32_t>{-3, -1, 0, -1, 1, -1, -4}));
    EXPECT_EQ(list.item_count(), 7);
    EXPECT_EQ(list.element_for(2), mobile);
    EXPECT_EQ(list.element_for(4), mail) << "rows after it moved up, not rebuilt";
    EXPECT_EQ(list.element_for(6), buttons);
    EXPECT_EQ(log_count(u"ContactForm::erase_cheat_field\n"), 1);

    // A second e-mail address comes in behind the first.
    change_stored([](Contact& c) { c.fields.emplace_back(FieldKind::Email2, u"ann@work.org"); });
    EXPECT_EQ(card->rows(), (std::vector<int32_t>{-3, -1, 0, -1, 1, -2, 2, -1, -4}));
    EXPECT_EQ(list.element_for(4), mail);
    EXPECT_EQ(big(6), u"ann@work.org");
    EXPECT_EQ(log_count(u"ContactForm::insert_cheat_field Email2\n"), 1);

    // A new value and a new name: rows shown again in place.
    change_stored([](Contact& c) {
        c.fields[1].value = u"555 9999";
        c.first_name = u"Anne";
    });
    EXPECT_EQ(list.element_for(2), mobile);
    EXPECT_EQ(big(2), u"555 9999");
    EXPECT_EQ(card->contact().first_name, u"Anne");
    EXPECT_EQ(log_count(u"cheat_field"), 2);

    // Fields replaced in one change still end with the rows a fresh card would show.
    change_stored([](Contact& c) {
        c.fields = {{FieldKind::HomeTel, u"1"}, {FieldKind::WorkCity, u"Springfield"},
                    {FieldKind::WorkStreet, u"Main St"}, {FieldKind::Birthday, u""}};
    });
    std::vector<ContactField> fresh = store->find(1)->fields;
    sort_fields_by_kind(fresh);
    EXPECT_EQ(card->contact().fields, fresh);
    EXPECT_EQ(card->rows(), build_contact_rows(fresh, true));
    EXPECT_EQ(list.item_count(), static_cast<int>(card->rows().size()));
    EXPECT_EQ(big(6), u"Main St, Springfield");

    // A notice about another contact changes nothing.
    document->on_contact_changed(77);
    EXPECT_EQ(card->rows(), build_contact_rows(fresh, true));
}

TEST_F(CardTest, RemovingAFieldSavesItEmptyAfterTheConfirmation) {
    Contact with_address = ann();
    with_address.fields.emplace_back(FieldKind::WorkStreet, u"Main St");
    with_address.fields.emplace_back(FieldKind::WorkCity, u"Springfield");
    build({with_address});
    show(1, true);
    // Kind order: Mobile, HomeTel, Email1, WorkStreet, WorkCity; the address row is 8.
    ASSERT_EQ(card->rows(), (std::vector<int32_t>{-3, -1, 0, -2, 1, -1, 2, -1, 3, -2, -1, -4}));
    card->row_button(8, CardButton::Remove);
    EXPECT_TRUE(field_row(8).confirm_remove().visible());
    card->row_button(4, CardButton::Remove);
    EXPECT_FALSE(field_row(8).confirm_remove().visible()) << "one row asks at a time";
    card->row_button(8, CardButton::Remove);
    card->row_button(8, CardButton::ConfirmRemove);
    ASSERT_EQ(store->saved.size(), 1u);
    const std::vector<ContactField>& saved = store->saved[0].fields;
    EXPECT_EQ(saved[3], ContactField(FieldKind::WorkStreet, u""));
    EXPECT_EQ(saved[4], ContactField(FieldKind::WorkCity, u"")) << "the whole address goes";
    EXPECT_EQ(saved[0].value, u"555 0101");
    EXPECT_FALSE(field_row(8).confirm_remove().visible());
    EXPECT_EQ(card->rows().size(), 12u) << "the rows go when the store reports the change";
}

TEST_F(CardTest, ViewModeActionsCallWriteAndOpen) {
    Contact c = ann();
    c.fields.emplace_back(FieldKind::WebPage, u"example.org");
    c.fields.emplace_back(FieldKind::NickName, u"Annie");
    build({c});
    write_string(kSettings, u"ContactsCommand", u"contacts-app --{view} {id}");
    show(1);
    // Mobile, HomeTel, Email1, WebPage, NickName.
    ASSERT_EQ(card->rows(), (std::vector<int32_t>{-3, -1, 0, -2, 1, -1, 2, -1, 3, -1, 4}));
    card->on_item_click(card->list(), 4);
    card->row_button(6, CardButton::Action);
    card->on_item_click(card->list(), 8);
    card->on_item_click(card->list(), 10);
    card->on_item_click(card->list(), 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"555 0202"}));
    EXPECT_EQ(launched, (std::vector<std::vector<std::string>>{{"xdg-open", "mailto:ann@example.org"},
                                                              {"xdg-open", "example.org"}}));
    card->on_click(card->standart(), {});
    EXPECT_EQ(launched.back(), (std::vector<std::string>{"contacts-app", "--display", "1"}));
}

TEST_F(CardTest, EditModeActionsOpenTheFieldsEditors) {
    Contact c = ann();
    c.fields.emplace_back(FieldKind::HomeCity, u"Shelbyville");
    build({c});
    show(1, true);
    // Mobile, HomeTel, Email1, HomeCity: the address row completes the copy to five parts.
    card->field_action(8);
    ASSERT_EQ(application->top_form(), &card->edit_address());
    EXPECT_EQ(card->edit_address().contact().fields.size(), 8u);
    application->remove_modal_form(card->edit_address(), false);
    card->field_action(2);
    EXPECT_EQ(application->top_form(), &card->edit_field());
    application->remove_modal_form(card->edit_field(), false);

    // A new birthday field goes to the date editor on a copy with an empty Birthday.
    card->on_field_kind_chosen(1, FieldKind::Birthday);
    ASSERT_EQ(application->top_form(), &card->edit_date());
    EXPECT_EQ(card->edit_date().contact().fields.back(), ContactField(FieldKind::Birthday, u""));
    EXPECT_EQ(card->contact().fields.size(), 4u) << "the shown copy waits for the store";
}

TEST_F(CardTest, LeftAndCancelCloseAndADeletedContactClosesTheCard) {
    build();
    show(1);
    ASSERT_EQ(application->top_form(), card.get());
    key(key::Left);
    EXPECT_EQ(application->top_form(), nullptr);

    show(1);
    card->on_click(card->cancel_button(), {});
    EXPECT_EQ(application->top_form(), nullptr);

    show(1, true);
    key(key::Left);
    EXPECT_EQ(application->top_form(), nullptr) << "Left leaves in edit mode too";
    EXPECT_TRUE(store->removed.empty()) << "a contact with names is kept";

    show(1);
    document->on_contact_removed(2);
    EXPECT_EQ(application->top_form(), card.get());
    document->on_contact_removed(1);
    EXPECT_EQ(application->top_form(), nullptr);
}

TEST_F(CardTest, TheHeadShowsThePhotoAtItsSizeAndOffersToChangeIt) {
    build();
    store->pictures[1] = zentra::ImageRef::whole(std::make_shared<zentra::Bitmap>(8, 8));
    show(1, true);
    auto* head = dynamic_cast<ContactHeadRow*>(card->list().element_for(0));
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(store->picture_requests.back(), "1 30x30") << "the photo node's size";
    EXPECT_EQ(head->photo().source().picture, store->pictures[1].picture);
    EXPECT_EQ(head->choose_photo().label(), u"EditPhoto");
    EXPECT_TRUE(head->remove_photo().visible());

    card->row_button(0, CardButton::ChoosePhoto);
    ASSERT_EQ(application->top_form(), &card->menu());
    ASSERT_EQ(card->menu().items().size(), 3u);
    EXPECT_EQ(card->menu().items()[1].key, u"RemovePhoto");
    EXPECT_EQ(card->menu().items()[1].row_style, u"MenuElementRed");
    card->menu().on_item_click(card->menu().list(), 1);
    EXPECT_NE(application->top_form(), &card->menu());
    lay_out();
    EXPECT_FALSE(card->has_photo());
    EXPECT_EQ(head->choose_photo().label(), u"AddPhoto");
    EXPECT_FALSE(head->remove_photo().visible());

    // Deleting asks first; the card goes when the Document reports the deletion.
    card->row_button(8, CardButton::DeleteContact);
    ASSERT_EQ(application->top_form(), &card->menu());
    EXPECT_EQ(card->menu().items()[0].key, u"ReallyDelete");
    card->menu().on_item_click(card->menu().list(), 0);
    EXPECT_EQ(store->removed, (std::vector<uint32_t>{1}));
    EXPECT_EQ(application->top_form(), card.get());
    document->on_contact_removed(1);
    EXPECT_EQ(application->top_form(), nullptr);
}

TEST_F(CardTest, FavouritesFollowTheDocument) {
    build();
    show(1);
    card->row_button(2, CardButton::Favorite);
    EXPECT_EQ(card->favorite_codes(), (std::vector<int32_t>{0}));
    EXPECT_EQ(field_row(2).favorite().current(), 1);
    card->row_button(2, CardButton::Favorite);
    EXPECT_TRUE(card->favorite_codes().empty());
    EXPECT_EQ(field_row(2).favorite().current(), 0);
}

TEST_F(CardTest, TheMainFormOpensTheCardAndDropsANewContactLeftEmpty) {
    open_document({ann()});
    load(main_skin());
    main_form = std::make_unique<MainForm>(skin);
    MainForm& main = *main_form;
    application->add_modal_form(main, false, false);
    auto& shown = dynamic_cast<ContactForm&>(*main.screens().contact);

    main.on_command_line(u"open:555 0101");
    ASSERT_EQ(application->top_form(), &shown);
    EXPECT_FALSE(shown.edit_mode());
    shown.cancel();

    main.on_command_line(u"x open:");
    ASSERT_EQ(application->top_form(), &shown);
    EXPECT_TRUE(shown.edit_mode());
    const uint32_t fresh = shown.contact().object_id;
    ASSERT_NE(fresh, 0u);
    key(key::Left);
    EXPECT_EQ(store->removed, (std::vector<uint32_t>{fresh}));

    // A number without a contact goes to a new one through the real field-kind chooser.
    main.on_command_line(u"open:5559999");
    ASSERT_EQ(application->top_form(), &main.main_menu());
    main.main_menu().on_item_click(main.main_menu().list(), 0);  // Add2NewContact
    auto& chooser = dynamic_cast<SelectFieldForm&>(*main.screens().select_field);
    ASSERT_EQ(application->top_form(), &chooser);
    EXPECT_EQ(chooser.rows().size(), 19u) << "the nine phone kinds in one group";
    chooser.choose_row(3);  // BusinessTel
    ASSERT_EQ(application->top_form(), &shown);
    EXPECT_TRUE(shown.edit_mode());
    EXPECT_EQ(shown.contact().fields,
              (std::vector<ContactField>{{FieldKind::BusinessTel, u"5559999"}}));
    shown.cancel();
    EXPECT_EQ(store->removed.size(), 1u) << "a contact with a number is kept";

    // Named before leaving: kept.
    main.new_contact();
    Contact named = shown.contact();
    named.first_name = u"Zed";
    store->contacts.push_back(named);
    document->on_contact_created(named);
    document->on_contact_changed(named.object_id);
    shown.cancel();
    EXPECT_EQ(store->removed.size(), 1u);
}

}  // namespace
}  // namespace screens_test

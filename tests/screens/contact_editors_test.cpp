// The contact editors and the field-kind chooser against a small skin: what each shows when
// opened, what leaving it saves, how it follows the stored contact and closes on deletion.

#include <gtest/gtest.h>

#include "core/keys.h"
#include "screens/date_time_count.h"
#include "screens/edit_categories_form.h"
#include "screens/edit_contact_address_form.h"
#include "screens/edit_contact_header_form.h"
#include "screens/edit_date_form.h"
#include "screens/edit_field_form.h"
#include "screens/field_kinds.h"
#include "screens/select_field_form.h"
#include "skin/node_factory.h"
#include "skin/spinner.h"
#include "skin/text_node.h"
#include "tests/screens/screen_test_support.h"

namespace screens_test {
namespace {

std::string label_edit(const std::string& id) {
    return "node { string type = \"label_edit\" string id = \"" + id +
           "\" string anchor_y = \"MIN_SIDE\" point design_size = 100, 10"
           " node { string type = \"edit\" string id = \"#edit\" }"
           " node { string type = \"text\" string id = \"#text\" } }\n";
}

std::string editors_skin() {
    std::string s = "define EditContactHeaderForm { point design_size = 100, 100\n" +
                    button_source("cancel", 0, 0) + label_edit("label_edit_firstname") +
                    label_edit("label_edit_lastname") + label_edit("label_edit_company") + "}\n";
    s += "define EditContactAddressForm { point design_size = 100, 100\n" +
         button_source("cancel", 0, 0);
    for (const char* id : {"label_edit_street", "label_edit_city", "label_edit_zip",
                           "label_edit_state", "label_edit_country"}) {
        s += label_edit(id);
    }
    s += "}\ndefine EditFieldForm { point design_size = 100, 100\n" +
         button_source("cancel", 0, 0) + label_edit("label_edit") + "}\n";
    s += "define EditDateForm { point design_size = 100, 100\n" + button_source("cancel", 0, 0) +
         "node { string type = \"htable\" string id = \"date\" point border_min = 0, 20\n";
    for (const char* id : {"year", "month", "day", "hour", "minute"}) {
        s += std::string("node { string type = \"spinner\" string id = \"") + id +
             "\" int ratio = 1 point element_size = 0, 10 }\n";
    }
    s += "} }\n";
    s += "define SelectFieldForm { point design_size = 100, 100\n" + button_source("cancel", 0, 0) +
         "node { string type = \"vlist\" string id = \"List\" point border_min = 0, 20 } }\n";
    s += "define EditCategoriesForm { point design_size = 100, 100\n" +
         button_source("cancel", 0, 0) + button_source("add_category", 80, 0) +
         "node { string type = \"vlist\" string id = \"catList\" point border_min = 0, 20 } }\n";
    s += "define SelectFieldFormElement { point design_size = 100, 10\n" +
         button_source("action", 0, 0, 100, 10) +
         "node { string type = \"multinode\" string id = \"icons\"";
    for (int i = 0; i < 8; ++i) {
        s += " node { string type = \"node\" string id = \"#icon" + std::to_string(i) + "\" }";
    }
    s += " }\n node { string type = \"text\" string id = \"big\" } }\n";
    return s + R"(
        define GroupSeparatorElement { point design_size = 100, 4 }
        define SeparatorElement { point design_size = 100, 1 }
        define SpinnerElementDate { point design_size = 20, 10
            node { string type = "text"  string id = "#text" } }
        define CategoryElement { point design_size = 100, 10
            node { string type = "node"  string id = "checked" }
            node { string type = "text"  string id = "cat_name" }
        }
    )";
}

// Stands in for the card: what the chooser told it.
class KindListener : public FieldKindListener {
public:
    void on_field_kind_chosen(uint32_t object_id, FieldKind kind) override {
        chosen.emplace_back(object_id, kind);
    }
    std::vector<std::pair<uint32_t, FieldKind>> chosen;
};

ContactField field(FieldKind kind, std::u16string value = u"x") {
    return ContactField(kind, std::move(value));
}

std::vector<int32_t> kinds_of(std::initializer_list<int32_t> values) {
    return values;
}

class EditorStage : public ScreenStage {
protected:
    void build(std::vector<Contact> contacts, std::vector<WString> categories = {}) {
        open_document(std::move(contacts), SortByLastname, std::move(categories));
        load(editors_skin());
    }
    void TearDown() override {
        while (zentra::Form* top = application->top_form()) {
            application->remove_modal_form(*top, false);
        }
        ScreenStage::TearDown();
    }
    Contact stored(uint32_t id) { return document->find_entry(id)->contact; }
    bool on_stack(zentra::Form& form) {
        const bool on = application->remove_modal_form(form, false);
        if (on) {
            application->add_modal_form(form, false, false);
        }
        return on;
    }
    static void press_left(zentra::Form& form) {
        form.on_key({key::Left, true, true});
        form.on_key({key::Left, false, true});
    }
    static void click(zentra::ButtonNode& button) {
        zentra::PointerEvent e;
        const zentra::Point p = button.position();
        e.x = p.x + 1;
        e.y = p.y + 1;
        e.pressed = true;
        button.on_pointer(e);
        e.pressed = false;
        button.on_pointer(e);
    }
};

TEST(OfferedKinds, WhatAContactLacks) {
    std::vector<int32_t> all_rows = {-1, 0};
    for (int k = 1; k <= 8; ++k) {
        all_rows.insert(all_rows.end(), {-2, k});
    }
    all_rows.insert(all_rows.end(), {-1, 9, -2, 10, -2, 11, -1, 12, -1, 13});
    for (int k = 14; k <= 23; ++k) {
        all_rows.insert(all_rows.end(), {-2, k});
    }
    all_rows.insert(all_rows.end(), {-1, 24, -1, 29, -1});

    struct Case {
        const char* what;
        std::vector<ContactField> fields;
        bool phones_only;
        std::vector<int32_t> rows;
    } cases[] = {
        {"a new contact", {}, false, all_rows},
        {"Mobile and a work city",
         {field(FieldKind::Mobile), field(FieldKind::WorkCity)},
         false,
         [&] {
             std::vector<int32_t> rows = all_rows;
             // Neither Mobile (with its separator) nor the work address row.
             rows.erase(rows.begin() + 1, rows.begin() + 3);
             const auto work = std::find(rows.begin(), rows.end(), 24);
             rows.erase(work - 1, work + 1);
             return rows;
         }()},
        {"phones only",
         {},
         true,
         kinds_of({-1, 0, -2, 1, -2, 2, -2, 3, -2, 4, -2, 5, -2, 6, -2, 7, -2, 8, -1})},
        {"phones only, two taken",
         {field(FieldKind::HomeTel), field(FieldKind::Email1), field(FieldKind::Mobile)},
         true,
         kinds_of({-1, 1, -2, 2, -2, 4, -2, 5, -2, 6, -2, 7, -2, 8, -1})},
        {"every phone taken", {}, true, {}},
        {"a home country and categories",
         {field(FieldKind::HomeCountry), field(FieldKind::Categories)},
         false,
         [&] {
             std::vector<int32_t> rows = all_rows;
             const auto categories = std::find(rows.begin(), rows.end(), 23);
             rows.erase(categories - 1, categories + 1);
             const auto home = std::find(rows.begin(), rows.end(), 29);
             rows.erase(home - 1, home + 1);
             return rows;
         }()},
    };
    for (Case& c : cases) {
        Contact contact;
        contact.fields = c.fields;
        if (std::string(c.what) == "every phone taken") {
            for (int k = 0; k <= 8; ++k) {
                contact.fields.push_back(field(static_cast<FieldKind>(k)));
            }
        }
        const Contact* who = std::string(c.what) == "a new contact" ? nullptr : &contact;
        EXPECT_EQ(field_kind_rows(offered_field_kinds(who, c.phones_only)), c.rows) << c.what;
    }
    // Every part of both addresses is offered, though each address has one row.
    const std::vector<FieldKind> kinds = offered_field_kinds(nullptr, false);
    ASSERT_EQ(kinds.size(), 34u);
    EXPECT_EQ(kinds.back(), FieldKind::HomeCountry);
}

TEST_F(EditorStage, TheChooserOffersTheKindsAndTellsTheChoice) {
    build(
        {person(1, u"Ann", u"Lee", u"", {field(FieldKind::Mobile), field(FieldKind::WorkStreet)})});
    SelectFieldForm form(skin);
    KindListener listener;
    form.open(1, listener, false);
    EXPECT_EQ(application->top_form(), &form);
    const Contact contact = stored(1);
    EXPECT_EQ(form.rows(), field_kind_rows(offered_field_kinds(&contact, false)));
    EXPECT_EQ(std::count(form.rows().begin(), form.rows().end(), 0), 0);
    EXPECT_EQ(std::count(form.rows().begin(), form.rows().end(), 29), 1);
    EXPECT_EQ(form.list().item_count(), static_cast<int>(form.rows().size()));

    // A separator does nothing; a kind goes to the listener and the chooser leaves.
    form.on_item_click(form.list(), 0);
    EXPECT_TRUE(listener.chosen.empty());
    EXPECT_TRUE(on_stack(form));
    const size_t home = std::find(form.rows().begin(), form.rows().end(), 29) - form.rows().begin();
    form.on_item_click(form.list(), static_cast<int>(home));
    ASSERT_EQ(listener.chosen.size(), 1u);
    EXPECT_EQ(listener.chosen[0], std::make_pair(uint32_t{1}, FieldKind::HomeStreet));
    EXPECT_FALSE(on_stack(form));

    // Phones only, for a new contact; Left leaves without a choice.
    form.choose_phone_kind(0, listener);
    EXPECT_EQ(form.rows().size(), 19u);
    press_left(form);
    EXPECT_FALSE(on_stack(form));
    EXPECT_EQ(listener.chosen.size(), 1u);
}

TEST_F(EditorStage, TheChooserFollowsTheContactRowByRowAndClosesWhenItIsDeleted) {
    build({person(1, u"Ann", u"Lee", u"", {field(FieldKind::Mobile)})});
    SelectFieldForm form(skin);
    KindListener listener;
    form.open(1, listener, true);
    form.list().fill();
    ASSERT_GT(form.list().row_count(), 0);
    zentra::VListElement* last_row = form.list().element_for(form.list().item_count() - 1);

    store->find(1)->fields.push_back(field(FieldKind::HomeTel));
    store->find(1)->fields.erase(store->find(1)->fields.begin());
    document->on_contact_changed(1);
    EXPECT_EQ(form.rows(), kinds_of({-1, 0, -2, 1, -2, 2, -2, 4, -2, 5, -2, 6, -2, 7, -2, 8, -1}));
    EXPECT_EQ(form.list().item_count(), 17);
    // Rows that stayed were kept, not rebuilt.
    if (last_row != nullptr) {
        EXPECT_EQ(form.list().element_for(16), last_row);
    }
    // Every row in view shows the kind at its index.
    for (int i = 0; i < form.list().row_count(); ++i) {
        const int index = form.list().row_index(i);
        if (index < 0) {
            continue;
        }
        const int32_t row = form.rows()[static_cast<size_t>(index)];
        auto* big = dynamic_cast<zentra::TextNode*>(form.list().row(i)->find_descendant(u"big"));
        EXPECT_EQ(big != nullptr, row >= 0) << index;
        if (big != nullptr) {
            EXPECT_EQ(big->text(), WString(field_kind_key(static_cast<FieldKind>(row)))) << index;
        }
    }

    store->contacts.clear();
    document->on_contact_removed(1);
    EXPECT_FALSE(on_stack(form));
    EXPECT_TRUE(listener.chosen.empty());
}

TEST_F(EditorStage, TheHeaderEditorSavesTheNamesEvenUnchanged) {
    build({person(1, u"Ann", u"Lee", u"Acme", {field(FieldKind::Mobile, u"123")})});
    EditContactHeaderForm form(skin);
    form.open(stored(1));
    EXPECT_EQ(form.first_name().edit().get_text(), u"Ann");
    EXPECT_EQ(form.last_name().edit().get_text(), u"Lee");
    EXPECT_EQ(form.company().edit().get_text(), u"Acme");
    EXPECT_EQ(zentra::EditNode::focused(), &form.first_name().edit());

    press_left(form);
    ASSERT_EQ(store->saved.size(), 1u);
    EXPECT_EQ(store->saved[0].first_name, u"Ann");
    EXPECT_FALSE(on_stack(form));

    form.open(stored(1));
    form.last_name().edit().set_text(u"Smith");
    form.company().edit().set_text(u"");
    click(form.cancel_button());
    ASSERT_EQ(store->saved.size(), 2u);
    EXPECT_EQ(store->saved[1].object_id, 1u);
    EXPECT_EQ(store->saved[1].last_name, u"Smith");
    EXPECT_EQ(store->saved[1].company, u"");
    EXPECT_EQ(store->saved[1].fields, stored(1).fields);
}

TEST_F(EditorStage, TheHeaderEditorShowsTheStoredNamesAndLeavesWhenTheContactGoes) {
    build({person(1, u"Ann", u"Lee"), person(2, u"Bob", u"Ray")});
    EditContactHeaderForm form(skin);
    form.open(stored(1));
    store->find(2)->first_name = u"Robert";
    document->on_contact_changed(2);
    EXPECT_EQ(form.first_name().edit().get_text(), u"Ann");
    store->find(1)->first_name = u"Anna";
    document->on_contact_changed(1);
    EXPECT_EQ(form.first_name().edit().get_text(), u"Anna");
    EXPECT_EQ(form.contact().first_name, u"Anna");

    std::erase_if(store->contacts, [](const Contact& c) { return c.object_id == 1; });
    document->on_contact_removed(1);
    EXPECT_FALSE(on_stack(form));
    EXPECT_FALSE(form.is_open());
    EXPECT_TRUE(store->saved.empty());
}

// The program registers the spinner at start-up; so does this test.
struct SpinnerType {
    SpinnerType() {
        zentra::NodeFactory::register_type(u"spinner", zentra::create_node<zentra::SpinnerNode>);
    }
    ~SpinnerType() { zentra::NodeFactory::unregister_type(u"spinner"); }
};

TEST_F(EditorStage, ANewSkinKeepsWhatTheEditorsHold) {
    SpinnerType spinner;
    build({person(1, u"Ann", u"Lee", u"", {field(FieldKind::Birthday, u"958521600000")})});
    EditContactHeaderForm header(skin);
    EditDateForm date(skin);
    header.open(stored(1));
    header.last_name().edit().set_text(u"Smith");
    date.open(stored(1), 0);
    date.chooser().set_date({2003, 4, 5, 6, 7});
    // A mark on the old nodes, gone with them.
    header.cancel_button().set_visible(false);
    skin.send_reload_skin();
    EXPECT_TRUE(header.cancel_button().visible());
    EXPECT_EQ(header.last_name().edit().get_text(), u"Smith");
    EXPECT_EQ(header.first_name().edit().get_text(), u"Ann");
    EXPECT_EQ(date.chooser().date(), (zentra::ChosenDate{2003, 4, 5, 6, 7}));
    date.cancel();
    header.cancel();
    ASSERT_EQ(store->saved.size(), 2u);
    EXPECT_EQ(store->saved[0].fields[0].value, u"1049522820000");
    EXPECT_EQ(store->saved[1].last_name, u"Smith");
}

TEST_F(EditorStage, TheAddressEditorEditsTheChosenAddress) {
    build({person(1, u"Ann", u"Lee", u"",
                  {field(FieldKind::WorkStreet, u"Main St"), field(FieldKind::HomeCity, u"Oslo"),
                   field(FieldKind::HomeStreet, u"Elm St")})});
    EditContactAddressForm form(skin);
    form.open(stored(1), true);
    const char16_t* shown[] = {u"Elm St", u"Oslo", u"", u"", u""};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(form.part(i).edit().get_text(), shown[i]) << i;
    }
    EXPECT_EQ(zentra::EditNode::focused(), &form.part(0).edit());
    form.part(1).edit().set_text(u"");
    form.part(2).edit().set_text(u"0150");
    press_left(form);
    ASSERT_EQ(store->saved.size(), 1u);
    const Contact& saved = store->saved[0];
    EXPECT_EQ(saved.find(FieldKind::WorkStreet)->value, u"Main St");
    EXPECT_EQ(saved.find(FieldKind::HomeStreet)->value, u"Elm St");
    // An emptied part is saved empty, which deletes it.
    EXPECT_EQ(saved.find(FieldKind::HomeCity)->value, u"");
    ASSERT_NE(saved.find(FieldKind::HomePostalCode), nullptr);
    EXPECT_EQ(saved.find(FieldKind::HomePostalCode)->value, u"0150");
    EXPECT_EQ(saved.find(FieldKind::HomeState), nullptr);

    form.open(stored(1), false);
    EXPECT_EQ(form.part(0).edit().get_text(), u"Main St");
    EXPECT_EQ(form.part(1).edit().get_text(), u"");
    store->find(1)->fields.push_back(field(FieldKind::WorkCountry, u"Norway"));
    document->on_contact_changed(1);
    EXPECT_EQ(form.part(4).edit().get_text(), u"Norway");
}

TEST_F(EditorStage, TheFieldEditorSetsAValueOrAddsACategory) {
    build({person(1, u"Ann", u"Lee", u"",
                  {field(FieldKind::Mobile, u"555"), field(FieldKind::Categories, u"Home")})},
          {u"Home", u"Work"});
    EditFieldForm form(skin);
    form.open(stored(1), 0);
    EXPECT_EQ(form.label_edit().edit().get_text(), u"555");
    EXPECT_EQ(form.label_edit().placeholder().text(), u"Mobile");
    EXPECT_EQ(zentra::EditNode::focused(), &form.label_edit().edit());
    form.label_edit().edit().set_text(u"556");
    press_left(form);
    ASSERT_EQ(store->saved.size(), 1u);
    EXPECT_EQ(store->saved[0].fields[0].value, u"556");

    // Categories: the edit starts empty, and an empty text saves nothing.
    form.open(stored(1), 1);
    EXPECT_EQ(form.label_edit().edit().get_text(), u"");
    press_left(form);
    EXPECT_EQ(store->saved.size(), 1u);
    EXPECT_FALSE(on_stack(form));

    form.open(stored(1), 1);
    form.label_edit().edit().set_text(u"Work");
    store->category_names.push_back(u"Friends");
    press_left(form);
    ASSERT_EQ(store->saved.size(), 2u);
    EXPECT_EQ(store->saved[1].fields[1].value, u"Home, Work");
    // The categories were read again.
    EXPECT_EQ(document->categories().size(), 3u);
}

TEST_F(EditorStage, TheDateEditorShowsAndWritesTheCount) {
    SpinnerType spinner;
    const int64_t may_17 = 958521600000 + 9 * 3600000 + 30 * 60000;
    build({person(1, u"Ann", u"Lee", u"",
                  {field(FieldKind::Birthday, platform::to_wstring(may_17)),
                   field(FieldKind::Birthday, u"0")})});
    EditDateForm form(skin);
    form.set_clock([] { return int64_t{1262304000000}; });  // 2010-01-01 00:00
    form.open(stored(1), 0);
    EXPECT_EQ(form.chooser().date(), (zentra::ChosenDate{2000, 5, 17, 9, 30}));
    form.find<zentra::SpinnerNode>(u"year").set_value(2001);
    form.find<zentra::SpinnerNode>(u"minute").set_value(45);
    press_left(form);
    ASSERT_EQ(store->saved.size(), 1u);
    EXPECT_EQ(store->saved[0].fields[0].value,
              platform::to_wstring(count_of_date({2001, 5, 17, 9, 45})));
    EXPECT_EQ(store->saved[0].fields[1].value, u"0");

    // No date: now.
    form.open(stored(1), 1);
    EXPECT_EQ(form.chooser().date(), (zentra::ChosenDate{2010, 1, 1, 0, 0}));
    click(form.cancel_button());
    ASSERT_EQ(store->saved.size(), 2u);
    EXPECT_EQ(store->saved[1].fields[1].value, u"1262304000000");
}

TEST_F(EditorStage, TheCategoryEditorChecksTheKnownNamesAndWritesThemInListOrder) {
    struct Case {
        const char16_t* value;
        std::vector<bool> checked;  // Home, Work, Friends
        const char16_t* saved;
    } cases[] = {
        {u"Home", {true, false, false}, u"Home"},
        {u"Friends; Home,Work", {true, true, true}, u"Home, Work, Friends"},
        {u"Work, Cats", {false, true, false}, u"Work"},
        {u"  Home,Friends", {false, false, true}, u"Friends"},
        {u"", {false, false, false}, u""},
    };
    std::vector<Contact> contacts;
    for (uint32_t i = 0; i < std::size(cases); ++i) {
        contacts.push_back(
            person(i + 1, u"P", u"Q", u"",
                   {field(FieldKind::Mobile, u"1"), field(FieldKind::Categories, cases[i].value)}));
    }
    build(contacts, {u"Home", u"Work", u"Friends"});
    EditCategoriesForm form(skin);
    for (uint32_t i = 0; i < std::size(cases); ++i) {
        form.open(stored(i + 1), 1);
        EXPECT_EQ(document->category_checked(), cases[i].checked) << i;
        EXPECT_EQ(form.list().item_count(), 3);
        press_left(form);
        ASSERT_EQ(store->saved.size(), i + 1);
        EXPECT_EQ(store->saved[i].object_id, i + 1);
        EXPECT_EQ(store->saved[i].fields[1].value, WString(cases[i].saved)) << i;
    }
}

TEST_F(EditorStage, TheCategoryEditorFlipsRowsAndAddsANameThroughItsFieldEditor) {
    build({person(1, u"Ann", u"Lee", u"", {field(FieldKind::Categories, u"Home")})},
          {u"Home", u"Work"});
    EditCategoriesForm form(skin);
    form.open(stored(1), 0);
    form.set_x_and_width(0, 100);
    form.set_y_and_height(0, 100);
    form.list().fill();
    ASSERT_EQ(form.list().row_count(), 2);
    auto checked = [&](int row) { return form.list().row(row)->find(u"checked").visible(); };
    EXPECT_TRUE(checked(0));
    EXPECT_FALSE(checked(1));
    form.on_item_click(form.list(), 0);
    form.on_item_click(form.list(), 1);
    EXPECT_FALSE(checked(0));
    EXPECT_TRUE(checked(1));

    // add_category opens the field editor over the list; its name is saved at once, after
    // the names ticked so far (Home was unticked, Work ticked).
    click(form.add_button());
    EXPECT_EQ(application->top_form(), &form.field_editor());
    form.field_editor().label_edit().edit().set_text(u"Friends");
    press_left(form.field_editor());
    ASSERT_EQ(store->saved.size(), 1u);
    EXPECT_EQ(store->saved[0].fields[0].value, u"Work, Friends");
    EXPECT_EQ(application->top_form(), &form);

    // The folder's list lacks the new name: it joins the editor's list, ticked, and stays
    // when the editor is left, while the contact's other unknown names do not.
    EXPECT_EQ(document->categories(), (std::vector<WString>{u"Home", u"Work", u"Friends"}));
    EXPECT_EQ(document->category_checked(), (std::vector<bool>{false, true, true}));
    EXPECT_EQ(form.list().item_count(), 3);

    // The store's notice: the flags follow the stored value, so the ticks stay.
    store->find(1)->fields[0].value = u"Work, Friends";
    document->on_contact_changed(1);
    EXPECT_EQ(document->category_checked(), (std::vector<bool>{false, true, true}));
    form.on_item_click(form.list(), 0);
    press_left(form);
    ASSERT_EQ(store->saved.size(), 2u);
    EXPECT_EQ(store->saved[1].fields[0].value, u"Home, Work, Friends");
    // Left, the list is the folder's again.
    EXPECT_EQ(document->categories().size(), 2u);

    // A name the contact carried unknown is dropped; one added on this opening is kept.
    store->find(1)->fields[0].value = u"Cats";
    document->on_contact_changed(1);
    form.open(stored(1), 0);
    EXPECT_EQ(document->category_checked(), (std::vector<bool>{false, false}));
    click(form.add_button());
    form.field_editor().label_edit().edit().set_text(u"Dogs");
    press_left(form.field_editor());
    EXPECT_EQ(store->saved.back().fields[0].value, u"Dogs");
    press_left(form);
    EXPECT_EQ(store->saved.back().fields[0].value, u"Dogs");
    form.open(stored(1), 0);

    click(form.add_button());
    form.field_editor().label_edit().edit().set_text(u"Birds");
    press_left(form.field_editor());
    EXPECT_EQ(document->categories().size(), 3u);
    const size_t saves = store->saved.size();
    std::erase_if(store->contacts, [](const Contact& c) { return c.object_id == 1; });
    document->on_contact_removed(1);
    EXPECT_FALSE(on_stack(form));
    EXPECT_EQ(store->saved.size(), saves);
    // The name added here left the list with the editor.
    EXPECT_EQ(document->categories().size(), 2u);
}

}  // namespace
}  // namespace screens_test

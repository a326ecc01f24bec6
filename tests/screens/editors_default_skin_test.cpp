// The editors bind to the shipped skins and go through an opening and a leaving on them.

#include <gtest/gtest.h>

#include "screens/edit_categories_form.h"
#include "screens/edit_contact_address_form.h"
#include "screens/edit_contact_header_form.h"
#include "screens/edit_date_form.h"
#include "screens/edit_field_form.h"
#include "screens/select_field_form.h"
#include "skin/node_factory.h"
#include "skin/spinner.h"
#include "tests/screens/screen_test_support.h"

namespace screens_test {
namespace {

class ShippedSkin : public ScreenStage, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        ScreenStage::SetUp();
        zentra::NodeFactory::register_type(u"spinner", zentra::create_node<zentra::SpinnerNode>);
    }
    void TearDown() override {
        while (zentra::Form* top = application->top_form()) {
            application->remove_modal_form(*top, false);
        }
        ScreenStage::TearDown();
        zentra::NodeFactory::unregister_type(u"spinner");
    }
};

class Listener : public FieldKindListener {
public:
    void on_field_kind_chosen(uint32_t, FieldKind kind) override { chosen.push_back(kind); }
    std::vector<FieldKind> chosen;
};

TEST_P(ShippedSkin, EveryEditorOpensAndSaves) {
    open_document({person(1, u"Ann", u"Lee", u"Acme",
                          {ContactField(FieldKind::Mobile, u"555"),
                           ContactField(FieldKind::Birthday, u"958521600000"),
                           ContactField(FieldKind::Categories, u"Home")})},
                  SortByLastname, {u"Home", u"Work"});
    const std::string path =
        std::string(VELVANE_PROGRAM_DIR) + "/skins/bin/" + GetParam() + ".skin";
    zentra::ScreenMetrics metrics;
    metrics.width = 240;
    metrics.height = 320;
    ASSERT_TRUE(skin.load_skin(platform::from_utf8(path), metrics)) << path;
    application->set_screen_metrics(metrics);
    const Contact contact = document->find_entry(1)->contact;

    EditContactHeaderForm header(skin);
    header.open(contact);
    header.cancel();
    EditContactAddressForm address(skin);
    address.open(contact, false);
    address.part(0).edit().set_text(u"Main St");
    address.cancel();
    EditFieldForm field(skin);
    field.open(contact, 0);
    field.cancel();
    EditDateForm date(skin);
    date.open(contact, 1);
    date.chooser().set_date({2001, 2, 3, 4, 5});
    date.cancel();
    EditCategoriesForm categories(skin);
    categories.open(contact, 2);
    categories.list().fill();
    categories.cancel();
    ASSERT_EQ(store->saved.size(), 5u);
    EXPECT_EQ(store->saved[1].find(FieldKind::WorkStreet)->value, u"Main St");
    EXPECT_EQ(store->saved[3].fields[1].value, u"981173100000");
    EXPECT_EQ(store->saved[4].fields[2].value, u"Home");

    SelectFieldForm select(skin);
    Listener listener;
    select.open(1, listener, false);
    select.list().fill();
    EXPECT_GT(select.list().row_count(), 0);
    select.choose_row(1);
    EXPECT_EQ(listener.chosen, std::vector<FieldKind>{FieldKind::BusinessTel});
    EXPECT_EQ(application->top_form(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Skins, ShippedSkin, ::testing::Values("default", "default_dark"));

}  // namespace
}  // namespace screens_test

// The favourites screens: the grid's shape and rows, rows that follow the favourites table,
// the list's texts and taps, and the contact pictures through the Document's photo cache.

#include <map>

#include "contacts/favorites.h"
#include "screens/favorite_item.h"
#include "screens/favorites_container.h"
#include "screens/favorites_grid_container.h"
#include "screens/main_form.h"
#include "skin/blender.h"
#include "skin/image_node.h"
#include "skin/text_node.h"
#include "skin/vlist.h"
#include "tests/screens/contact_card_support.h"
#include "tests/screens/favorites_support.h"
#include "tests/screens/main_form_support.h"

namespace screens_test {
namespace {

constexpr const char16_t* kQuorr = u"HKEY_CURRENT_USER\\Software\\Quorr";

TEST(GridShape, TilesPerRowAndTheirWidthFollowTheContainerAndTheProbe) {
    struct Case {
        int width, probe;
        GridShape want;
    };
    const Case cases[] = {
        {240, 70, {3, 80}}, {240, 80, {3, 80}}, {239, 80, {2, 119}}, {320, 70, {4, 80}},
        {60, 70, {1, 60}},  {0, 70, {1, 0}},    {240, 0, {1, 240}},  {240, -5, {1, 240}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(grid_shape(c.width, c.probe), c.want) << c.width << " / " << c.probe;
    }
}

TEST(GridShape, RowsHoldConsecutiveFavouritesAndTheLastMayBeShort) {
    struct Case {
        int count, per_row, rows;
    };
    for (const Case c : {Case{7, 3, 3}, Case{6, 3, 2}, Case{1, 3, 1}, Case{0, 3, 0}, Case{5, 1, 5},
                         Case{4, 0, 0}}) {
        EXPECT_EQ(grid_rows(c.count, c.per_row), c.rows) << c.count << " / " << c.per_row;
    }
    EXPECT_EQ(grid_row_range(0, 3, 7), (GridRange{0, 3}));
    EXPECT_EQ(grid_row_range(1, 3, 7), (GridRange{3, 6}));
    EXPECT_EQ(grid_row_range(2, 3, 7), (GridRange{6, 7}));
    EXPECT_EQ(grid_row_range(3, 3, 7), (GridRange{7, 7}));
    EXPECT_EQ(grid_row_range(-1, 3, 7), (GridRange{0, 0}));
}

Contact friend_with(uint32_t id, std::u16string first, std::vector<ContactField> fields) {
    return person(id, std::move(first), u"", u"", std::move(fields));
}

// Seven friends in name order, each with a mobile number 100<id>; Gus has none.
std::vector<Contact> seven_friends() {
    const char16_t* names[] = {u"Ann", u"Bob", u"Cid", u"Dan", u"Eve", u"Fay", u"Gus"};
    std::vector<Contact> out;
    for (uint32_t id = 1; id <= 7; ++id) {
        std::vector<ContactField> fields;
        if (id != 7) {
            fields.emplace_back(FieldKind::Mobile, u"100" + std::u16string(1, u'0' + id));
        }
        fields.emplace_back(FieldKind::Email1, u"x@y");
        out.push_back(friend_with(id, names[id - 1], std::move(fields)));
    }
    return out;
}

std::shared_ptr<zentra::Bitmap> picture(uint16_t pixel) {
    auto bitmap = std::make_shared<zentra::Bitmap>(4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            bitmap->row(y)[x] = pixel;
        }
    }
    return bitmap;
}

class Favourites : public ScreenStage {
protected:
    void SetUp() override {
        ScreenStage::SetUp();
        write_dword(kQuorr, u"Log", 1);
        log();
    }
    void TearDown() override {
        write_dword(kQuorr, u"Log", 0);
        log();
        while (zentra::Form* top = application->top_form()) {
            application->remove_modal_form(*top, false);
        }
        list.reset();
        grid.reset();
        ScreenStage::TearDown();
    }

    // A screen of width x 320 with both containers; the contacts are all favourites by
    // their mobile number.
    void build(int width, int tile_width) {
        m_width = width;
        zentra::ScreenMetrics metrics;
        metrics.width = width;
        metrics.height = 320;
        application->set_screen_metrics(metrics);
        open_document(seven_friends());
        for (uint32_t id = 1; id <= 7; ++id) {
            add_favorite(*document, id, static_cast<int32_t>(FieldKind::Mobile));
        }
        load("define Screen { point design_size = " + std::to_string(width) + ", 320\n" +
             favorites_containers_source() + "}\n" + favorites_rows_source(tile_width, 30) +
             contact_card_source() + card_menu_source());
        ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
        const auto call = [this](WStringView number) { calls.push_back(WString(number)); };
        list = std::make_unique<FavoritesContainer>(skin, call);
        list->bind(root, skin);
        grid = std::make_unique<FavoritesContainer2>(skin, call);
        grid->bind(root, skin);
        lay_out();
    }
    void lay_out() {
        zentra::layout_root(root, {0, 0}, {m_width, 320});
        grid->on_width_changed();
        grid->list()->fill();
        list->list()->fill();
    }
    FavoriteElement2& grid_row(int index) {
        auto* row = dynamic_cast<FavoriteElement2*>(grid->list()->element_for(index));
        EXPECT_NE(row, nullptr) << "no grid row " << index;
        return *row;
    }
    FavoriteElement& list_row(int index) {
        auto* row = dynamic_cast<FavoriteElement*>(list->list()->element_for(index));
        EXPECT_NE(row, nullptr) << "no list row " << index;
        return *row;
    }
    static std::u16string text(zentra::Node& node) {
        return dynamic_cast<zentra::TextNode&>(node).text();
    }
    int log_count(std::u16string_view line) {
        log().flush();
        const std::string bytes =
            test_support::read_bytes(home.home() / "Documents/screens_tests.txt");
        std::u16string all;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            all += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        int count = 0;
        for (size_t at = all.find(line); at != std::u16string::npos; at = all.find(line, at + 1)) {
            ++count;
        }
        return count;
    }

    SpinnerType spinners;
    zentra::Node root;
    std::unique_ptr<FavoritesContainer> list;
    std::unique_ptr<FavoritesContainer2> grid;
    std::vector<WString> calls;
    int m_width = 240;
};

TEST_F(Favourites, TheGridPlacesTilesSideBySideAndTheLastRowHoldsTheRest) {
    build(240, 70);
    EXPECT_EQ(grid->items_per_row(), 3);
    EXPECT_EQ(grid->tile_width(), 80);
    ASSERT_EQ(grid->list()->item_count(), 3);
    struct Want {
        int row;
        std::vector<std::u16string> names;
    };
    for (const Want& want : {Want{0, {u"Ann", u"Bob", u"Cid"}}, Want{1, {u"Dan", u"Eve", u"Fay"}},
                             Want{2, {u"Gus"}}}) {
        const auto& tiles = grid_row(want.row).tiles();
        ASSERT_EQ(tiles.size(), want.names.size()) << "row " << want.row;
        for (size_t d = 0; d < tiles.size(); ++d) {
            EXPECT_EQ(text(tiles[d]->text1()), want.names[d]);
            EXPECT_EQ(tiles[d]->position().x, static_cast<int>(d) * 80) << d;
            EXPECT_EQ(tiles[d]->size().w, 80) << d;
            EXPECT_EQ(tiles[d]->favorite(), want.row * 3 + static_cast<int>(d));
        }
    }
    EXPECT_EQ(text(grid_row(0).tiles()[1]->text2()), u"1002");
    // Gus has no mobile number: his tile shows none.
    EXPECT_EQ(text(grid_row(2).tiles()[0]->text2()), u"");
    EXPECT_GE(log_count(u"FavoriteElement2::refresh_element "), 3);
    EXPECT_GE(log_count(u"FavoriteIcon time  "), 7);
}

TEST_F(Favourites, AWiderScreenTakesMoreTilesPerRow) {
    build(320, 70);
    EXPECT_EQ(grid->items_per_row(), 4);
    EXPECT_EQ(grid->tile_width(), 80);
    EXPECT_EQ(grid->list()->item_count(), 2);
    EXPECT_EQ(grid_row(1).tiles().size(), 3u);
    // Narrower again: the rows follow.
    m_width = 150;
    lay_out();
    EXPECT_EQ(grid->items_per_row(), 2);
    EXPECT_EQ(grid->tile_width(), 75);
    EXPECT_EQ(grid->list()->item_count(), 4);
    EXPECT_EQ(grid_row(3).tiles()[0]->position().x, 0);
    EXPECT_EQ(grid_row(3).tiles().size(), 1u);
}

TEST_F(Favourites, AChangedFavouriteRefreshesOnlyItsRow) {
    build(240, 70);
    std::vector<std::vector<FavoriteIcon*>> before;
    for (int r = 0; r < 3; ++r) {
        before.push_back(grid_row(r).tiles());
    }
    // Eve is favourite 4: row 1.
    store->find(5)->fields[0].value = u"5555";
    document->on_contact_changed(5);
    lay_out();
    EXPECT_EQ(grid_row(0).tiles(), before[0]);
    EXPECT_EQ(grid_row(2).tiles(), before[2]);
    EXPECT_NE(grid_row(1).tiles(), before[1]);
    EXPECT_EQ(text(grid_row(1).tiles()[1]->text2()), u"5555");
}

TEST_F(Favourites, ReReadingTheCallLogKeepsTheRowsWhereTheyAre) {
    build(240, 70);
    // Scrolled a little (a reset would put both back at 0).
    grid->list()->set_scroll_position(-7);
    list->list()->set_scroll_position(-9);
    document->update_log();  // ends in is_load_done
    EXPECT_EQ(grid->list()->scroll_position(), -7);
    EXPECT_EQ(list->list()->scroll_position(), -9);
    EXPECT_EQ(grid->list()->item_count(), 3);
    EXPECT_EQ(list->list()->item_count(), 7);
}

TEST_F(Favourites, AddedAndRemovedFavouritesReflowTheGrid) {
    build(240, 70);
    add_favorite(*document, 1, static_cast<int32_t>(FieldKind::Email1));
    lay_out();
    ASSERT_EQ(grid->list()->item_count(), 3);
    // Ann's two rows come first: everything after them moved one place on.
    EXPECT_EQ(text(grid_row(0).tiles()[1]->text1()), u"Ann");
    ASSERT_EQ(grid_row(2).tiles().size(), 2u);
    EXPECT_EQ(text(grid_row(2).tiles()[1]->text1()), u"Gus");
    EXPECT_EQ(log_count(u"FavoritesContainer2::on_document_refresh add "), 1);

    remove_favorite(*document, 1, static_cast<int32_t>(FieldKind::Email1));
    remove_favorite(*document, 2, static_cast<int32_t>(FieldKind::Mobile));
    lay_out();
    ASSERT_EQ(grid->list()->item_count(), 2);
    EXPECT_EQ(text(grid_row(1).tiles()[2]->text1()), u"Gus");
    EXPECT_EQ(log_count(u"FavoritesContainer2::on_document_refresh remove "), 2);
    // And the list has one row per favourite.
    EXPECT_EQ(list->list()->item_count(), 6);
}

TEST_F(Favourites, TilesCallTheValueAndOpenTheCard) {
    build(240, 70);
    FavoriteIcon& bob = *grid_row(0).tiles()[1];
    const zentra::Point at = bob.contact_button().position();
    tap(root, at.x + 5, at.y + 25);
    EXPECT_EQ(calls, (std::vector<WString>{u"1002"}));
    FavoriteIcon& gus = *grid_row(2).tiles()[0];
    tap(root, gus.position().x + 5, gus.position().y + 25);
    EXPECT_EQ(calls.back(), u"") << "a favourite without its field calls an empty number";

    const zentra::Point fav = bob.favorite_button().position();
    tap(root, fav.x + 2, fav.y + 2);
    EXPECT_EQ(application->top_form(), &grid->card());
    EXPECT_EQ(grid->card().contact().object_id, 2u);
    EXPECT_FALSE(grid->card().edit_mode());
    EXPECT_EQ(calls.size(), 2u) << "the star does not call";
}

TEST_F(Favourites, TheListShowsNameAndValueCallsOnATapAndOpensTheCardFromItsStar) {
    build(240, 70);
    grid->root()->set_visible_at_once(false);  // the main form shows one layout at a time
    ASSERT_EQ(list->list()->item_count(), 7);
    EXPECT_EQ(text(list_row(0).big()), u"Ann");
    EXPECT_EQ(text(list_row(0).small()), u"1001");
    EXPECT_EQ(text(list_row(6).big()), u"Gus");
    EXPECT_EQ(text(list_row(6).small()), u"");

    const zentra::Point row = list_row(2).position();
    tap(root, row.x + 30, row.y + 5);
    EXPECT_EQ(calls, (std::vector<WString>{u"1003"}));
    list->on_item_click(*list->list(), 7);
    list->on_item_click(*list->list(), -1);
    EXPECT_EQ(calls.size(), 1u) << "no favourite there, no call";

    const zentra::Point star = list_row(3).favorite_button().position();
    tap(root, star.x + 5, star.y + 5);
    EXPECT_EQ(application->top_form(), &list->card());
    EXPECT_EQ(list->card().contact().object_id, 4u);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(Favourites, PicturesAreFetchedOnceFramedAndKeptInTheDocumentsCache) {
    zentra::ScreenMetrics metrics;
    metrics.width = 240;
    metrics.height = 320;
    application->set_screen_metrics(metrics);
    open_document(seven_friends());
    store->pictures[2] = zentra::ImageRef::whole(picture(0x1234));
    store->pictures[5] = zentra::ImageRef::whole(picture(0x4321));
    for (uint32_t id = 1; id <= 7; ++id) {
        add_favorite(*document, id, static_cast<int32_t>(FieldKind::Mobile));
    }
    load("define Screen { point design_size = 240, 320\n" + favorites_containers_source() + "}\n" +
         favorites_rows_source(70, 30) + contact_card_source() + card_menu_source());
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    list = std::make_unique<FavoritesContainer>(skin, nullptr);
    list->bind(root, skin);
    grid = std::make_unique<FavoritesContainer2>(skin, nullptr);
    grid->bind(root, skin);
    lay_out();

    PhotoCache& cache = document->photo_cache();
    EXPECT_EQ(cache.size(), 2u) << "contacts without a picture are not cached";
    EXPECT_TRUE(cache.contains(2));
    EXPECT_TRUE(cache.contains(5));
    // Both layouts showed Bob; the store was asked once.
    int asked_for_bob = 0;
    for (const std::string& request : store->picture_requests) {
        asked_for_bob += request.rfind("2 ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(asked_for_bob, 1);
    EXPECT_EQ(grid_row(0).tiles()[1]->photo().source().picture,
              cache.entries().at({2, 0}).picture.picture);
    EXPECT_EQ(list_row(1).photo().source().picture, cache.entries().at({2, 0}).picture.picture);
    EXPECT_EQ(list_row(0).photo().source().picture, nullptr) << "Ann shows the default";

    // A picture changed in the store (by another program too) is fetched again.
    const auto newer = picture(0x0F0F);
    store->pictures[2] = zentra::ImageRef::whole(newer);
    document->on_contact_changed(2);
    lay_out();
    ASSERT_TRUE(cache.contains(2));
    EXPECT_EQ(cache.entries().at({2, 0}).picture.picture->row(0)[0], 0x0F0F);
    EXPECT_EQ(grid_row(0).tiles()[1]->photo().source().picture,
              cache.entries().at({2, 0}).picture.picture);
    // And a deleted contact's picture goes with it.
    document->on_contact_removed(5);
    EXPECT_FALSE(cache.contains(5));
}

TEST_F(Favourites, ChangingThePhotoOnTheCardDropsTheCachedPicture) {
    build(240, 70);
    document->photo_cache().insert(2, {}, zentra::ImageRef::whole(picture(1)), 5);
    document->photo_cache().insert(3, {}, zentra::ImageRef::whole(picture(1)), 5);
    list->open_card(1);
    list->card().menu_items(list->card().menu(), u"RemovePhoto");
    EXPECT_FALSE(document->photo_cache().contains(2));
    EXPECT_TRUE(document->photo_cache().contains(3));
}

// The list's and the grid's frames differ in size and ground; each layout shows the contact
// framed by its own, also when the other layout framed it first, and neither asks the store
// again for a picture it has made.
TEST_F(Favourites, EachLayoutShowsThePictureMadeWithItsOwnFrame) {
    open_document(seven_friends());
    store->pictures[2] = zentra::ImageRef::whole(picture(0x1234));
    // Marked pixels let the photo through; the top right one is the transparent key.
    const auto frame = [](int side) {
        auto bitmap = std::make_shared<zentra::Bitmap>(side, side);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                bitmap->row(y)[x] =
                    x == side - 1 && y == 0 ? zentra::kKeyColor : zentra::kOpaqueBit;
            }
        }
        return zentra::ImageRef::whole(std::move(bitmap));
    };
    zentra::ImageNode list_node, tile_node;
    list_node.set_design_size({4, 4});
    list_node.set_source(frame(4));
    tile_node.set_design_size({6, 6});
    tile_node.set_source(frame(6));
    FavoritePhoto in_list(list_node), in_tile(tile_node);

    struct Step {
        FavoritePhoto* photo;
        zentra::ImageNode* node;
        int side;
    };
    const Step steps[] = {{&in_tile, &tile_node, 6},
                          {&in_list, &list_node, 4},
                          {&in_tile, &tile_node, 6},
                          {&in_list, &list_node, 4}};
    for (const Step& step : steps) {
        step.photo->show(2);
        const zentra::ImageRef& shown = step.node->source();
        ASSERT_FALSE(shown.empty()) << step.side;
        EXPECT_EQ(shown.pairs[3], (zentra::Point{step.side, step.side}));
        ASSERT_EQ(shown.picture->width(), step.side);
        EXPECT_EQ(shown.picture->row(0)[step.side - 1], zentra::kKeyColor) << step.side;
        EXPECT_EQ(shown.picture->row(step.side - 1)[0], 0x1234 | zentra::kOpaqueBit) << step.side;
    }
    EXPECT_EQ(store->picture_requests, (std::vector<std::string>{"2 6x6", "2 4x4"}));
}

class MainFormFavourites : public Favourites {};

TEST_F(MainFormFavourites, TheMainFormBuildsBothLayoutsAndBindingEmptiesThePhotoCache) {
    open_document(seven_friends());
    load(main_skin());
    auto main_form = std::make_unique<MainForm>(skin);
    ASSERT_NE(main_form->favorites_list_node(), nullptr);
    ASSERT_NE(main_form->favorites_grid_node(), nullptr);
    EXPECT_NE(main_form->favorites_list_node()->find_descendant(u"FavoritesList"), nullptr);
    EXPECT_NE(main_form->favorites_grid_node()->find_descendant(u"FavoritesList2"), nullptr);

    document->photo_cache().insert(1, {}, zentra::ImageRef::whole(picture(1)), 1);
    main_form->bind();
    EXPECT_EQ(document->photo_cache().size(), 0u);

    // The favourites tab shows the mode's container; pressed again, the other one.
    main_form->press_tab(MainForm::Favorites);
    const int mode = main_form->favorite_mode();
    EXPECT_EQ(main_form->favorites_list_node()->visible(), mode == 1);
    EXPECT_EQ(main_form->favorites_grid_node()->visible(), mode == 2);
    main_form->press_tab(MainForm::Favorites);
    EXPECT_EQ(main_form->favorites_list_node()->visible(), mode != 1);
    EXPECT_EQ(main_form->favorites_grid_node()->visible(), mode != 2);
    while (zentra::Form* top = application->top_form()) {
        application->remove_modal_form(*top, false);
    }
    main_form.reset();
}

}  // namespace
}  // namespace screens_test

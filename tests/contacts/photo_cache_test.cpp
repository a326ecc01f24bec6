// The photo cache: a use refreshes an entry, an insertion past the bound evicts the least
// recently used (the smallest id among equal times), drop and clear forget, and a picture is
// kept for the frame it was made with.

#include <gtest/gtest.h>

#include <vector>

#include "contacts/photo_cache.h"

namespace {

using velvane::PhotoCache;

zentra::ImageRef picture() {
    return zentra::ImageRef::whole(std::make_shared<zentra::Bitmap>(1, 1));
}

std::vector<uint32_t> ids(const PhotoCache& cache) {
    std::vector<uint32_t> out;
    for (const auto& [key, entry] : cache.entries()) {
        out.push_back(key.object_id);
    }
    return out;
}

TEST(PhotoCache, TheTwentiethInsertionEvictsTheLeastRecentlyUsedLeavingNineteen) {
    struct Case {
        const char* what;
        std::vector<int64_t> times;  // last use of ids 1..19 as inserted
        int64_t now;                 // the 20th insertion, id 100
        uint32_t evicted;
    };
    std::vector<int64_t> rising, equal, one_old;
    for (int64_t i = 1; i <= 19; ++i) {
        rising.push_back(i * 10);
        equal.push_back(7);
        one_old.push_back(i == 12 ? 1 : 50);
    }
    const Case cases[] = {
        {"the first inserted is the oldest", rising, 500, 1},
        {"equal times: the smallest id", equal, 7, 1},
        {"an old one in the middle", one_old, 60, 12},
    };
    for (const Case& c : cases) {
        PhotoCache cache;
        for (uint32_t id = 1; id <= 19; ++id) {
            cache.insert(id, {}, picture(), c.times[id - 1]);
        }
        ASSERT_EQ(cache.size(), 19u) << c.what;
        cache.insert(100, {}, picture(), c.now);
        EXPECT_EQ(cache.size(), 19u) << c.what;
        EXPECT_FALSE(cache.contains(c.evicted)) << c.what;
        EXPECT_TRUE(cache.contains(100)) << c.what;
    }
}

TEST(PhotoCache, AUseMakesAnEntryRecentAndMissesChangeNothing) {
    PhotoCache cache;
    for (uint32_t id = 1; id <= 19; ++id) {
        cache.insert(id, {}, picture(), id);
    }
    ASSERT_NE(cache.use(1, {}, 40), nullptr);
    EXPECT_EQ(cache.entries().at({1, 0}).last_use, 40);
    EXPECT_EQ(cache.use(55, {}, 41), nullptr);
    cache.insert(20, {}, picture(), 42);
    EXPECT_TRUE(cache.contains(1));
    EXPECT_FALSE(cache.contains(2));
    // A second insertion for an id replaces its picture without growing the cache.
    const zentra::ImageRef newer = picture();
    cache.insert(20, {}, newer, 43);
    EXPECT_EQ(cache.size(), 19u);
    EXPECT_EQ(cache.entries().at({20, 0}).picture.picture, newer.picture);
    EXPECT_TRUE(cache.contains(3));
}

TEST(PhotoCache, DropForgetsOneContactAndClearForgetsAll) {
    PhotoCache cache;
    cache.insert(4, {}, picture(), 1);
    cache.insert(9, {}, picture(), 1);
    cache.drop(4);
    cache.drop(77);
    EXPECT_EQ(ids(cache), (std::vector<uint32_t>{9}));
    cache.clear();
    EXPECT_EQ(cache.size(), 0u);
}

// The list and the grid frame a contact's picture differently; one's picture must never be
// handed to the other, nor may a new frame replace the other layout's picture.
TEST(PhotoCache, APictureIsFoundOnlyWithTheFrameItWasMadeWith) {
    const zentra::ImageRef list_frame = picture();
    const zentra::ImageRef tile_frame = picture();
    // Another part of the list frame's picture: a frame of its own.
    zentra::ImageRef part = list_frame;
    part.pairs[0] = {1, 0};
    const zentra::ImageRef for_list = picture(), for_tile = picture(), for_part = picture();

    PhotoCache cache;
    cache.insert(7, list_frame, for_list, 1);
    cache.insert(7, tile_frame, for_tile, 2);
    cache.insert(8, tile_frame, picture(), 2);
    EXPECT_EQ(cache.size(), 3u);
    struct Case {
        const char* what;
        uint32_t id;
        const zentra::ImageRef* frame;
        const zentra::ImageRef* want;  // null: a miss
    };
    const Case cases[] = {
        {"the list's own", 7, &list_frame, &for_list},
        {"the grid's own", 7, &tile_frame, &for_tile},
        {"another part of the list's picture", 7, &part, nullptr},
        {"no frame", 7, nullptr, nullptr},
        {"another contact", 9, &list_frame, nullptr},
    };
    for (const Case& c : cases) {
        const zentra::ImageRef* found = cache.use(c.id, c.frame ? *c.frame : zentra::ImageRef{}, 5);
        if (c.want == nullptr) {
            EXPECT_EQ(found, nullptr) << c.what;
        } else {
            ASSERT_NE(found, nullptr) << c.what;
            EXPECT_EQ(found->picture, c.want->picture) << c.what;
        }
    }

    // The part shares the list frame's slot: it replaces that picture, not the grid's.
    cache.insert(7, part, for_part, 6);
    EXPECT_EQ(cache.use(7, list_frame, 7), nullptr);
    ASSERT_NE(cache.use(7, part, 7), nullptr);
    EXPECT_EQ(cache.use(7, part, 7)->picture, for_part.picture);
    ASSERT_NE(cache.use(7, tile_frame, 7), nullptr);

    // A changed contact loses its pictures in every frame.
    cache.drop(7);
    EXPECT_FALSE(cache.contains(7));
    EXPECT_EQ(cache.use(7, tile_frame, 8), nullptr);
    EXPECT_EQ(ids(cache), (std::vector<uint32_t>{8}));
}

}  // namespace
